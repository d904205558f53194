#include "link/UnitMask.h"

#include "link/ZbConstants.h"

quint16 UnitMaskOf(int unitIndex) {
    if (unitIndex >= 0 && unitIndex <= 4) {
        return static_cast<quint16>(1u << unitIndex);
    }
    if (unitIndex >= 5 && unitIndex <= 9) {
        return static_cast<quint16>(0x100u << (unitIndex - 5));
    }
    if (unitIndex == ZB_ALL_UNITS) {
        return ZB_ALL_UNITS_MASK;
    }
    return 0;
}

int UnitIndexOf(quint16 mask) {
    for (int i = 0; i <= 9; ++i) {
        if ((mask & UnitMaskOf(i)) != 0) {
            return i;
        }
    }
    // Either all-units bit on its own still means "all units".
    if ((mask & ZB_ALL_UNITS_MASK) != 0) {
        return ZB_ALL_UNITS;
    }
    return -1;
}
