#include <gtest/gtest.h>

#include <QApplication>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTest>
#include <QVector>
#include <QWidget>

#include "widgets/CGridCtrl.h"

namespace {

// A grid whose hooks record their calls; the tick-box hook answers with acceptToggles.
class CRecordingGrid : public CGridCtrl {
public:
    struct Move {
        int oldCol, newCol, oldRow, newRow;
    };
    struct Notify {
        int typeId, col, row, event, value;
    };
    QVector<Move> moves;
    QVector<Notify> notifies;
    int setups = 0;
    bool acceptToggles = true;

protected:
    void OnSetup() override { ++setups; }
    void OnCellChange(int oldCol, int newCol, int oldRow, int newRow) override {
        moves.push_back({oldCol, newCol, oldRow, newRow});
    }
    bool OnCellTypeNotify(int typeId, int col, int row, int event, int value) override {
        notifies.push_back({typeId, col, row, event, value});
        return acceptToggles;
    }
};

// Collects the regions painted on a widget.
class CPaintSpy : public QObject {
public:
    explicit CPaintSpy(QWidget* target) { target->installEventFilter(this); }
    QRegion painted;
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            painted |= static_cast<QPaintEvent*>(e)->region();
            ++count;
        }
        return false;
    }
};

void Settle() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
    }
}

// Three columns 40 px wide, heading 24 px, no side heading, six rows of 20 px: rows 2..3 of
// columns 0..1 are joined, and (0, 2) is a tick box.
class GridCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        grid.SetHeadingHeight(24);
        grid.SetSideHeadingWidth(0);
        grid.SetDefaultRowHeight(20);
        grid.SetDefaultColWidth(40);
        grid.SetColCount(3);
        grid.resize(200, 200);
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    }
    void AddRows(int n) {
        for (int i = 0; i < n; ++i) {
            grid.AppendRow();
        }
    }
    QPoint Centre(int col, int row) const { return grid.CellRect(col, row).center(); }
    void Click(const QPoint& at) { QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, at); }

    CRecordingGrid grid;
};

TEST_F(GridCtrlTest, FirstRowsTakeTheCurrentCellQuietlyAndMovesRunTheHookOnce) {
    EXPECT_EQ(grid.CurrentRow(), -1);
    AddRows(6);
    EXPECT_EQ(grid.CurrentRow(), 0);
    EXPECT_EQ(grid.CurrentCol(), 0);
    EXPECT_TRUE(grid.moves.isEmpty());

    // Program: a move runs the hook with old and new cell; staying put does not.
    EXPECT_TRUE(grid.GotoCell(2, 4));
    ASSERT_EQ(grid.moves.size(), 1);
    EXPECT_EQ(grid.moves[0].oldCol, 0);
    EXPECT_EQ(grid.moves[0].newCol, 2);
    EXPECT_EQ(grid.moves[0].oldRow, 0);
    EXPECT_EQ(grid.moves[0].newRow, 4);
    grid.GotoCell(2, 4);
    EXPECT_EQ(grid.moves.size(), 1);
    EXPECT_FALSE(grid.GotoCell(3, 0));
    EXPECT_FALSE(grid.GotoCell(0, 6));

    // Mouse.
    Click(Centre(1, 1));
    ASSERT_EQ(grid.moves.size(), 2);
    EXPECT_EQ(grid.moves[1].newCol, 1);
    EXPECT_EQ(grid.moves[1].newRow, 1);

    // Keyboard.
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_Left);
    EXPECT_EQ(grid.moves.size(), 3);
    EXPECT_EQ(grid.CurrentCol(), 0);
    QTest::keyClick(&grid, Qt::Key_Left);  // already at the edge
    EXPECT_EQ(grid.moves.size(), 3);
}

TEST_F(GridCtrlTest, JoinedCellsActAsOneCell) {
    AddRows(6);
    ASSERT_TRUE(grid.JoinCells(0, 2, 1, 3));
    EXPECT_EQ(grid.CellRect(1, 3), grid.CellRect(0, 2));
    EXPECT_EQ(grid.CellRect(0, 2), QRect(0, 24 + 40, 80, 40));

    // A click anywhere in the join lands on its top-left cell.
    Click(Centre(0, 2) + QPoint(30, 15));
    EXPECT_EQ(grid.CurrentCol(), 0);
    EXPECT_EQ(grid.CurrentRow(), 2);

    // Down leaves the join across its far edge; Up from below lands on its origin.
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.CurrentRow(), 4);
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(grid.CurrentRow(), 2);
    EXPECT_EQ(grid.CurrentCol(), 0);

    // Joining over an existing join replaces it; joins outside the grid are refused.
    ASSERT_TRUE(grid.JoinCells(1, 3, 2, 3));
    EXPECT_EQ(grid.CellRect(0, 2), QRect(0, 64, 40, 20));
    EXPECT_EQ(grid.CellRect(2, 3), QRect(40, 84, 80, 20));
    EXPECT_FALSE(grid.JoinCells(0, 5, 0, 6));
    EXPECT_FALSE(grid.JoinCells(0, -1, 0, 0));
}

