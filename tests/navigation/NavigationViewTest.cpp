#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QTest>

#include "model/FieldCode.h"
#include "navigation/CNavigationFormView.h"
#include "navigation/CNavigationGrid.h"
#include "support/CTestFrameHost.h"
#include "support/ViewMessages.h"

namespace {

const QColor kCurrentNormal(91, 138, 215);
const QColor kCurrentAlert(75, 104, 158);
const QColor kAlert(162, 169, 170);

void Settle() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
    }
}

class CPaintSpy : public QObject {
public:
    explicit CPaintSpy(QWidget* target) { target->installEventFilter(this); }
    QRegion painted;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            painted |= static_cast<QPaintEvent*>(e)->region();
        }
        return false;
    }
};

class NavigationViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.navigation = &view;
        // The panel's recorder keeps what the grid tells it, as the frame wires it.
        QObject::connect(&grid(), &CNavigationGrid::unitPicked, &host.controlRecorder, [this] {
            host.controlRecorder.entries.push_back({WM_UNIT_PICKED, 0, 0, {}});
        });
        QObject::connect(&view, &CNavigationFormView::panelReset, &host.controlRecorder, [this] {
            host.controlRecorder.entries.push_back({WM_PANEL_RESET, 0, 0, {}});
        });
        view.resize(300, 500);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.OnInitialUpdate();
    }

    StudioData& Studio(int n) { return *host.manager.studios[n]; }
    StrobeData* AddUnit(int studio, int slot) {
        return PlaceUnit(host.manager, studio, slot, std::make_unique<StrobeData>());
    }
    // The studio list's way of showing a studio: its node becomes current first.
    void ShowStudio(int n) {
        host.manager.currentNode = &Studio(n);
        view.ShowStudio(&Studio(n));
    }
    // A report changed a field of unit (none: the current unit), told at once.
    void Field(int code, StrobeData* unit) {
        host.unitControl.UnitChanged(RefOf(unit != nullptr ? unit : CurrentUnit(host.manager)),
                                     static_cast<FieldCode>(code));
    }
    QString StatusLabel(int k) { return grid().CellLabel(0, CNavigationGrid::StatusRow(k)); }
    QColor StatusBack(int k) { return grid().CellBackColor(0, CNavigationGrid::StatusRow(k)); }
    QColor StatusText(int k) { return grid().CellTextColor(0, CNavigationGrid::StatusRow(k)); }
    QPoint StatusLabelPoint(int k) {
        return grid().CellRect(0, CNavigationGrid::StatusRow(k)).center();
    }
    QPoint TickBoxPoint(int row) {
        const QRect cell = grid().CellRect(0, row);
        return QPoint(cell.left() + 8, cell.center().y());
    }
    void Click(const QPoint& at) { QTest::mouseClick(grid().viewport(), Qt::LeftButton, {}, at); }
    CNavigationGrid& grid() { return view.Grid(); }
    int Picks() { return host.controlRecorder.Count(WM_UNIT_PICKED); }

    CTestFrameHost host;
    CNavigationFormView view{host};
};

