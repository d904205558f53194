// An operator's session with the panels, end to end: the real main frame and views, the real
// serial link, and strobe-sim as a child process standing in for the dongle and the units.
// After each step the simulated units must hold what the program shows.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include "CPublishedSimTest.h"
#include "model/PowerValue.h"
#include "model/StudioManager.h"
#include "navigation/CNavigationFormView.h"
#include "navigation/CNavigationGrid.h"
#include "panels/CControlFormView.h"
#include "panels/CControlSelFormView.h"
#include "panels/CPowerControlSet.h"
#include "shell/CMainFrame.h"
#include "support/CMessageRecorder.h"
#include "support/CSimProcess.h"
#include "support/ViewMessages.h"
#include "support/WhenModal.h"
#include "widgets/CFlatSpinButtonCtrl.h"
#include "widgets/CUserStatic.h"

using namespace std::chrono_literals;

namespace {

// Generous: waiting ends as soon as the condition holds.
constexpr auto kReplyWait = 10s;

void ClickSpin(CFlatSpinButtonCtrl* spin, bool up, int times) {
    for (int i = 0; i < times; ++i) {
        const int y = up ? spin->height() / 4 : spin->height() * 3 / 4;
        QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(spin->width() / 2, y));
    }
}

class PanelsWalkthrough : public CPublishedSimTest {
protected:
    void SetUp() override { StartSim({"--units", "A:0,3,7", "--seed", "11"}); }

    // Every unit of studio A in the simulator holds the program's record of it.
    ::testing::AssertionResult SimAgrees(const StudioData& studio) {
        QString mismatch;
        const bool same = WaitUntil(
            [&] {
                const auto dump = sim.Dump();
                mismatch.clear();
                for (int i = 0; i < kSlotCount; ++i) {
                    const StrobeData* u = studio.UnitAt(i);
                    if (u == nullptr) {
                        continue;
                    }
                    const auto s = dump.value(QStringLiteral("A%1").arg(i));
                    if (s.value("flashpow") != u->bFlashPow || s.value("flash") != u->nFlashValue ||
                        s.value("model") != u->nModelValue || s.value("cell") != u->bFlashCell ||
                        s.value("sound") != u->bFlashSnd || s.value("mode1") != u->nModelMode1 ||
                        s.value("mode2") != u->nModelMode2 || s.value("modelpow") != u->bModelPow) {
                        mismatch += QStringLiteral(
                                        " A%1: sim flash %2 model %3 modelpow %4, "
                                        "program flash %5 model %6 modelpow %7;")
                                        .arg(i)
                                        .arg(s.value("flash"))
                                        .arg(s.value("model"))
                                        .arg(s.value("modelpow"))
                                        .arg(u->nFlashValue)
                                        .arg(u->nModelValue)
                                        .arg(u->bModelPow);
                    }
                }
                return mismatch.isEmpty();
            },
            kReplyWait);
        if (same) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << qPrintable(mismatch);
    }
};