TEST_F(GridCtrlTest, DeletingRowsUndoesCrossingJoinsAndKeepsLaterOnesWhole) {
    AddRows(6);
    grid.JoinCells(0, 1, 1, 2);
    grid.JoinCells(0, 4, 2, 5);
    grid.SetCellText(0, 4, "tail");
    grid.GotoCell(0, 4);
    grid.DeleteRow(2);
    EXPECT_EQ(grid.RowCount(), 5);
    // The crossed join is gone: both of its former cells stand alone.
    EXPECT_EQ(grid.CellRect(1, 1), QRect(40, 24 + 20, 40, 20));
    // The later join moved up with its text, and the current cell stayed on it.
    EXPECT_EQ(grid.CellRect(2, 4), QRect(0, 24 + 60, 120, 40));
    EXPECT_EQ(grid.CellText(0, 3), "tail");
    EXPECT_EQ(grid.CurrentRow(), 3);
    // Deleting every row leaves no current cell and no hook call.
    const int moves = grid.moves.size();
    for (int row = grid.RowCount() - 1; row >= 0; --row) {
        grid.DeleteRow(row);
    }
    EXPECT_EQ(grid.CurrentRow(), -1);
    EXPECT_EQ(grid.moves.size(), moves);
    // An empty grid's body is not a cell: clicks there move nothing.
    Click(QPoint(20, 60));
    EXPECT_EQ(grid.moves.size(), moves);
}

TEST_F(GridCtrlTest, TickBoxesToggleOnTheBoxAndReportTheNewState) {
    AddRows(6);
    grid.SetCellType(0, 2, CGridCtrl::kCellTypeTickBox, CGridCtrl::kTickBox3DRecessed);
    grid.SetCellLabel(0, 2, "label");
    grid.SetCellType(0, -1, CGridCtrl::kCellTypeTickBox);
    const QRect cell = grid.CellRect(0, 2);
    const QPoint onBox(cell.left() + 8, cell.center().y());

    Click(onBox);
    ASSERT_EQ(grid.notifies.size(), 1);
    EXPECT_EQ(grid.notifies[0].typeId, CGridCtrl::kCellTypeTickBox);
    EXPECT_EQ(grid.notifies[0].col, 0);
    EXPECT_EQ(grid.notifies[0].row, 2);
    EXPECT_EQ(grid.notifies[0].event, CGridCtrl::kTickBoxSetEvent);
    EXPECT_EQ(grid.notifies[0].value, 1);
    EXPECT_TRUE(grid.IsTicked(0, 2));
    EXPECT_EQ(grid.CurrentRow(), 2);  // the click also made it current

    Click(onBox);
    EXPECT_EQ(grid.notifies.back().value, 0);
    EXPECT_FALSE(grid.IsTicked(0, 2));

    // Beside the box (on the label) nothing toggles.
    Click(QPoint(cell.right() - 3, cell.center().y()));
    EXPECT_EQ(grid.notifies.size(), 2);

    // A refused toggle leaves the box as it was.
    grid.acceptToggles = false;
    Click(onBox);
    EXPECT_EQ(grid.notifies.size(), 3);
    EXPECT_FALSE(grid.IsTicked(0, 2));
    grid.acceptToggles = true;

    // Space toggles the current tick box.
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_Space);
    EXPECT_TRUE(grid.IsTicked(0, 2));

    // The heading's box reports row -1 and moves no current cell.
    const int moves = grid.moves.size();
    Click(QPoint(8, 12));
    EXPECT_EQ(grid.notifies.back().row, -1);
    EXPECT_EQ(grid.notifies.back().value, 1);
    EXPECT_TRUE(grid.IsTicked(0, -1));
    EXPECT_EQ(grid.moves.size(), moves);
}

