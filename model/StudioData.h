#pragma once

#include <QString>
#include <array>
#include <memory>

#include "model/StrobeData.h"

inline constexpr int kStudioCount = 5;
inline constexpr int kSlotCount = 10;

// One studio: a radio group of the dongle with ten unit slots. Owns the units in its slots.
struct StudioData : StudioNode {
    StudioData(int studioNum, QString studioName);
    ~StudioData();

    int nStudioNum = 0;
    QString sStudioName;
    int nChItemCnt = 0;
    std::array<int, kSlotCount> bSlotUsed{};
    std::array<std::unique_ptr<StrobeData>, kSlotCount> pUnits;

    // The unit in slot index, or nullptr for an empty slot or an index outside 0..9.
    StrobeData* UnitAt(int index) const;
};

// "Studio A".."Studio E" by studio number, and "CH-01".."CH-10" by unit index; empty text
// outside the tables.
QString StudioNameOf(int studioNum);
QString SlotLabelOf(int unitIndex);

// Places a new unit in slot unitIndex of studio (destroying one already there). An index
// outside 0..9 stores nothing and the unit is discarded. Returns the placed unit or nullptr.
StrobeData* PlaceUnit(StudioData& studio, int unitIndex, std::unique_ptr<StrobeData> unit);