TEST_F(PanelsWalkthrough, SetUnitsSaveAMemoryChangeAUnitAndApplyTheMemory) {
    CMainFrame frame(Folder());
    QStringList asked;
    frame.SetMessageBoxHandler([&asked](const QString& text, const QString&, bool withCancel) {
        if (!withCancel) {
            ADD_FAILURE() << "unexpected message: " << text.toStdString();
        }
        asked << text;
        return true;
    });
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    auto* panel = dynamic_cast<CControlFormView*>(frame.ControlPane());
    auto* navigation = dynamic_cast<CNavigationFormView*>(frame.NavigationPane());
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(navigation, nullptr);
    const CPowerControlSet& single = panel->Controls();
    StudioManager& manager = frame.Manager();
    StudioData& studioA = *manager.StudioAt(0);

    // Connect: choose the simulator's port in the Com dialog.
    Connect(frame);
    if (HasFatalFailure()) {
        return;
    }

    // Scan studio A, selected in the studio list (six real seconds).
    auto* tree = qobject_cast<QWidget*>(frame.StudioListPane())->findChild<QTreeWidget*>();
    ASSERT_NE(tree, nullptr);
    tree->setCurrentItem(tree->topLevelItem(0));
    ASSERT_EQ(CurrentStudio(manager), &studioA);
    frame.OnScan();
    ASSERT_EQ(studioA.nChItemCnt, 3);
    ASSERT_TRUE(WaitUntil([&] { return navigation->Grid().ShownUnits() == 3; }, kReplyWait));
    EXPECT_TRUE(SimAgrees(studioA));

    // Pick the second block (unit 3) in the grid: the panel shows it.
    CNavigationGrid& grid = navigation->Grid();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                      grid.CellRect(0, CNavigationGrid::StatusRow(1)).center());
    StrobeData* picked = studioA.UnitAt(3);
    ASSERT_EQ(CurrentUnit(manager), picked);
    EXPECT_EQ(single.flashLabel->text(), FormatPower(picked->nFlashValue));

    // Its flash power, three steps down (or up, from the bottom).
    const int before = picked->nFlashValue;
    const bool up = before < 50;
    ClickSpin(single.flashSpin, up, 3);
    EXPECT_EQ(picked->nFlashValue, before + (up ? 3 : -3));
    EXPECT_EQ(single.flashLabel->text(), FormatPower(picked->nFlashValue));
    EXPECT_TRUE(SimAgrees(studioA));

    // Tick units 0 and 7, and raise them by 0.5 in the selected-units panel.
    for (int k : {0, 2}) {
        const QRect cell = grid.CellRect(0, CNavigationGrid::StatusRow(k));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                          QPoint(cell.left() + 8, cell.center().y()));
    }
    ASSERT_EQ(studioA.UnitAt(0)->bSelected, 1);
    ASSERT_EQ(studioA.UnitAt(7)->bSelected, 1);
    ASSERT_EQ(picked->bSelected, 0);
    auto* combo = panel->findChild<QComboBox*>("modeCombo");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    ASSERT_TRUE(panel->SelectionPanel()->isVisible());
    const int flash0 = studioA.UnitAt(0)->nFlashValue;
    const int flash7 = studioA.UnitAt(7)->nFlashValue;
    const int flash3 = picked->nFlashValue;
    ClickSpin(panel->SelectionPanel()->Controls().flashSpin, true, 5);
    EXPECT_EQ(panel->SelectionPanel()->Controls().flashLabel->text(), "0.5");
    EXPECT_EQ(studioA.UnitAt(0)->nFlashValue, ClampPower(flash0 + 5));
    EXPECT_EQ(studioA.UnitAt(7)->nFlashValue, ClampPower(flash7 + 5));
    EXPECT_EQ(picked->nFlashValue, flash3);
    EXPECT_TRUE(SimAgrees(studioA));

    // Save the studio as a Business Memory from the toolbar.
    QTest::keyClicks(panel->findChild<QLineEdit*>("nameEdit"), QStringLiteral("walk"));
    EXPECT_EQ(frame.ToolFlag(kToolSave), 1);
    frame.OnSave();
    EXPECT_TRUE(asked.contains("Do you want to save current setting?"));
    ASSERT_TRUE(QFile::exists(QDir(Folder()).filePath(QStringLiteral("Business Memory/walk.xml"))));
    const int savedFlash0 = studioA.UnitAt(0)->nFlashValue;
    const int savedFlash3 = picked->nFlashValue;

    // Back to the single unit: switch its model lamp off.
    QTest::keyClick(combo, Qt::Key_Up);
    ASSERT_FALSE(panel->SelectionPanel()->isVisible());
    // Ticking made the last ticked block current; pick unit 3 again.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                      grid.CellRect(0, CNavigationGrid::StatusRow(1)).center());
    ASSERT_EQ(CurrentUnit(manager), picked);
    QTest::mouseClick(single.offCheck, Qt::LeftButton);
    ClickSpin(single.flashSpin, !up, 2);
    EXPECT_EQ(picked->bModelPow, 0);
    EXPECT_EQ(single.modelLabel->text(), "OFF");
    EXPECT_EQ(single.flashLabel->text(), FormatPower(picked->nFlashValue));
    EXPECT_TRUE(SimAgrees(studioA));

    // Preview the memory and open it: every unit goes back to what was saved.
    auto* files = panel->findChild<QTreeWidget*>("fileList");
    const auto items = files->findItems(QStringLiteral("walk"), Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                      files->visualItemRect(items[0]).center());
    EXPECT_EQ(frame.ToolFlag(kToolLoad), 1);
    frame.OnLoad();
    EXPECT_TRUE(asked.contains("Current settig is deleted. Do you want to open file?"));
    EXPECT_EQ(studioA.UnitAt(0)->nFlashValue, savedFlash0);
    EXPECT_EQ(picked->nFlashValue, savedFlash3);
    EXPECT_EQ(picked->bModelPow, 1);
    EXPECT_TRUE(SimAgrees(studioA));
}

}  // namespace
