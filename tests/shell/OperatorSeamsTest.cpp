// Where two parts of the program meet: the studio list, the grid, both panels, modal boxes,
// held buttons and disabled controls. Everything runs through the real main frame with its
// three real panes, real mouse and key events, and a pseudo-terminal in the dongle's place,
// so that what the program sends is read back byte for byte.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QThread>
#include <QToolBar>
#include <QToolTip>
#include <QTreeWidget>
#include <functional>
#include <thread>
#include <vector>

#include "../panels/PanelTestKit.h"
#include "OperatorSeamFixture.h"
#include "ShellTestSupport.h"
#include "control/CUnitControl.h"
#include "link/CCommThread.h"
#include "link/CRadioSession.h"
#include "link/UnitMask.h"
#include "model/PowerValue.h"
#include "model/StudioManager.h"
#include "navigation/CNavigationFormView.h"
#include "navigation/CNavigationGrid.h"
#include "navigation/CStudioListFormView.h"
#include "panels/CControlFormView.h"
#include "panels/CControlSelFormView.h"
#include "panels/CPowerControlSet.h"
#include "shell/CHelpWindow.h"
#include "store/CXmlStore.h"
#include "support/CMessageRecorder.h"
#include "support/CPtyPair.h"
#include "support/ViewMessages.h"
#include "widgets/CFlatSliderCtrl.h"
#include "widgets/CFlatSpinButtonCtrl.h"
#include "widgets/CUserButton.h"
#include "widgets/CUserStatic.h"

using namespace std::chrono_literals;

namespace {

// Presses and releases through the window system, as a real pointer does: the event passes
// the application's modal blocking and mouse grabs on its way to the widget.
QPoint InWindow(QWidget* w, QPoint local) {
    return w->mapTo(w->window(), local);
}
void WindowPress(QWidget* w, QPoint local) {
    QTest::mousePress(w->window()->windowHandle(), Qt::LeftButton, {}, InWindow(w, local));
}
void WindowRelease(QWidget* w, QPoint local) {
    QTest::mouseRelease(w->window()->windowHandle(), Qt::LeftButton, {}, InWindow(w, local));
}

QPoint UpArrow(const QWidget* spin) {
    return {spin->width() / 2, spin->height() / 4};
}

}  // namespace

// A disabled control never sends, never changes a record or a label; and a slider's thumb,
// its label and what is sent always agree, whatever mouse button moved it.
TEST_F(COperatorSeamTest, ControlsActOnlyAsTheyShow) {
    Start({0, 1});
    using namespace panel_input;
    const CPowerControlSet& c = single();
    const auto channelEnd = [](QSlider* s) { return QPoint(s->width() - 3, s->height() / 2); };
    // Every way an operator works a control of the panel: both arrows of both spins, a click on
    // a thumb, a drag and a click on the channel of both sliders, a click on every button.
    std::vector<std::pair<QWidget*, std::function<void()>>> actions;
    for (CFlatSpinButtonCtrl* spin : {c.flashSpin, c.modelSpin}) {
        for (bool up : {true, false}) {
            actions.push_back({spin, [spin, up] { ClickSpin(spin, up); }});
        }
    }
    for (CFlatSliderCtrl* slider : {c.flashSlider, c.modelSlider}) {
        actions.push_back({slider, [slider] { ClickThumb(slider); }});
        actions.push_back({slider, [slider] { DragThumb(slider, {60}); }});
        actions.push_back({slider, [slider, channelEnd] {
                               QTest::mouseClick(slider, Qt::LeftButton, {}, channelEnd(slider));
                           }});
    }
    for (QWidget* w : c.SettingControls()) {
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            actions.push_back({button, [button] { QTest::mouseClick(button, Qt::LeftButton); }});
        }
    }
    const std::vector<std::pair<const char*, std::function<void()>>> modes = {
        // No unit: another studio was chosen, the panel was reset.
        {"no unit", [&] { ClickItem(list().StudioItem(1)); }},
        // A unit switched off: only the combo and Power On stay usable.
        {"power off",
         [&] {
             ClickItem(list().StudioItem(0));
             ClickBlock(1);
             ASSERT_EQ(CurrentUnit(manager()), unit(1));
             QTest::mouseClick(c.powerButton, Qt::LeftButton);
             ASSERT_EQ(Sent(), "FF 07 1D 00 02 00 00");
         }},
    };
    for (const auto& [mode, enter] : modes) {
        enter();
        for (const auto& [control, act] : actions) {
            if (control->isEnabled()) {
                continue;  // Power On, while the unit is off
            }
            SCOPED_TRACE(std::string(mode) + ": " + control->objectName().toStdString());
            const std::array<int, 9> before0 = Settings(unit(0));
            const std::array<int, 9> before1 = Settings(unit(1));
            const QString flashText = c.flashLabel->text();
            const QString modelText = c.modelLabel->text();
            act();
            PumpEvents(5ms);
            EXPECT_EQ(Sent(), "");
            EXPECT_EQ(Settings(unit(0)), before0);
            EXPECT_EQ(Settings(unit(1)), before1);
            EXPECT_EQ(c.flashLabel->text(), flashText);
            EXPECT_EQ(c.modelLabel->text(), modelText);
            EXPECT_EQ(panel().ComboIndex(), 0);
        }
    }

    // Power back on. Buttons other than the left one do not move a thumb behind the label's
    // back; the next release on the thumb sends what the label shows.
    QTest::mouseClick(c.powerButton, Qt::LeftButton);
    ASSERT_EQ(Sent(), "FF 07 1D 00 02 00 01");
    CFlatSliderCtrl* flash = c.flashSlider;
    for (Qt::MouseButton button : {Qt::MiddleButton, Qt::RightButton}) {
        SCOPED_TRACE(button == Qt::MiddleButton ? "middle" : "right");
        QTest::mouseClick(flash, button, {}, channelEnd(flash));
        QTest::mousePress(flash, button, {}, ThumbCentre(flash));
        QTest::mouseMove(flash, ThumbCentre(flash) + QPoint(20, 0));
        QTest::mouseRelease(flash, button, {}, ThumbCentre(flash) + QPoint(20, 0));
        EXPECT_EQ(flash->value(), 45);
        EXPECT_EQ(c.flashLabel->text(), "4.5");
        EXPECT_EQ(unit(1)->nFlashValue, 45);
        EXPECT_EQ(Sent(), "");
    }
    ClickThumb(flash);
    EXPECT_EQ(Sent(), "FF 07 13 00 02 2D 1E");
    EXPECT_EQ(unit(1)->nFlashValue, 45);
    EXPECT_EQ(c.flashLabel->text(), "4.5");
}

