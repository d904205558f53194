#include "navigation/CGridCtrl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int kTickBoxSizePx = 13;
constexpr int kTickBoxMarginPx = 3;
constexpr int kTextMarginPx = 2;
// How close to a heading border a press starts sizing.
constexpr int kSizingGripPx = 3;
constexpr int kMinSizePx = 2;

const QColor kGridLineColor(210, 210, 210);

}  // namespace

CGridCtrl::CGridCtrl(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    m_defaultFont = font();
    m_headingDefault.back = palette().color(QPalette::Button);
    m_headingDefault.textColor = palette().color(QPalette::ButtonText);
    m_headingDefault.alignment = Qt::AlignCenter;
    m_heading.heightPx = m_headingHeightPx;
    m_heading.cells.resize(1);
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

// ---- sizes ----

void CGridCtrl::SetHeadingHeight(int heightPx) {
    m_headingHeightPx = std::max(0, heightPx);
    m_heading.heightPx = m_headingHeightPx;
    UpdateScrollBars();
    RedrawAll();
}

void CGridCtrl::SetSideHeadingWidth(int widthPx) {
    m_sideWidthPx = std::max(0, widthPx);
    UpdateScrollBars();
    RedrawAll();
}

void CGridCtrl::SetDefaultRowHeight(int heightPx) {
    m_defaultRowHeightPx = std::max(0, heightPx);
}

void CGridCtrl::SetDefaultColWidth(int widthPx) {
    m_defaultColWidthPx = std::max(0, widthPx);
}

void CGridCtrl::SetColCount(int count) {
    count = std::max(0, count);
    auto trim = [this, count](int row) {
        for (int col = count; col < m_colCount; ++col) {
            UnjoinCells(col, row);
        }
    };
    trim(-1);
    for (int row = 0; row < RowCount(); ++row) {
        trim(row);
    }
    m_heading.cells.resize(count + 1);
    for (Row& row : m_rows) {
        row.cells.resize(count + 1);
    }
    m_colWidthsPx.resize(count, m_defaultColWidthPx);
    m_colCount = count;
    m_currentCol = std::clamp(m_currentCol, 0, std::max(0, count - 1));
    UpdateScrollBars();
    RedrawAll();
}

void CGridCtrl::SetColWidth(int col, int widthPx) {
    if (col == -1) {
        SetSideHeadingWidth(widthPx);
        return;
    }
    if (col < 0 || col >= m_colCount) {
        return;
    }
    m_colWidthsPx[col] = std::max(0, widthPx);
    UpdateScrollBars();
    RedrawAll();
}

int CGridCtrl::ColWidth(int col) const {
    if (col == -1) {
        return m_sideWidthPx;
    }
    return col >= 0 && col < m_colCount ? m_colWidthsPx[col] : 0;
}

void CGridCtrl::SetDefaultFont(const QFont& font) {
    m_defaultFont = font;
}

void CGridCtrl::SetHeadingDefault(const QColor& back, const QColor& text, const QFont& font,
                                  Qt::Alignment alignment) {
    m_headingDefault.back = back;
    m_headingDefault.textColor = text;
    m_headingDefault.font = font;
    m_headingDefault.alignment = alignment;
}

// ---- rows ----

void CGridCtrl::AppendRow() {
    const bool wasEmpty = m_rows.empty();
    m_rows.push_back(Row{m_defaultRowHeightPx, std::vector<Cell>(m_colCount + 1)});
    InvalidateRowTops();
    if (wasEmpty) {
        // The first row takes the current cell, quietly: nothing was current before.
        m_currentRow = 0;
        m_currentCol = 0;
    }
    UpdateScrollBars();
    viewport()->update(
        RawCellRect(-1, RowCount() - 1).united(RawCellRect(m_colCount - 1, RowCount() - 1)));
}

void CGridCtrl::DeleteRow(int row) {
    if (row < 0 || row >= RowCount()) {
        return;
    }
    for (int col = -1; col < m_colCount; ++col) {
        UnjoinCells(col, row);
    }
    const int top = RawCellRect(0, row).top();
    m_rows.erase(m_rows.begin() + row);
    InvalidateRowTops();
    // The current cell stays on the cell it was on, or on the nearest row that is left; the
    // operator did not move, so the hook does not run.
    if (m_rows.empty()) {
        m_currentRow = -1;
    } else if (m_currentRow > row) {
        --m_currentRow;
    } else if (m_currentRow == row) {
        m_currentRow = std::min(row, RowCount() - 1);
        JoinOrigin(m_currentCol, m_currentRow, m_currentCol, m_currentRow);
    }
    UpdateScrollBars();
    viewport()->update(QRect(0, top, viewport()->width(), viewport()->height() - top));
}

void CGridCtrl::SetRowHeight(int row, int heightPx) {
    if (row == -1) {
        SetHeadingHeight(heightPx);
        return;
    }
    if (row < 0 || row >= RowCount()) {
        return;
    }
    m_rows[row].heightPx = std::max(0, heightPx);
    InvalidateRowTops();
    UpdateScrollBars();
    RedrawAll();
}

int CGridCtrl::RowHeight(int row) const {
    if (row == -1) {
        return m_headingHeightPx;
    }
    return row >= 0 && row < RowCount() ? m_rows[row].heightPx : 0;
}

// ---- cells ----

bool CGridCtrl::IsValidCell(int col, int row) const {
    return col >= -1 && col < m_colCount && row >= -1 && row < RowCount();
}

const CGridCtrl::Cell* CGridCtrl::CellAt(int col, int row) const {
    if (!IsValidCell(col, row)) {
        return nullptr;
    }
    const Row& r = row == -1 ? m_heading : m_rows[row];
    return &r.cells[col + 1];
}

CGridCtrl::Cell* CGridCtrl::CellAt(int col, int row) {
    return const_cast<Cell*>(std::as_const(*this).CellAt(col, row));
}

void CGridCtrl::SetCellBackColor(int col, int row, const QColor& color) {
    if (Cell* cell = CellAt(col, row)) {
        cell->back = color;
    }
}

void CGridCtrl::SetCellTextColor(int col, int row, const QColor& color) {
    if (Cell* cell = CellAt(col, row)) {
        cell->textColor = color;
    }
}

void CGridCtrl::SetCellFont(int col, int row, const QFont& font) {
    if (Cell* cell = CellAt(col, row)) {
        cell->font = font;
    }
}

void CGridCtrl::SetCellAlignment(int col, int row, Qt::Alignment alignment) {
    if (Cell* cell = CellAt(col, row)) {
        cell->alignment = alignment;
    }
}

void CGridCtrl::SetCellType(int col, int row, int type, int options) {
    if (Cell* cell = CellAt(col, row)) {
        cell->type = type;
        cell->typeOptions = options;
    }
}

void CGridCtrl::SetCellText(int col, int row, const QString& text) {
    if (Cell* cell = CellAt(col, row)) {
        cell->text = text;
    }
}

void CGridCtrl::SetCellLabel(int col, int row, const QString& label) {
    if (Cell* cell = CellAt(col, row)) {
        cell->label = label;
    }
}

void CGridCtrl::SetCellBitmap(int col, int row, const QPixmap& bitmap) {
    if (Cell* cell = CellAt(col, row)) {
        cell->bitmap = bitmap;
    }
}

const CGridCtrl::Cell* CGridCtrl::StyleSource(int col, int row, const Cell*& headingDefault) const {
    headingDefault = (row == -1 || col == -1) ? &m_headingDefault : nullptr;
    return CellAt(col, row);
}

QColor CGridCtrl::CellBackColor(int col, int row) const {
    const Cell* heading = nullptr;
    const Cell* cell = StyleSource(col, row, heading);
    if (cell != nullptr && cell->back) {
        return *cell->back;
    }
    return heading != nullptr ? *heading->back : QColor(Qt::white);
}

QColor CGridCtrl::CellTextColor(int col, int row) const {
    const Cell* heading = nullptr;
    const Cell* cell = StyleSource(col, row, heading);
    if (cell != nullptr && cell->textColor) {
        return *cell->textColor;
    }
    return heading != nullptr ? *heading->textColor : QColor(Qt::black);
}

QFont CGridCtrl::CellFont(int col, int row) const {
    const Cell* heading = nullptr;
    const Cell* cell = StyleSource(col, row, heading);
    if (cell != nullptr && cell->font) {
        return *cell->font;
    }
    return heading != nullptr && heading->font ? *heading->font : m_defaultFont;
}

Qt::Alignment CGridCtrl::CellAlignment(int col, int row) const {
    const Cell* heading = nullptr;
    const Cell* cell = StyleSource(col, row, heading);
    if (cell != nullptr && cell->alignment) {
        return *cell->alignment;
    }
    return heading != nullptr ? *heading->alignment : (Qt::AlignLeft | Qt::AlignVCenter);
}

int CGridCtrl::CellType(int col, int row) const {
    const Cell* cell = CellAt(col, row);
    return cell != nullptr ? cell->type : kCellTypeNormal;
}

QString CGridCtrl::CellText(int col, int row) const {
    const Cell* cell = CellAt(col, row);
    return cell != nullptr ? cell->text : QString();
}

QString CGridCtrl::CellLabel(int col, int row) const {
    const Cell* cell = CellAt(col, row);
    return cell != nullptr ? cell->label : QString();
}

QPixmap CGridCtrl::CellBitmap(int col, int row) const {
    const Cell* cell = CellAt(col, row);
    return cell != nullptr ? cell->bitmap : QPixmap();
}

bool CGridCtrl::IsTicked(int col, int row) const {
    return CellText(col, row).toInt() != 0;
}

// ---- joins ----

bool CGridCtrl::JoinCells(int col1, int row1, int col2, int row2) {
    if (col1 > col2) {
        std::swap(col1, col2);
    }
    if (row1 > row2) {
        std::swap(row1, row2);
    }
    // A join stays within one area: headings and body cells never share one.
    const bool colsOk = (col1 == -1 && col2 == -1) || (col1 >= 0 && col2 < m_colCount);
    const bool rowsOk = (row1 == -1 && row2 == -1) || (row1 >= 0 && row2 < RowCount());
    if (!colsOk || !rowsOk) {
        return false;
    }
    for (int row = row1; row <= row2; ++row) {
        for (int col = col1; col <= col2; ++col) {
            UnjoinCells(col, row);
        }
    }
    for (int row = row1; row <= row2; ++row) {
        for (int col = col1; col <= col2; ++col) {
            Cell* cell = CellAt(col, row);
            cell->toOriginCol = col1 - col;
            cell->toOriginRow = row1 - row;
        }
    }
    Cell* origin = CellAt(col1, row1);
    origin->spanCols = col2 - col1 + 1;
    origin->spanRows = row2 - row1 + 1;
    // The current cell is always a join's origin.
    JoinOrigin(m_currentCol, m_currentRow, m_currentCol, m_currentRow);
    return true;
}

void CGridCtrl::UnjoinCells(int col, int row) {
    int originCol = 0;
    int originRow = 0;
    JoinOrigin(col, row, originCol, originRow);
    Cell* origin = CellAt(originCol, originRow);
    if (origin == nullptr) {
        return;
    }
    const int spanCols = origin->spanCols;
    const int spanRows = origin->spanRows;
    for (int r = originRow; r < originRow + spanRows; ++r) {
        for (int c = originCol; c < originCol + spanCols; ++c) {
            if (Cell* cell = CellAt(c, r)) {
                cell->toOriginCol = 0;
                cell->toOriginRow = 0;
                cell->spanCols = 1;
                cell->spanRows = 1;
            }
        }
    }
}

void CGridCtrl::JoinOrigin(int col, int row, int& originCol, int& originRow) const {
    const Cell* cell = CellAt(col, row);
    originCol = col + (cell != nullptr ? cell->toOriginCol : 0);
    originRow = row + (cell != nullptr ? cell->toOriginRow : 0);
}

// ---- geometry ----

int CGridCtrl::ColLeft(int col) const {
    int x = 0;
    for (int c = 0; c < col && c < m_colCount; ++c) {
        x += m_colWidthsPx[c];
    }
    return x;
}

int CGridCtrl::RowTop(int row) const {
    if (!m_rowTopsValid) {
        m_rowTops.resize(m_rows.size() + 1);
        int y = 0;
        for (size_t r = 0; r < m_rows.size(); ++r) {
            m_rowTops[r] = y;
            y += m_rows[r].heightPx;
        }
        m_rowTops[m_rows.size()] = y;
        m_rowTopsValid = true;
    }
    return m_rowTops[std::clamp<size_t>(static_cast<size_t>(std::max(row, 0)), 0, m_rows.size())];
}

int CGridCtrl::TotalWidth() const {
    return ColLeft(m_colCount);
}

int CGridCtrl::TotalHeight() const {
    return RowTop(RowCount());
}

int CGridCtrl::RowAtY(int contentY) const {
    RowTop(0);  // makes sure the table is current
    auto it = std::upper_bound(m_rowTops.begin(), m_rowTops.end() - 1, contentY);
    return std::clamp(static_cast<int>(it - m_rowTops.begin()) - 1, 0, std::max(0, RowCount() - 1));
}

int CGridCtrl::ColAtX(int contentX) const {
    int x = 0;
    for (int c = 0; c < m_colCount; ++c) {
        x += m_colWidthsPx[c];
        if (contentX < x) {
            return c;
        }
    }
    return std::max(0, m_colCount - 1);
}

QRect CGridCtrl::RawCellRect(int col, int row) const {
    const int x = col == -1 ? 0 : m_sideWidthPx + ColLeft(col) - horizontalScrollBar()->value();
    const int y = row == -1 ? 0 : m_headingHeightPx + RowTop(row) - verticalScrollBar()->value();
    return QRect(x, y, ColWidth(col), RowHeight(row));
}

QRect CGridCtrl::CellRect(int col, int row) const {
    if (!IsValidCell(col, row)) {
        return QRect();
    }
    int originCol = 0;
    int originRow = 0;
    JoinOrigin(col, row, originCol, originRow);
    const Cell* origin = CellAt(originCol, originRow);
    const QRect first = RawCellRect(originCol, originRow);
    const QRect last =
        RawCellRect(originCol + origin->spanCols - 1, originRow + origin->spanRows - 1);
    return first.united(last);
}

bool CGridCtrl::HitTest(const QPoint& pos, int& col, int& row) const {
    int hitRow = -1;
    int hitCol = -1;
    if (pos.y() >= m_headingHeightPx) {
        const int contentY = pos.y() - m_headingHeightPx + verticalScrollBar()->value();
        if (contentY >= TotalHeight()) {
            return false;
        }
        hitRow = RowAtY(contentY);
    }
    if (pos.x() >= m_sideWidthPx) {
        const int contentX = pos.x() - m_sideWidthPx + horizontalScrollBar()->value();
        if (contentX >= TotalWidth()) {
            return false;
        }
        hitCol = ColAtX(contentX);
    }
    if ((hitRow == -1 && hitCol == -1) || pos.x() < 0 || pos.y() < 0) {
        return false;
    }
    JoinOrigin(hitCol, hitRow, col, row);
    return true;
}

void CGridCtrl::UpdateScrollBars() {
    const int bodyHeight = std::max(0, viewport()->height() - m_headingHeightPx);
    const int bodyWidth = std::max(0, viewport()->width() - m_sideWidthPx);
    verticalScrollBar()->setRange(0, std::max(0, TotalHeight() - bodyHeight));
    verticalScrollBar()->setPageStep(bodyHeight);
    verticalScrollBar()->setSingleStep(std::max(1, m_defaultRowHeightPx));
    horizontalScrollBar()->setRange(0, std::max(0, TotalWidth() - bodyWidth));
    horizontalScrollBar()->setPageStep(bodyWidth);
    horizontalScrollBar()->setSingleStep(std::max(1, m_defaultColWidthPx));
}

void CGridCtrl::EnsureVisible(int col, int row) {
    const QRect rect = CellRect(col, row);
    if (rect.isEmpty()) {
        return;
    }
    const QRect body(m_sideWidthPx, m_headingHeightPx, viewport()->width() - m_sideWidthPx,
                     viewport()->height() - m_headingHeightPx);
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

void CGridCtrl::RedrawAll() {
    viewport()->update();
}

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
    if (col < 0 || col >= m_colCount || row < 0 || row >= RowCount()) {
        return false;
    }
    int newCol = 0;
    int newRow = 0;
    JoinOrigin(col, row, newCol, newRow);
    EnsureVisible(newCol, newRow);
    if (newCol == m_currentCol && newRow == m_currentRow) {
        return true;
    }
    const int oldCol = m_currentCol;
    const int oldRow = m_currentRow;
    m_currentCol = newCol;
    m_currentRow = newRow;
    RedrawCell(oldCol, oldRow);
    RedrawCell(newCol, newRow);
    OnCellChange(oldCol, newCol, oldRow, newRow);
    return true;
}

void CGridCtrl::OnCellChange(int, int, int, int) {}

bool CGridCtrl::OnCellTypeNotify(int, int, int, int, int) {
    return true;
}

void CGridCtrl::MoveBy(int dCol, int dRow) {
    if (RowCount() == 0 || m_colCount == 0 || m_currentRow < 0) {
        return;
    }
    const Cell* cell = CellAt(m_currentCol, m_currentRow);
    int col = m_currentCol;
    int row = m_currentRow;
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
    GotoCell(std::clamp(col, 0, m_colCount - 1), std::clamp(row, 0, RowCount() - 1));
}

QRect CGridCtrl::TickBoxRect(const QRect& cellRect) const {
    return QRect(cellRect.left() + kTickBoxMarginPx,
                 cellRect.top() + (cellRect.height() - kTickBoxSizePx) / 2, kTickBoxSizePx,
                 kTickBoxSizePx);
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
    RedrawCell(m_currentCol, m_currentRow);
}

void CGridCtrl::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    RedrawCell(m_currentCol, m_currentRow);
}