TEST_F(NavigationViewTest, StudioShowsOneBlockPerOccupiedSlotInSlotOrder) {
    EXPECT_EQ(grid().HeadingText(), "Channel Select");
    EXPECT_EQ(grid().RowCount(), 0);
    StrobeData* u9 = AddUnit(2, 9);
    StrobeData* u2 = AddUnit(2, 2);
    StrobeData* u5 = AddUnit(2, 5);
    u5->sModelName = "Key";
    ShowStudio(2);

    EXPECT_EQ(grid().CellLabel(0, -1), "Channel Select [ Studio C ]");
    EXPECT_EQ(grid().CellBackColor(0, -1), QColor(157, 206, 255));
    EXPECT_EQ(grid().CellTextColor(0, -1), QColor(0, 0, 128));
    EXPECT_EQ(grid().RowCount(), 12);
    EXPECT_EQ(grid().ShownUnits(), 3);
    ASSERT_EQ(host.manager.gridUnits, (std::vector<StrobeData*>{u2, u5, u9}));
    EXPECT_EQ(grid().CellText(0, CNavigationGrid::TitleRow(0)), "  CH-03  Not define");
    EXPECT_EQ(grid().CellText(0, CNavigationGrid::TitleRow(1)), "  CH-06  Key");
    EXPECT_EQ(grid().CellText(0, CNavigationGrid::TitleRow(2)), "  CH-10  Not define");
    EXPECT_EQ(grid().CellTextColor(0, CNavigationGrid::TitleRow(1)), QColor(252, 65, 50));
    EXPECT_EQ(grid().RowHeight(4), 2);
    EXPECT_EQ(grid().RowHeight(5), 20);
    // The title spans the block; the status cell takes two rows of columns 0..1.
    EXPECT_EQ(grid().CellRect(4, 5), grid().CellRect(0, 5));
    EXPECT_EQ(grid().CellRect(1, 7), grid().CellRect(0, 6));
    EXPECT_EQ(grid().CellRect(0, 6).size(), QSize(170, 40));
    // Nothing is current after a rebuild, and the panel is reset once.
    EXPECT_EQ(grid().CurrentUnitPosition(), -1);
    EXPECT_EQ(host.controlRecorder.Count(WM_PANEL_RESET), 1);
    EXPECT_EQ(Picks(), 0);
}

TEST_F(NavigationViewTest, EmptyStudioLeavesTheHeadingOnlyAndClicksDoNothing) {
    AddUnit(0, 0);
    ShowStudio(0);
    ShowStudio(1);
    EXPECT_EQ(grid().RowCount(), 0);
    EXPECT_TRUE(host.manager.gridUnits.empty());
    EXPECT_EQ(grid().CellLabel(0, -1), "Channel Select [ Studio B ]");
    host.controlRecorder.Clear();
    Click(QPoint(60, 80));
    Click(QPoint(60, 40));
    EXPECT_TRUE(host.controlRecorder.entries.isEmpty());
    EXPECT_EQ(host.manager.currentNode, &Studio(1));
}

TEST_F(NavigationViewTest, StatusCellShowsOffOverheatOrTheTwoValues) {
    StrobeData* unit = AddUnit(0, 3);
    unit->nFlashValue = 45;
    unit->nModelValue = 30;
    unit->bNoAnswer = 1;
    ShowStudio(0);

    // A unit that did not answer: nothing it said before is shown, whatever it is said to be.
    EXPECT_EQ(StatusLabel(0), "No answer");
    EXPECT_EQ(QFontMetrics(grid().CellFont(0, 2)).height(), 30);
    EXPECT_EQ(StatusBack(0), kAlert);
    EXPECT_EQ(StatusText(0), QColor(Qt::black));
    for (int code : {kFieldFlashValue, kFieldModelValue, kFieldModelPow, kFieldTemperature}) {
        Field(code, unit);
        EXPECT_EQ(StatusLabel(0), "No answer") << code;
    }
    unit->bFlashPow = 0;
    unit->nTemperature = 75;
    Field(kFieldFlashPow, unit);
    EXPECT_EQ(StatusLabel(0), "No answer");
    unit->bNoAnswer = 0;
    Field(kFieldFlashPow, unit);

    // Off wins over the temperature.
    EXPECT_EQ(StatusLabel(0), "OFF");
    EXPECT_EQ(QFontMetrics(grid().CellFont(0, 2)).height(), 30);
    EXPECT_EQ(StatusBack(0), kAlert);
    EXPECT_EQ(StatusText(0), QColor(Qt::black));

    // A value change while off leaves the cell as it is.
    unit->nFlashValue = 50;
    Field(kFieldFlashValue, unit);
    EXPECT_EQ(StatusLabel(0), "OFF");

    unit->bFlashPow = 1;
    Field(kFieldFlashPow, unit);
    EXPECT_EQ(StatusLabel(0), "Overheat");
    EXPECT_EQ(QFontMetrics(grid().CellFont(0, 2)).height(), 30);
    EXPECT_EQ(StatusBack(0), kAlert);

    unit->nTemperature = 60;  // 60 is already too hot
    Field(kFieldTemperature, unit);
    EXPECT_EQ(StatusLabel(0), "Overheat");

    unit->nFlashValue = 45;
    unit->nTemperature = 59;
    Field(kFieldTemperature, unit);
    EXPECT_EQ(StatusLabel(0), "Flash : F 4.5\nModel : F 3.0");
    EXPECT_EQ(QFontMetrics(grid().CellFont(0, 2)).height(), 14);
    EXPECT_EQ(StatusBack(0), QColor(Qt::white));

    unit->bModelPow = 0;
    Field(kFieldModelPow, unit);
    EXPECT_EQ(StatusLabel(0), "Flash : F 4.5\nModel : Off");

    // Codes without a part in the block change nothing.
    unit->bModelPow = 1;
    Field(3, unit);
    Field(kFieldNone, unit);
    Field(42, unit);
    EXPECT_EQ(StatusLabel(0), "Flash : F 4.5\nModel : Off");
}