// A held spin arrow repeats only while the operator really holds it: a modal box, a "Buffer
// full" alert, another window, a list that takes the mouse or the arrow being hidden ends the
// repeat at once, and the release that went elsewhere never has to come back to the arrow.
namespace {

// Sees every event the watched object gets, before the object does.
class CEventTap : public QObject {
public:
    CEventTap(QObject* watched, std::function<void(const QEvent&)> seen) : m_seen(std::move(seen)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        m_seen(*e);
        return false;
    }

private:
    std::function<void(const QEvent&)> m_seen;
};

}  // namespace

TEST_F(COperatorSeamTest, HeldSpinArrowsRepeatOnlyWhileReallyHeld) {
    Start({0, 1});
    ClickBlock(0);
    ASSERT_EQ(CurrentUnit(manager()), unit(0));
    // Ctrl+S opens a real message box: the operator's answer is waited for.
    Retype(memoryName(), QStringLiteral("hold"));
    frame->SetMessageBoxHandler({});

    const StrobeData* held = nullptr;
    QWidget* spin = nullptr;
    // Nothing steps while the operator cannot be holding the arrow; then the release comes,
    // to wherever the mouse went.
    const auto steadyThenRelease = [&] {
        const int value = held->nFlashValue;
        QTest::qWait(400);
        EXPECT_EQ(held->nFlashValue, value) << "stepped while the arrow was out of reach";
        WindowRelease(spin, UpArrow(spin));
    };
    // Opens a box while the arrow is held; the operator lets go while it is up, then closes it.
    const auto boxWhileHeld = [&](const std::function<void()>& open) {
        int boxes = 0;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || !box->isVisible()) {
                return;
            }
            if (++boxes == 1) {
                steadyThenRelease();
            }
            box->reject();  // and any box stacked on it at once
        });
        answer.start(5);
        open();
        ASSERT_TRUE(
            WaitUntil([&] { return boxes > 0 && QApplication::activeModalWidget() == nullptr; }));
    };
    const auto save = [&] { QTest::keyClick(memoryName(), Qt::Key_S, Qt::ControlModifier); };
    struct Interruption {
        const char* name;
        bool selectionPanel;
        std::function<void()> interrupt;
    };
    const std::vector<Interruption> rows = {
        {"save box", false, [&] { boxWhileHeld(save); }},
        {"Buffer full", false,
         [&] {
             boxWhileHeld([&] {
                 // The link's box for bytes the driver lost, posted as its watcher posts it.
                 QCoreApplication::postEvent(frame.get(),
                                             new CAlertMessage(QStringLiteral("Buffer full"),
                                                               QStringLiteral("CCommThread")));
             });
         }},
        {"press under a box", false,
         [&] {
             // The box opens and takes the window's activation; a press that was on its way
             // still reaches the arrow. Nothing deactivates the window after it: only the box
             // being up can end the repeat.
             int deactivations = 0;
             CEventTap tap(spin, [&](const QEvent& e) {
                 deactivations += e.type() == QEvent::WindowDeactivate ? 1 : 0;
             });
             QDialog box(frame.get());
             box.open();
             ASSERT_EQ(QApplication::activeModalWidget(), &box);
             ASSERT_TRUE(WaitUntil([&] { return deactivations == 1; }));
             QTest::mousePress(spin, Qt::LeftButton, {}, UpArrow(spin));
             steadyThenRelease();
             EXPECT_EQ(deactivations, 1) << "a deactivation, not the box, ended the repeat";
         }},
        {"hidden", false,
         [&] {
             combo()->setFocus();
             QTest::keyClick(combo(), Qt::Key_Down);
             ASSERT_FALSE(spin->isVisible());
             steadyThenRelease();
             QTest::keyClick(combo(), Qt::Key_Up);
         }},
        {"another window", false,
         [&] {
             QWidget other;
             other.resize(100, 100);
             other.show();
             other.activateWindow();
             ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
             steadyThenRelease();
         }},
        {"combo list", false,
         [&] {
             // Opened from the keyboard, the list takes the mouse: the release goes to it.
             combo()->setFocus();
             QTest::keyClick(combo(), Qt::Key_Down, Qt::AltModifier);
             ASSERT_TRUE(WaitUntil([] { return QApplication::activePopupWidget() != nullptr; }));
             WindowRelease(spin, UpArrow(spin));
             const int value = held->nFlashValue;
             QTest::qWait(400);
             EXPECT_EQ(held->nFlashValue, value) << "stepped after the release";
             QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
         }},
        {"release elsewhere", false,
         [&] {
             // Wherever the release lands, the operator has let go.
             const int value = held->nFlashValue;
             QTest::mouseRelease(grid().viewport(), Qt::LeftButton);
             QTest::qWait(400);
             EXPECT_EQ(held->nFlashValue, value) << "stepped after the release";
         }},
        {"selected units, save box", true, [&] { boxWhileHeld(save); }},
    };
    for (const Interruption& row : rows) {
        SCOPED_TRACE(row.name);
        // Offscreen, a closed box leaves no window active; a real desktop gives it back.
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        ClickBlock(0);
        if (row.selectionPanel) {
            // Unit 1 ticked and the selected-units panel shown.
            const QRect box = grid().CellRect(0, CNavigationGrid::StatusRow(1));
            QTest::mouseClick(grid().viewport(), Qt::LeftButton, {},
                              QPoint(box.left() + 8, box.center().y()));
            ASSERT_EQ(unit(1)->bSelected, 1);
            combo()->setFocus();
            QTest::keyClick(combo(), Qt::Key_Down);
            ASSERT_TRUE(panel().SelectionPanel()->isVisible());
        }
        spin = row.selectionPanel ? static_cast<QWidget*>(selection().flashSpin)
                                  : static_cast<QWidget*>(single().flashSpin);
        held = row.selectionPanel ? unit(1) : unit(0);
        // The unit reports flash 4.5 again, so that every row starts from there.
        ASSERT_TRUE(pty.Write(
            FromHex(row.selectionPanel ? "FF 07 13 00 02 2D 1E" : "FF 07 13 00 01 2D 1E")));
        ASSERT_TRUE(WaitUntil([&] { return held->nFlashValue == 45; }));
        WindowPress(spin, UpArrow(spin));
        ASSERT_TRUE(WaitUntil([&] { return held->nFlashValue >= 48; }, 5s))
            << "the arrow repeats while held";
        row.interrupt();
        const int after = held->nFlashValue;
        PumpEvents(300ms);
        EXPECT_EQ(held->nFlashValue, after) << "the repeat went on after the operator let go";
        pty.ReadAvailable(20ms);
        if (row.selectionPanel) {
            QTest::keyClick(combo(), Qt::Key_Up);
        }
    }
}

