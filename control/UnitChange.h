#pragma once

#include <QString>
#include <vector>

#include "model/FieldCode.h"
#include "model/SettingField.h"
#include "model/UnitRef.h"

// One change the operator made to one or more units of a studio, with what each unit held
// before and after it. The core sends it and tells the views of it; an undo sends it the other
// way round, through the same path.
struct UnitChange {
    enum class Kind {
        kPower,          // one unit's flash or model power (the partner too under the Prop link)
        kSetting,        // one unit's switch or mode
        kTickedPower,    // the selected-units offsets, on every ticked unit
        kTickedSetting,  // a switch or mode on every ticked unit
        kMemory,         // a Business Memory applied to the whole studio
        kRename,         // a unit's name or a light name
    };

    struct Unit {
        UnitRef ref;
        SettingValues before{};
        SettingValues after{};
        QString Label() const;  // "CH-03"
    };
    // A unit's name and light name before and after: kept only by the changes that can
    // change them (a memory, a rename), in the order of units.
    struct Names {
        QString nameBefore;
        QString nameAfter;
        QString lightBefore;
        QString lightAfter;
    };

    Kind kind = Kind::kPower;
    int studioNum = -1;
    // The field the operator changed; for a power change the power the command carries.
    FieldCode field = kFieldNone;
    // Steps of one held arrow carry the same non-zero gesture and make one change together.
    int gesture = 0;
    QString memoryName;  // of a memory applied
    QString origin;      // who asked for it, when not the desktop: "phone", ...
    std::vector<Unit> units;
    std::vector<Names> names;

    // "CH-03 flash 5.0 -> 4.5", "CH-01, CH-02 flash +0.1", "Portrait applied", with " (phone)"
    // and the like after it when it came from elsewhere.
    QString Text() const;
};
