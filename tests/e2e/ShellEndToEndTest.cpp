// The whole program against the real simulator: the main frame with its views, the Com
// dialog, the serial link and a channel scan, with strobe-sim as a child process.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include "CPublishedSimTest.h"
#include "link/AppMessages.h"
#include "model/PowerValue.h"
#include "model/StudioManager.h"
#include "navigation/CNavigationFormView.h"
#include "navigation/CNavigationGrid.h"
#include "navigation/CStudioListFormView.h"
#include "shell/CMainFrame.h"
#include "shell/CWaitingDlg.h"
#include "support/CMessageRecorder.h"
#include "support/CSimProcess.h"
#include "support/WhenModal.h"

using namespace std::chrono_literals;

namespace {

std::vector<int> UnitsOf(const StudioData& studio) {
    std::vector<int> units;
    for (int i = 0; i < kSlotCount; ++i) {
        if (studio.UnitAt(i)) {
            units.push_back(i);
        }
    }
    return units;
}

}  // namespace

// The program with a folder of its own, strobe-sim with studio A's units 0, 1, 2 and 4 and
// studio B's 0 and 1, publishing its port where the Com dialog looks for it.
class ShellEndToEndTest : public CPublishedSimTest {
protected:
    void SetUp() override { StartSim({"--units", "A:0,1,2,4;B:0,1", "--seed", "3"}); }

    // Shown and connected through the Com dialog; no message box is expected on the way.
    static void ShowConnected(CMainFrame& frame) {
        frame.SetMessageBoxHandler([](const QString& text, const QString&, bool) {
            ADD_FAILURE() << "unexpected message box: " << text.toStdString();
            return true;
        });
        frame.show();
        Connect(frame);
    }
};

TEST_F(ShellEndToEndTest, ConnectThroughTheDialogAndScanStudioA) {
    {
        CMainFrame frame(Folder());
        ShowConnected(frame);

        // The operator selects Studio A in the studio list, then scans it (six real seconds).
        auto* tree = qobject_cast<QWidget*>(frame.StudioListPane())->findChild<QTreeWidget*>();
        if (tree && tree->topLevelItemCount() > 0) {
            tree->setCurrentItem(tree->topLevelItem(0));
        }
        if (!frame.Manager().currentNode) {
            frame.Manager().currentNode = frame.Manager().StudioAt(0);
        }
        ASSERT_EQ(CurrentStudio(frame.Manager()), frame.Manager().StudioAt(0));
        frame.OnScan();

        const StudioManager& m = frame.Manager();
        EXPECT_EQ(m.activeStudio, m.StudioAt(0));
        EXPECT_EQ(UnitsOf(*m.StudioAt(0)), (std::vector<int>{0, 1, 2, 4}));
        EXPECT_EQ(m.StudioAt(0)->nChItemCnt, 4);
        EXPECT_TRUE(UnitsOf(*m.StudioAt(1)).empty()) << "group B heard nothing";
        // The simulated units and the program's records agree.
        const auto dump = sim.Dump();
        ASSERT_TRUE(dump.contains("A4"));
        EXPECT_EQ(dump["A4"].value("flash"), m.StudioAt(0)->UnitAt(4)->nFlashValue);
        EXPECT_EQ(dump["A4"].value("model"), m.StudioAt(0)->UnitAt(4)->nModelValue);
    }
}

// After a scan, at the units: unit 4 is gone, unit 6 has come, and unit 2's flash was turned
// while the program looked at another studio. The roll call, asked for from studio A's menu in
// the studio list, marks unit 4 as not answering, brings unit 2 up to date, adds unit 6, and
// the status bar says so.
TEST_F(ShellEndToEndTest, RollCallMarksTheRemovedUnitAndUpdatesTheChangedOne) {
    {
        CMainFrame frame(Folder());
        ShowConnected(frame);
        auto& list = *dynamic_cast<CStudioListFormView*>(frame.StudioListPane());
        CNavigationGrid& grid = dynamic_cast<CNavigationFormView*>(frame.NavigationPane())->Grid();
        QTreeWidget& tree = list.Tree();
        // Through the window, as a pointer clicks: a right click then asks for the item's menu.
        const auto click = [&](QTreeWidgetItem* item, Qt::MouseButton button) {
            frame.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
            QTest::mouseClick(frame.windowHandle(), button, {},
                              tree.viewport()->mapTo(&frame, tree.visualItemRect(item).center()));
        };
        click(list.StudioItem(0), Qt::LeftButton);
        QTest::keyClick(&tree, Qt::Key_F5);
        StudioData& a = *frame.Manager().StudioAt(0);
        ASSERT_EQ(UnitsOf(a), (std::vector<int>{0, 1, 2, 4}));

        click(list.StudioItem(1), Qt::LeftButton);
        ASSERT_EQ(CurrentStudio(frame.Manager()), frame.Manager().StudioAt(1));
        const int oldFlash = a.UnitAt(2)->nFlashValue;
        const int newFlash = oldFlash == 50 ? 60 : 50;
        ASSERT_EQ(sim.Command(QStringLiteral("remove A 4")), "ok");
        ASSERT_EQ(sim.Command(QStringLiteral("add A 6")), "ok");
        ASSERT_EQ(sim.Command(QStringLiteral("report A 2 flash %1").arg(newFlash)), "ok");
        // Reports go to the studio shown: a status of unit 0 places one in studio B, and once
        // it is there, the flash report before it has been read too.
        ASSERT_EQ(sim.Command(QStringLiteral("status A 0")), "ok");
        ASSERT_TRUE(WaitUntil([&] { return frame.Manager().StudioAt(1)->UnitAt(0) != nullptr; }));
        ASSERT_EQ(a.UnitAt(2)->nFlashValue, oldFlash) << "studio B has no unit 2 to take it";

        WhenMenu(&frame, QStringLiteral("checkUnits"));
        click(list.StudioItem(0), Qt::RightButton);
        ASSERT_TRUE(WaitUntil(
            [&] { return frame.StatusPane(0)->text().startsWith(QStringLiteral("Studio A:")); },
            20s));
        EXPECT_EQ(frame.StatusPane(0)->text(),
                  QStringLiteral("Studio A: 3 of 4 units answered; CH-05 did not; CH-07 added; "
                                 "CH-03 flash %1 -> %2")
                      .arg(FormatPower(oldFlash), FormatPower(newFlash)));
        EXPECT_EQ(UnitsOf(a), (std::vector<int>{0, 1, 2, 4, 6}));
        EXPECT_EQ(a.UnitAt(4)->bNoAnswer, 1);
        EXPECT_EQ(a.UnitAt(2)->bNoAnswer, 0);
        EXPECT_EQ(a.UnitAt(2)->nFlashValue, newFlash);
        EXPECT_EQ(frame.Manager().activeStudio, &a);
        EXPECT_EQ(CurrentStudio(frame.Manager()), &a);
        EXPECT_EQ(grid.CellLabel(0, CNavigationGrid::StatusRow(3)), "No answer");
    }
}
