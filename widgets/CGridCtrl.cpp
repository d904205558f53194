#include "widgets/CGridCtrl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace {

// How close to a heading border a press starts sizing.
constexpr int kSizingGripPx = 3;
constexpr int kMinSizePx = 2;

}  // namespace

CGridCtrl::CGridCtrl(QWidget* parent)
    : QAbstractScrollArea(parent), m_table(palette(), QAbstractScrollArea::font()) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    // paintEvent fills every rectangle it is asked for, so nothing behind the viewport needs
    // painting first: without this each repaint of a few cells also drew the frame around them.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

CGridCtrl::~CGridCtrl() = default;

QString CGridCtrl::ControlName(int id) {
    return QStringLiteral("control%1").arg(id);
}

bool CGridCtrl::AttachToPlaceholder(QWidget* dialog, int controlId) {
    if (dialog == nullptr) {
        return false;
    }
    QWidget* placeholder = dialog->findChild<QWidget*>(ControlName(controlId));
    if (placeholder == nullptr) {
        return false;
    }
    setParent(placeholder->parentWidget());
    setGeometry(placeholder->geometry());
    setObjectName(placeholder->objectName());
    placeholder->setObjectName(QString());
    placeholder->hide();
    placeholder->deleteLater();
    show();
    OnSetup();
    UpdateScrollBars();
    RedrawAll();
    return true;
}

// ---- sizes and rows ----

void CGridCtrl::SetHeadingHeight(int heightPx) {
    m_table.SetRowHeight(-1, heightPx);
    UpdateScrollBars();
    RedrawAll();
}

void CGridCtrl::SetSideHeadingWidth(int widthPx) {
    m_table.SetColWidth(-1, widthPx);
    UpdateScrollBars();
    RedrawAll();
}

void CGridCtrl::SetColCount(int count) {
    m_table.SetColCount(count);
    UpdateScrollBars();
    RedrawAll();
}

void CGridCtrl::SetColWidth(int col, int widthPx) {
    if (col < -1 || col >= ColCount()) {
        return;
    }
    m_table.SetColWidth(col, widthPx);
    UpdateScrollBars();
    RedrawAll();
}

void CGridCtrl::AppendRow() {
    m_table.AppendRow();
    UpdateScrollBars();
    const int row = RowCount() - 1;
    viewport()->update(RawCellRect(-1, row).united(RawCellRect(ColCount() - 1, row)));
}

void CGridCtrl::DeleteRow(int row) {
    if (row < 0 || row >= RowCount()) {
        return;
    }
    const int top = RawCellRect(0, row).top();
    // The operator did not move: the current-cell hook does not run.
    m_table.DeleteRow(row);
    UpdateScrollBars();
    viewport()->update(QRect(0, top, viewport()->width(), viewport()->height() - top));
}

void CGridCtrl::SetRowHeight(int row, int heightPx) {
    if (row < -1 || row >= RowCount()) {
        return;
    }
    m_table.SetRowHeight(row, heightPx);
    UpdateScrollBars();
    RedrawAll();
}

// ---- where cells are ----

