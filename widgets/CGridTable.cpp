#include "widgets/CGridTable.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

constexpr int kDefaultHeadingHeightPx = 20;

}  // namespace

CGridTable::CGridTable(const QPalette& palette, const QFont& font) : m_defaultFont(font) {
    m_headingDefault.back = palette.color(QPalette::Button);
    m_headingDefault.textColor = palette.color(QPalette::ButtonText);
    m_headingDefault.alignment = Qt::AlignCenter;
    m_heading.heightPx = kDefaultHeadingHeightPx;
    m_heading.cells.resize(1);
}

// ---- sizes and rows ----

void CGridTable::SetColCount(int count) {
    count = std::max(0, count);
    auto trim = [this, count](int row) {
        for (int col = count; col < m_colCount; ++col) {
            Unjoin(col, row);
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
}

void CGridTable::SetColWidth(int col, int widthPx) {
    if (col == -1) {
        m_sideWidthPx = std::max(0, widthPx);
    } else if (col >= 0 && col < m_colCount) {
        m_colWidthsPx[col] = std::max(0, widthPx);
    }
}

int CGridTable::ColWidth(int col) const {
    if (col == -1) {
        return m_sideWidthPx;
    }
    return col >= 0 && col < m_colCount ? m_colWidthsPx[col] : 0;
}

void CGridTable::SetRowHeight(int row, int heightPx) {
    if (row == -1) {
        m_heading.heightPx = std::max(0, heightPx);
    } else if (row >= 0 && row < RowCount()) {
        m_rows[row].heightPx = std::max(0, heightPx);
        m_rowTopsValid = false;
    }
}

int CGridTable::RowHeight(int row) const {
    if (row == -1) {
        return m_heading.heightPx;
    }
    return row >= 0 && row < RowCount() ? m_rows[row].heightPx : 0;
}

void CGridTable::SetDefaultColWidth(int widthPx) {
    m_defaultColWidthPx = std::max(0, widthPx);
}

void CGridTable::SetDefaultRowHeight(int heightPx) {
    m_defaultRowHeightPx = std::max(0, heightPx);
}

void CGridTable::AppendRow() {
    const bool wasEmpty = m_rows.empty();
    m_rows.push_back(Row{m_defaultRowHeightPx, std::vector<Cell>(m_colCount + 1)});
    m_rowTopsValid = false;
    if (wasEmpty) {
        // Quietly: nothing was current before.
        m_currentRow = 0;
        m_currentCol = 0;
    }
}

void CGridTable::DeleteRow(int row) {
    if (row < 0 || row >= RowCount()) {
        return;
    }
    for (int col = -1; col < m_colCount; ++col) {
        Unjoin(col, row);
    }
    m_rows.erase(m_rows.begin() + row);
    m_rowTopsValid = false;
    if (m_rows.empty()) {
        m_currentRow = -1;
    } else if (m_currentRow > row) {
        --m_currentRow;
    } else if (m_currentRow == row) {
        m_currentRow = std::min(row, RowCount() - 1);
        JoinOrigin(m_currentCol, m_currentRow, m_currentCol, m_currentRow);
    }
}

// ---- cells ----

void CGridTable::SetHeadingDefault(const QColor& back, const QColor& text, const QFont& font,
                                   Qt::Alignment alignment) {
    m_headingDefault.back = back;
    m_headingDefault.textColor = text;
    m_headingDefault.font = font;
    m_headingDefault.alignment = alignment;
}

bool CGridTable::IsValidCell(int col, int row) const {
    return col >= -1 && col < m_colCount && row >= -1 && row < RowCount();
}

const CGridTable::Cell* CGridTable::CellAt(int col, int row) const {
    if (!IsValidCell(col, row)) {
        return nullptr;
    }
    const Row& r = row == -1 ? m_heading : m_rows[row];
    return &r.cells[col + 1];
}

CGridTable::Cell* CGridTable::CellAt(int col, int row) {
    return const_cast<Cell*>(std::as_const(*this).CellAt(col, row));
}

QColor CGridTable::BackColor(int col, int row) const {
    const Cell* cell = CellAt(col, row);
    if (cell != nullptr && cell->back) {
        return *cell->back;
    }
    return row == -1 || col == -1 ? *m_headingDefault.back : QColor(Qt::white);
}

QColor CGridTable::TextColor(int col, int row) const {
    const Cell* cell = CellAt(col, row);
    if (cell != nullptr && cell->textColor) {
        return *cell->textColor;
    }
    return row == -1 || col == -1 ? *m_headingDefault.textColor : QColor(Qt::black);
}

QFont CGridTable::Font(int col, int row) const {
    const Cell* cell = CellAt(col, row);
    if (cell != nullptr && cell->font) {
        return *cell->font;
    }
    return (row == -1 || col == -1) && m_headingDefault.font ? *m_headingDefault.font
                                                             : m_defaultFont;
}

Qt::Alignment CGridTable::Alignment(int col, int row) const {
    const Cell* cell = CellAt(col, row);
    if (cell != nullptr && cell->alignment) {
        return *cell->alignment;
    }
    return row == -1 || col == -1 ? *m_headingDefault.alignment
                                  : (Qt::AlignLeft | Qt::AlignVCenter);
}

// ---- joins ----

bool CGridTable::Join(int col1, int row1, int col2, int row2) {
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
            Unjoin(col, row);
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
    JoinOrigin(m_currentCol, m_currentRow, m_currentCol, m_currentRow);
    return true;
}

void CGridTable::Unjoin(int col, int row) {
    int originCol = 0;
    int originRow = 0;
    JoinOrigin(col, row, originCol, originRow);
    const Cell* origin = CellAt(originCol, originRow);
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

void CGridTable::JoinOrigin(int col, int row, int& originCol, int& originRow) const {
    const Cell* cell = CellAt(col, row);
    originCol = col + (cell != nullptr ? cell->toOriginCol : 0);
    originRow = row + (cell != nullptr ? cell->toOriginRow : 0);
}

// ---- positions ----

int CGridTable::ColLeft(int col) const {
    int x = 0;
    for (int c = 0; c < col && c < m_colCount; ++c) {
        x += m_colWidthsPx[c];
    }
    return x;
}

int CGridTable::RowTop(int row) const {
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

int CGridTable::RowAtY(int y) const {
    RowTop(0);  // makes sure the tops are current
    auto it = std::upper_bound(m_rowTops.begin(), m_rowTops.end() - 1, y);
    return std::clamp(static_cast<int>(it - m_rowTops.begin()) - 1, 0, std::max(0, RowCount() - 1));
}

int CGridTable::ColAtX(int x) const {
    int right = 0;
    for (int c = 0; c < m_colCount; ++c) {
        right += m_colWidthsPx[c];
        if (x < right) {
            return c;
        }
    }
    return std::max(0, m_colCount - 1);
}

// ---- in a view ----

QRect CGridTable::RawCellRect(int col, int row, const QPoint& scroll) const {
    const int x = col == -1 ? 0 : m_sideWidthPx + ColLeft(col) - scroll.x();
    const int y = row == -1 ? 0 : m_heading.heightPx + RowTop(row) - scroll.y();
    return QRect(x, y, ColWidth(col), RowHeight(row));
}

QRect CGridTable::CellRect(int col, int row, const QPoint& scroll) const {
    if (!IsValidCell(col, row)) {
        return QRect();
    }
    int originCol = 0;
    int originRow = 0;
    JoinOrigin(col, row, originCol, originRow);
    const Cell* origin = CellAt(originCol, originRow);
    const QRect first = RawCellRect(originCol, originRow, scroll);
    const QRect last =
        RawCellRect(originCol + origin->spanCols - 1, originRow + origin->spanRows - 1, scroll);
    return first.united(last);
}

bool CGridTable::HitTest(const QPoint& pos, const QPoint& scroll, int& col, int& row) const {
    int hitRow = -1;
    int hitCol = -1;
    if (pos.y() >= m_heading.heightPx) {
        const int contentY = pos.y() - m_heading.heightPx + scroll.y();
        if (contentY >= TotalHeight()) {
            return false;
        }
        hitRow = RowAtY(contentY);
    }
    if (pos.x() >= m_sideWidthPx) {
        const int contentX = pos.x() - m_sideWidthPx + scroll.x();
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

int CGridTable::BorderAt(const QPoint& pos, const QPoint& scroll, int gripPx,
                         bool& isColumn) const {
    if (pos.y() < m_heading.heightPx && pos.x() >= m_sideWidthPx) {
        for (int col = 0; col < m_colCount; ++col) {
            if (std::abs(RawCellRect(col, -1, scroll).right() + 1 - pos.x()) <= gripPx) {
                isColumn = true;
                return col;
            }
        }
    }
    if (pos.x() < m_sideWidthPx && pos.y() >= m_heading.heightPx) {
        for (int row = 0; row < RowCount(); ++row) {
            if (std::abs(RawCellRect(-1, row, scroll).bottom() + 1 - pos.y()) <= gripPx) {
                isColumn = false;
                return row;
            }
        }
    }
    return -1;
}
