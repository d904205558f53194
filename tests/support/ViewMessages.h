#pragma once

#include "link/AppMessages.h"

// The studio list's choices for the grid, and a scan's emptied studio, as the tests' recorders
// keep them: numbered as the window messages that once carried them, so that a recorder pane
// keeps them in order with the messages the views still send.
enum ViewChoiceId : int {
    WM_SHOW_STUDIO = kWmUser + 10,     // lParam the studio
    WM_SHOW_NODE = kWmUser + 11,       // wParam the rebuild flag, lParam the unit or none
    WM_STUDIO_CLEARED = kWmUser + 44,  // lParam the studio
    WM_SET_TOOL_STATE = kWmUser + 40,  // wParam the tool flag, lParam 0 or 1
    WM_BM_SAVE = kWmUser + 41,
    WM_BM_LOAD = kWmUser + 42,
    WM_RENAME_NODE = kWmUser + 43,
};

// What the views once told one another as messages, as the tests' recorders keep them.
enum UiMessageId : int {
    WM_UNIT_PICKED = kWmUser + 20,       // the grid picked a unit
    WM_PANEL_RESET = kWmUser + 21,       // the panel starts afresh
    WM_UNIT_ADDED = kWmUser + 30,        // wParam unit index, unit
    WM_UNIT_FIELD = kWmUser + 31,        // wParam field code, unit
    WM_UNIT_REFRESH = kWmUser + 32,      // wParam unit index, unit
    WM_SELECTION_EDITED = kWmUser + 33,  // wParam field code
    WM_SCAN_STUDIO = kWmUser + 63,
    WM_CHECK_UNITS = kWmUser + 64,
    WM_BM_APPLIED = kWmUser + 70,
};
