#pragma once

#include <QFont>
#include <QHash>
#include <QRect>
#include <QStaticText>
#include <QString>

#include "widgets/CGridTable.h"

class QPainter;
class QPalette;

// Draws one cell of a grid control from its table: ground, borders, bitmap, tick box and
// text, each line of which ends in an ellipsis rather than half a letter. Keeps the shaped
// lines that the grid's repaints share.
class CGridCellPainter {
public:
    // Options of the tick-box type.
    static constexpr int kTickBox3DRecessed = 0x1;  // sunken 3-D square instead of a flat one
    static constexpr int kTickBoxMultiLine = 0x2;   // the label keeps its line breaks

    // rect: the whole cell (its join), in the painter's coordinates.
    void Paint(QPainter& painter, const QPalette& palette, const CGridTable& table, int col,
               int row, const QRect& rect) const;

    static QRect TickBoxRect(const QRect& cellRect);
    // Where a cell's text (or a tick box's label) goes within the cell's rectangle.
    static QRect TextRect(const CGridTable::Cell& cell, const QRect& cellRect);

private:
    // One line of cell text in one font, shaped: the same few lines recur in every cell and
    // every repaint, and shaping is most of what drawing them costs.
    struct LineKey {
        QFont font;
        QString text;
        bool operator==(const LineKey& other) const {
            return text == other.text && font == other.font;
        }
        friend size_t qHash(const LineKey& key, size_t seed = 0) {
            return qHashMulti(seed, key.font, key.text);
        }
    };
    struct ShapedLine {
        QStaticText text;
        qreal widthPx = 0;
    };

    // Draws text in the painter's font, each line elided to the rectangle's width.
    void DrawText(QPainter& painter, const QRect& rect, Qt::Alignment alignment,
                  const QString& text, bool singleLine) const;
    ShapedLine Shaped(const QFont& font, const QString& line) const;
    static void PaintTickBox(QPainter& painter, const QPalette& palette, const QRect& box,
                             bool ticked, bool recessed);

    mutable QHash<LineKey, ShapedLine> m_shapedLines;
};
