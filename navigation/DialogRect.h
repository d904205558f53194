#pragma once

#include <QFont>
#include <QRect>

// A rectangle given in dialog units of dialogFont, in pixels: one horizontal unit is a
// quarter of the font's average character width, one vertical unit an eighth of its height.
QRect DialogRect(const QFont& dialogFont, int x, int y, int width, int height);

// The 8-point Arial the navigation and studio-list layouts are given in.
QFont NavigationDialogFont();
