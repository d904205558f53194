#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QStaticText>
#include <QString>
#include <optional>
#include <vector>

// A painted grid of cells under one heading row, with an optional side-heading column.
// Columns are numbered from 0, rows from 0; the heading is row -1 and the side heading
// column -1. Cells can be joined into rectangles, carry their own colours, font, alignment,
// text, label and bitmap, and be tick boxes. A derived grid reacts through three hooks: the
// setup hook, the current-cell hook and the cell-type hook.
//
// Redrawing is always scheduled with update() on the smallest rectangle that changed, so
// that a burst of changes to one cell never repaints the whole grid.
class CGridCtrl : public QAbstractScrollArea {
public:
    // Cell types and the events they report through OnCellTypeNotify.
    static constexpr int kCellTypeNormal = 0;
    static constexpr int kCellTypeTickBox = 2;
    static constexpr int kTickBoxSetEvent = 53;

    // Options of the tick-box type.
    static constexpr int kTickBox3DRecessed = 0x1;  // sunken 3-D square instead of a flat one
    static constexpr int kTickBoxMultiLine = 0x2;   // the label keeps its line breaks

    explicit CGridCtrl(QWidget* parent = nullptr);
    ~CGridCtrl() override;

    // Takes the place (parent and geometry) of the dialog's control named controlId, which
    // is removed, then runs the setup hook. False when the dialog has no such control.
    bool AttachToPlaceholder(QWidget* dialog, int controlId);
    // The object name that marks a dialog's control with the identifier id.
    static QString ControlName(int id);

    // Sizes, in pixels.
    void SetHeadingHeight(int heightPx);
    int HeadingHeight() const { return m_headingHeightPx; }
    void SetSideHeadingWidth(int widthPx);
    int SideHeadingWidth() const { return m_sideWidthPx; }
    void SetDefaultRowHeight(int heightPx);
    void SetDefaultColWidth(int widthPx);
    void SetColCount(int count);
    int ColCount() const { return m_colCount; }
    void SetColWidth(int col, int widthPx);
    int ColWidth(int col) const;
    // Whether the operator may drag column and row borders in the headings.
    void SetUserSizing(bool enabled) { m_userSizing = enabled; }
    bool UserSizing() const { return m_userSizing; }

    // Defaults: the font of every cell without its own, and the look of heading cells.
    void SetDefaultFont(const QFont& font);
    void SetHeadingDefault(const QColor& back, const QColor& text, const QFont& font,
                           Qt::Alignment alignment);

    // Rows.
    int RowCount() const { return static_cast<int>(m_rows.size()); }
    void AppendRow();
    // Joins that cross the deleted row are undone first.
    void DeleteRow(int row);
    void SetRowHeight(int row, int heightPx);
    int RowHeight(int row) const;

    // Cell attributes. Out-of-range cells are ignored by the setters and read as empty.
    void SetCellBackColor(int col, int row, const QColor& color);
    void SetCellTextColor(int col, int row, const QColor& color);
    void SetCellFont(int col, int row, const QFont& font);
    void SetCellAlignment(int col, int row, Qt::Alignment alignment);
    void SetCellType(int col, int row, int type, int options = 0);
    void SetCellText(int col, int row, const QString& text);
    void SetCellLabel(int col, int row, const QString& label);
    void SetCellBitmap(int col, int row, const QPixmap& bitmap);

    // Resolved attributes: the cell's own, else the heading default, else the grid default.
    QColor CellBackColor(int col, int row) const;
    QColor CellTextColor(int col, int row) const;
    QFont CellFont(int col, int row) const;
    Qt::Alignment CellAlignment(int col, int row) const;
    int CellType(int col, int row) const;
    QString CellText(int col, int row) const;
    QString CellLabel(int col, int row) const;
    QPixmap CellBitmap(int col, int row) const;
    // A tick box is ticked when its text reads a non-zero number.
    bool IsTicked(int col, int row) const;