TEST_F(GridCtrlTest, RedrawingOneCellPaintsOnlyThatCell) {
    AddRows(6);
    grid.JoinCells(0, 2, 1, 3);
    Settle();
    CPaintSpy spy(grid.viewport());
    CPaintSpy frame(&grid);  // the scroll area's frame around the viewport
    grid.SetCellText(2, 4, "changed");
    grid.RedrawCell(2, 4);
    Settle();
    EXPECT_GE(spy.count, 1);
    EXPECT_EQ(spy.painted, QRegion(grid.CellRect(2, 4)));
    EXPECT_EQ(frame.count, 0) << "the frame is painted behind the cell";

    spy.painted = QRegion();
    grid.RedrawCell(1, 3);  // a member of the join redraws the whole join
    Settle();
    EXPECT_EQ(spy.painted, QRegion(grid.CellRect(0, 2)));
}

TEST_F(GridCtrlTest, CellTextIsDrawnAsItIsNowAndElidedWhenTooLong) {
    AddRows(2);
    const auto shot = [this] {
        grid.RedrawCell(0, 0);
        Settle();
        return grid.viewport()->grab(grid.CellRect(0, 0)).toImage();
    };
    grid.SetCellText(0, 0, "4.5");
    const QImage first = shot();
    // Same length, other glyphs; another font; then back: each drawing shows the cell as it is.
    grid.SetCellText(0, 0, "5.0");
    EXPECT_NE(shot(), first);
    QFont bold = grid.CellFont(0, 0);
    bold.setBold(true);
    grid.SetCellFont(0, 0, bold);
    grid.SetCellText(0, 0, "4.5");
    EXPECT_NE(shot(), first);
    grid.SetCellFont(0, 0, grid.CellFont(1, 1));
    EXPECT_EQ(shot(), first);

    // Too long for 40 pixels: the ink stops inside the text's rectangle, so no letter is cut
    // at the cell's edge.
    grid.SetCellText(1, 1, "Overheat Overheat");
    grid.RedrawCell(1, 1);
    Settle();
    const QRect cell = grid.CellRect(1, 1);
    const QRect text = grid.CellTextRect(1, 1);
    const QImage image = grid.viewport()->grab().toImage();
    int inkBeyond = 0;
    int inkInside = 0;
    for (int y = cell.top(); y < cell.bottom(); ++y) {
        for (int x = cell.left(); x < cell.right(); ++x) {
            const bool ink = qGray(image.pixel(x, y)) < 220;
            (x > text.right() ? inkBeyond : inkInside) += ink ? 1 : 0;
        }
    }
    EXPECT_GT(inkInside, 10);
    EXPECT_EQ(inkBeyond, 0);
}

TEST_F(GridCtrlTest, MovingToAHiddenRowScrollsItIntoView) {
    AddRows(30);
    grid.GotoCell(1, 25);
    const QRect cell = grid.CellRect(1, 25);
    EXPECT_GT(grid.verticalScrollBar()->value(), 0);
    EXPECT_GE(cell.top(), grid.HeadingHeight());
    EXPECT_LE(cell.bottom(), grid.viewport()->height());
    // A click hits the cell drawn there, not the one under it before scrolling.
    grid.GotoCell(0, 0);
    grid.GotoCell(1, 25);
    Click(grid.CellRect(2, 24).center());
    EXPECT_EQ(grid.CurrentRow(), 24);
    EXPECT_EQ(grid.CurrentCol(), 2);
}

TEST_F(GridCtrlTest, HeadingBordersResizeColumnsOnlyWhileSizingIsOn) {
    AddRows(2);
    const QPoint border(40, 12);
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, border);
    QTest::mouseMove(grid.viewport(), border + QPoint(15, 0));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, border + QPoint(15, 0));
    EXPECT_EQ(grid.ColWidth(0), 55);

    grid.SetUserSizing(false);
    const QPoint next(55, 12);
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, next);
    QTest::mouseMove(grid.viewport(), next + QPoint(15, 0));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, next + QPoint(15, 0));
    EXPECT_EQ(grid.ColWidth(0), 55);
}

TEST(GridCtrlPlaceholderTest, TakesThePlaceOfTheDialogControlThenRunsSetup) {
    QWidget dialog;
    auto* placeholder = new QWidget(&dialog);
    placeholder->setObjectName(CGridCtrl::ControlName(1004));
    placeholder->setGeometry(7, 9, 120, 80);
    CRecordingGrid grid;
    EXPECT_FALSE(grid.AttachToPlaceholder(&dialog, 1005));
    EXPECT_EQ(grid.setups, 0);
    ASSERT_TRUE(grid.AttachToPlaceholder(&dialog, 1004));
    EXPECT_EQ(grid.setups, 1);
    EXPECT_EQ(grid.parentWidget(), &dialog);
    EXPECT_EQ(grid.geometry(), QRect(7, 9, 120, 80));
    grid.setParent(nullptr);  // the grid is a stack object here
}

}  // namespace
