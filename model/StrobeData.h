#pragma once

#include <QString>

#include "model/StudioNode.h"

struct StrobeData;
struct StudioData;

// The tree line under a unit that shows its light name; owned by (embedded in) the unit.
struct LightNode : StudioNode {
    explicit LightNode(StrobeData* unit);
    QString sLightName;
};

// One strobe unit. The nine fields nFlashValue..bModelPow are the setting fields, copied as
// one block by status reports, Business Memory files and applying a memory.
struct StrobeData : StudioNode {
    StrobeData();

    int nChNum = 0;
    QString sChName;
    QString sModelName;
    int nFlashValue = 0;
    int bFlashCell = 0;
    int bFlashSnd = 0;
    int bFlashCharge = 1;
    int bFlashPow = 1;
    int nModelValue = 0;
    int nModelMode1 = 0;
    int nModelMode2 = 0;
    int bModelPow = 1;
    int bSelected = 0;
    int nTemperature = 0;
    // The unit was asked to answer and did not, and has sent nothing since: the program's
    // view of the unit, never stored with its settings.
    int bNoAnswer = 0;
    LightNode lightNode;
    // Serial number of the placement that put this unit in its slot, unique for the run (see
    // UnitRef); 0 while the unit is not placed.
    quint64 nSerial = 0;

    StudioData* Studio() const;
};

inline constexpr const char* kNotDefine = "Not define";

// The longest unit name, light name or memory name the operator can type: short enough for a
// file name on any file system, and for ten units' names to stay far inside what a memory
// file may hold.
inline constexpr int kMaxNameLength = 64;

// Puts every field back to the values of a freshly constructed unit; the light node stays
// owned by this unit.
void ResetStrobeData(StrobeData& unit);

// Copies the nine setting fields, nFlashValue to bModelPow, in their order.
void CopySettingFields(StrobeData& to, const StrobeData& from);

// What a unit's block and the remotes say of it, in this order of weight: nothing it last said
// can be trusted while it does not answer; switched off; too hot (60 degrees and up); else
// working.
enum class UnitCondition { kNoAnswer, kOff, kOverheat, kWorking };
UnitCondition ConditionOf(const StrobeData& unit);
// "No answer", "OFF", "Overheat"; empty for a working unit, whose values are said instead.
QString ConditionText(UnitCondition condition);
