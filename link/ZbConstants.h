#pragma once

#include <QtGlobal>

#include "model/SettingField.h"

// Radio frame constants: every frame is FF, length (whole frame), command byte, mask high,
// mask low, payload. The command byte's high nibble is the type (or the whole byte when the
// high nibble is 0); its low nibble the sub-code.
inline constexpr quint8 ZB_START = 0xFF;
inline constexpr int ZB_FRAME_MAX = 50;  // the assembler's buffer

inline constexpr quint8 ZB_TYPE_SELECT = 0x00;
inline constexpr quint8 ZB_TYPE_STATUS = 0x01;
inline constexpr quint8 ZB_TYPE_IGNORED = 0x02;
inline constexpr quint8 ZB_TYPE_SETTING = 0x10;
inline constexpr quint8 ZB_TYPE_READING = 0x30;
inline constexpr quint8 ZB_TYPE_EVENT = 0x60;
inline constexpr quint8 ZB_TYPE_NONE = 0xFF;  // the rest of this frame is ignored

// The setting sub-codes are the field table's (model/SettingField.h).
inline constexpr quint8 ZB_CHARGE = 1;
inline constexpr quint8 ZB_FLASH_POWER = SettingFieldOf(kFieldFlashValue)->subCode;
inline constexpr quint8 ZB_MODEL_POWER = SettingFieldOf(kFieldModelValue)->subCode;
inline constexpr quint8 ZB_MODEL_MODE1 = SettingFieldOf(kFieldModelMode1)->subCode;
inline constexpr quint8 ZB_MODEL_MODE2 = SettingFieldOf(kFieldModelMode2)->subCode;
inline constexpr quint8 ZB_FLASH_CELL = SettingFieldOf(kFieldFlashCell)->subCode;
inline constexpr quint8 ZB_FLASH_SOUND = SettingFieldOf(kFieldFlashSound)->subCode;
inline constexpr quint8 ZB_TEMPERATURE = 10;
inline constexpr quint8 ZB_TEST = 11;
inline constexpr quint8 ZB_MODEL_POW = SettingFieldOf(kFieldModelPow)->subCode;
inline constexpr quint8 ZB_FLASH_POW = SettingFieldOf(kFieldFlashPow)->subCode;
inline constexpr quint8 ZB_FLASH_TABLE = 14;
inline constexpr quint8 ZB_MODEL_TABLE = 15;

inline constexpr int ZB_ALL_UNITS = 11;  // unit index that addresses every unit
inline constexpr quint16 ZB_ALL_UNITS_MASK = 0x8080;

inline constexpr int ZB_SELECT_LEN = 5;
inline constexpr int ZB_SETTINGS_LEN = 14;
inline constexpr int ZB_COMMAND_LEN = 7;
inline constexpr int ZB_PAIRS_LEN = 23;
