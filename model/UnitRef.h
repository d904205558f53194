#pragma once

#include <QtGlobal>

// Names a placed unit by where it sits and by the placement that put it there. A notice that
// is handled later resolves it against the model: a unit destroyed meanwhile, or replaced by a
// new one (even at the same address), resolves to nothing.
struct UnitRef {
    int nStudioNum = -1;  // 0..4, or -1 for the preview studio of a loaded memory
    int nSlot = -1;
    quint64 nSerial = 0;  // the placement's serial number; 0 names no unit

    bool IsNull() const { return nSerial == 0; }
    bool operator==(const UnitRef&) const = default;
};