int CGridCtrl::BorderAt(const QPoint& pos, bool& isColumn) const {
    if (!m_userSizing) {
        return -1;
    }
    if (pos.y() < m_headingHeightPx && pos.x() >= m_sideWidthPx) {
        for (int col = 0; col < m_colCount; ++col) {
            if (std::abs(RawCellRect(col, -1).right() + 1 - pos.x()) <= kSizingGripPx) {
                isColumn = true;
                return col;
            }
        }
    }
    if (pos.x() < m_sideWidthPx && pos.y() >= m_headingHeightPx) {
        for (int row = 0; row < RowCount(); ++row) {
            if (std::abs(RawCellRect(-1, row).bottom() + 1 - pos.y()) <= kSizingGripPx) {
                isColumn = false;
                return row;
            }
        }
    }
    return -1;
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
    if (row >= 0) {
        GotoCell(col, row);
    }
    // The move may have rebuilt the grid; only a cell that is still a tick box toggles.
    if (CellType(col, row) == kCellTypeTickBox && TickBoxRect(CellRect(col, row)).contains(pos)) {
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
    const int pageRows =
        std::max(1, (viewport()->height() - m_headingHeightPx) / std::max(1, m_defaultRowHeightPx));
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
                GotoCell(0, m_currentRow);
            }
            break;
        case Qt::Key_End:
            if (event->modifiers() & Qt::ControlModifier) {
                GotoCell(m_colCount - 1, RowCount() - 1);
            } else {
                GotoCell(m_colCount - 1, m_currentRow);
            }
            break;
        case Qt::Key_Space:
            if (m_currentRow >= 0 && CellType(m_currentCol, m_currentRow) == kCellTypeTickBox) {
                ToggleTickBox(m_currentCol, m_currentRow);
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
    const int hs = horizontalScrollBar()->value();
    const int vs = verticalScrollBar()->value();
    const QRect body(m_sideWidthPx, m_headingHeightPx, vw - m_sideWidthPx, vh - m_headingHeightPx);
    const QRect heading(m_sideWidthPx, 0, vw - m_sideWidthPx, m_headingHeightPx);
    const QRect side(0, m_headingHeightPx, m_sideWidthPx, vh - m_headingHeightPx);
    const QRect corner(0, 0, m_sideWidthPx, m_headingHeightPx);

    // Each cell (each join) once, however many of the region's rectangles it meets.
    std::vector<std::pair<int, int>> painted;
    auto paintArea = [&](const QRect& area, bool headingRow, bool sideColumn) {
        if ((area & dirty).isEmpty() || (!headingRow && RowCount() == 0) ||
            (!sideColumn && m_colCount == 0)) {
            return;
        }
        painter.save();
        painter.setClipRect(area & dirty);
        for (const QRect& r : region) {
            const QRect clip = area & r;
            if (clip.isEmpty()) {
                continue;
            }
            const int firstRow =
                headingRow ? -1 : RowAtY(std::max(0, clip.top() - m_headingHeightPx) + vs);
            const int lastRow =
                headingRow ? -1 : RowAtY(std::max(0, clip.bottom() - m_headingHeightPx) + vs);
            const int firstCol =
                sideColumn ? -1 : ColAtX(std::max(0, clip.left() - m_sideWidthPx) + hs);
            const int lastCol =
                sideColumn ? -1 : ColAtX(std::max(0, clip.right() - m_sideWidthPx) + hs);
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
                        PaintCell(painter, origin.first, origin.second, rect);
                    }
                }
            }
        }
        painter.restore();
    };
    paintArea(body, false, false);
    paintArea(heading, true, false);
    paintArea(side, false, true);
    paintArea(corner, true, true);

    if (hasFocus() && m_currentRow >= 0) {
        const QRect rect = CellRect(m_currentCol, m_currentRow).adjusted(1, 1, -2, -2);
        if (rect.intersects(dirty)) {
            painter.setClipRect(body & dirty);
            painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rect);
        }
    }
}

