#pragma once

#include <QObject>

#include "link/AppMessages.h"
#include "link/CUnitReportSink.h"

// The report handler's notices as the link tests' recorders keep them: each becomes the window
// message the program once sent or posted for it, numbered as it was then, so that a test
// sees a notice when, and in the order, a receiver would have.
enum ReportNoticeId : int {
    WM_ZB_NEW_UNIT = kWmUser + 60,      // posted, wParam unit index, unit
    WM_ZB_UNIT_STATUS = kWmUser + 61,   // posted, wParam unit index, unit
    WM_ZB_UNIT_CHANGED = kWmUser + 62,  // sent (posted for a reading), wParam field code, unit
};

class CNoticeSink : public CUnitReportSink {
public:
    explicit CNoticeSink(QObject* target) : m_target(target) {}

    void UnitPlaced(const UnitRef& unit) override {
        PostUnitMessage(m_target, WM_ZB_NEW_UNIT, unit.nSlot, unit);
    }
    void UnitReported(const UnitRef& unit) override {
        PostUnitMessage(m_target, WM_ZB_UNIT_STATUS, unit.nSlot, unit);
    }
    void UnitChanged(const UnitRef& unit, FieldCode field) override {
        SendUnitMessage(m_target, WM_ZB_UNIT_CHANGED, field, unit);
    }
    void UnitRead(const UnitRef& unit, FieldCode field) override {
        PostUnitMessage(m_target, WM_ZB_UNIT_CHANGED, field, unit);
    }

private:
    QObject* m_target;
};
