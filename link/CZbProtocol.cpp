#include "link/CZbProtocol.h"

#include <array>
#include <bit>

#include "link/CPortWriter.h"
#include "link/CZbEventHandler.h"
#include "link/UnitMask.h"
#include "link/ZbConstants.h"
#include "model/SettingField.h"
#include "model/StudioData.h"

namespace {

// A field value, checked against its range first, goes on the radio as one byte.
constexpr quint8 Low(int value) {
    return static_cast<quint8>(value & 0xFF);
}

quint16 MaskFor(quint16 mask, const StrobeData& unit) {
    return mask != 0 ? mask : UnitMaskOf(unit.nChNum);
}

// Units 0..9 and the all-units bits; bits 5, 6, 13 and 14 are never sent (with them a mask
// byte could read 0xFF, the start of a frame).
constexpr quint16 kSendableMaskBits = 0x9F9F;

constexpr bool SendableMask(quint16 mask) {
    return (mask & ~kSendableMaskBits) == 0;
}

bool InRange(const StrobeData& unit, int StrobeData::*member) {
    for (const SettingField& field : SettingFields()) {
        if (field.member == member) {
            return field.Allows(unit.*member);
        }
    }
    return false;
}

// Every field the full-settings frame carries (all but the charge, which is never sent).
bool SendableSettings(const StrobeData& unit) {
    for (const SettingField& field : SettingFields()) {
        if (field.member != &StrobeData::bFlashCharge && !field.Allows(unit.*field.member)) {
            return false;
        }
    }
    return true;
}

bool SendablePowers(const StrobeData& unit) {
    return InRange(unit, &StrobeData::nFlashValue) && InRange(unit, &StrobeData::nModelValue);
}

constexpr quint8 SubCodeOf(quint8 commandByte) {
    return commandByte & 0x0F;
}

quint16 MaskOfFrame(const quint8* frame) {
    return static_cast<quint16>((frame[3] << 8) | frame[4]);
}

}  // namespace

CZbProtocol::CZbProtocol(CZbEventHandler& handler, CPortWriter& port)
    : pHandler(&handler), pComm(&port) {}

bool CZbProtocol::SelectStudio(int studioNum) {
    if (studioNum < 0 || studioNum >= kStudioCount) {
        return false;
    }
    const std::array<quint8, ZB_SELECT_LEN> bytes{ZB_START, ZB_SELECT_LEN, ZB_TYPE_SELECT, 0x00,
                                                  Low('A' + studioNum)};
    pComm->WritePort(bytes.data(), static_cast<int>(bytes.size()));
    return true;
}

bool CZbProtocol::SendUnitSettings(quint16 mask, const StrobeData* unit) {
    if (unit == nullptr) {
        return false;
    }
    const quint16 m = MaskFor(mask, *unit);
    if (!SendableMask(m) || !SendableSettings(*unit)) {
        return false;
    }
    // bFlashCharge is the unit's own report and is never sent.
    const std::array<quint8, ZB_SETTINGS_LEN> bytes{ZB_START,
                                                    ZB_SETTINGS_LEN,
                                                    ZB_TYPE_STATUS,
                                                    static_cast<quint8>(m >> 8),
                                                    Low(m),
                                                    Low(unit->bFlashPow),
                                                    Low(unit->nFlashValue),
                                                    Low(unit->nModelValue),
                                                    Low(unit->bFlashCell),
                                                    Low(unit->bFlashSnd),
                                                    Low(unit->nModelMode1),
                                                    Low(unit->nModelMode2),
                                                    Low(unit->bModelPow),
                                                    0x00};
    pComm->WritePort(bytes.data(), static_cast<int>(bytes.size()));
    return true;
}