TEST_F(NavigationViewTest, ClickingAnotherBlockMakesItsUnitCurrentOnce) {
    StrobeData* u0 = AddUnit(0, 0);
    StrobeData* u1 = AddUnit(0, 4);
    ShowStudio(0);
    view.ShowNode(u0, false);
    EXPECT_EQ(StatusBack(0), kCurrentNormal);
    EXPECT_EQ(grid().CurrentRow(), CNavigationGrid::TitleRow(0));
    host.controlRecorder.Clear();

    Click(StatusLabelPoint(1));
    EXPECT_EQ(StatusBack(0), QColor(Qt::white));
    EXPECT_EQ(StatusText(0), QColor(Qt::black));
    EXPECT_EQ(StatusBack(1), kCurrentNormal);
    EXPECT_EQ(StatusText(1), QColor(Qt::white));
    EXPECT_EQ(host.manager.currentNode, u1);
    EXPECT_EQ(Picks(), 1);
    EXPECT_FALSE(grid().IsTicked(0, CNavigationGrid::StatusRow(1)));  // no tick beside the box

    // Moving within the block (an icon, the title by keyboard) picks nothing new.
    int col = 0;
    int row = 0;
    CNavigationGrid::IconCell(CNavigationGrid::kIconCharge, 1, col, row);
    Click(grid().CellRect(col, row).center());
    grid().setFocus();
    QTest::keyClick(&grid(), Qt::Key_Up);
    EXPECT_EQ(Picks(), 1);

    // The current node moved elsewhere without the grid: a click on the block picks it again.
    host.manager.currentNode = &Studio(0);
    Click(StatusLabelPoint(1));
    EXPECT_EQ(host.manager.currentNode, u1);
    EXPECT_EQ(Picks(), 2);

    // A current unit that is off or overheated takes the darker blue.
    u1->bFlashPow = 0;
    Field(kFieldFlashPow, u1);
    EXPECT_EQ(StatusBack(1), kCurrentAlert);
    EXPECT_EQ(StatusText(1), QColor(Qt::white));
}

