#pragma once

#include "link/CZbEventHandler.h"

class CLinkObserver;
class CUnitReportSink;
class StudioManager;
struct StudioData;

// Applies reports to the units of the current studio and tells the sink of each unit placed,
// reported, changed or read, as it happens. With no current studio every report is ignored. A power
// outside POWER_MIN..POWER_MAX, in any report, is ignored and counted, and the frame log is told.
// UI thread only.
class CStrobeEventHandler : public CZbEventHandler {
public:
    CStrobeEventHandler(CUnitReportSink& sink, StudioManager& manager);

    int OnStatus(int unitIndex, const StrobeData& status) override;
    int OnSetting(quint8 subCode, quint8 unitIndex, quint16 value, const quint8* frame) override;
    int OnEvent(quint8 subCode, quint8 unitIndex, quint8 value) override;
    int OnReading(quint8 subCode, quint8 unitIndex, quint8 value) override;

    // The frame log, told of every value dropped; null for none. Must outlive the handler.
    void SetObserver(CLinkObserver* observer) { pObserver = observer; }
    // Power values ignored since the start, for being outside what a unit can hold.
    quint64 DroppedValues() const { return m_droppedValues; }

private:
    // field takes value when a unit can hold it; otherwise the value is dropped and counted.
    void TakePower(int& field, int value, const char* name, int unitIndex, const char* report);
    // Both powers of every unit of studio from a power-pairs report (frame: its 23 bytes).
    void OnPowerPairs(const StudioData& studio, const quint8* frame);
    void TakeStatus(StrobeData& unit, const StrobeData& status, int unitIndex);

    CUnitReportSink& m_sink;
    StudioManager* pManager;
    CLinkObserver* pObserver = nullptr;
    quint64 m_droppedValues = 0;
};
