#pragma once

#include <QFont>
#include <QString>

// The font of a layout that gives its fonts by character-cell height (the positive-height
// convention): the face at a pixel size whose QFontMetrics::height() is cellHeightPx, or at
// the largest one below it where no size gives that height exactly; never taller.
// setPixelSize(cellHeightPx) would set the em height instead and come out about a sixth larger.
// weight is on the 100..900 scale.
QFont FontByCellHeight(const QString& family, int cellHeightPx, int weight);