// A UI thread kept busy for 2 s while the dongle sends 8 kB in bursts, twice the ring: the
// watcher waits for room and the driver holds the rest, so every report is applied, in
// order, and no box is shown (a batch that did not fit used to be dropped with one).
TEST_F(COperatorSeamTest, AStalledUiThreadLosesNoReportAndShowsNoBox) {
    Start({0});
    QStringList boxes;
    frame->SetMessageBoxHandler([&](const QString& text, const QString&, bool) {
        boxes << text;
        return true;
    });
    std::vector<int> applied;
    QObject::connect(&frame->Control(), &CUnitControl::unitChanged, frame.get(),
                     [&] { applied.push_back(unit(0)->nFlashValue); });
    constexpr int kReports = 8192 / 7;
    std::vector<int> sent;
    QByteArray bytes;
    for (int i = 0; i < kReports; ++i) {
        sent.push_back(11 + i % 70);
        bytes += FromHex("FF 07 13 00 01");
        bytes += static_cast<char>(sent.back());
        bytes += static_cast<char>(30);
    }
    std::thread dongle([&] {
        for (qsizetype at = 0; at < bytes.size(); at += 512) {
            pty.Write(bytes.mid(at, 512));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    QThread::msleep(2000);
    dongle.join();
    EXPECT_TRUE(WaitUntil([&] { return applied.size() >= sent.size(); }));
    PumpEvents(100ms);
    EXPECT_EQ(applied, sent);
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(u',').toStdString();
    EXPECT_EQ(grid().CellLabel(0, CNavigationGrid::StatusRow(0)),
              "Flash : " + FormatGridPower(sent.back()) + "\nModel : F 3.0");
}

// The dongle pulled out and plugged in again: its link vanishes and a new device is published
// at the same path. The program opens it by itself, says so, keeps the studio shown, switches
// the dongle back to it, and the next report reaches the grid. A port the operator chose
// instead is never left for the old one when that comes back.
TEST_F(COperatorSeamTest, AReplugedDongleIsOpenedAgainByItselfUnlessTheOperatorChoseAnother) {
    Start({0, 1});
    const QString link = Path(QStringLiteral("strobe-sim/sim-test"));
    frame->OnScan();  // the dongle switched to studio A by the program
    Report();
    ASSERT_EQ(manager().activeStudio, &studioA());
    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return frame->StatusPane(1)->text() == "Zigbee disconnected"; }));
    ASSERT_TRUE(QFile::remove(link));
    PumpEvents(300ms);
    EXPECT_FALSE(frame->IsConnected());

    CPtyPair again;
    ASSERT_TRUE(QFile::link(again.SlavePath(), link));
    ASSERT_TRUE(WaitUntil([&] { return frame->IsConnected(); }));
    EXPECT_EQ(frame->StatusPane(1)->text(), "Zigbee connected");
    EXPECT_EQ(frame->StatusPane(0)->text(), "Dongle reconnected: " + link);
    EXPECT_EQ(HexBytes(again.Read(5)), "FF 05 00 00 41") << "studio A selected again";
    EXPECT_EQ(CurrentStudio(manager()), &studioA());
    EXPECT_EQ(grid().ShownUnits(), 2);
    ASSERT_TRUE(again.Write(FromHex("FF 07 13 00 02 3C 1E")));
    ASSERT_TRUE(WaitUntil([&] { return unit(1)->nFlashValue == 60; }));
    EXPECT_EQ(grid().CellLabel(0, CNavigationGrid::StatusRow(1)), "Flash : F 6.0\nModel : F 3.0");

    // Pulled out again; meanwhile the operator connects to another port.
    again.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return !frame->IsConnected(); }));
    ASSERT_TRUE(QFile::remove(link));
    CPtyPair other;
    const QString otherLink = Path(QStringLiteral("strobe-sim/sim-other"));
    ASSERT_TRUE(QFile::link(other.SlavePath(), otherLink));
    Com(otherLink, true);
    ASSERT_TRUE(frame->IsConnected());
    const quint32 chosen = frame->Link().Generation();
    CPtyPair third;
    ASSERT_TRUE(QFile::link(third.SlavePath(), link));
    PumpEvents(1500ms);
    EXPECT_EQ(frame->Link().Generation(), chosen);
    EXPECT_EQ(frame->Link().DevicePath(), otherLink);
    EXPECT_TRUE(third.ReadAvailable(50ms).isEmpty());
}

