#pragma once

// Which field of a unit changed: wParam of WM_UNIT_FIELD, WM_SELECTION_EDITED and
// WM_ZB_UNIT_CHANGED. Code 3 is not used.
enum FieldCode : int {
    kFieldNone = -1,  // nothing changed: redraw the unit with its present values
    kFieldFlashValue = 0,
    kFieldFlashCell = 1,
    kFieldFlashSound = 2,
    kFieldFlashPow = 4,
    kFieldModelValue = 5,
    kFieldModelMode1 = 6,
    kFieldModelMode2 = 7,
    kFieldModelPow = 8,
    kFieldFlashCharge = 9,
    kFieldTemperature = 10,
};
