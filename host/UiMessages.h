#pragma once

#include "link/AppMessages.h"

// The messages the views and the main frame send and post one another, carried as
// CAppMessage like the link's own. Their numbers come from the same table as the link's
// (link/AppMessages.h), so no two messages share one.
enum UiMessageId : int {
    WM_UNIT_PICKED = kWmUser + 20,       // sent
    WM_PANEL_RESET = kWmUser + 21,       // sent
    WM_UNIT_ADDED = kWmUser + 30,        // posted/sent, wParam unit index, unit
    WM_UNIT_FIELD = kWmUser + 31,        // wParam field code, unit (none: the current unit)
    WM_UNIT_REFRESH = kWmUser + 32,      // posted/sent, wParam unit index, unit (or none)
    WM_SELECTION_EDITED = kWmUser + 33,  // posted, wParam field code
    WM_SCAN_STUDIO = kWmUser + 63,       // posted
    WM_CHECK_UNITS = kWmUser + 64,       // posted: a roll call of the current studio
    WM_BM_APPLIED = kWmUser + 70,        // sent
};

// The main frame takes its messages, the link's included, as the one range between these.
static_assert(int{WM_UNIT_PICKED} > int{QEvent::User} &&
              int{WM_UNIT_PICKED} < int{WM_ZB_RECEIVED} && int{WM_ZB_CLOSED} < int{WM_BM_APPLIED} &&
              int{WM_BM_APPLIED} < int{WM_SHOW_ALERT});

// The tool bar's commands, by their tool flag index.
enum ToolFlag : int { kToolLoad = 0, kToolSave = 1, kToolScan = 2, kToolName = 3, kToolCom = 4 };
