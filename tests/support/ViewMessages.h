#pragma once

#include "host/UiMessages.h"

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
