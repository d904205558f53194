#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include "ShellTestSupport.h"
#include "control/CUnitControl.h"
#include "link/CCommThread.h"
#include "model/StudioManager.h"
#include "navigation/CNavigationFormView.h"
#include "navigation/CNavigationGrid.h"
#include "navigation/CStudioListFormView.h"
#include "shell/CHelpWindow.h"
#include "shell/CStrobeSplitterWnd.h"
#include "shell/ToolImages.h"
#include "support/CMessageRecorder.h"
#include "support/ViewMessages.h"

using namespace std::chrono_literals;

TEST_F(CShellTest, StartsDisconnectedWithLoadAndSaveDisabled) {
    CMainFrame& f = MakeFrame();
    EXPECT_EQ(f.windowTitle(), "Tarnel Remote Control");
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(f.menuWidget(), nullptr);

    const bool enabled[] = {false, false, true, true, true};  // Load Save Scan Name Com
    const char* labels[] = {"Load", "Save", "Scan", "Name", "Com"};
    for (int i = 0; i < CMainFrame::kToolCount; ++i) {
        QAction* action = f.ToolAction(i);
        EXPECT_EQ(action->isEnabled(), enabled[i]) << labels[i];
        EXPECT_EQ(action->text(), labels[i]);
        // The tooltip names the command and its key.
        EXPECT_TRUE(action->toolTip().startsWith(labels[i])) << action->toolTip().toStdString();
        EXPECT_FALSE(action->shortcut().isEmpty()) << labels[i];
        EXPECT_TRUE(
            action->toolTip().contains(action->shortcut().toString(QKeySequence::NativeText)));
        QWidget* button = f.ToolBar()->widgetForAction(action);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->accessibleName(), labels[i]);
    }
    EXPECT_EQ(f.StatusPane(0)->text(), " ");
    EXPECT_EQ(f.StatusPane(0)->width(), 500);
    EXPECT_EQ(f.StatusPane(1)->text(), "Zigbee disconnected");
    EXPECT_EQ(f.StatusPane(1)->width(), 150);
    EXPECT_FALSE(f.IsConnected());
    EXPECT_FALSE(f.Link().IsOpen());

    // No Option.xml: the defaults.
    EXPECT_EQ(f.Settings().sComPort, "COM2");
    EXPECT_EQ(f.Settings().nBaud, 9600);
    EXPECT_EQ(f.Settings().nDataBits, 8);
    EXPECT_EQ(f.Settings().nParity, 0);
    EXPECT_EQ(f.Settings().nStopBits, 0);
}

TEST_F(CShellTest, ToolStateEnablesExactlyOnFlagOne) {
    CMainFrame& f = MakeFrame();
    f.SetToolFlag(kToolSave, 1);
    EXPECT_TRUE(f.ToolAction(kToolSave)->isEnabled());

    // An index outside 0..4 changes nothing.
    f.SetToolFlag(7, 1);
    f.SetToolFlag(-1, 0);
    const bool expected[] = {false, true, true, true, true};
    for (int i = 0; i < CMainFrame::kToolCount; ++i) {
        EXPECT_EQ(f.ToolAction(i)->isEnabled(), expected[i]) << i;
    }

    // A flag must be exactly 1.
    f.SetToolFlag(kToolScan, 2);
    EXPECT_FALSE(f.ToolAction(kToolScan)->isEnabled());
    EXPECT_EQ(f.ToolFlag(kToolScan), 2);
    f.SetToolFlag(kToolScan, 1);
    EXPECT_TRUE(f.ToolAction(kToolScan)->isEnabled());

    // A disabled command's key does nothing; an enabled one reaches the studio list.
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    // The chosen unit takes the name typed in the studio list when Name reaches the list.
    StrobeData* unit = PlaceUnit(f.Manager(), 0, 0, std::make_unique<StrobeData>());
    f.Manager().currentNode = unit;
    dynamic_cast<CStudioListFormView*>(f.StudioListPane())->NameEdit().setText("Key");
    f.SetToolFlag(kToolName, 0);
    QTest::keyClick(&f, Qt::Key_F2);
    EXPECT_EQ(unit->sModelName, kNotDefine);
    f.SetToolFlag(kToolName, 1);
    f.ToolAction(kToolName)->trigger();
    EXPECT_EQ(unit->sModelName, "Key");
}