// The tool bar cannot be hidden, its five keys work wherever the focus is in the main
// window, and its tips show while the window is inactive.
TEST_F(COperatorSeamTest, TheToolBarStaysAndItsKeysWorkWhereverTheFocusIs) {
    Start({0, 1});
    QToolBar* bar = frame->ToolBar();
    QTest::mouseClick(frame->windowHandle(), Qt::RightButton, {},
                      InWindow(bar, QPoint(bar->width() - 4, bar->height() / 2)));
    PumpEvents(20ms);
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        // Whatever the menu offers to untick, the operator unticks.
        for (QAction* a : menu->actions()) {
            if (a->isCheckable() && a->isChecked() && a->isEnabled()) {
                a->trigger();
            }
        }
        menu->close();
    }
    PumpEvents(20ms);
    EXPECT_TRUE(bar->isVisible());

    int comDialogs = 0;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<CComSettingDlg*>(QApplication::activeModalWidget())) {
            ++comDialogs;
            dialog->accept();  // the same port again
        }
    });
    answer.start(5);

    // Each command counted where it arrives: its action, which calls its pane.
    int loads = 0;
    int saves = 0;
    int renames = 0;
    QObject::connect(frame->ToolAction(kToolLoad), &QAction::triggered, frame.get(),
                     [&] { ++loads; });
    QObject::connect(frame->ToolAction(kToolSave), &QAction::triggered, frame.get(),
                     [&] { ++saves; });
    QObject::connect(frame->ToolAction(kToolName), &QAction::triggered, frame.get(),
                     [&] { ++renames; });
    int scans = 0;  // a scan empties the studio, and the list shows it anew
    QObject::connect(&list(), &CStudioListFormView::studioShown, frame.get(), [&] { ++scans; });
    int helpShown = 0;
    QObject::connect(frame->HelpAction(), &QAction::triggered, frame.get(), [&] {
        helpShown += frame->HelpWindow() != nullptr && frame->HelpWindow()->isVisible();
    });
    struct Command {
        const char* name;
        QKeyCombination key;
        std::function<int()> count;
    };
    const std::vector<Command> commands = {
        {"Load", Qt::CTRL | Qt::Key_O, [&] { return loads; }},
        {"Save", Qt::CTRL | Qt::Key_S, [&] { return saves; }},
        {"Name", QKeyCombination(Qt::Key_F2), [&] { return renames; }},
        {"Com", Qt::CTRL | Qt::Key_K, [&] { return comDialogs; }},
        {"Scan", QKeyCombination(Qt::Key_F5), [&] { return scans; }},
        {"Help", QKeyCombination(Qt::Key_F1), [&] { return helpShown; }},
    };
    struct Focus {
        const char* name;
        std::function<QWidget*()> prepare;
    };
    const std::vector<Focus> places = {
        {"tree", [&]() -> QWidget* { return &list().Tree(); }},
        {"unit name",
         [&]() -> QWidget* {
             ClickItem(ItemOf(*unit(0)));
             return &list().NameEdit();
         }},
        {"grid", [&]() -> QWidget* { return &grid(); }},
        {"combo",
         [&]() -> QWidget* {
             ClickBlock(0);
             return combo();
         }},
        {"Cell",
         [&]() -> QWidget* {
             ClickBlock(0);
             return single().cellCheck;
         }},
        {"file list", [&]() -> QWidget* { return panel().findChild<QTreeWidget*>("fileList"); }},
        {"memory name", [&]() -> QWidget* { return memoryName(); }},
        {"information",
         [&]() -> QWidget* { return panel().findChild<QPlainTextEdit*>("infoEdit"); }},
    };
    for (const Focus& place : places) {
        for (const Command& command : commands) {
            SCOPED_TRACE(std::string(place.name) + ", " + command.name);
            if (studioA().nChItemCnt == 0) {
                Report();
            }
            // Offscreen, a closed dialog leaves no window active; a real desktop gives the
            // activation back.
            frame->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
            QWidget* target = place.prepare();
            target->setFocus();
            ASSERT_EQ(QApplication::focusWidget(), target);
            for (int flag = 0; flag < CMainFrame::kToolCount; ++flag) {
                frame->SetToolFlag(flag, 1);
            }
            const int before = command.count();
            QTest::keyClick(target, command.key.key(), command.key.keyboardModifiers());
            EXPECT_TRUE(WaitUntil([&] { return command.count() == before + 1; }, 2s));
            ASSERT_TRUE(WaitUntil([] { return QApplication::activeModalWidget() == nullptr; }));
        }
    }
    answer.stop();

    // Another window is active: the tool bar's tips still show.
    QWidget other;
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    ASSERT_FALSE(frame->isActiveWindow());
    QWidget* load = bar->widgetForAction(frame->ToolAction(kToolLoad));
    QTest::mouseMove(frame->windowHandle(), InWindow(load, load->rect().center()));
    EXPECT_TRUE(WaitUntil([] { return QToolTip::isVisible(); }, 3s));
    EXPECT_EQ(QToolTip::text(), frame->ToolAction(kToolLoad)->toolTip());

    // Help is the tool bar's last button; Ctrl+Q closes the frame as its close button does,
    // and the help window with it.
    EXPECT_EQ(bar->actions().last(), frame->HelpAction());
    EXPECT_EQ(frame->HelpAction()->toolTip(), "Help (F1)");
    ASSERT_TRUE(frame->HelpWindow()->isVisible());
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    grid().setFocus();
    QTest::keyClick(&grid(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(frame->isVisible());
    EXPECT_FALSE(frame->HelpWindow()->isVisible());
}

// The grid's current block, the tree's selection, the current node and the panel always
// agree, wherever the unit was picked; names changed in the studio list land on the node
// chosen there and show in the grid at once; the greyed panel says why it is greyed, and Test
// is greyed while nothing could be tested.
TEST_F(COperatorSeamTest, TreeGridAndPanelAgreeOnTheCurrentUnitAndItsNames) {
    Start({0, 1, 2});
    const CPowerControlSet& c = single();
    const auto* hint = panel().findChild<QLabel*>(QStringLiteral("pickHint"));
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->text(), "Pick a unit in the grid or the studio list");
    ClickItem(ItemOf(*unit(0)));
    EXPECT_FALSE(hint->isVisible());
    ClickBlock(1);
    ASSERT_EQ(CurrentUnit(manager()), unit(1));
    // Picked in the grid: the tree's selection and its name field follow.
    EXPECT_EQ(list().Tree().currentItem(), ItemOf(*unit(1)));
    EXPECT_EQ(list().Tree().selectedItems(), QList<QTreeWidgetItem*>{ItemOf(*unit(1))});
    EXPECT_EQ(list().NameEdit().text(), unit(1)->sModelName);
    EXPECT_EQ(manager().currentNode, unit(1));
    // And with the keys, the studio's item closed meanwhile.
    list().StudioItem(0)->setExpanded(false);
    grid().setFocus();
    for (int i = 0; i < CNavigationGrid::kRowsPerUnit && CurrentUnit(manager()) == unit(1); ++i) {
        QTest::keyClick(&grid(), Qt::Key_Down);
    }
    ASSERT_EQ(CurrentUnit(manager()), unit(2));
    EXPECT_EQ(list().Tree().currentItem(), ItemOf(*unit(2)));
    EXPECT_TRUE(list().StudioItem(0)->isExpanded());
    EXPECT_TRUE(c.testButton->isEnabled());

    // The shown studio chosen again in the tree: no unit is current anywhere.
    ClickItem(list().StudioItem(0));
    EXPECT_EQ(manager().currentNode, &studioA());
    EXPECT_LT(grid().CurrentUnitPosition(), 0);
    EXPECT_EQ(grid().CellBackColor(0, CNavigationGrid::StatusRow(2)), QColor(Qt::white));
    EXPECT_FALSE(c.flashSpin->isEnabled());
    EXPECT_FALSE(c.testButton->isEnabled());
    EXPECT_EQ(c.flashLabel->text(), "");
    EXPECT_TRUE(hint->isVisible());

    // A click on the very cell that is still the grid's current one moves nothing in the grid,
    // and picks its unit all the same; then the studio once more.
    const int currentRow = grid().CurrentRow();
    ASSERT_EQ(currentRow / CNavigationGrid::kRowsPerUnit, 2);
    QTest::mouseClick(grid().viewport(), Qt::LeftButton, {},
                      grid().CellRect(grid().CurrentCol(), currentRow).center());
    EXPECT_EQ(grid().CurrentRow(), currentRow);
    ASSERT_EQ(CurrentUnit(manager()), unit(2));
    EXPECT_EQ(grid().CurrentUnitPosition(), 2);
    EXPECT_TRUE(c.flashSpin->isEnabled());
    EXPECT_FALSE(hint->isVisible());
    ClickItem(list().StudioItem(0));
    ASSERT_LT(grid().CurrentUnitPosition(), 0);

    // A click on another block picks it again, and the panel works on it.
    ClickBlock(1);
    ASSERT_EQ(CurrentUnit(manager()), unit(1));
    EXPECT_EQ(grid().CurrentUnitPosition(), 1);
    EXPECT_TRUE(c.flashSpin->isEnabled());
    panel_input::ClickSpin(c.flashSpin, true);
    EXPECT_EQ(Sent(), "FF 07 13 00 02 2E 1E");
    EXPECT_EQ(unit(1)->nFlashValue, 46);

    // The light name of a unit that is not the grid's current unit: the node chosen stays
    // current while the grid shows its unit, and the name goes to the light.
    QTreeWidgetItem* light = ItemOf(unit(2)->lightNode);
    ClickItem(light);
    EXPECT_EQ(manager().currentNode, &unit(2)->lightNode);
    EXPECT_EQ(grid().CurrentGridUnit(), unit(2));
    EXPECT_TRUE(c.flashSpin->isEnabled());
    Retype(&list().NameEdit(), QStringLiteral("Softbox"));
    QTest::keyClick(&list().NameEdit(), Qt::Key_F2);
    EXPECT_EQ(unit(2)->lightNode.sLightName, "Softbox");
    EXPECT_EQ(unit(2)->sModelName, "Not define");
    EXPECT_EQ(light->text(0), "Softbox");

    // A unit renamed in the tree: the grid's title follows at once.
    ClickItem(ItemOf(*unit(0)));
    Retype(&list().NameEdit(), QStringLiteral("Key"));
    QTest::keyClick(&list().NameEdit(), Qt::Key_F2);
    EXPECT_EQ(unit(0)->sModelName, "Key");
    EXPECT_EQ(grid().CellText(0, CNavigationGrid::TitleRow(0)), "  CH-01  Key");

    // The dongle's port closed: Test greys, the rest stays; open again, it is back.
    EXPECT_TRUE(c.testButton->isEnabled());
    frame->Session().Close();
    EXPECT_TRUE(WaitUntil([&] { return !c.testButton->isEnabled(); }));
    EXPECT_TRUE(c.flashSpin->isEnabled());
    Com(QString(), true);
    ASSERT_TRUE(frame->IsConnected());
    EXPECT_TRUE(WaitUntil([&] { return c.testButton->isEnabled(); }));
}

