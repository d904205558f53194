#pragma once

#include <QIcon>
#include <QImage>

// The toolbar's images, drawn here rather than loaded: 30 x 30 pictures for the five
// commands (Load, Save, Scan, Name, Com, by tool flag index) and Help, each with a greyed, embossed
// look for the disabled state. The icons draw themselves for the screen they are shown on.
inline constexpr int kToolImagePx = 30;
// The Help button's picture, after the five commands'.
inline constexpr int kToolHelpImage = 5;
// Undo and Redo: an arrow turning back, and the same turning on.
inline constexpr int kToolUndoImage = 6;
inline constexpr int kToolRedoImage = 7;

// The picture at a device pixel ratio: (30 x scale) pixels square, drawn at that resolution.
QImage DrawToolImage(int toolIndex, qreal scale = 1.0);
// The classic disabled look: the picture's shape in white, one pixel down and right, under
// the same shape in the button-shadow grey.
QImage DisabledToolImage(const QImage& normal);
QIcon ToolIcon(int toolIndex);