TEST_F(NavigationViewTest, HeadingBoxTicksAndClearsEveryUnit) {
    StrobeData* units[] = {AddUnit(0, 1), AddUnit(0, 2), AddUnit(0, 7)};
    ShowStudio(0);
    Click(TickBoxPoint(-1));
    for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(grid().IsTicked(0, CNavigationGrid::StatusRow(k)));
        EXPECT_EQ(units[k]->bSelected, 1);
    }
    Click(TickBoxPoint(-1));
    for (int k = 0; k < 3; ++k) {
        EXPECT_FALSE(grid().IsTicked(0, CNavigationGrid::StatusRow(k)));
        EXPECT_EQ(units[k]->bSelected, 0);
    }
    Click(TickBoxPoint(CNavigationGrid::StatusRow(1)));
    EXPECT_EQ(units[0]->bSelected, 0);
    EXPECT_EQ(units[1]->bSelected, 1);
    EXPECT_EQ(units[2]->bSelected, 0);
    EXPECT_TRUE(grid().IsTicked(0, CNavigationGrid::StatusRow(1)));

    // A rebuild shows the ticks the units still carry.
    ShowStudio(0);
    EXPECT_FALSE(grid().IsTicked(0, CNavigationGrid::StatusRow(0)));
    EXPECT_TRUE(grid().IsTicked(0, CNavigationGrid::StatusRow(1)));
}

TEST_F(NavigationViewTest, ShowNodeSelectsTheUnitsRowOrRebuildsFirst) {
    AddUnit(0, 0);
    StrobeData* a5 = AddUnit(0, 5);
    StrobeData* b2 = AddUnit(1, 2);
    ShowStudio(0);
    host.controlRecorder.Clear();

    view.ShowNode(a5, false);
    EXPECT_EQ(grid().CurrentRow(), CNavigationGrid::TitleRow(1));
    EXPECT_EQ(host.manager.currentNode, a5);
    EXPECT_EQ(Picks(), 1);

    // A unit that the grid does not list: nothing.
    view.ShowNode(b2, false);
    EXPECT_EQ(grid().CurrentRow(), CNavigationGrid::TitleRow(1));
    EXPECT_EQ(Picks(), 1);

    // With the rebuild flag the grid shows the current node's studio first.
    host.manager.currentNode = b2;
    view.ShowNode(b2, true);
    EXPECT_EQ(grid().CellLabel(0, -1), "Channel Select [ Studio B ]");
    EXPECT_EQ(grid().CurrentUnitPosition(), 0);
    EXPECT_EQ(host.manager.currentNode, b2);
    EXPECT_EQ(Picks(), 2);
}

TEST_F(NavigationViewTest, AddedUnitRebuildsInSlotOrderAndKeepsTheCurrentUnit) {
    AddUnit(0, 0);
    StrobeData* ch03 = AddUnit(0, 2);
    ShowStudio(0);
    Click(StatusLabelPoint(1));
    ASSERT_EQ(host.manager.currentNode, ch03);

    StrobeData* ch02 = AddUnit(0, 1);
    view.OnUnitListed(RefOf(ch02));
    EXPECT_EQ(grid().ShownUnits(), 3);
    EXPECT_EQ(grid().CellText(0, CNavigationGrid::TitleRow(1)), "  CH-02  Not define");
    EXPECT_EQ(grid().CurrentGridUnit(), ch03);
    EXPECT_EQ(grid().CurrentUnitPosition(), 2);
    EXPECT_EQ(StatusBack(2), kCurrentNormal);
    EXPECT_EQ(host.manager.currentNode, ch03);
}

TEST_F(NavigationViewTest, ResizingPlacesTheGridInsideTheMargins) {
    view.resize(400, 600);
    view.resize(300, 500);
    EXPECT_EQ(grid().geometry(), QRect(8, 30, 280, 460));
}

