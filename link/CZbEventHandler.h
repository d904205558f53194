#pragma once

#include <QtGlobal>

struct StrobeData;

// Receives every decoded report. Each operation returns 1, which nobody reads.
class CZbEventHandler {
public:
    virtual ~CZbEventHandler() = default;
    // Full status of unit unitIndex (frame type 0x01), decoded into a scratch record.
    virtual int OnStatus(int unitIndex, const StrobeData& status) = 0;
    // One setting (type 0x10). value is byte 5 * 256 + byte 6. For the power-pairs sub-codes
    // 14 and 15 unitIndex and value are 0 and frame holds the assembled frame, whose pair j
    // stands at bytes 3 + 2j and 4 + 2j; for every other sub-code frame is null.
    virtual int OnSetting(quint8 subCode, quint8 unitIndex, quint16 value, const quint8* frame) = 0;
    // An event (type 0x60), value is byte 6.
    virtual int OnEvent(quint8 subCode, quint8 unitIndex, quint8 value) = 0;
    // A reading (type 0x30), value is byte 6.
    virtual int OnReading(quint8 subCode, quint8 unitIndex, quint8 value) = 0;
};
