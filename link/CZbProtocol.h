#pragma once

#include <QtGlobal>

#include "model/StrobeData.h"

class CPortWriter;
class CZbEventHandler;
struct StudioData;

// Command encoder and report decoder. Builders write one frame with one WritePort call and
// ignore its result: they return true even when the port is closed. No frame carries a byte
// its field does not allow: a studio outside A..E, a mask with unused bits, or a setting
// outside its range (SettingField.h) writes nothing and returns false. UI thread only.
class CZbProtocol {
public:
    CZbProtocol(CZbEventHandler& handler, CPortWriter& port);

    // FF 05 00 00 'A'+studioNum
    bool SelectStudio(int studioNum);
    // 14-byte full settings; mask 0 takes the unit's own mask. False when unit is null.
    bool SendUnitSettings(quint16 mask, const StrobeData* unit);
    // 7-byte single setting for sub-codes 3..8, 11, 12, 13; other sub-codes write nothing
    // and return true. False when unit is null.
    bool SendUnitCommand(quint8 subCode, quint16 mask, const StrobeData* unit);
    // 23-byte power pairs for sub-codes 14 and 15; others write nothing and return true.
    // A unit with a power out of range has the pair of an empty slot. False when studio is
    // null.
    bool SendPowerPairs(quint8 subCode, const StudioData* studio);

    // Dispatches one assembled frame on its type. frame must hold ZB_FRAME_MAX bytes (the
    // assembler's buffer, zero beyond what the frame carried). False for types 0x00 and 0x02
    // (and any type without a decoder).
    bool DecodeFrame(const quint8* frame, quint8 frameType);

    CZbEventHandler& Handler() const { return *pHandler; }

private:
    CZbEventHandler* pHandler;
    CPortWriter* pComm;
    StrobeData statusScratch;
};
