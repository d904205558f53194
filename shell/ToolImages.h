#pragma once

#include <QIcon>
#include <QImage>

// The toolbar's images, drawn here rather than loaded: 30 x 30 pictures for the five
// commands (Load, Save, Scan, Name, Com, by tool flag index), each with a greyed, embossed
// look for the disabled state.
inline constexpr int kToolImagePx = 30;

QImage DrawToolImage(int toolIndex);
// The classic disabled look: the picture's shape in white, one pixel down and right, under
// the same shape in the button-shadow grey.
QImage DisabledToolImage(const QImage& normal);
QIcon ToolIcon(int toolIndex);
