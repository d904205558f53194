#pragma once

// The property every frame the program builds must have: each byte within what its field
// allows, so that no wild value reaches a unit and no 0xFF but the first starts a frame.
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

#include "link/CPortWriter.h"
#include "link/ZbConstants.h"
#include "model/PowerValue.h"

namespace frame_check {

[[noreturn]] inline void Broken(const char* what, const quint8* bytes, int count) {
    std::fprintf(stderr, "frame out of range: %s:", what);
    for (int i = 0; i < count; ++i) {
        std::fprintf(stderr, " %02X", bytes[i]);
    }
    std::fprintf(stderr, "\n");
    std::abort();
}

inline bool Power(quint8 b) {
    return b >= POWER_MIN && b <= POWER_MAX;
}
inline bool Code(quint8 b) {
    return b <= 1;
}
// Units 0..9 and the all-units bits in either mask byte.
inline bool MaskByte(quint8 b) {
    return (b & ~0x9F) == 0;
}

inline void Check(const quint8* b, int count) {
    const auto need = [&](bool ok, const char* what) {
        if (!ok) {
            Broken(what, b, count);
        }
    };
    need(count >= 5 && b[0] == ZB_START && b[1] == count, "start byte and length");
    for (int i = 1; i < count; ++i) {
        need(b[i] != ZB_START, "a start byte inside the frame");
    }
    const quint8 command = b[2];
    if (command == ZB_TYPE_SELECT) {
        need(count == ZB_SELECT_LEN && b[3] == 0 && b[4] >= 'A' && b[4] <= 'E', "studio select");
        return;
    }
    if (command == ZB_TYPE_STATUS) {
        need(count == ZB_SETTINGS_LEN && MaskByte(b[3]) && MaskByte(b[4]), "settings mask");
        need(Code(b[5]) && Power(b[6]) && Power(b[7]), "settings power and powers");
        for (int i = 8; i <= 12; ++i) {
            need(Code(b[i]), "settings switches");
        }
        need(b[13] == 0, "settings end");
        return;
    }
    const quint8 sub = command & 0x0F;
    need((command & 0xF0) == ZB_TYPE_SETTING, "command type");
    if (sub == ZB_FLASH_TABLE || sub == ZB_MODEL_TABLE) {
        need(count == ZB_PAIRS_LEN, "pairs length");
        for (int i = 3; i < count; i += 2) {
            need((b[i] == 0 && b[i + 1] == 0) || (Power(b[i]) && Power(b[i + 1])), "a pair");
        }
        return;
    }
    need(count == ZB_COMMAND_LEN && MaskByte(b[3]) && MaskByte(b[4]), "command mask");
    switch (sub) {
        case ZB_FLASH_POWER:
        case ZB_MODEL_POWER:
            need(Power(b[5]) && Power(b[6]), "command powers");
            return;
        case ZB_MODEL_MODE1:
            need(b[5] == 0 && (b[6] == 0 || b[6] == 0x08), "mode1");
            return;
        case ZB_MODEL_MODE2:
            need(b[5] == 0 && (b[6] == 0 || b[6] == 0x10), "mode2");
            return;
        case ZB_FLASH_CELL:
            need(b[5] == 0 && (b[6] == 0 || b[6] == 0x02), "cell");
            return;
        case ZB_FLASH_SOUND:
            need(b[5] == 0 && (b[6] == 0 || b[6] == 0x04), "sound");
            return;
        case ZB_TEST:
            need(b[5] == 0 && b[6] == 0, "test");
            return;
        case ZB_MODEL_POW:
        case ZB_FLASH_POW:
            need(b[5] == 0 && (b[6] == 0 || b[6] == 0x01), "power switch");
            return;
        default:
            Broken("sub-code", b, count);
    }
}

// A port that checks every frame written to it, and counts them.
class CCheckingPort : public CPortWriter {
public:
    int WritePort(const quint8* bytes, int count) override {
        Check(bytes, count);
        ++frames;
        return count;
    }
    int frames = 0;
};

}  // namespace frame_check