QPoint CGridCtrl::Scroll() const {
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

QRect CGridCtrl::CellTextRect(int col, int row) const {
    int originCol = 0;
    int originRow = 0;
    JoinOrigin(col, row, originCol, originRow);
    const Cell* cell = m_table.CellAt(originCol, originRow);
    return cell != nullptr ? CGridCellPainter::TextRect(*cell, CellRect(originCol, originRow))
                           : QRect();
}

void CGridCtrl::UpdateScrollBars() {
    const int bodyHeight = std::max(0, viewport()->height() - HeadingHeight());
    const int bodyWidth = std::max(0, viewport()->width() - SideHeadingWidth());
    verticalScrollBar()->setRange(0, std::max(0, m_table.TotalHeight() - bodyHeight));
    verticalScrollBar()->setPageStep(bodyHeight);
    verticalScrollBar()->setSingleStep(std::max(1, m_table.DefaultRowHeight()));
    horizontalScrollBar()->setRange(0, std::max(0, m_table.TotalWidth() - bodyWidth));
    horizontalScrollBar()->setPageStep(bodyWidth);
    horizontalScrollBar()->setSingleStep(std::max(1, m_table.DefaultColWidth()));
}

void CGridCtrl::EnsureVisible(int col, int row) {
    const QRect rect = CellRect(col, row);
    if (rect.isEmpty()) {
        return;
    }
    const QRect body(SideHeadingWidth(), HeadingHeight(), viewport()->width() - SideHeadingWidth(),
                     viewport()->height() - HeadingHeight());
    QScrollBar* v = verticalScrollBar();
    if (rect.top() < body.top()) {
        v->setValue(v->value() - (body.top() - rect.top()));
    } else if (rect.bottom() > body.bottom() && rect.height() <= body.height()) {
        v->setValue(v->value() + (rect.bottom() - body.bottom()));
    }
    QScrollBar* h = horizontalScrollBar();
    if (rect.left() < body.left()) {
        h->setValue(h->value() - (body.left() - rect.left()));
    } else if (rect.right() > body.right() && rect.width() <= body.width()) {
        h->setValue(h->value() + (rect.right() - body.right()));
    }
}

// ---- redraw ----

void CGridCtrl::RedrawCell(int col, int row) {
    const QRect rect = CellRect(col, row);
    if (!rect.isEmpty()) {
        viewport()->update(rect);
    }
}

void CGridCtrl::RedrawRange(int col1, int row1, int col2, int row2) {
    QRect area;
    for (int row = std::min(row1, row2); row <= std::max(row1, row2); ++row) {
        for (int col = std::min(col1, col2); col <= std::max(col1, col2); ++col) {
            area |= CellRect(col, row);
        }
    }
    if (!area.isEmpty()) {
        viewport()->update(area);
    }
}

// ---- current cell ----

bool CGridCtrl::GotoCell(int col, int row) {
    if (col < 0 || col >= ColCount() || row < 0 || row >= RowCount()) {
        return false;
    }
    int newCol = 0;
    int newRow = 0;
    JoinOrigin(col, row, newCol, newRow);
    EnsureVisible(newCol, newRow);
    const int oldCol = CurrentCol();
    const int oldRow = CurrentRow();
    if (newCol == oldCol && newRow == oldRow) {
        return true;
    }
    m_table.SetCurrent(newCol, newRow);
    RedrawCell(oldCol, oldRow);
    RedrawCell(newCol, newRow);
    OnCellChange(oldCol, newCol, oldRow, newRow);
    return true;
}

void CGridCtrl::MoveBy(int dCol, int dRow) {
    if (RowCount() == 0 || ColCount() == 0 || CurrentRow() < 0) {
        return;
    }
    const Cell* cell = m_table.CellAt(CurrentCol(), CurrentRow());
    int col = CurrentCol();
    int row = CurrentRow();
    // Leave a joined cell across its far edge when moving forward.
    if (dCol > 0) {
        col += cell->spanCols - 1 + dCol;
    } else {
        col += dCol;
    }
    if (dRow > 0) {
        row += cell->spanRows - 1 + dRow;
    } else {
        row += dRow;
    }
    GotoCell(std::clamp(col, 0, ColCount() - 1), std::clamp(row, 0, RowCount() - 1));
}

void CGridCtrl::ToggleTickBox(int col, int row) {
    const int newState = IsTicked(col, row) ? 0 : 1;
    if (!OnCellTypeNotify(kCellTypeTickBox, col, row, kTickBoxSetEvent, newState)) {
        return;
    }
    SetCellText(col, row, QString::number(newState));
    RedrawCell(col, row);
}

// ---- events ----

void CGridCtrl::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CGridCtrl::scrollContentsBy(int, int) {
    viewport()->update();
}

void CGridCtrl::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    RedrawCell(CurrentCol(), CurrentRow());
}

void CGridCtrl::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    RedrawCell(CurrentCol(), CurrentRow());
}

int CGridCtrl::BorderAt(const QPoint& pos, bool& isColumn) const {
    return m_userSizing ? m_table.BorderAt(pos, Scroll(), kSizingGripPx, isColumn) : -1;
}

void CGridCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    bool isColumn = true;
    const int border = BorderAt(pos, isColumn);
    if (border >= 0) {
        m_sizingIndex = border;
        m_sizingColumn = isColumn;
        m_sizingStartPos = isColumn ? pos.x() : pos.y();
        m_sizingStartSize = isColumn ? ColWidth(border) : RowHeight(border);
        return;
    }
    int col = 0;
    int row = 0;
    if (!HitTest(pos, col, row) || col == -1) {
        return;
    }
    // Hit-tested where the operator clicked: moving to the cell may scroll it into view.
    const bool onTickBox = CellType(col, row) == kCellTypeTickBox &&
                           CGridCellPainter::TickBoxRect(CellRect(col, row)).contains(pos);
    if (row >= 0) {
        GotoCell(col, row);
    }
    // The move may have rebuilt the grid; only a cell that is still a tick box toggles.
    if (onTickBox && CellType(col, row) == kCellTypeTickBox) {
        ToggleTickBox(col, row);
    }
}

void CGridCtrl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (m_sizingIndex >= 0) {
        const int delta = (m_sizingColumn ? pos.x() : pos.y()) - m_sizingStartPos;
        const int size = std::max(kMinSizePx, m_sizingStartSize + delta);
        if (m_sizingColumn) {
            SetColWidth(m_sizingIndex, size);
        } else {
            SetRowHeight(m_sizingIndex, size);
        }
        return;
    }
    bool isColumn = true;
    if (BorderAt(pos, isColumn) >= 0) {
        viewport()->setCursor(isColumn ? Qt::SplitHCursor : Qt::SplitVCursor);
    } else {
        viewport()->unsetCursor();
    }
}

