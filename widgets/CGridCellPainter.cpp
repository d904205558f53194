#include "widgets/CGridCellPainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QStringList>
#include <cmath>

namespace {

constexpr int kTickBoxSizePx = 13;
constexpr int kTickBoxMarginPx = 3;
constexpr int kTextMarginPx = 2;

const QColor kGridLineColor(210, 210, 210);

}  // namespace

void CGridCellPainter::Paint(QPainter& painter, const QPalette& palette, const CGridTable& table,
                             int col, int row, const QRect& rect) const {
    const CGridTable::Cell* cell = table.CellAt(col, row);
    const bool isHeading = row == -1 || col == -1;
    painter.fillRect(rect, table.BackColor(col, row));

    // Each cell draws its right and bottom border; headings get the darker line. One call for
    // both: setting up a line costs far more than drawing its few pixels.
    painter.setPen(isHeading ? palette.color(QPalette::Mid) : kGridLineColor);
    const QLine borders[] = {{rect.topRight(), rect.bottomRight()},
                             {rect.bottomLeft(), rect.bottomRight()}};
    painter.drawLines(borders, 2);

    QRect content = rect.adjusted(0, 0, -1, -1);
    if (content.isEmpty()) {
        return;
    }
    painter.save();
    painter.setClipRect(content, Qt::IntersectClip);
    if (!cell->bitmap.isNull()) {
        const QSize size = cell->bitmap.deviceIndependentSize().toSize();
        const QPoint at(content.left(), content.top() + (content.height() - size.height()) / 2);
        painter.drawPixmap(at, cell->bitmap);
        content.setLeft(content.left() + size.width());
    }
    painter.setFont(table.Font(col, row));
    painter.setPen(table.TextColor(col, row));
    const Qt::Alignment alignment = table.Alignment(col, row);
    if (cell->type == CGridTable::kCellTypeTickBox) {
        PaintTickBox(painter, palette, TickBoxRect(rect), cell->text.toInt() != 0,
                     cell->typeOptions & kTickBox3DRecessed);
        painter.setPen(table.TextColor(col, row));
        DrawText(painter, TextRect(*cell, rect), alignment, cell->label,
                 !(cell->typeOptions & kTickBoxMultiLine));
    } else if (!cell->text.isEmpty()) {
        DrawText(painter, TextRect(*cell, rect), alignment, cell->text, false);
    }
    painter.restore();
}

QRect CGridCellPainter::TickBoxRect(const QRect& cellRect) {
    return QRect(cellRect.left() + kTickBoxMarginPx,
                 cellRect.top() + (cellRect.height() - kTickBoxSizePx) / 2, kTickBoxSizePx,
                 kTickBoxSizePx);
}

QRect CGridCellPainter::TextRect(const CGridTable::Cell& cell, const QRect& rect) {
    QRect content = rect.adjusted(0, 0, -1, -1);
    if (!cell.bitmap.isNull()) {
        content.setLeft(content.left() + cell.bitmap.deviceIndependentSize().toSize().width());
    }
    if (cell.type == CGridTable::kCellTypeTickBox) {
        content.setLeft(TickBoxRect(rect).right() + 1 + kTickBoxMarginPx + kTextMarginPx);
        return content;
    }
    return content.adjusted(kTextMarginPx, 0, -kTextMarginPx, 0);
}

CGridCellPainter::ShapedLine CGridCellPainter::Shaped(const QFont& font,
                                                      const QString& line) const {
    const LineKey key{font, line};
    if (const auto it = m_shapedLines.constFind(key); it != m_shapedLines.constEnd()) {
        return *it;
    }
    // Bounded: a grid shows a few hundred distinct lines at most, unless its texts keep
    // changing to new ones.
    constexpr qsizetype kMaxShapedLines = 2048;
    if (m_shapedLines.size() >= kMaxShapedLines) {
        m_shapedLines.clear();
    }
    ShapedLine shaped;
    shaped.text.setTextFormat(Qt::PlainText);
    shaped.text.setText(line);
    shaped.text.prepare(QTransform(), font);
    shaped.widthPx = shaped.text.size().width();
    m_shapedLines.insert(key, shaped);
    return shaped;
}

void CGridCellPainter::DrawText(QPainter& painter, const QRect& rect, Qt::Alignment alignment,
                                const QString& text, bool singleLine) const {
    if (rect.width() <= 0 || text.isEmpty()) {
        return;
    }
    const QFont& font = painter.font();
    const QFontMetrics metrics(font);
    const QStringList lines =
        singleLine ? QStringList{QString(text).replace(u'\n', u' ')} : text.split(u'\n');
    const qreal height = metrics.height() + metrics.lineSpacing() * (lines.size() - 1);
    qreal top = rect.top();
    if (alignment & Qt::AlignVCenter) {
        top += (rect.height() - height) / 2;
    } else if (alignment & Qt::AlignBottom) {
        top = rect.bottom() + 1 - height;
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        ShapedLine shaped = Shaped(font, lines[i]);
        if (shaped.widthPx > rect.width()) {
            // Too long for the cell: it ends in an ellipsis, never in half a letter.
            shaped = Shaped(font, metrics.elidedText(lines[i], Qt::ElideRight, rect.width()));
        }
        qreal left = rect.left();
        if (alignment & Qt::AlignHCenter) {
            left += (rect.width() - shaped.widthPx) / 2;
        } else if (alignment & Qt::AlignRight) {
            left = rect.right() + 1 - shaped.widthPx;
        }
        painter.drawStaticText(
            QPointF(std::floor(left), std::floor(top + i * metrics.lineSpacing())), shaped.text);
    }
}

void CGridCellPainter::PaintTickBox(QPainter& painter, const QPalette& pal, const QRect& box,
                                    bool ticked, bool recessed) {
    painter.fillRect(box, Qt::white);
    if (recessed) {
        // Sunken: shadow above and left of the well, light below and right, two pixels deep.
        const QRect outer = box;
        const QRect inner = box.adjusted(1, 1, -1, -1);
        auto edge = [&painter](const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
            const QLine lit[] = {{r.topLeft(), r.topRight()}, {r.topLeft(), r.bottomLeft()}};
            const QLine shaded[] = {{r.bottomLeft(), r.bottomRight()},
                                    {r.topRight(), r.bottomRight()}};
            painter.setPen(topLeft);
            painter.drawLines(lit, 2);
            painter.setPen(bottomRight);
            painter.drawLines(shaded, 2);
        };
        edge(outer, pal.color(QPalette::Dark), pal.color(QPalette::Light));
        edge(inner, pal.color(QPalette::Shadow), pal.color(QPalette::Button));
    } else {
        painter.setPen(Qt::black);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
    }
    if (ticked) {
        const QRect mark = box.adjusted(3, 3, -4, -4);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::SquareCap));
        const QLine cross[] = {{mark.topLeft(), mark.bottomRight()},
                               {mark.topRight(), mark.bottomLeft()}};
        painter.drawLines(cross, 2);
        painter.restore();
    }
}