TEST_F(NavigationViewTest, IconsFollowTheirFieldsInGreenOrGrey) {
    StrobeData* unit = AddUnit(0, 0);
    unit->nModelMode1 = 1;
    unit->bFlashCharge = 0;
    ShowStudio(0);
    auto shown = [this](CNavigationGrid::Icon icon) {
        int col = 0;
        int row = 0;
        CNavigationGrid::IconCell(icon, 0, col, row);
        return grid().CellBitmap(col, row).toImage();
    };
    auto drawn = [this](CNavigationGrid::Icon icon, int value) {
        return grid().IconPixmap(icon, value).toImage();
    };
    EXPECT_EQ(shown(CNavigationGrid::kIconMode1), drawn(CNavigationGrid::kIconMode1, 1));
    EXPECT_EQ(shown(CNavigationGrid::kIconCharge), drawn(CNavigationGrid::kIconCharge, 0));
    EXPECT_EQ(shown(CNavigationGrid::kIconCell), drawn(CNavigationGrid::kIconCell, 0));

    // Green for 1, grey for any other value; the circle's edge shows the colour.
    const QImage on = drawn(CNavigationGrid::kIconSound, 1);
    EXPECT_EQ(on.pixelColor(3, 10), QColor(102, 204, 0));
    EXPECT_EQ(drawn(CNavigationGrid::kIconSound, 0).pixelColor(3, 10), QColor(97, 97, 97));
    EXPECT_EQ(drawn(CNavigationGrid::kIconSound, 2), drawn(CNavigationGrid::kIconSound, 0));
    EXPECT_EQ(on.pixelColor(0, 0), QColor(Qt::white));
    // Five different symbols.
    for (int a = 0; a < CNavigationGrid::kIconCount; ++a) {
        for (int b = a + 1; b < CNavigationGrid::kIconCount; ++b) {
            EXPECT_NE(drawn(static_cast<CNavigationGrid::Icon>(a), 1),
                      drawn(static_cast<CNavigationGrid::Icon>(b), 1));
        }
    }

    unit->bFlashCharge = 1;
    Field(kFieldFlashCharge, unit);
    EXPECT_EQ(shown(CNavigationGrid::kIconCharge), drawn(CNavigationGrid::kIconCharge, 1));

    // Each icon sits where the block's layout puts it (column, row within the block), and each
    // field code redraws its own icon.
    const struct {
        CNavigationGrid::Icon icon;
        int col;
        int row;
        int code;
        int StrobeData::*field;
    } layout[] = {
        {CNavigationGrid::kIconMode1, 2, 2, kFieldModelMode1, &StrobeData::nModelMode1},
        {CNavigationGrid::kIconMode2, 3, 2, kFieldModelMode2, &StrobeData::nModelMode2},
        {CNavigationGrid::kIconCell, 2, 3, kFieldFlashCell, &StrobeData::bFlashCell},
        {CNavigationGrid::kIconSound, 3, 3, kFieldFlashSound, &StrobeData::bFlashSnd},
        {CNavigationGrid::kIconCharge, 4, 3, kFieldFlashCharge, &StrobeData::bFlashCharge},
    };
    for (const auto& place : layout) {
        for (int value : {1, 0}) {
            unit->*place.field = value;
            Field(place.code, unit);
            EXPECT_EQ(grid().CellBitmap(place.col, place.row).toImage(), drawn(place.icon, value))
                << "icon " << place.icon << " value " << value;
        }
    }
}

TEST_F(NavigationViewTest, AReportFloodRepaintsOnlyTheChangedCells) {
    StrobeData* u0 = AddUnit(0, 0);
    StrobeData* u1 = AddUnit(0, 1);
    ShowStudio(0);
    Settle();
    CPaintSpy spy(grid().viewport());

    u1->bFlashCell = 1;
    Field(kFieldFlashCell, u1);
    Settle();
    int col = 0;
    int row = 0;
    CNavigationGrid::IconCell(CNavigationGrid::kIconCell, 1, col, row);
    EXPECT_EQ(spy.painted, QRegion(grid().CellRect(col, row)));

    // Many posted changes of one unit's charge and flash value: the charge icon and the
    // status cell are all that is painted.
    spy.painted = QRegion();
    for (int i = 0; i < 200; ++i) {
        u0->bFlashCharge = i % 2;
        u0->nFlashValue = 11 + i % 70;
        host.unitControl.UnitRead(RefOf(u0), kFieldFlashCharge);
        host.unitControl.UnitRead(RefOf(u0), kFieldFlashValue);
    }
    Settle();
    CNavigationGrid::IconCell(CNavigationGrid::kIconCharge, 0, col, row);
    const QRegion expected = QRegion(grid().CellRect(col, row)) |
                             QRegion(grid().CellRect(0, CNavigationGrid::StatusRow(0)));
    EXPECT_FALSE(spy.painted.isEmpty());
    EXPECT_EQ(spy.painted | expected, expected);
}

