#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>
#include <optional>
#include <vector>

// The cells of a grid control, without drawing: the heading row (row -1), the side-heading
// column (column -1) and the body; each cell's own attributes and the defaults they fall back
// on; cells joined into rectangles; column widths and row heights, and the positions they
// give; and the current cell, which every change of rows, columns or joins keeps on the
// origin of a join in the body.
class CGridTable {
public:
    static constexpr int kCellTypeNormal = 0;
    static constexpr int kCellTypeTickBox = 2;

    struct Cell {
        QString text;
        QString label;
        std::optional<QColor> back;
        std::optional<QColor> textColor;
        std::optional<QFont> font;
        std::optional<Qt::Alignment> alignment;
        QPixmap bitmap;
        int type = kCellTypeNormal;
        int typeOptions = 0;
        // A join's origin holds its size; a member holds the (non-positive) offsets to it.
        int spanCols = 1;
        int spanRows = 1;
        int toOriginCol = 0;
        int toOriginRow = 0;
    };

    explicit CGridTable(const QPalette& palette, const QFont& font);

    // Sizes, in pixels; column -1 is the side heading, row -1 the heading. Joins across
    // columns that go are undone first.
    void SetColCount(int count);
    int ColCount() const { return m_colCount; }
    void SetColWidth(int col, int widthPx);
    int ColWidth(int col) const;
    void SetRowHeight(int row, int heightPx);
    int RowHeight(int row) const;
    void SetDefaultColWidth(int widthPx);
    int DefaultColWidth() const { return m_defaultColWidthPx; }
    void SetDefaultRowHeight(int heightPx);
    int DefaultRowHeight() const { return m_defaultRowHeightPx; }

    int RowCount() const { return static_cast<int>(m_rows.size()); }
    // The first row takes the current cell.
    void AppendRow();
    // Joins that cross the row are undone first; the current cell stays on its cell, or on
    // the nearest row that is left.
    void DeleteRow(int row);

    void SetDefaultFont(const QFont& font) { m_defaultFont = font; }
    void SetHeadingDefault(const QColor& back, const QColor& text, const QFont& font,
                           Qt::Alignment alignment);

    bool IsValidCell(int col, int row) const;
    // Null outside the grid.
    const Cell* CellAt(int col, int row) const;
    Cell* CellAt(int col, int row);
    // The cell's own attribute, else the heading default (for heading cells), else the
    // grid's default.
    QColor BackColor(int col, int row) const;
    QColor TextColor(int col, int row) const;
    QFont Font(int col, int row) const;
    Qt::Alignment Alignment(int col, int row) const;

    // Joins the rectangle into one cell (undoing any join that overlaps it first); false for
    // a rectangle outside the grid or across the headings' edge.
    bool Join(int col1, int row1, int col2, int row2);
    void Unjoin(int col, int row);
    // The top-left cell of the join that holds (col, row), or the cell itself.
    void JoinOrigin(int col, int row, int& originCol, int& originRow) const;

    // Positions in the body, in pixels from the first column's left and the first row's top.
    int ColLeft(int col) const;
    int RowTop(int row) const;
    int TotalWidth() const { return ColLeft(m_colCount); }
    int TotalHeight() const { return RowTop(RowCount()); }
    // The row or column at a body position, clamped to the grid.
    int RowAtY(int y) const;
    int ColAtX(int x) const;

    // Where cells lie in a view whose body is scrolled by scroll (the headings stay): one
    // cell without its join, and the whole join of a cell (empty outside the grid).
    QRect RawCellRect(int col, int row, const QPoint& scroll) const;
    QRect CellRect(int col, int row, const QPoint& scroll) const;
    // The cell (join origin) under a view point; false in the corner, beyond the cells or in
    // an empty grid's body. Heading hits give row -1, side-heading hits column -1.
    bool HitTest(const QPoint& pos, const QPoint& scroll, int& col, int& row) const;
    // The column (isColumn) or row whose far border in the headings lies within gripPx of a
    // view point; -1 when none does.
    int BorderAt(const QPoint& pos, const QPoint& scroll, int gripPx, bool& isColumn) const;

    // The current cell: a body cell (the origin of its join), or row -1 when there are no
    // rows. Setting it moves it there as it is; the caller checks and joins.
    int CurrentCol() const { return m_currentCol; }
    int CurrentRow() const { return m_currentRow; }
    void SetCurrent(int col, int row) {
        m_currentCol = col;
        m_currentRow = row;
    }

private:
    struct Row {
        int heightPx;
        std::vector<Cell> cells;  // index 0 is the side heading, then columns 0..n-1
    };

    int m_colCount = 0;
    std::vector<int> m_colWidthsPx;
    int m_defaultColWidthPx = 75;
    int m_defaultRowHeightPx = 20;
    int m_sideWidthPx = 30;
    QFont m_defaultFont;
    Cell m_headingDefault;
    Row m_heading;
    std::vector<Row> m_rows;
    // The top of every row and the bottom of the last, worked out when first asked for.
    mutable std::vector<int> m_rowTops;
    mutable bool m_rowTopsValid = false;
    int m_currentCol = 0;
    int m_currentRow = -1;
};
