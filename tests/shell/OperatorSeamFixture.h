#pragma once

// The main frame with its three real panes, connected to a pseudo-terminal in the dongle's
// place: what the program sends is read back byte for byte, and units appear the real way,
// by status reports the "dongle" writes after studio A was clicked in the studio list.
#include <QComboBox>
#include <QLineEdit>
#include <QTreeWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "ShellTestSupport.h"
#include "link/UnitMask.h"
#include "model/StudioManager.h"
#include "navigation/CNavigationFormView.h"
#include "navigation/CNavigationGrid.h"
#include "navigation/CStudioListFormView.h"
#include "panels/CControlFormView.h"
#include "panels/CControlSelFormView.h"
#include "panels/CPowerControlSet.h"
#include "support/CMessageRecorder.h"

using namespace std::chrono_literals;

// Every setting field of a unit, to see that nothing changed.
inline std::array<int, 9> Settings(const StrobeData* u) {
    return {u->nFlashValue, u->bFlashCell,  u->bFlashSnd,   u->bFlashCharge, u->bFlashPow,
            u->nModelValue, u->nModelMode1, u->nModelMode2, u->bModelPow};
}

class COperatorSeamTest : public CConnectedShellTest {
protected:
    // The frame connected to the pseudo-terminal, studio A chosen in the studio list, and
    // units in the given slots reported by the dongle (flash 4.5, model 3.0).
    // beforeConnecting runs on the shown frame, before the Com dialog connects it.
    void Start(std::initializer_list<int> occupied,
               const std::function<void()>& beforeConnecting = {}) {
        const QString link = PublishPty();
        MakeFrame();
        frame->SetScanTickInterval(10ms);
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        if (beforeConnecting) {
            beforeConnecting();
        }
        Com(link, true);
        ASSERT_TRUE(frame->IsConnected());
        // The closed dialog leaves no window active offscreen; an operator's click would.
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        ClickItem(list().StudioItem(0));
        ASSERT_EQ(CurrentStudio(manager()), &studioA());
        m_slots = occupied;
        Report();
    }

    // The dongle reports the units of Start again (after a scan emptied the studio).
    void Report() {
        quint16 mask = 0;
        for (int slot : m_slots) {
            mask |= UnitMaskOf(slot);
        }
        ASSERT_TRUE(pty.Write(StatusReport(mask, 45, 30)));
        ASSERT_TRUE(
            WaitUntil([&] { return grid().ShownUnits() == static_cast<int>(m_slots.size()); }));
        pty.ReadAvailable(20ms);
    }

    StudioManager& manager() { return frame->Manager(); }
    StudioData& studioA() { return *manager().StudioAt(0); }
    StrobeData* unit(int slot) { return studioA().UnitAt(slot); }
    CNavigationGrid& grid() {
        return dynamic_cast<CNavigationFormView*>(frame->NavigationPane())->Grid();
    }
    CStudioListFormView& list() {
        return *dynamic_cast<CStudioListFormView*>(frame->StudioListPane());
    }
    CControlFormView& panel() { return *dynamic_cast<CControlFormView*>(frame->ControlPane()); }
    const CPowerControlSet& single() { return panel().Controls(); }
    const CPowerControlSet& selection() { return panel().SelectionPanel()->Controls(); }
    QComboBox* combo() { return panel().findChild<QComboBox*>(QStringLiteral("modeCombo")); }
    QLineEdit* memoryName() { return panel().findChild<QLineEdit*>(QStringLiteral("nameEdit")); }
    QTreeWidget* memoryList() {
        return panel().findChild<QTreeWidget*>(QStringLiteral("fileList"));
    }
    // The operator clicks the memory of that name in the Business Memory list.
    void ClickMemory(const QString& name) {
        QTreeWidget* files = memoryList();
        const auto items = files->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                          files->visualItemRect(items[0]).center());
    }
    QTreeWidgetItem* ItemOf(const StudioNode& node) { return list().ItemOf(&node); }

    // The operator clicks a tree item (its parents opened first).
    void ClickItem(QTreeWidgetItem* item) {
        for (QTreeWidgetItem* p = item->parent(); p != nullptr; p = p->parent()) {
            p->setExpanded(true);
        }
        QTreeWidget& tree = list().Tree();
        tree.scrollToItem(item);
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(item).center());
        ASSERT_EQ(tree.currentItem(), item);
    }
    // The operator clicks the title of grid block k.
    void ClickBlock(int k) {
        QTest::mouseClick(grid().viewport(), Qt::LeftButton, {},
                          grid().CellRect(0, CNavigationGrid::TitleRow(k)).center());
    }
    // The operator selects all the text of a line edit and types over it.
    static void Retype(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
    }
    // What the program wrote to the dongle since the last look.
    std::string Sent() { return HexBytes(pty.ReadAvailable(20ms)).toStdString(); }

private:
    std::vector<int> m_slots;
};