void CGridCtrl::PaintCell(QPainter& painter, int col, int row, const QRect& rect) const {
    const Cell* cell = CellAt(col, row);
    const bool isHeading = row == -1 || col == -1;
    painter.fillRect(rect, CellBackColor(col, row));

    // Each cell draws its right and bottom border; headings get the darker line.
    painter.setPen(isHeading ? palette().color(QPalette::Mid) : kGridLineColor);
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());

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
    painter.setFont(CellFont(col, row));
    painter.setPen(CellTextColor(col, row));
    const Qt::Alignment alignment = CellAlignment(col, row);
    if (cell->type == kCellTypeTickBox) {
        PaintTickBox(painter, TickBoxRect(rect), IsTicked(col, row),
                     cell->typeOptions & kTickBox3DRecessed);
        painter.setPen(CellTextColor(col, row));
        DrawCellText(painter, TextRectIn(*cell, rect), alignment, cell->label,
                     !(cell->typeOptions & kTickBoxMultiLine));
    } else if (!cell->text.isEmpty()) {
        DrawCellText(painter, TextRectIn(*cell, rect), alignment, cell->text, false);
    }
    painter.restore();
}

QRect CGridCtrl::TextRectIn(const Cell& cell, const QRect& rect) const {
    QRect content = rect.adjusted(0, 0, -1, -1);
    if (!cell.bitmap.isNull()) {
        content.setLeft(content.left() + cell.bitmap.deviceIndependentSize().toSize().width());
    }
    if (cell.type == kCellTypeTickBox) {
        content.setLeft(TickBoxRect(rect).right() + 1 + kTickBoxMarginPx + kTextMarginPx);
        return content;
    }
    return content.adjusted(kTextMarginPx, 0, -kTextMarginPx, 0);
}

