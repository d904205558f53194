#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include "navigation/CNavigationFormView.h"
#include "navigation/CNavigationGrid.h"
#include "navigation/CStudioListFormView.h"
#include "navigation/CStudioTreeDelegate.h"
#include "support/CTestFrameHost.h"
#include "support/ViewMessages.h"

namespace {

void Settle() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
    }
}

// True when some pixel of rect in image is close to the colour: text is antialiased, so its
// strokes reach the pen colour only nearly.
bool HasPixel(const QImage& image, const QRect& rect, const QColor& color) {
    constexpr int kTolerance = 48;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - color.red()) <= kTolerance &&
                std::abs(c.green() - color.green()) <= kTolerance &&
                std::abs(c.blue() - color.blue()) <= kTolerance) {
                return true;
            }
        }
    }
    return false;
}

class StudioListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.studioList = &view;
        // The grid's recorder keeps the list's choices in order with what the list sends it.
        QObject::connect(&view, &CStudioListFormView::studioShown, &nav(), [this](StudioData* s) {
            nav().entries.push_back({WM_SHOW_STUDIO, 0, ToLParam(s), {}});
        });
        QObject::connect(
            &view, &CStudioListFormView::nodeShown, &nav(), [this](StrobeData* unit, bool rebuild) {
                nav().entries.push_back({WM_SHOW_NODE, rebuild ? 1 : 0, ToLParam(unit), {}});
            });
        QObject::connect(&view, &CStudioListFormView::unitListed, &nav(),
                         [this](const UnitRef& unit) {
                             nav().entries.push_back({WM_UNIT_ADDED, unit.nSlot, 0, unit});
                         });
        // Queued by the frame, as the messages they replace were posted to it.
        QObject::connect(
            &view, &CStudioListFormView::scanRequested, &host.frame,
            [this] {
                host.frame.entries.push_back({WM_SCAN_STUDIO, 0, 0, {}});
            },
            Qt::QueuedConnection);
        QObject::connect(
            &view, &CStudioListFormView::checkRequested, &host.frame,
            [this] {
                host.frame.entries.push_back({WM_CHECK_UNITS, 0, 0, {}});
            },
            Qt::QueuedConnection);
        view.resize(260, 460);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.OnInitialUpdate();
    }

    StudioData& Studio(int n) { return *host.manager.studios[n]; }
    StrobeData* AddUnit(int studio, int slot) {
        return PlaceUnit(host.manager, studio, slot, std::make_unique<StrobeData>());
    }
    QTreeWidget& tree() { return view.Tree(); }
    QTreeWidgetItem* StudioItem(int n) { return view.StudioItem(n); }
    // The operator clicks the item (its parents opened first).
    void Select(QTreeWidgetItem* item) {
        for (QTreeWidgetItem* p = item->parent(); p != nullptr; p = p->parent()) {
            p->setExpanded(true);
        }
        tree().scrollToItem(item);
        QTest::mouseClick(tree().viewport(), Qt::LeftButton, {},
                          tree().visualItemRect(item).center());
        ASSERT_EQ(tree().currentItem(), item);
    }
    QStringList ChildLabels(QTreeWidgetItem* item) {
        QStringList labels;
        for (int i = 0; i < item->childCount(); ++i) {
            labels << item->child(i)->text(0);
        }
        return labels;
    }
    CMessageRecorder& nav() { return host.navigationRecorder; }
    // The last "Name" tool state sent to the frame, or -1.
    qintptr NameToolState() {
        const auto states = host.frame.Of(WM_SET_TOOL_STATE);
        for (int i = states.size() - 1; i >= 0; --i) {
            if (states[i].wParam == kToolName) {
                return static_cast<qintptr>(states[i].lParam);
            }
        }
        return -1;
    }

    CTestFrameHost host;
    CStudioListFormView view{host};
};

TEST_F(StudioListViewTest, StartsWithTheFiveStudiosAndNothingSelected) {
    ASSERT_EQ(tree().topLevelItemCount(), 5);
    const QImage folder = view.Image(CStudioListFormView::kImageStudio).pixmap(16).toImage();
    for (int i = 0; i < 5; ++i) {
        QTreeWidgetItem* item = tree().topLevelItem(i);
        EXPECT_EQ(item->text(0), QString("Studio %1").arg(QChar('A' + i)));
        EXPECT_EQ(item->childCount(), 0);
        EXPECT_EQ(item->icon(0).pixmap(16).toImage(), folder);
        EXPECT_EQ(Studio(i).nNodeKind, kNodeStudio);
        EXPECT_EQ(view.ItemOf(&Studio(i)), item);
    }
    EXPECT_TRUE(view.NameEdit().text().isEmpty());

    // Giving the tree the keyboard focus chooses nothing.
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    tree().setFocus(Qt::TabFocusReason);
    Settle();
    ASSERT_TRUE(tree().hasFocus());
    EXPECT_EQ(host.manager.currentNode, nullptr);
    EXPECT_TRUE(nav().entries.isEmpty());
}

