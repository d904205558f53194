#pragma once

#include <QPixmap>

#include "navigation/CNavigationGrid.h"

struct StrobeData;

// The icons of a unit's block in the navigation grid, our own drawings: a white symbol on a
// green (on) or grey (off) circle, drawn for the device pixels they will cover so that they
// stay sharp on a scaled screen.
QPixmap UnitIcon(CNavigationGrid::Icon icon, bool on, qreal scale);
// The unit's field an icon shows; 1 shows it on.
int UnitIconValue(CNavigationGrid::Icon icon, const StrobeData* unit);
// What an icon shows and its state, for its tool tip: "Model mode: Prop", "Photo cell: on".
QString UnitIconToolTip(CNavigationGrid::Icon icon, int fieldValue);