// Tick boxes do what the operator clicked: also on a box half out of view, and the heading's
// box is ticked exactly when every shown unit's box is, rebuilds included.
TEST_F(COperatorSeamTest, TickBoxesFollowTheOperatorAfterScrollsAndRebuilds) {
    Start({0, 1, 2, 3, 4, 5, 6, 7, 8});
    CNavigationGrid& g = grid();
    auto clickBox = [&](int row, int dy = 0) {
        const QRect cell = g.CellRect(0, row);
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {},
                          QPoint(cell.left() + 8, cell.center().y() + dy));
    };
    auto headingTicked = [&] { return g.IsTicked(0, -1); };

    clickBox(-1);
    ASSERT_TRUE(headingTicked());
    for (int slot = 0; slot < 9; ++slot) {
        EXPECT_EQ(unit(slot)->bSelected, 1) << slot;
    }
    clickBox(CNavigationGrid::StatusRow(3));
    EXPECT_EQ(unit(3)->bSelected, 0);
    EXPECT_FALSE(headingTicked());
    clickBox(CNavigationGrid::StatusRow(3));
    EXPECT_TRUE(headingTicked());

    // A new unit appears unticked: the grid is rebuilt and the heading no longer holds.
    ASSERT_TRUE(pty.Write(StatusReport(UnitMaskOf(9), 50, 50)));
    ASSERT_TRUE(WaitUntil([&] { return g.ShownUnits() == 10; }));
    EXPECT_FALSE(headingTicked());
    for (int k = 0; k < 9; ++k) {
        EXPECT_TRUE(g.IsTicked(0, CNavigationGrid::StatusRow(k))) << k;
    }
    EXPECT_FALSE(g.IsTicked(0, CNavigationGrid::StatusRow(9)));
    // Another studio, then this one again.
    clickBox(-1);
    ClickItem(list().StudioItem(1));
    EXPECT_FALSE(headingTicked());
    ClickItem(list().StudioItem(0));
    EXPECT_TRUE(headingTicked());
    clickBox(-1);
    ASSERT_FALSE(headingTicked());

    // A box whose lower half is below the grid's edge: clicking its visible half ticks it,
    // though the grid scrolls the cell into view first.
    const int bodyBottom = g.viewport()->height() - 1;
    int k = 0;
    while (g.CellRect(0, CNavigationGrid::StatusRow(k)).bottom() <= bodyBottom) {
        ++k;
        ASSERT_LT(k, 10) << "every block fits: the grid cannot be scrolled";
    }
    const QRect cell = g.CellRect(0, CNavigationGrid::StatusRow(k));
    // Scroll so that the box's top few pixels show above the edge.
    const int boxTop = cell.top() + (cell.height() - 13) / 2;
    g.verticalScrollBar()->setValue(g.verticalScrollBar()->value() + boxTop + 4 - bodyBottom);
    const QRect shown = g.CellRect(0, CNavigationGrid::StatusRow(k));
    const int y = shown.top() + (shown.height() - 13) / 2 + 2;
    ASSERT_LE(y, bodyBottom);
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, QPoint(shown.left() + 8, y));
    EXPECT_EQ(unit(k)->bSelected, 1);
    EXPECT_TRUE(g.IsTicked(0, CNavigationGrid::StatusRow(k)));
}

