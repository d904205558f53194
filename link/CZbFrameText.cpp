#include "link/CZbFrameText.h"

#include <cstdio>

#include "link/UnitMask.h"
#include "link/ZbConstants.h"

namespace {

const char* SettingName(int subCode) {
    switch (subCode) {
        case ZB_FLASH_POWER:
            return "flash-power";
        case ZB_MODEL_POWER:
            return "model-power";
        case ZB_MODEL_MODE1:
            return "mode1";
        case ZB_MODEL_MODE2:
            return "mode2";
        case ZB_FLASH_CELL:
            return "cell";
        case ZB_FLASH_SOUND:
            return "sound";
        case ZB_TEST:
            return "test";
        case ZB_MODEL_POW:
            return "modelpow";
        case ZB_FLASH_POW:
            return "flashpow";
        case ZB_FLASH_TABLE:
            return "flash-pairs";
        case ZB_MODEL_TABLE:
            return "model-pairs";
        default:
            return nullptr;
    }
}

constexpr int kUnitSlots = 10;

std::string Num(int value) {
    return std::to_string(value);
}

// A frame whose start byte and length byte have been checked.
struct Frame {
    const quint8* f;
    std::size_t n;
    int sub;       // the low half of the command byte
    quint16 mask;  // the units addressed; 0 when the frame is too short to carry them
};

std::string WrongLength(const Frame& frame, const char* what, int expected) {
    return std::string(what) + ": length " + Num(static_cast<int>(frame.n)) + ", expected " +
           Num(expected);
}

std::string DescribeSelect(const Frame& frame) {
    if (frame.n != ZB_SELECT_LEN) {
        return WrongLength(frame, "select", ZB_SELECT_LEN);
    }
    if (frame.f[4] >= 'A' && frame.f[4] <= 'E') {
        return std::string("select group ") + static_cast<char>(frame.f[4]);
    }
    return "select of no group (" + CZbFrameText::Hex(frame.f + 4, 1) + ")";
}

std::string DescribeStatus(const Frame& frame) {
    if (frame.n != ZB_SETTINGS_LEN) {
        return WrongLength(frame, "status", ZB_SETTINGS_LEN);
    }
    const quint8* f = frame.f;
    return "status units " + CZbFrameText::UnitList(frame.mask) + " flashpow=" + Num(f[5]) +
           " flash=" + Num(f[6]) + " model=" + Num(f[7]) + " cell=" + Num(f[8]) +
           " sound=" + Num(f[9]) + " mode1=" + Num(f[10]) + " mode2=" + Num(f[11]) +
           " modelpow=" + Num(f[12]);
}

std::string DescribeIgnored(const Frame&) {
    return "type 0x02 (ignored)";
}

// The flash or modelling powers of all unit slots at once.
std::string DescribePairs(const Frame& frame, const char* name) {
    if (frame.n != ZB_PAIRS_LEN) {
        return WrongLength(frame, name, ZB_PAIRS_LEN);
    }
    std::string out = name;
    for (int i = 0; i < kUnitSlots; ++i) {
        out += " " + Num(i) + ":" + Num(frame.f[3 + 2 * i]) + "/" + Num(frame.f[4 + 2 * i]);
    }
    return out;
}

std::string DescribeSetting(const Frame& frame) {
    const int sub = frame.sub;
    const char* name = SettingName(sub);
    if (name == nullptr) {
        return "setting with unknown sub-code " + Num(sub);
    }
    if (sub == ZB_FLASH_TABLE || sub == ZB_MODEL_TABLE) {
        return DescribePairs(frame, name);
    }
    if (frame.n != ZB_COMMAND_LEN) {
        return WrongLength(frame, name, ZB_COMMAND_LEN);
    }
    const quint8* f = frame.f;
    std::string out = std::string(name) + " units " + CZbFrameText::UnitList(frame.mask);
    if (sub == ZB_FLASH_POWER || sub == ZB_MODEL_POWER) {
        return out + " flash=" + Num(f[5]) + " model=" + Num(f[6]);
    }
    if (sub == ZB_TEST) {
        return out;
    }
    return out + " value=" + Num(f[6]) + (f[6] != 0 ? " (on)" : " (off)");
}

std::string DescribeEvent(const Frame& frame) {
    if (frame.n != ZB_COMMAND_LEN) {
        return WrongLength(frame, "event", ZB_COMMAND_LEN);
    }
    const std::string units = CZbFrameText::UnitList(frame.mask);
    if (frame.sub == ZB_CHARGE) {
        return "event charge units " + units + " value=" + Num(frame.f[6]);
    }
    if (frame.sub == ZB_TEST) {
        return "event test-flash units " + units;
    }
    return "event " + Num(frame.sub) + " units " + units + " value=" + Num(frame.f[6]);
}

std::string DescribeReading(const Frame& frame) {
    if (frame.n != ZB_COMMAND_LEN) {
        return WrongLength(frame, "reading", ZB_COMMAND_LEN);
    }
    const bool temperature = frame.sub == ZB_TEMPERATURE;
    return std::string(temperature ? "reading temperature" : "reading ") +
           (temperature ? "" : Num(frame.sub)) + " units " + CZbFrameText::UnitList(frame.mask) +
           " value=" + Num(frame.f[6]);
}

// The frame types by the high half of the command byte, or by the whole byte when that is 0.
struct FrameKind {
    int type;
    std::string (*describe)(const Frame&);
};

constexpr FrameKind kFrameKinds[] = {
    {ZB_TYPE_SELECT, DescribeSelect},   {ZB_TYPE_STATUS, DescribeStatus},
    {ZB_TYPE_IGNORED, DescribeIgnored}, {ZB_TYPE_SETTING, DescribeSetting},
    {ZB_TYPE_EVENT, DescribeEvent},     {ZB_TYPE_READING, DescribeReading},
};

}  // namespace

std::string CZbFrameText::Hex(const quint8* bytes, std::size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i != 0) {
            out += ' ';
        }
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0x0F];
    }
    return out;
}

std::string CZbFrameText::UnitList(quint16 mask) {
    if ((mask & ZB_ALL_UNITS_MASK) != 0) {
        return "all";
    }
    std::string out;
    for (int unit = 0; unit < kUnitSlots; ++unit) {
        if ((mask & UnitMaskOf(unit)) != 0) {
            out += (out.empty() ? "" : ",") + Num(unit);
        }
    }
    return out.empty() ? "none" : out;
}

std::string CZbFrameText::Describe(const quint8* f, std::size_t n) {
    if (n < 4 || f[0] != ZB_START || f[1] != n) {
        return "not a frame";
    }
    const int command = f[2];
    const int type = (command & 0xF0) != 0 ? (command & 0xF0) : command;
    const quint16 mask = n >= 5 ? static_cast<quint16>(f[3] << 8 | f[4]) : 0;
    const Frame frame{f, n, command & 0x0F, mask};
    for (const FrameKind& kind : kFrameKinds) {
        if (kind.type == type) {
            return kind.describe(frame);
        }
    }
    return "unknown command byte " + Hex(f + 2, 1);
}

std::string CZbFrameText::Junk(std::size_t count) {
    return "junk (" + std::to_string(count) + (count == 1 ? " byte" : " bytes") +
           " outside any frame)";
}

std::string CZbFrameText::Line(std::chrono::nanoseconds at, const char* direction,
                               const std::string& hex, const std::string& meaning) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%11.6f ", static_cast<double>(at.count()) / 1e9);
    std::string line = stamp;
    line += direction;
    line += "  ";
    line += hex;
    if (!meaning.empty()) {
        line += "  | ";
        line += meaning;
    }
    return line;
}
