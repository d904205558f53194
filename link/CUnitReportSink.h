#pragma once

#include "model/FieldCode.h"
#include "model/UnitRef.h"

// Who hears what the report handler did to the model, at once and on the UI thread: it decides
// who is told, and how soon. A unit is named by its identity: whoever handles a notice later
// resolves it against the model first.
class CUnitReportSink {
public:
    virtual ~CUnitReportSink() = default;

    // A status report placed a unit that was not in the studio (WM_ZB_NEW_UNIT).
    virtual void UnitPlaced(const UnitRef& unit) = 0;
    // A status report brought a unit's settings up to date (WM_ZB_UNIT_STATUS).
    virtual void UnitReported(const UnitRef& unit) = 0;
    // A setting or an event report changed field of a unit; kFieldNone for a test flash
    // (WM_ZB_UNIT_CHANGED, sent).
    virtual void UnitChanged(const UnitRef& unit, FieldCode field) = 0;
    // A reading (the temperature) arrived (WM_ZB_UNIT_CHANGED, posted).
    virtual void UnitRead(const UnitRef& unit, FieldCode field) = 0;
};