QRect CGridCtrl::CellTextRect(int col, int row) const {
    int originCol = 0;
    int originRow = 0;
    JoinOrigin(col, row, originCol, originRow);
    const Cell* cell = CellAt(originCol, originRow);
    return cell != nullptr ? TextRectIn(*cell, CellRect(originCol, originRow)) : QRect();
}

CGridCtrl::ShapedLine CGridCtrl::Shaped(const QFont& font, const QString& line) const {
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

void CGridCtrl::DrawCellText(QPainter& painter, const QRect& rect, Qt::Alignment alignment,
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

void CGridCtrl::PaintTickBox(QPainter& painter, const QRect& box, bool ticked,
                             bool recessed) const {
    const QPalette& pal = palette();
    painter.fillRect(box, Qt::white);
    if (recessed) {
        // Sunken: shadow above and left of the well, light below and right, two pixels deep.
        const QRect outer = box;
        const QRect inner = box.adjusted(1, 1, -1, -1);
        auto edge = [&painter](const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
            painter.setPen(topLeft);
            painter.drawLine(r.topLeft(), r.topRight());
            painter.drawLine(r.topLeft(), r.bottomLeft());
            painter.setPen(bottomRight);
            painter.drawLine(r.bottomLeft(), r.bottomRight());
            painter.drawLine(r.topRight(), r.bottomRight());
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
        painter.drawLine(mark.topLeft(), mark.bottomRight());
        painter.drawLine(mark.topRight(), mark.bottomLeft());
        painter.restore();
    }
}
