#pragma once

#include <QtGlobal>

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

inline constexpr quint8 ZB_CHARGE = 1;
inline constexpr quint8 ZB_FLASH_POWER = 3;
inline constexpr quint8 ZB_MODEL_POWER = 4;
inline constexpr quint8 ZB_MODEL_MODE1 = 5;
inline constexpr quint8 ZB_MODEL_MODE2 = 6;
inline constexpr quint8 ZB_FLASH_CELL = 7;
inline constexpr quint8 ZB_FLASH_SOUND = 8;
inline constexpr quint8 ZB_TEMPERATURE = 10;
inline constexpr quint8 ZB_TEST = 11;
inline constexpr quint8 ZB_MODEL_POW = 12;
inline constexpr quint8 ZB_FLASH_POW = 13;
inline constexpr quint8 ZB_FLASH_TABLE = 14;
inline constexpr quint8 ZB_MODEL_TABLE = 15;

inline constexpr int ZB_ALL_UNITS = 11;  // unit index that addresses every unit
inline constexpr quint16 ZB_ALL_UNITS_MASK = 0x8080;

inline constexpr int ZB_SELECT_LEN = 5;
inline constexpr int ZB_SETTINGS_LEN = 14;
inline constexpr int ZB_COMMAND_LEN = 7;
inline constexpr int ZB_PAIRS_LEN = 23;
