// Undo and redo through the real main frame: what they send back is read off the dongle's
// pseudo-terminal byte for byte, and every pane shows the units as they are put back.
#include <QAction>
#include <QCheckBox>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolBar>
#include <QUndoStack>
#include <functional>
#include <string>
#include <vector>

#include "OperatorSeamFixture.h"
#include "link/CRadioSession.h"
#include "link/CZbProtocol.h"
#include "model/PowerValue.h"
#include "shell/CUndoHistory.h"
#include "widgets/CFlatSpinButtonCtrl.h"
#include "widgets/CUserButton.h"
#include "widgets/CUserStatic.h"

namespace {

class CUndoTest : public COperatorSeamTest {
protected:
    CUndoHistory& history() { return frame->History(); }
    QUndoStack& stackA() { return *history().StackOf(0); }
    // The keys, where the focus is (the tool bar's shortcuts work from any pane).
    QWidget* Focus() {
        if (QApplication::focusWidget() == nullptr) {
            // Offscreen, a window may lose its activation to nothing; an operator's click
            // gives it back.
            frame->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        }
        return QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : frame.get();
    }
    void Undo() { QTest::keyClick(Focus(), Qt::Key_Z, Qt::ControlModifier); }
    void Redo(bool withY = false) {
        if (withY) {
            QTest::keyClick(Focus(), Qt::Key_Y, Qt::ControlModifier);
        } else {
            QTest::keyClick(Focus(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        }
    }
    QString Status() { return frame->StatusPane(0)->text(); }
    // The tips, as the operator hovering the buttons reads them (after the event loop ran).
    QString UndoTip() {
        QCoreApplication::processEvents();
        return history().UndoAction()->toolTip();
    }
    QString RedoTip() {
        QCoreApplication::processEvents();
        return history().RedoAction()->toolTip();
    }
    // The units' settings, to see that everything came back.
    std::vector<std::array<int, 9>> AllSettings() {
        std::vector<std::array<int, 9>> all;
        for (int slot : {0, 1, 2}) {
            all.push_back(Settings(unit(slot)));
        }
        return all;
    }
    // Units 0 and 1 ticked in the grid and the selected-units panel shown.
    void ShowSelectionPanel() {
        for (int k : {0, 1}) {
            const QRect box = grid().CellRect(0, CNavigationGrid::StatusRow(k));
            QTest::mouseClick(grid().viewport(), Qt::LeftButton, {},
                              QPoint(box.left() + 8, box.center().y()));
            ASSERT_EQ(unit(k)->bSelected, 1);
        }
        combo()->setFocus();
        QTest::keyClick(combo(), Qt::Key_Down);
        ASSERT_TRUE(panel().SelectionPanel()->isVisible());
    }
};

}  // namespace

// Each change the operator makes is one step; undo sends exactly the frame that puts the unit
// back, redo the change's own frame again, and the panel, the grid and the tips follow.
TEST_F(CUndoTest, UndoAndRedoSendBackExactlyWhatTheChangeSent) {
    Start({0, 1, 2});
    ClickBlock(0);
    ASSERT_EQ(CurrentUnit(manager()), unit(0));
    struct Row {
        const char* name;
        std::function<void()> change;
        std::string sent;  // by the change, and again by its redo
        std::string undone;
        QString tip;  // Undo's tool tip after the change
    };
    const std::vector<Row> rows = {
        {"flash step up", [&] { single().flashSpin->StepArrow(true); }, "FF 07 13 00 01 2E 1E",
         "FF 07 13 00 01 2D 1E", "Undo CH-01 flash 4.5 -> 4.6 (Ctrl+Z)"},
        {"model step down", [&] { single().modelSpin->StepArrow(false); }, "FF 07 14 00 01 2D 1D",
         "FF 07 14 00 01 2D 1E", "Undo CH-01 model 3.0 -> 2.9 (Ctrl+Z)"},
        {"cell on", [&] { single().cellCheck->click(); }, "FF 07 17 00 01 00 02",
         "FF 07 17 00 01 00 00", "Undo CH-01 cell off -> on (Ctrl+Z)"},
        {"Prop mode", [&] { single().propRadio->click(); }, "FF 07 15 00 01 00 08",
         "FF 07 15 00 01 00 00", "Undo CH-01 model mode Free -> Prop (Ctrl+Z)"},
        {"power off", [&] { single().powerButton->click(); }, "FF 07 1D 00 01 00 00",
         "FF 07 1D 00 01 00 01", "Undo CH-01 power on -> off (Ctrl+Z)"},
        {"model lamp off", [&] { single().offCheck->click(); }, "FF 07 1C 00 01 00 00",
         "FF 07 1C 00 01 00 01", "Undo CH-01 model lamp on -> off (Ctrl+Z)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto before = AllSettings();
        row.change();
        EXPECT_EQ(Sent(), row.sent);
        const auto after = AllSettings();
        EXPECT_EQ(UndoTip(), row.tip);
        Undo();
        EXPECT_EQ(Sent(), row.undone);
        EXPECT_EQ(AllSettings(), before);
        EXPECT_EQ(single().flashLabel->text(), "4.5");
        EXPECT_EQ(single().modelLabel->text(), "3.0");
        EXPECT_EQ(single().powerButton->isChecked(), true);
        EXPECT_TRUE(history().RedoAction()->isEnabled());
        EXPECT_TRUE(RedoTip().startsWith("Redo CH-01 "));
        Redo(row.name == std::string("cell on"));
        EXPECT_EQ(Sent(), row.sent);
        EXPECT_EQ(AllSettings(), after);
        Undo();
        EXPECT_EQ(Sent(), row.undone);
    }
    // The grid shows the unit as it was put back.
    const auto gridFlash = [&] {
        QCoreApplication::processEvents();
        return grid().CellLabel(0, CNavigationGrid::StatusRow(0)).left(13);
    };
    single().flashSpin->StepArrow(true);
    EXPECT_EQ(gridFlash(), "Flash : F 4.6");
    Undo();
    EXPECT_EQ(gridFlash(), "Flash : F 4.5");
    Sent();

    // The ticked units' offset, and a mode on both of them, are one step each; a unit that
    // held another mode gets it back in a frame of its own.
    unit(1)->nModelMode2 = 1;
    ShowSelectionPanel();
    selection().flashSpin->StepArrow(true);
    EXPECT_EQ(Sent(), "FF 17 1E 2E 1E 2E 1E 2D 1E 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(UndoTip(), "Undo CH-01, CH-02 flash +0.1 (Ctrl+Z)");
    selection().continousRadio->click();
    EXPECT_EQ(Sent(), "FF 07 16 00 03 00 10");
    EXPECT_EQ(UndoTip(), "Undo CH-01, CH-02 Continous (Ctrl+Z)");
    Undo();
    EXPECT_EQ(Sent(), "FF 07 16 00 01 00 00 FF 07 16 00 02 00 10");
    EXPECT_EQ(unit(0)->nModelMode2, 0);
    EXPECT_EQ(unit(1)->nModelMode2, 1);
    Undo();
    EXPECT_EQ(Sent(), "FF 17 1E 2D 1E 2D 1E 2D 1E 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(unit(0)->nFlashValue, 45);
    EXPECT_EQ(unit(1)->nFlashValue, 45);

    // A rename is a step too, and reaches no unit: undone, the tree and the grid show the
    // old name again and nothing is sent.
    QTest::keyClick(combo(), Qt::Key_Up);
    ClickItem(ItemOf(*unit(2)));
    Retype(list().findChild<QLineEdit*>(), QStringLiteral("Rim"));
    frame->OnName();
    ASSERT_EQ(unit(2)->sModelName, "Rim");
    EXPECT_EQ(UndoTip(), "Undo CH-03 name \"Not define\" -> \"Rim\" (Ctrl+Z)");
    // In the name field the keys undo its typing; from the grid, the rename.
    grid().setFocus();
    Undo();
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(unit(2)->sModelName, "Not define");
    EXPECT_EQ(ItemOf(*unit(2))->text(0), "CH-03 Not define");
    EXPECT_EQ(grid().CellText(0, CNavigationGrid::TitleRow(2)), "  CH-03  Not define");
}

// A held arrow is one step however long it repeats; a whole Business Memory apply is one
// step; and an undo that could not be done truthfully is refused in the status line, with
// nothing sent and nothing changed.
TEST_F(CUndoTest, HeldArrowsAndAppliesAreOneStepAndUntruthfulUndoIsRefused) {
    Start({0, 1, 2});
    ClickBlock(0);
    CFlatSpinButtonCtrl* spin = single().flashSpin;
    QTest::mousePress(spin, Qt::LeftButton, {}, QPoint(spin->width() / 2, spin->height() / 4));
    ASSERT_TRUE(WaitUntil([&] { return unit(0)->nFlashValue >= 49; }, 5s));
    QTest::mouseRelease(spin, Qt::LeftButton, {}, QPoint(spin->width() / 2, spin->height() / 4));
    const int top = unit(0)->nFlashValue;
    Sent();
    EXPECT_EQ(stackA().count(), 1);
    EXPECT_EQ(UndoTip(),
              QStringLiteral("Undo CH-01 flash 4.5 -> %1 (Ctrl+Z)").arg(FormatPower(top)));
    Undo();
    EXPECT_EQ(Sent(), "FF 07 13 00 01 2D 1E");
    EXPECT_EQ(single().flashLabel->text(), "4.5");
    // Two clicks are two steps.
    spin->StepArrow(true);
    spin->StepArrow(true);
    Sent();
    EXPECT_EQ(stackA().count(), 2);
    Undo();
    Undo();
    EXPECT_EQ(Sent(), "FF 07 13 00 01 2E 1E FF 07 13 00 01 2D 1E");

    // A memory of the studio as it is, then two changes, then the memory applied: one undo
    // takes the whole apply back, the next one the last change before it.
    Retype(memoryName(), QStringLiteral("Portrait"));
    QTest::keyClick(memoryName(), Qt::Key_S, Qt::ControlModifier);
    spin->StepArrow(true);
    ClickBlock(1);
    single().cellCheck->click();
    Sent();
    ASSERT_NO_FATAL_FAILURE(ClickMemory(QStringLiteral("Portrait")));
    QTest::keyClick(memoryList(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(Sent(),
              "FF 0E 01 00 01 01 2D 1E 00 00 00 00 01 00 FF 0E 01 00 02 01 2D 1E 00 00 00 00 01 00 "
              "FF 0E 01 00 04 01 2D 1E 00 00 00 00 01 00");
    EXPECT_EQ(UndoTip(), "Undo Portrait applied (Ctrl+Z)");
    // Meanwhile the check after the apply called the studio's units (none answers here).
    EXPECT_EQ(Sent(), "FF 05 00 00 41");
    Undo();
    EXPECT_EQ(Sent(),
              "FF 0E 01 00 01 01 2E 1E 00 00 00 00 01 00 FF 0E 01 00 02 01 2D 1E 01 00 00 00 01 00 "
              "FF 0E 01 00 04 01 2D 1E 00 00 00 00 01 00");
    EXPECT_EQ(unit(0)->nFlashValue, 46);
    EXPECT_EQ(unit(1)->bFlashCell, 1);
    Undo();
    EXPECT_EQ(Sent(), "FF 07 17 00 02 00 00");

    // Refused: the dongle switched to another studio, then not connected, then the unit
    // replaced by another in its slot. Each time nothing is sent and nothing changes.
    const auto refused = [&](const char* why) {
        SCOPED_TRACE(why);
        const auto before = AllSettings();
        const int index = stackA().index();
        Undo();
        EXPECT_EQ(Status(), QString::fromLatin1(why));
        EXPECT_EQ(Sent(), "");
        EXPECT_EQ(AllSettings(), before);
        EXPECT_EQ(stackA().index(), index);
    };
    frame->Protocol().SelectStudio(1);
    manager().activeStudio = manager().StudioAt(1);
    Sent();
    refused("Undo: the dongle is on Studio B, not Studio A");
    manager().activeStudio = &studioA();
    // The unit of the step left, and another took its slot.
    PlaceUnit(manager(), 0, 0, std::make_unique<StrobeData>());
    ASSERT_NE(unit(0), nullptr);
    refused("Undo: CH-01 is no longer in Studio A");
    frame->Session().Close();
    ASSERT_TRUE(WaitUntil([&] { return !frame->IsConnected(); }));
    refused("Undo: not connected (Com)");
}
