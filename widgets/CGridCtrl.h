#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <utility>
#include <vector>

#include "widgets/CGridCellPainter.h"
#include "widgets/CGridTable.h"

// A painted grid of cells under one heading row, with an optional side-heading column.
// Columns are numbered from 0, rows from 0; the heading is row -1 and the side heading
// column -1. Cells can be joined into rectangles, carry their own colours, font, alignment,
// text, label and bitmap, and be tick boxes. A derived grid reacts through three hooks: the
// setup hook, the current-cell hook and the cell-type hook.
//
// Redrawing is always scheduled with update() on the smallest rectangle that changed, so
// that a burst of changes to one cell never repaints the whole grid. The cells themselves
// are a CGridTable; a CGridCellPainter draws each.
class CGridCtrl : public QAbstractScrollArea {
public:
    // Cell types and the events they report through OnCellTypeNotify.
    static constexpr int kCellTypeNormal = CGridTable::kCellTypeNormal;
    static constexpr int kCellTypeTickBox = CGridTable::kCellTypeTickBox;
    static constexpr int kTickBoxSetEvent = 53;

    // Options of the tick-box type.
    static constexpr int kTickBox3DRecessed = CGridCellPainter::kTickBox3DRecessed;
    static constexpr int kTickBoxMultiLine = CGridCellPainter::kTickBoxMultiLine;

    explicit CGridCtrl(QWidget* parent = nullptr);
    ~CGridCtrl() override;

    // Takes the place (parent and geometry) of the dialog's control named controlId, which
    // is removed, then runs the setup hook. False when the dialog has no such control.
    bool AttachToPlaceholder(QWidget* dialog, int controlId);
    // The object name that marks a dialog's control with the identifier id.
    static QString ControlName(int id);

    // Sizes, in pixels.
    void SetHeadingHeight(int heightPx);
    int HeadingHeight() const { return m_table.RowHeight(-1); }
    void SetSideHeadingWidth(int widthPx);
    int SideHeadingWidth() const { return m_table.ColWidth(-1); }
    void SetDefaultRowHeight(int heightPx) { m_table.SetDefaultRowHeight(heightPx); }
    void SetDefaultColWidth(int widthPx) { m_table.SetDefaultColWidth(widthPx); }
    void SetColCount(int count);
    int ColCount() const { return m_table.ColCount(); }
    void SetColWidth(int col, int widthPx);
    int ColWidth(int col) const { return m_table.ColWidth(col); }
    // Whether the operator may drag column and row borders in the headings.
    void SetUserSizing(bool enabled) { m_userSizing = enabled; }
    bool UserSizing() const { return m_userSizing; }

    // Defaults: the font of every cell without its own, and the look of heading cells.
    void SetDefaultFont(const QFont& font) { m_table.SetDefaultFont(font); }
    void SetHeadingDefault(const QColor& back, const QColor& text, const QFont& font,
                           Qt::Alignment alignment) {
        m_table.SetHeadingDefault(back, text, font, alignment);
    }

    // Rows.
    int RowCount() const { return m_table.RowCount(); }
    void AppendRow();
    // Joins that cross the deleted row are undone first.
    void DeleteRow(int row);
    void SetRowHeight(int row, int heightPx);
    int RowHeight(int row) const { return m_table.RowHeight(row); }

    // Cell attributes. Out-of-range cells are ignored by the setters and read as empty.
    void SetCellBackColor(int col, int row, const QColor& color) {
        Set(col, row, &Cell::back, color);
    }
    void SetCellTextColor(int col, int row, const QColor& color) {
        Set(col, row, &Cell::textColor, color);
    }
    void SetCellFont(int col, int row, const QFont& font) { Set(col, row, &Cell::font, font); }
    void SetCellAlignment(int col, int row, Qt::Alignment alignment) {
        Set(col, row, &Cell::alignment, alignment);
    }
    void SetCellType(int col, int row, int type, int options = 0) {
        Set(col, row, &Cell::type, type);
        Set(col, row, &Cell::typeOptions, options);
    }
    void SetCellText(int col, int row, const QString& text) { Set(col, row, &Cell::text, text); }
    void SetCellLabel(int col, int row, const QString& label) {
        Set(col, row, &Cell::label, label);
    }
    void SetCellBitmap(int col, int row, const QPixmap& bitmap) {
        Set(col, row, &Cell::bitmap, bitmap);
    }