    // Joins the rectangle into one cell shown by its top-left cell; any join that overlaps
    // it is undone first. False for a rectangle outside the grid.
    bool JoinCells(int col1, int row1, int col2, int row2);
    void UnjoinCells(int col, int row);
    // The top-left cell of the join that holds (col, row), or the cell itself.
    void JoinOrigin(int col, int row, int& originCol, int& originRow) const;

    // Where a cell (its whole join) lies in the viewport; empty outside the grid.
    QRect CellRect(int col, int row) const;
    // Where the cell's text (or a tick box's label) is drawn, in viewport coordinates.
    QRect CellTextRect(int col, int row) const;
    // The cell under a viewport point; false in the corner, beyond the cells or in an empty
    // grid's body. Heading hits give row -1, side-heading hits column -1.
    bool HitTest(const QPoint& pos, int& col, int& row) const;

    // Scheduled redraws.
    void RedrawAll();
    void RedrawCell(int col, int row);
    void RedrawRange(int col1, int row1, int col2, int row2);

    // The current cell: always a body cell (the origin of its join), or row -1 when the grid
    // has no rows. Moving it runs OnCellChange unless it is already there.
    bool GotoCell(int col, int row);
    int CurrentCol() const { return m_currentCol; }
    int CurrentRow() const { return m_currentRow; }

protected:
    // Hooks for a derived grid.
    virtual void OnSetup() {}
    virtual void OnCellChange(int oldCol, int newCol, int oldRow, int newRow);
    // Returns whether the event is accepted; a refused tick-box toggle leaves the box.
    virtual bool OnCellTypeNotify(int typeId, int col, int row, int event, int value);
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
    struct Row {
        int heightPx;
        std::vector<Cell> cells;  // index 0 is the side heading, then columns 0..n-1
    };

    const Cell* CellAt(int col, int row) const;
    Cell* CellAt(int col, int row);
    bool IsValidCell(int col, int row) const;
    const Cell* StyleSource(int col, int row, const Cell*& headingDefault) const;
    int ColLeft(int col) const;  // in content coordinates, the side heading at 0
    int RowTop(int row) const;   // in content coordinates, row 0 at 0
    int TotalWidth() const;
    int TotalHeight() const;
    QRect RawCellRect(int col, int row) const;  // one cell, no join
    int RowAtY(int contentY) const;
    int ColAtX(int contentX) const;
    void InvalidateRowTops() { m_rowTopsValid = false; }
    void UpdateScrollBars();
    void EnsureVisible(int col, int row);
    QRect TickBoxRect(const QRect& cellRect) const;
    void MoveBy(int dCol, int dRow);
    void PaintCell(QPainter& painter, int col, int row, const QRect& rect) const;
    QRect TextRectIn(const Cell& cell, const QRect& rect) const;
    // Draws text in the painter's font, each line elided to the rectangle's width.
    void DrawCellText(QPainter& painter, const QRect& rect, Qt::Alignment alignment,
                      const QString& text, bool singleLine) const;
    ShapedLine Shaped(const QFont& font, const QString& line) const;
    void PaintTickBox(QPainter& painter, const QRect& box, bool ticked, bool recessed) const;
    int BorderAt(const QPoint& pos, bool& isColumn) const;

    int m_colCount = 0;
    std::vector<int> m_colWidthsPx;
    int m_defaultColWidthPx = 75;
    int m_defaultRowHeightPx = 20;
    int m_headingHeightPx = 20;
    int m_sideWidthPx = 30;
    bool m_userSizing = true;
    QFont m_defaultFont;
    Cell m_headingDefault;
    Row m_heading;
    std::vector<Row> m_rows;
    mutable std::vector<int> m_rowTops;
    mutable bool m_rowTopsValid = false;
    mutable QHash<LineKey, ShapedLine> m_shapedLines;
    int m_currentCol = 0;
    int m_currentRow = -1;
    // Dragging a heading border: which column or row, and where the drag started.
    int m_sizingIndex = -1;
    bool m_sizingColumn = true;
    int m_sizingStartPos = 0;
    int m_sizingStartSize = 0;
};