TEST_F(CShellTest, NeverSmallerThanItsStartSizeAndPanesKeepTheirColumns) {
    CMainFrame& f = MakeFrame();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    EXPECT_EQ(f.size(), QSize(800, 500));
    const QPoint topLeft = f.pos();

    f.resize(600, 400);
    PumpEvents(20ms);
    EXPECT_EQ(f.size(), QSize(800, 500));
    EXPECT_EQ(f.pos(), topLeft);

    f.resize(1000, 700);
    PumpEvents(20ms);
    EXPECT_EQ(f.size(), QSize(1000, 700));
    // The left columns keep their widths; the right-hand ones take the new room.
    const QList<int> outer = f.OuterSplitter()->sizes();
    const QList<int> inner = f.InnerSplitter()->sizes();
    ASSERT_EQ(outer.size(), 2);
    ASSERT_EQ(inner.size(), 2);
    EXPECT_NEAR(outer[0], 525, 8);
    EXPECT_NEAR(inner[0], 200, 8);
    EXPECT_GT(outer[1], 275);

    // Columns never get narrower than 100 when a bar is dragged all the way.
    f.OuterSplitter()->setSizes({2000, 0});
    f.InnerSplitter()->setSizes({0, 2000});
    PumpEvents(20ms);
    EXPECT_GE(f.OuterSplitter()->sizes()[1], 100);
    EXPECT_GE(f.InnerSplitter()->sizes()[0], 100);
}

TEST_F(CShellTest, ToolImagesHaveOwnDisabledLook) {
    // The five commands and Help.
    constexpr int kImages = kToolHelpImage + 1;
    for (int i = 0; i < kImages; ++i) {
        const QImage normal = DrawToolImage(i);
        EXPECT_EQ(normal.size(), QSize(30, 30));
        EXPECT_NE(normal, DisabledToolImage(normal)) << i;
        EXPECT_NE(normal, DrawToolImage((i + 1) % kImages)) << i;
    }
}

// The help window is made on the first F1 and tells the keys, the icons and where the files
// are; its About box the version, the licence and the folder.
TEST_F(CShellTest, HelpAndAboutTellWhatANewcomerLooksFor) {
    CMainFrame& f = MakeFrame();
    EXPECT_EQ(f.HelpWindow(), nullptr) << "nothing made at start-up";
    f.HelpAction()->trigger();
    ASSERT_NE(f.HelpWindow(), nullptr);
    EXPECT_TRUE(f.HelpWindow()->isVisible());
    EXPECT_FALSE(f.HelpWindow()->isModal());
    const QString help = f.HelpWindow()->Text()->toPlainText();
    for (const QString& part :
         {QStringLiteral("Ctrl with + / -"), QStringLiteral("Ctrl+Q"), QStringLiteral("Photo cell"),
          QStringLiteral("Option.xml"), QStringLiteral("Business Memory"),
          QStringLiteral("--trace FILE"), QDir::toNativeSeparators(Folder())}) {
        EXPECT_TRUE(help.contains(part)) << part.toStdString();
    }
    QString about;
    WhenModal<QMessageBox>(f.HelpWindow(), [&about](QMessageBox* box) {
        about = box->text();
        box->accept();
    });
    QTest::mouseClick(f.HelpWindow()->findChild<QPushButton*>("about"), Qt::LeftButton);
    EXPECT_TRUE(about.contains(QCoreApplication::applicationVersion()));
    EXPECT_TRUE(about.contains("Proprietary licence"));
    EXPECT_TRUE(about.contains(QDir::toNativeSeparators(Folder()))) << about.toStdString();
    // Asked for again, the same window comes back.
    CHelpWindow* first = f.HelpWindow();
    first->close();
    f.OnHelp();
    EXPECT_EQ(f.HelpWindow(), first);
    EXPECT_TRUE(first->isVisible());
}

