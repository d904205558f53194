#pragma once

#include <QtGlobal>
#include <array>
#include <utility>
#include <vector>

#include "sim/SimUnit.h"

using SimFrame = std::vector<quint8>;

// The frames a unit sends, written from the frame tables. Deliberately independent of the
// program's own builders and decoder, so that a mistake in one is not repeated in the other.
class CSimEncoder {
public:
    // Radio address of unit index 0..9: bits 0..4 for 0..4, bits 8..12 for 5..9.
    static quint16 MaskOf(int unit);
    // Unit indexes a received command addresses, ascending; either all-units bit (7, 15)
    // addresses all ten.
    static std::vector<int> UnitsOf(quint16 mask);

    // FF 0E 01 mh ml, then flashPow flash model cell sound mode1 mode2 modelPow (each 0/1 or
    // the power), then 00.
    static SimFrame Status(int unit, const SimUnit& u);
    // FF 07 1s mh ml flash model, for sub-codes 3 (flash power) and 4 (model power).
    static SimFrame PowerReport(quint8 subCode, int unit, int flash, int model);
    // FF 07 1s mh ml 00 bit, where bit is the switch's own pattern (0x08 mode1, 0x10 mode2,
    // 0x02 cell, 0x04 sound, 0x01 model lamp and unit power) or 0.
    static SimFrame SwitchReport(quint8 subCode, int unit, bool on);
    // FF 07 6s mh ml 00 value.
    static SimFrame Event(quint8 subCode, int unit, quint8 value);
    // FF 07 3s mh ml 00 value.
    static SimFrame Reading(quint8 subCode, int unit, quint8 value);
    // FF 17 1s, then (flash, model) for unit 0..9; (0, 0) for a unit that is not meant.
    static SimFrame Pairs(quint8 subCode, const std::array<std::pair<quint8, quint8>, 10>& pairs);

    // The pattern a switch sub-code carries when on; 0 for a sub-code that is no switch.
    static quint8 SwitchBit(quint8 subCode);
};