void CGridCtrl::mouseReleaseEvent(QMouseEvent* event) {
    m_sizingIndex = -1;
    event->accept();
}

void CGridCtrl::keyPressEvent(QKeyEvent* event) {
    const int pageRows = std::max(
        1, (viewport()->height() - HeadingHeight()) / std::max(1, m_table.DefaultRowHeight()));
    switch (event->key()) {
        case Qt::Key_Up:
            MoveBy(0, -1);
            break;
        case Qt::Key_Down:
            MoveBy(0, 1);
            break;
        case Qt::Key_Left:
            MoveBy(-1, 0);
            break;
        case Qt::Key_Right:
            MoveBy(1, 0);
            break;
        case Qt::Key_PageUp:
            MoveBy(0, -pageRows);
            break;
        case Qt::Key_PageDown:
            MoveBy(0, pageRows);
            break;
        case Qt::Key_Home:
            if (event->modifiers() & Qt::ControlModifier) {
                GotoCell(0, 0);
            } else {
                GotoCell(0, CurrentRow());
            }
            break;
        case Qt::Key_End:
            if (event->modifiers() & Qt::ControlModifier) {
                GotoCell(ColCount() - 1, RowCount() - 1);
            } else {
                GotoCell(ColCount() - 1, CurrentRow());
            }
            break;
        case Qt::Key_Space:
            if (CurrentRow() >= 0 && CellType(CurrentCol(), CurrentRow()) == kCellTypeTickBox) {
                ToggleTickBox(CurrentCol(), CurrentRow());
            }
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    event->accept();
}

// ---- painting ----

void CGridCtrl::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    // The region, not its bounding rectangle: a few changed cells far apart must not repaint
    // every cell between them.
    const QRegion& region = event->region();
    const QRect dirty = region.boundingRect();
    for (const QRect& r : region) {
        painter.fillRect(r, palette().color(QPalette::Window));
    }

    const int vw = viewport()->width();
    const int vh = viewport()->height();
    const int side = SideHeadingWidth();
    const int heading = HeadingHeight();
    const QRect body(side, heading, vw - side, vh - heading);
    std::vector<std::pair<int, int>> painted;
    PaintArea(painter, region, body, false, false, painted);
    PaintArea(painter, region, QRect(side, 0, vw - side, heading), true, false, painted);
    PaintArea(painter, region, QRect(0, heading, side, vh - heading), false, true, painted);
    PaintArea(painter, region, QRect(0, 0, side, heading), true, true, painted);

    if (hasFocus() && CurrentRow() >= 0) {
        const QRect rect = CellRect(CurrentCol(), CurrentRow()).adjusted(1, 1, -2, -2);
        if (rect.intersects(dirty)) {
            painter.setClipRect(body & dirty);
            painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rect);
        }
    }
}

void CGridCtrl::PaintArea(QPainter& painter, const QRegion& region, const QRect& area,
                          bool headingRow, bool sideColumn,
                          std::vector<std::pair<int, int>>& painted) const {
    const QRect dirty = region.boundingRect();
    if ((area & dirty).isEmpty() || (!headingRow && RowCount() == 0) ||
        (!sideColumn && ColCount() == 0)) {
        return;
    }
    const int hs = horizontalScrollBar()->value();
    const int vs = verticalScrollBar()->value();
    const int side = SideHeadingWidth();
    const int heading = HeadingHeight();
    painter.save();
    painter.setClipRect(area & dirty);
    for (const QRect& r : region) {
        const QRect clip = area & r;
        if (clip.isEmpty()) {
            continue;
        }
        const int firstRow =
            headingRow ? -1 : m_table.RowAtY(std::max(0, clip.top() - heading) + vs);
        const int lastRow =
            headingRow ? -1 : m_table.RowAtY(std::max(0, clip.bottom() - heading) + vs);
        const int firstCol = sideColumn ? -1 : m_table.ColAtX(std::max(0, clip.left() - side) + hs);
        const int lastCol = sideColumn ? -1 : m_table.ColAtX(std::max(0, clip.right() - side) + hs);
        for (int row = firstRow; row <= lastRow; ++row) {
            for (int col = firstCol; col <= lastCol; ++col) {
                std::pair<int, int> origin;
                JoinOrigin(col, row, origin.first, origin.second);
                if (std::find(painted.begin(), painted.end(), origin) != painted.end()) {
                    continue;
                }
                const QRect rect = CellRect(origin.first, origin.second);
                if (rect.intersects(clip)) {
                    painted.push_back(origin);
                    m_cellPainter.Paint(painter, palette(), m_table, origin.first, origin.second,
                                        rect);
                }
            }
        }
    }
    painter.restore();
}
