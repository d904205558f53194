#pragma once

class QComboBox;

// Widens a closed combo box until its longest entry fits beside the style's arrow: first to
// the left, no further than leftmostX, then to the right, no further than rightmostX (pixels
// in its parent). A box that is wide enough, or has no room, stays as it is.
void FitComboToItems(QComboBox* combo, int leftmostX, int rightmostX);