    // Resolved attributes: the cell's own, else the heading default, else the grid default.
    QColor CellBackColor(int col, int row) const { return m_table.BackColor(col, row); }
    QColor CellTextColor(int col, int row) const { return m_table.TextColor(col, row); }
    QFont CellFont(int col, int row) const { return m_table.Font(col, row); }
    Qt::Alignment CellAlignment(int col, int row) const { return m_table.Alignment(col, row); }
    int CellType(int col, int row) const { return Get(col, row, &Cell::type, kCellTypeNormal); }
    QString CellText(int col, int row) const { return Get(col, row, &Cell::text, QString()); }
    QString CellLabel(int col, int row) const { return Get(col, row, &Cell::label, QString()); }
    QPixmap CellBitmap(int col, int row) const { return Get(col, row, &Cell::bitmap, QPixmap()); }
    // A tick box is ticked when its text reads a non-zero number.
    bool IsTicked(int col, int row) const { return CellText(col, row).toInt() != 0; }

    // Joins the rectangle into one cell shown by its top-left cell; any join that overlaps
    // it is undone first. False for a rectangle outside the grid.
    bool JoinCells(int col1, int row1, int col2, int row2) {
        return m_table.Join(col1, row1, col2, row2);
    }
    void UnjoinCells(int col, int row) { m_table.Unjoin(col, row); }
    // The top-left cell of the join that holds (col, row), or the cell itself.
    void JoinOrigin(int col, int row, int& originCol, int& originRow) const {
        m_table.JoinOrigin(col, row, originCol, originRow);
    }

    // Where a cell (its whole join) lies in the viewport; empty outside the grid.
    QRect CellRect(int col, int row) const { return m_table.CellRect(col, row, Scroll()); }
    // Where the cell's text (or a tick box's label) is drawn, in viewport coordinates.
    QRect CellTextRect(int col, int row) const;
    // The cell under a viewport point; false in the corner, beyond the cells or in an empty
    // grid's body. Heading hits give row -1, side-heading hits column -1.
    bool HitTest(const QPoint& pos, int& col, int& row) const {
        return m_table.HitTest(pos, Scroll(), col, row);
    }

    // Scheduled redraws.
    void RedrawAll() { viewport()->update(); }
    void RedrawCell(int col, int row);
    void RedrawRange(int col1, int row1, int col2, int row2);

    // The current cell: always a body cell (the origin of its join), or row -1 when the grid
    // has no rows. Moving it runs OnCellChange unless it is already there.
    bool GotoCell(int col, int row);
    int CurrentCol() const { return m_table.CurrentCol(); }
    int CurrentRow() const { return m_table.CurrentRow(); }

protected:
    // Hooks for a derived grid.
    virtual void OnSetup() {}
    virtual void OnCellChange(int /*oldCol*/, int /*newCol*/, int /*oldRow*/, int /*newRow*/) {}
    // Returns whether the event is accepted; a refused tick-box toggle leaves the box.
    virtual bool OnCellTypeNotify(int /*typeId*/, int /*col*/, int /*row*/, int /*event*/,
                                  int /*value*/) {
        return true;
    }
    // Ticks or clears a tick box as a click on it does: through the cell-type hook.
    void ToggleTickBox(int col, int row);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    using Cell = CGridTable::Cell;

    // A cell's own attribute; out-of-range cells are ignored, and read as fallback.
    template <class T, class V>
    void Set(int col, int row, T Cell::*field, const V& value) {
        if (Cell* cell = m_table.CellAt(col, row)) {
            cell->*field = value;
        }
    }
    template <class T>
    T Get(int col, int row, T Cell::*field, const T& fallback) const {
        const Cell* cell = m_table.CellAt(col, row);
        return cell != nullptr ? cell->*field : fallback;
    }
    QPoint Scroll() const;  // the scroll bars' values

    QRect RawCellRect(int col, int row) const { return m_table.RawCellRect(col, row, Scroll()); }
    void UpdateScrollBars();
    void EnsureVisible(int col, int row);
    void MoveBy(int dCol, int dRow);
    int BorderAt(const QPoint& pos, bool& isColumn) const;
    // Paints each cell (each join) of the area once, however many of the region's
    // rectangles it meets.
    void PaintArea(QPainter& painter, const QRegion& region, const QRect& area, bool headingRow,
                   bool sideColumn, std::vector<std::pair<int, int>>& painted) const;

    CGridTable m_table;
    CGridCellPainter m_cellPainter;
    bool m_userSizing = true;
    // Dragging a heading border: which column or row, and where the drag started.
    int m_sizingIndex = -1;
    bool m_sizingColumn = true;
    int m_sizingStartPos = 0;
    int m_sizingStartSize = 0;
};
