#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTreeWidget>

#include "link/AppMessages.h"
#include "navigation/CNavigationFormView.h"
#include "navigation/CNavigationGrid.h"
#include "navigation/CStudioListFormView.h"
#include "support/CTestFrameHost.h"

namespace {

struct UnitSetup {
    int slot;
    const char* name;
    const char* light;
    int flash;
    int model;
    int power;
    int temperature;
    int mode1;
    int cell;
    int sound;
    int selected;
};

// A populated studio in both panes, grabbed from the screen. With TARNEL_WRITE_DOCS=dir set,
// the pictures are written there as navigation-grid.png and studio-list.png.
TEST(ScreensTest, PopulatedGridAndTreeDrawTheirColours) {
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
    list.resize(220, 420);
    navigation.resize(300, 420);
    list.show();
    navigation.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&navigation));
    list.OnInitialUpdate();
    navigation.OnInitialUpdate();

    // slot, name, light, flash, model, power, temperature, mode 1, cell, sound, ticked
    const UnitSetup units[] = {
        {0, "Key", "Softbox", 58, 45, 1, 30, 1, 1, 0, 1},
        {2, "Fill", "Umbrella", 32, 32, 1, 20, 0, 0, 1, 1},
        {4, "Rim", "Strip", 71, 0, 0, 25, 0, 0, 0, 0},
        {7, "Hair", "Snoot", 45, 30, 1, 64, 1, 1, 1, 0},
    };
    for (const UnitSetup& u : units) {
        StrobeData* unit = PlaceUnit(host.manager, 0, u.slot, std::make_unique<StrobeData>());
        unit->sModelName = u.name;
        unit->lightNode.sLightName = u.light;
        unit->nFlashValue = u.flash;
        unit->nModelValue = u.model;
        unit->bModelPow = u.model > 0 ? 1 : 0;
        unit->bFlashPow = u.power;
        unit->nTemperature = u.temperature;
        unit->nModelMode1 = u.mode1;
        unit->bFlashCell = u.cell;
        unit->bFlashSnd = u.sound;
        unit->bSelected = u.selected;
    }
    list.RefillStudio(0);
    list.Tree().expandAll();
    list.Tree().setCurrentItem(list.StudioItem(0)->child(1));
    QTest::mouseMove(list.Tree().viewport(),
                     list.Tree().visualItemRect(list.StudioItem(0)->child(3)).center());
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
    }

    const QImage grid = navigation.grab().toImage();
    const QImage tree = list.grab().toImage();
    // The heading's blue and the current unit's blue are on screen.
    const CNavigationGrid& g = navigation.Grid();
    const QRect heading = g.CellRect(0, -1);
    const QPoint headingPoint =
        g.viewport()->mapTo(&navigation, QPoint(heading.right() - 4, heading.top() + 3));
    EXPECT_EQ(grid.pixelColor(headingPoint), QColor(157, 206, 255));
    const QRect current = g.CellRect(0, CNavigationGrid::StatusRow(1));
    const QPoint currentPoint =
        g.viewport()->mapTo(&navigation, current.topRight() + QPoint(-4, 3));
    EXPECT_EQ(grid.pixelColor(currentPoint), QColor(91, 138, 215));

    const QString dir = qEnvironmentVariable("TARNEL_WRITE_DOCS");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        EXPECT_TRUE(grid.save(QDir(dir).filePath("navigation-grid.png")));
        EXPECT_TRUE(tree.save(QDir(dir).filePath("studio-list.png")));
    }
}

}  // namespace