TEST_F(StudioListViewTest, SelectingAStudioShowsItUnlessTheDongleMustSwitchFirst) {
    host.manager.activeStudio = &Studio(0);
    // Studio B has no units: shown whatever the active studio is.
    Select(StudioItem(1));
    ASSERT_EQ(nav().Count(WM_SHOW_STUDIO), 1);
    EXPECT_EQ(nav().entries.last().lParam, ToLParam(&Studio(1)));
    EXPECT_EQ(view.NameEdit().text(), "Studio B");
    EXPECT_FALSE(view.NameEdit().isEnabled());
    EXPECT_EQ(host.manager.currentNode, &Studio(1));
    EXPECT_EQ(NameToolState(), 0);

    // Studio C has units and the dongle is on studio A: a scan is asked for instead.
    AddUnit(2, 4);
    view.RefillStudio(2);
    nav().Clear();
    Select(StudioItem(2));
    Settle();
    EXPECT_EQ(host.frame.Count(WM_SCAN_STUDIO), 1);
    EXPECT_TRUE(nav().entries.isEmpty());

    // Any unit of studio C, chosen from elsewhere, asks for the scan too.
    Select(StudioItem(3));
    nav().Clear();
    Select(StudioItem(2)->child(0));
    Settle();
    EXPECT_EQ(host.frame.Count(WM_SCAN_STUDIO), 2);
    EXPECT_TRUE(nav().entries.isEmpty());

    // With no active studio the same choice shows studio C.
    host.manager.activeStudio = nullptr;
    Select(StudioItem(3));
    nav().Clear();
    Select(StudioItem(2));
    EXPECT_EQ(nav().Count(WM_SHOW_STUDIO), 1);
    EXPECT_EQ(host.frame.Count(WM_SCAN_STUDIO), 2);
}

TEST_F(StudioListViewTest, ChoosingAUnitOfTheShownStudioSelectsItsRowWithoutRebuilding) {
    StrobeData* unit = AddUnit(1, 3);
    view.RefillStudio(1);
    Select(StudioItem(1));
    nav().Clear();

    Select(StudioItem(1)->child(0));
    ASSERT_EQ(nav().entries.size(), 1);
    EXPECT_EQ(nav().entries[0].message, WM_SHOW_NODE);
    EXPECT_EQ(nav().entries[0].wParam, 0);
    EXPECT_EQ(nav().entries[0].lParam, ToLParam(unit));
    EXPECT_EQ(view.NameEdit().text(), "Not define");
    EXPECT_TRUE(view.NameEdit().isEnabled());
    EXPECT_EQ(host.manager.currentNode, unit);

    // The light name stands for its unit. Selecting the studio again rebuilds nothing; it only
    // tells the grid that no unit is current any more.
    Select(StudioItem(1)->child(0)->child(0));
    EXPECT_EQ(nav().entries.last().message, WM_SHOW_NODE);
    EXPECT_EQ(host.manager.currentNode, &unit->lightNode);
    nav().Clear();
    Select(StudioItem(1));
    ASSERT_EQ(nav().entries.size(), 1);
    EXPECT_EQ(nav().entries[0].message, WM_SHOW_NODE);
    EXPECT_EQ(nav().entries[0].wParam, 0);
    EXPECT_EQ(nav().entries[0].lParam, 0u);

    // A unit of a studio that is not shown rebuilds the grid first.
    StrobeData* other = AddUnit(3, 0);
    view.RefillStudio(3);
    Select(StudioItem(3)->child(0));
    EXPECT_EQ(nav().entries.last().message, WM_SHOW_NODE);
    EXPECT_EQ(nav().entries.last().wParam, 1);
    EXPECT_EQ(nav().entries.last().lParam, ToLParam(other));
    EXPECT_EQ(view.ShownStudioItem(), StudioItem(3));
}