// Names are bounded where they are typed, and no save writes a file that the program would
// refuse to read back: the old file of that name stays whole. Files are written as the
// format gives them, declaration included.
TEST_F(COperatorSeamTest, NamesAndSavedFilesStayWithinWhatCanBeReadBack) {
    // A memory made elsewhere, its names far longer than anything typed here; raw '>' in an
    // attribute is legal, and each one grows fourfold when written back.
    QDir(Folder()).mkpath(QString::fromLatin1(kBusinessMemoryFolder));
    QByteArray big =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<StudioManage>\n\t<Studio "
        "nStudioNum=\"0\" sStudioName=\"Studio A\" nChItemCnt=\"2\">";
    for (int slot : {0, 1}) {
        big += "\n\t\t<Strobe nChNum=\"" + QByteArray::number(slot) +
               "\" sChName=\"x\" sModelName=\"" + QByteArray(200000, '>') + "\">";
        for (int v : {50, 0, 0, 1, 1, 50, 0, 0, 1}) {  // values a unit can hold
            big += "<v>" + QByteArray::number(v) + "</v>";
        }
        big += "<sLightName>Far</sLightName></Strobe>";
    }
    big += "\n\t</Studio>\n</StudioManage>\n";
    QFile bigFile(Path(QStringLiteral("Business Memory/big.xml")));
    ASSERT_TRUE(bigFile.open(QIODevice::WriteOnly));
    bigFile.write(big);
    bigFile.close();
    ASSERT_LT(big.size(), kMaxXmlFileBytes);

    Start({0, 1});
    ClickItem(ItemOf(*unit(0)));
    Retype(&list().NameEdit(), QString(300, u'n'));
    QTest::keyClick(&list().NameEdit(), Qt::Key_F2);
    EXPECT_GT(unit(0)->sModelName.size(), 0);
    EXPECT_LT(unit(0)->sModelName.size(), 100);
    Retype(memoryName(), QString(300, u'm'));
    EXPECT_LT(memoryName()->text().size(), 100);

    // A good file of this studio.
    Retype(memoryName(), QStringLiteral("keep"));
    QTest::keyClick(memoryName(), Qt::Key_S, Qt::ControlModifier);
    QFile keep(Path(QStringLiteral("Business Memory/keep.xml")));
    ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
    const QByteArray kept = keep.readAll();
    keep.close();
    EXPECT_TRUE(kept.startsWith("<?xml version='1.0' encoding='utf-8'?>\n<StudioManage>\n"))
        << kept.left(60).toStdString();

    // The long names applied to the studio, then saved over the good file: refused.
    QTreeWidget* files = memoryList();
    ClickMemory(QStringLiteral("big"));
    QTest::keyClick(files, Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(unit(0)->sModelName.size(), 200000);
    boxes.clear();
    Retype(memoryName(), QStringLiteral("keep"));
    QTest::keyClick(memoryName(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_FALSE(boxes.isEmpty());
    EXPECT_EQ(boxes.last().text, "Fail to save file");
    ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
    EXPECT_EQ(keep.readAll(), kept);
    keep.close();
    boxes.clear();
    ClickMemory(QStringLiteral("keep"));
    EXPECT_TRUE(boxes.isEmpty()) << boxes.first().text.toStdString();
    EXPECT_NE(manager().memoryStudio->UnitAt(0), nullptr);
}

// A notice that is handled after the operator or the radio moved on still names the unit it
// was about: the panel's own notice redraws the unit the panel changed, and a report's notice
// reaches nobody once its unit is gone, even when a new unit took the old one's place.
TEST_F(COperatorSeamTest, NoticesNameTheUnitTheyMeanWhenTheyArrive) {
    Start({0, 1});
    ClickBlock(0);
    ASSERT_EQ(CurrentUnit(manager()), unit(0));
    // Cell switched on for unit 0, and unit 1 picked before the grid heard of it.
    QTest::mouseClick(single().cellCheck, Qt::LeftButton);
    ClickBlock(1);
    ASSERT_EQ(CurrentUnit(manager()), unit(1));
    PumpEvents(20ms);
    int col = 0;
    int row = 0;
    CNavigationGrid::IconCell(CNavigationGrid::kIconCell, 0, col, row);
    EXPECT_EQ(grid().CellBitmap(col, row).toImage(),
              grid().IconPixmap(CNavigationGrid::kIconCell, 1).toImage());
    CNavigationGrid::IconCell(CNavigationGrid::kIconCell, 1, col, row);
    EXPECT_EQ(grid().CellBitmap(col, row).toImage(),
              grid().IconPixmap(CNavigationGrid::kIconCell, 0).toImage());

    // A status report and a temperature reading of unit 1 decoded; their notices wait.
    ASSERT_TRUE(pty.Write(StatusReport(UnitMaskOf(1), 50, 50) + FromHex("FF 07 3A 00 02 00 4B")));
    ASSERT_TRUE(WaitUntil([&] {
        QCoreApplication::sendPostedEvents(frame.get(), kReceivedNotice);
        return unit(1)->nTemperature == 75;
    }));
    // Meanwhile the studio is scanned: unit 1 is destroyed and a new unit takes its slot (in
    // a plain build most likely at the same address).
    const StrobeData* old = unit(1);
    ClearStudio(manager(), studioA());
    StrobeData* fresh = PlaceUnit(manager(), 0, 1, std::make_unique<StrobeData>());
    list().OnStudioCleared(&studioA());
    QSignalSpy listed(&list(), &CStudioListFormView::unitListed);
    const QString panelShown = single().flashLabel->text();
    PumpEvents(50ms);
    EXPECT_EQ(listed.count(), 0) << (old == fresh ? "the address was reused" : "");
    EXPECT_EQ(single().flashLabel->text(), panelShown);
    EXPECT_EQ(grid().CellLabel(0, CNavigationGrid::StatusRow(0)),
              "Flash : \nModel : ");  // the fresh unit as it is: no values yet
}

// The Business Memory confirmations say, beneath their question, what the answer OK will
// change, unit by unit; Cancel changes and sends nothing. Saving over a memory tells what
// the file will hold instead; saving a new one asks as ever, with nothing beneath.
TEST_F(COperatorSeamTest, MemoryConfirmationsShowWhatOkWillChange) {
    Start({0, 3});
    bool answer = true;
    QStringList details;
    const auto answering = [&](const QString& text, const QString& caption, bool) {
        boxes.push_back({text, caption});
        details << frame->LastAskedDetail();
        return answer;
    };
    frame->SetMessageBoxHandler(answering);
    const auto save = [&](const QString& title) {
        Retype(memoryName(), title);
        QTest::keyClick(memoryName(), Qt::Key_S, Qt::ControlModifier);
    };
    save(QStringLiteral("shoot"));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].text, "Do you want to save current setting?");
    EXPECT_EQ(details[0], "");
    const QString file = Path(QStringLiteral("Business Memory/shoot.xml"));
    QFile stored(file);
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    const QByteArray saved = stored.readAll();
    stored.close();

    // The dongle reports CH-01 at flash 5.0 and a new unit CH-06; CH-04 is renamed.
    ASSERT_TRUE(pty.Write(StatusReport(UnitMaskOf(0), 50, 30)));
    ASSERT_TRUE(pty.Write(StatusReport(UnitMaskOf(5), 45, 30)));
    ASSERT_TRUE(WaitUntil([&] { return unit(5) != nullptr && unit(0)->nFlashValue == 50; }));
    unit(3)->sModelName = QStringLiteral("Back");
    Sent();

    answer = false;
    save(QStringLiteral("shoot"));
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[1].text, "Do you want to save current setting?");
    EXPECT_EQ(details[1],
              "CH-01 flash 4.5 -> 5.0\nCH-04 name \"Not define\" -> \"Back\"\n"
              "CH-06: not in the memory yet, added");
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_EQ(stored.readAll(), saved);
    stored.close();

    QTreeWidget* files = memoryList();
    ASSERT_NO_FATAL_FAILURE(ClickMemory(QStringLiteral("shoot")));
    const QString applying =
        "CH-01 flash 5.0 -> 4.5\nCH-04 name \"Back\" -> \"Not define\"\n"
        "CH-06: not in the memory, unchanged";
    QTest::keyClick(files, Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(boxes.size(), 3);
    EXPECT_EQ(boxes[2].text, "Current settig is deleted. Do you want to open file?");
    EXPECT_EQ(boxes[2].caption, "Business Memory");
    EXPECT_EQ(details[2], applying);
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(unit(0)->nFlashValue, 50);
    EXPECT_EQ(unit(3)->sModelName, "Back");

    // The operator's own box: the question as ever, the preview beneath it, Cancel pressed.
    frame->SetMessageBoxHandler({});
    QString shownText;
    QString shownDetail;
    WhenModal<QMessageBox>(frame.get(), [&](QMessageBox* box) {
        shownText = box->text();
        shownDetail = box->informativeText();
        QTest::mouseClick(box->button(QMessageBox::Cancel), Qt::LeftButton);
    });
    QTest::keyClick(files, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(shownText, "Current settig is deleted. Do you want to open file?");
    EXPECT_EQ(shownDetail, applying);
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(unit(0)->nFlashValue, 50);

    // OK does what the box said, and no more.
    frame->SetMessageBoxHandler(answering);
    // The closed box leaves no window active offscreen; an operator's click would.
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    answer = true;
    const auto untouched = Settings(unit(5));
    QTest::keyClick(files, Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(boxes.size(), 4);
    EXPECT_EQ(details[3], applying);
    EXPECT_EQ(unit(0)->nFlashValue, 45);
    EXPECT_EQ(unit(3)->sModelName, "Not define");
    EXPECT_EQ(Settings(unit(5)), untouched);
    EXPECT_NE(Sent(), "");
}
