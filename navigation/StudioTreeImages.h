#pragma once

#include <QIcon>
#include <array>

// The studio list's images, our own drawings on kStudioTreeImagePx-square design units, drawn
// for the screen's pixel ratio: a studio's folder, a unit's strobe head and a light name's lamp.
inline constexpr int kStudioTreeImagePx = 16;
std::array<QIcon, 3> StudioTreeImages();