TEST_F(StudioListViewTest, UnitsAndLightNamesAppearSortedUnderTheirStudio) {
    StrobeData* u7 = AddUnit(0, 7);
    StrobeData* u2 = AddUnit(0, 2);
    u7->lightNode.sLightName = "Softbox";
    view.RefillStudio(0);
    QTreeWidgetItem* studio = StudioItem(0);
    EXPECT_EQ(ChildLabels(studio), (QStringList{"CH-03 Not define", "CH-08 Not define"}));
    EXPECT_EQ(ChildLabels(studio->child(0)), QStringList{"Not define"});
    EXPECT_EQ(ChildLabels(studio->child(1)), QStringList{"Softbox"});
    EXPECT_EQ(u2->nNodeKind, kNodeUnit);
    EXPECT_EQ(view.ItemOf(u2), studio->child(0));
    EXPECT_EQ(u7->lightNode.nNodeKind, kNodeLight);
    EXPECT_EQ(view.ItemOf(&u7->lightNode), studio->child(1)->child(0));

    // Refilling twice gives the same items, not twice as many; out-of-range studios are ignored.
    view.RefillStudio(0);
    EXPECT_EQ(studio->childCount(), 2);
    view.RefillStudio(5);
    view.RefillStudio(-1);
    EXPECT_EQ(studio->childCount(), 2);
}

TEST_F(StudioListViewTest, RenameWritesTheNameIntoTheRecordAndItsOwnItem) {
    StrobeData* u0 = AddUnit(0, 0);
    StrobeData* u1 = AddUnit(0, 1);
    view.RefillStudio(0);
    Select(StudioItem(0)->child(0));

    QTest::keyClicks(&view.NameEdit(), "x");
    EXPECT_EQ(NameToolState(), 1);
    view.NameEdit().setText("Key");
    view.Rename();
    EXPECT_EQ(u0->sModelName, "Key");
    EXPECT_EQ(StudioItem(0)->child(0)->text(0), "CH-01 Key");
    EXPECT_EQ(NameToolState(), 0);

    Select(StudioItem(0)->child(0)->child(0));
    view.NameEdit().setText("Strip");
    view.Rename();
    EXPECT_EQ(u0->lightNode.sLightName, "Strip");
    EXPECT_EQ(StudioItem(0)->child(0)->child(0)->text(0), "Strip");

    // The grid picked another unit since: that unit takes the name, on its own item.
    host.manager.currentNode = u1;
    view.NameEdit().setText("Fill");
    view.Rename();
    EXPECT_EQ(u1->sModelName, "Fill");
    EXPECT_EQ(StudioItem(0)->child(1)->text(0), "CH-02 Fill");
    EXPECT_EQ(StudioItem(0)->child(0)->child(0)->text(0), "Strip");

    // With a studio selected nothing is renamed, and Name is disabled again.
    Select(StudioItem(0));
    QTest::keyClicks(&view.NameEdit(), "z");
    view.Rename();
    EXPECT_EQ(StudioItem(0)->text(0), "Studio A");
    EXPECT_EQ(Studio(0).sStudioName, "Studio A");
    EXPECT_EQ(NameToolState(), 0);
}

TEST_F(StudioListViewTest, HotItemIsWhiteOnBlackAndTheSelectedOneGreenOnGrey) {
    Select(StudioItem(1));
    const QRect selected = tree().visualItemRect(StudioItem(1));
    const QRect hot = tree().visualItemRect(StudioItem(3));
    QTest::mouseMove(tree().viewport(), hot.center());
    Settle();
    const QImage image = tree().viewport()->grab().toImage();
    const QPoint ground(hot.right() - 2, hot.center().y());
    EXPECT_EQ(image.pixelColor(ground), QColor(Qt::black));
    EXPECT_TRUE(HasPixel(image, hot, QColor(Qt::white)));
    EXPECT_EQ(image.pixelColor(selected.right() - 2, selected.center().y()),
              CStudioTreeDelegate::SelectedBack());
    EXPECT_TRUE(HasPixel(image, selected, CStudioTreeDelegate::SelectedText()));
    // Other items keep the tree's own colours.
    const QRect plain = tree().visualItemRect(StudioItem(4));
    EXPECT_FALSE(HasPixel(image, plain, CStudioTreeDelegate::SelectedText()));
    EXPECT_NE(image.pixelColor(plain.right() - 2, plain.center().y()), QColor(Qt::black));

    // Over the selected item nothing turns black.
    QTest::mouseMove(tree().viewport(), selected.center());
    Settle();
    const QImage again = tree().viewport()->grab().toImage();
    EXPECT_EQ(again.pixelColor(selected.right() - 2, selected.center().y()),
              CStudioTreeDelegate::SelectedBack());
    EXPECT_NE(again.pixelColor(ground), QColor(Qt::black));
}

TEST_F(StudioListViewTest, ResizingPlacesTreeAndEdit) {
    view.resize(200, 400);
    EXPECT_EQ(tree().geometry(), QRect(8, 30, 180, 330));
    EXPECT_EQ(view.NameEdit().geometry().topLeft(), QPoint(8, 370));
    EXPECT_EQ(view.NameEdit().width(), 180);
}

