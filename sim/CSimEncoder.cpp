#include "sim/CSimEncoder.h"

#include "link/ZbConstants.h"

namespace {

quint8 Byte(int value) {
    return static_cast<quint8>(value & 0xFF);
}

SimFrame Seven(quint8 command, int unit, int byte5, int byte6) {
    const quint16 mask = CSimEncoder::MaskOf(unit);
    return {0xFF, 0x07, command, Byte(mask >> 8), Byte(mask), Byte(byte5), Byte(byte6)};
}

}  // namespace

quint16 CSimEncoder::MaskOf(int unit) {
    if (unit >= 0 && unit < 5) {
        return static_cast<quint16>(1u << unit);
    }
    if (unit >= 5 && unit < kSimSlotCount) {
        return static_cast<quint16>(1u << (unit + 3));
    }
    return 0;
}

std::vector<int> CSimEncoder::UnitsOf(quint16 mask) {
    std::vector<int> units;
    const bool all = (mask & 0x8080) != 0;
    for (int unit = 0; unit < kSimSlotCount; ++unit) {
        if (all || (mask & MaskOf(unit)) != 0) {
            units.push_back(unit);
        }
    }
    return units;
}

SimFrame CSimEncoder::Status(int unit, const SimUnit& u) {
    const quint16 mask = MaskOf(unit);
    return {0xFF,
            0x0E,
            0x01,
            Byte(mask >> 8),
            Byte(mask),
            Byte(u.flashPow),
            Byte(u.flash),
            Byte(u.model),
            Byte(u.cell),
            Byte(u.sound),
            Byte(u.mode1),
            Byte(u.mode2),
            Byte(u.modelPow),
            0x00};
}

SimFrame CSimEncoder::PowerReport(quint8 subCode, int unit, int flash, int model) {
    return Seven(Byte(0x10 | (subCode & 0x0F)), unit, flash, model);
}

SimFrame CSimEncoder::SwitchReport(quint8 subCode, int unit, bool on) {
    return Seven(Byte(0x10 | (subCode & 0x0F)), unit, 0, on ? SwitchBit(subCode) : 0);
}

SimFrame CSimEncoder::Event(quint8 subCode, int unit, quint8 value) {
    return Seven(Byte(0x60 | (subCode & 0x0F)), unit, 0, value);
}

SimFrame CSimEncoder::Reading(quint8 subCode, int unit, quint8 value) {
    return Seven(Byte(0x30 | (subCode & 0x0F)), unit, 0, value);
}

SimFrame CSimEncoder::Pairs(quint8 subCode,
                            const std::array<std::pair<quint8, quint8>, 10>& pairs) {
    SimFrame frame{0xFF, 0x17, Byte(0x10 | (subCode & 0x0F))};
    for (const auto& [flash, model] : pairs) {
        frame.push_back(flash);
        frame.push_back(model);
    }
    return frame;
}

quint8 CSimEncoder::SwitchBit(quint8 subCode) {
    switch (subCode) {
        case ZB_MODEL_MODE1:  // "Prop"
            return 0x08;
        case ZB_MODEL_MODE2:  // "Continous"
            return 0x10;
        case ZB_FLASH_CELL:
            return 0x02;
        case ZB_FLASH_SOUND:
            return 0x04;
        case ZB_MODEL_POW:
        case ZB_FLASH_POW:
            return 0x01;
        default:
            return 0;
    }
}