bool CZbProtocol::SendUnitCommand(quint8 subCode, quint16 mask, const StrobeData* unit) {
    if (unit == nullptr) {
        return false;
    }
    auto flag = [](int field, quint8 bit) -> quint8 { return field != 0 ? bit : 0; };
    quint8 byte5 = 0;
    quint8 byte6 = 0;
    switch (subCode) {
        case ZB_FLASH_POWER:
        case ZB_MODEL_POWER:
            // Both powers travel; the sub-code says which one the operator changed.
            if (!SendablePowers(*unit)) {
                return false;
            }
            byte5 = Low(unit->nFlashValue);
            byte6 = Low(unit->nModelValue);
            break;
        case ZB_MODEL_MODE1:
            byte6 = flag(unit->nModelMode1, 0x08);
            break;
        case ZB_MODEL_MODE2:
            byte6 = flag(unit->nModelMode2, 0x10);
            break;
        case ZB_FLASH_CELL:
            byte6 = flag(unit->bFlashCell, 0x02);
            break;
        case ZB_FLASH_SOUND:
            byte6 = flag(unit->bFlashSnd, 0x04);
            break;
        case ZB_TEST:
            break;
        case ZB_MODEL_POW:
            byte6 = flag(unit->bModelPow, 0x01);
            break;
        case ZB_FLASH_POW:
            byte6 = flag(unit->bFlashPow, 0x01);
            break;
        default:
            return true;
    }
    const quint16 m = MaskFor(mask, *unit);
    if (!SendableMask(m)) {
        return false;
    }
    const std::array<quint8, ZB_COMMAND_LEN> bytes{ZB_START,
                                                   ZB_COMMAND_LEN,
                                                   static_cast<quint8>(ZB_TYPE_SETTING + subCode),
                                                   static_cast<quint8>(m >> 8),
                                                   Low(m),
                                                   byte5,
                                                   byte6};
    pComm->WritePort(bytes.data(), static_cast<int>(bytes.size()));
    return true;
}

bool CZbProtocol::SendPowerPairs(quint8 subCode, const StudioData* studio) {
    if (studio == nullptr) {
        return false;
    }
    if (subCode != ZB_FLASH_TABLE && subCode != ZB_MODEL_TABLE) {
        return true;
    }
    // No mask: the position of a pair names its unit, an empty slot sends 0, 0, and so does a
    // unit whose powers no unit can hold: it is left as it is.
    std::array<quint8, ZB_PAIRS_LEN> bytes{ZB_START, ZB_PAIRS_LEN,
                                           static_cast<quint8>(ZB_TYPE_SETTING + subCode)};
    for (int i = 0; i < kSlotCount; ++i) {
        if (const StrobeData* unit = studio->UnitAt(i); unit && SendablePowers(*unit)) {
            bytes[3 + 2 * i] = Low(unit->nFlashValue);
            bytes[4 + 2 * i] = Low(unit->nModelValue);
        }
    }
    pComm->WritePort(bytes.data(), static_cast<int>(bytes.size()));
    return true;
}

bool CZbProtocol::DecodeFrame(const quint8* frame, quint8 frameType) {
    const quint8 subCode = SubCodeOf(frame[2]);
    const quint16 mask = MaskOfFrame(frame);
    // Units 0..4 are mask bits 0..4, units 5..9 bits 8..12; the all-units bits are left out
    // here: on receipt they address no unit.
    const unsigned units = (mask & 0x1Fu) | ((mask >> 3) & 0x3E0u);
    auto forEachUnit = [units](auto&& call) {
        for (unsigned left = units; left != 0; left &= left - 1) {
            call(static_cast<quint8>(std::countr_zero(left)));
        }
    };

    switch (frameType) {
        case ZB_TYPE_STATUS:
            forEachUnit([&](quint8 i) {
                // Bytes are kept as they came; bFlashCharge keeps its initial 1.
                statusScratch.nChNum = i;
                statusScratch.bFlashPow = frame[5];
                statusScratch.nFlashValue = frame[6];
                statusScratch.nModelValue = frame[7];
                statusScratch.bFlashCell = frame[8];
                statusScratch.bFlashSnd = frame[9];
                statusScratch.nModelMode1 = frame[10];
                statusScratch.nModelMode2 = frame[11];
                statusScratch.bModelPow = frame[12];
                pHandler->OnStatus(i, statusScratch);
            });
            return true;
        case ZB_TYPE_SETTING:
            if (subCode == ZB_FLASH_TABLE || subCode == ZB_MODEL_TABLE) {
                pHandler->OnSetting(subCode, 0, 0, frame);
                return true;
            }
            forEachUnit([&](quint8 i) {
                pHandler->OnSetting(subCode, i, static_cast<quint16>(frame[5] * 256 + frame[6]),
                                    nullptr);
            });
            return true;
        case ZB_TYPE_EVENT:
            forEachUnit([&](quint8 i) { pHandler->OnEvent(subCode, i, frame[6]); });
            return true;
        case ZB_TYPE_READING:
            forEachUnit([&](quint8 i) { pHandler->OnReading(subCode, i, frame[6]); });
            return true;
        default:
            return false;
    }
}