TEST_F(StudioListViewTest, AddedUnitIsInsertedOnceAndPassedToTheGrid) {
    // Before any studio was chosen: no items, but the grid still hears of it.
    StrobeData* early = AddUnit(0, 5);
    host.unitControl.UnitPlaced(RefOf(early));
    Settle();
    EXPECT_EQ(StudioItem(0)->childCount(), 0);
    ASSERT_EQ(nav().Count(WM_UNIT_ADDED), 1);

    Select(StudioItem(0));
    StrobeData* unit = AddUnit(0, 1);
    host.unitControl.UnitPlaced(RefOf(unit));
    host.unitControl.UnitPlaced(RefOf(unit));  // a repeat adds no second item
    Settle();
    EXPECT_EQ(ChildLabels(StudioItem(0)), QStringList{"CH-02 Not define"});
    const auto passed = nav().Of(WM_UNIT_ADDED);
    ASSERT_EQ(passed.size(), 3);
    EXPECT_EQ(passed[1].wParam, 1);
    EXPECT_EQ(passed[1].unit, RefOf(unit));

    // A unit destroyed before its message arrives adds nothing.
    StrobeData* gone = AddUnit(0, 8);
    host.unitControl.UnitPlaced(RefOf(gone));
    AddUnit(0, 8);  // replaces (destroys) it
    Settle();
    EXPECT_EQ(StudioItem(0)->childCount(), 1);
}

TEST_F(StudioListViewTest, ClearedStudioIsRefilledWithoutTouchingDestroyedUnits) {
    AddUnit(0, 0);
    AddUnit(0, 3);
    view.RefillStudio(0);
    Select(StudioItem(0)->child(1)->child(0));  // a light name of a unit about to go
    ClearStudio(host.manager, Studio(0));
    StrobeData* fresh = AddUnit(0, 6);
    nav().Clear();

    view.OnStudioCleared(&Studio(0));
    EXPECT_EQ(ChildLabels(StudioItem(0)), QStringList{"CH-07 Not define"});
    EXPECT_EQ(tree().selectedItems(), QList<QTreeWidgetItem*>{StudioItem(0)});
    EXPECT_EQ(host.manager.currentNode, &Studio(0));
    ASSERT_EQ(nav().Count(WM_SHOW_STUDIO), 1);
    EXPECT_EQ(nav().Of(WM_SHOW_STUDIO)[0].lParam, ToLParam(&Studio(0)));
    EXPECT_EQ(view.ItemOf(fresh), StudioItem(0)->child(0));
}

TEST_F(StudioListViewTest, AppliedMemoryRelabelsTheCurrentStudio) {
    StrobeData* unit = AddUnit(1, 2);
    view.RefillStudio(1);
    Select(StudioItem(1));
    unit->sModelName = "Hair";
    nav().Clear();
    emit host.Control().memoryApplied(&Studio(1));
    EXPECT_EQ(ChildLabels(StudioItem(1)), QStringList{"CH-03 Hair"});
    ASSERT_EQ(nav().Count(WM_SHOW_STUDIO), 1);
    EXPECT_EQ(nav().entries.last().lParam, ToLParam(&Studio(1)));
}

// Both panes real: the tree drives the grid.
TEST(StudioListAndGridTest, ChoosingAUnitInTheTreeMakesItCurrentInTheGrid) {
    CTestFrameHost host;
    CStudioListFormView list(host);
    CNavigationFormView navigation(host);
    host.studioList = &list;
    host.navigation = &navigation;
    // As the main frame wires them: the list's choice reaches the grid.
    QObject::connect(&list, &CStudioListFormView::studioShown, &navigation,
                     &CNavigationFormView::ShowStudio);
    QObject::connect(&list, &CStudioListFormView::nodeShown, &navigation,
                     &CNavigationFormView::ShowNode);
    QSignalSpy picks(&navigation.Grid(), &CNavigationGrid::unitPicked);
    list.show();
    navigation.resize(300, 500);
    navigation.show();
    list.OnInitialUpdate();
    navigation.OnInitialUpdate();
    PlaceUnit(host.manager, 2, 1, std::make_unique<StrobeData>());
    StrobeData* unit = PlaceUnit(host.manager, 2, 6, std::make_unique<StrobeData>());
    list.RefillStudio(2);

    list.Tree().setCurrentItem(list.StudioItem(2)->child(1));
    EXPECT_EQ(navigation.Grid().ShownUnits(), 2);
    EXPECT_EQ(navigation.Grid().CurrentGridUnit(), unit);
    EXPECT_EQ(host.manager.currentNode, unit);
    EXPECT_EQ(picks.count(), 1);
}

}  // namespace