// What the report handler tells the unit core reaches the views that show the unit before the
// handler's call returns, a changed field and a full status alike (the receive notice that read
// the report is the one trip through the event queue); a new unit after one trip.
TEST_F(CShellTest, ReportsReachTheViewsThatShowTheUnit) {
    CMainFrame& f = MakeFrame();
    StudioManager& m = f.Manager();
    StudioData* studio = m.StudioAt(0);
    StrobeData* unit2 = PlaceUnit(m, 0, 2, std::make_unique<StrobeData>());
    StrobeData* unit5 = PlaceUnit(m, 0, 5, std::make_unique<StrobeData>());
    m.currentNode = studio;
    auto& navigation = *dynamic_cast<CNavigationFormView*>(f.NavigationPane());
    navigation.ShowStudio(studio);
    QSignalSpy listed(&f.StudioList(), &CStudioListFormView::unitListed);
    const auto gridFlash = [&](int block) {
        return navigation.Grid().CellLabel(0, CNavigationGrid::StatusRow(block)).left(13);
    };
    auto* panelFlash = f.ControlPane()->findChild<QLabel*>(QStringLiteral("flashLabel"));
    ASSERT_NE(panelFlash, nullptr);

    // A new unit: the studio list hears of it queued, and tells the grid.
    f.Control().UnitPlaced(RefOf(unit2));
    EXPECT_EQ(listed.count(), 0);
    ASSERT_TRUE(WaitUntil([&] { return listed.count() == 1; }));
    EXPECT_EQ(listed.last()[0].value<UnitRef>(), RefOf(unit2));

    // A change of a unit that is not the current one reaches the grid only, before the
    // handler's call returns; one of the current unit the panel too.
    m.currentNode = unit5;
    dynamic_cast<CControlFormView*>(f.ControlPane())->OnUnitPicked();
    unit2->nFlashValue = 60;
    f.Control().UnitChanged(RefOf(unit2), kFieldFlashValue);
    EXPECT_EQ(gridFlash(0), "Flash : F 6.0");
    EXPECT_EQ(panelFlash->text(), "0.0");
    unit5->nFlashValue = 70;
    f.Control().UnitChanged(RefOf(unit5), kFieldFlashValue);
    EXPECT_EQ(gridFlash(1), "Flash : F 7.0");
    EXPECT_EQ(panelFlash->text(), "7.0");

    // A full status while the current node is the unit's light-name line: the panel too; one
    // of another unit leaves the panel alone.
    m.currentNode = &unit2->lightNode;
    unit2->nFlashValue = 65;
    f.Control().UnitReported(RefOf(unit2));
    EXPECT_EQ(gridFlash(0), "Flash : F 6.5");
    EXPECT_EQ(panelFlash->text(), "6.5");
    unit5->nFlashValue = 75;
    f.Control().UnitReported(RefOf(unit5));
    EXPECT_EQ(gridFlash(1), "Flash : F 7.5");
    EXPECT_EQ(panelFlash->text(), "6.5");
}

TEST_F(CShellTest, NoticesAboutUnitsDestroyedMeanwhileAreDropped) {
    CMainFrame& f = MakeFrame();
    StudioManager& m = f.Manager();
    StrobeData* unit = PlaceUnit(m, 1, 4, std::make_unique<StrobeData>());
    m.currentNode = unit;
    QSignalSpy listed(&f.StudioList(), &CStudioListFormView::unitListed);
    auto* panelFlash = f.ControlPane()->findChild<QLabel*>(QStringLiteral("flashLabel"));
    ASSERT_NE(panelFlash, nullptr);
    const QString shown = panelFlash->text();

    // Queued while the unit lived, delivered after the studio was cleared: nobody acts.
    f.Control().UnitPlaced(RefOf(unit));
    f.Control().UnitReported(RefOf(unit));
    f.Control().UnitRead(RefOf(unit), kFieldTemperature);
    ClearStudio(m, *m.StudioAt(1));
    PumpEvents(50ms);
    EXPECT_EQ(listed.count(), 0);
    EXPECT_EQ(panelFlash->text(), shown);
}

TEST_F(CShellTest, AlertsFromOtherThreadsBecomeMessageBoxes) {
    CMainFrame& f = MakeFrame();
    QCoreApplication::postEvent(
        &f, new CAlertMessage(QStringLiteral("Port lost"), QStringLiteral("Zigbee")));
    ASSERT_TRUE(WaitUntil([&] { return boxes.size() == 1; }));
    EXPECT_EQ(boxes[0].text, "Port lost");
    EXPECT_EQ(boxes[0].caption, "Zigbee");
}