TEST_F(NavigationViewTest, CurrentUnitAndSelectionMessagesUpdateTheRightBlocks) {
    StrobeData* units[] = {AddUnit(0, 0), AddUnit(0, 1), AddUnit(0, 2)};
    ShowStudio(0);
    // lParam 0 means the current unit; a light-name node stands for its unit.
    host.manager.currentNode = &units[1]->lightNode;
    units[1]->nFlashValue = 60;
    Field(kFieldFlashValue, nullptr);
    EXPECT_TRUE(StatusLabel(1).startsWith("Flash : F 6.0"));
    EXPECT_FALSE(StatusLabel(0).startsWith("Flash : F 6.0"));

    for (StrobeData* unit : units) {
        unit->nFlashValue = 33;
    }
    emit host.Control().tickedEdited(kFieldFlashValue);
    Settle();
    for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(StatusLabel(k).startsWith("Flash : F 3.3")) << k;
    }

    // A studio that holds more units than the grid lists yet (one just placed, its notice
    // still on the way): only the listed blocks are touched.
    AddUnit(0, 5);
    emit host.Control().tickedEdited(kFieldFlashValue);
    Settle();
    EXPECT_EQ(grid().ShownUnits(), 3);

    // A full refresh rewrites the title, the status cell and every icon.
    units[2]->sModelName = "Rim";
    units[2]->bFlashSnd = 1;
    units[2]->nModelMode2 = 1;
    units[2]->bFlashPow = 0;
    host.unitControl.UnitReported(RefOf(units[2]));
    Settle();
    EXPECT_EQ(grid().CellText(0, CNavigationGrid::TitleRow(2)), "  CH-03  Rim");
    EXPECT_EQ(StatusLabel(2), "OFF");
    int col = 0;
    int row = 0;
    for (CNavigationGrid::Icon icon : {CNavigationGrid::kIconSound, CNavigationGrid::kIconMode2}) {
        CNavigationGrid::IconCell(icon, 2, col, row);
        EXPECT_EQ(grid().CellBitmap(col, row).toImage(), grid().IconPixmap(icon, 1).toImage());
    }
}

TEST_F(NavigationViewTest, PostedMessagesForUnitsThatAreGoneAreIgnored) {
    StrobeData* unit = AddUnit(0, 0);
    ShowStudio(0);
    host.unitControl.UnitReported(RefOf(unit));
    host.unitControl.UnitRead(RefOf(unit), kFieldFlashPow);
    emit host.Control().unitEdited(RefOf(unit), kFieldFlashPow);
    emit host.Control().tickedEdited(kFieldFlashPow);
    ClearStudio(host.manager, Studio(0));  // destroys the unit before the posts arrive
    Settle();
    EXPECT_TRUE(host.manager.gridUnits.empty());
    // The blocks still on screen belong to no unit: picking one does nothing.
    Click(StatusLabelPoint(0));
    EXPECT_EQ(Picks(), 0);

    // A studio that is not the model's (gone, or never one) is not shown: the grid keeps what
    // it shows, and the panel is reset all the same.
    AddUnit(0, 1);
    ShowStudio(0);
    ASSERT_EQ(grid().ShownUnits(), 1);
    StudioData stranger(0, QStringLiteral("Studio A"));
    host.controlRecorder.Clear();
    view.ShowStudio(&stranger);
    EXPECT_EQ(grid().ShownUnits(), 1);
    EXPECT_EQ(host.controlRecorder.Count(WM_PANEL_RESET), 1);
}

}  // namespace
