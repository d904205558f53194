// What assistive technology finds in the real main frame through Qt's accessibility
// interfaces, the ones the Linux accessibility bus serves to a screen reader: names, roles,
// values and actions of the status bar, the spins and the navigation grid, and what it is told
// when they change.
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <QAccessible>
#include <QApplication>
#include <QHelpEvent>
#include <QRadioButton>
#include <QToolTip>
#include <algorithm>

#include "OperatorSeamFixture.h"
#include "link/CRadioSession.h"
#include "navigation/CNavigationGridAccessible.h"
#include "shell/CWaitingDlg.h"
#include "widgets/CFlatSpinButtonCtrl.h"
#include "widgets/CUserButton.h"

namespace {

// What a screen reader would be told, as it was told.
struct Told {
    QAccessible::Event type;
    QString name;
    QString value;
    const QObject* object;  // whose interface told it
    int child;              // which of its children, -1: the object itself
};
std::vector<Told>* g_told = nullptr;

void Listen(QAccessibleEvent* event) {
    QAccessibleInterface* iface = event->accessibleInterface();
    if (g_told != nullptr && iface != nullptr) {
        g_told->push_back({event->type(), iface->text(QAccessible::Name),
                           iface->text(QAccessible::Value), event->object(), event->child()});
    }
}

// The first shown interface below root with this role and name, depth first.
QAccessibleInterface* Find(QAccessibleInterface* root, QAccessible::Role role,
                           const QString& name) {
    if (root == nullptr || root->state().invisible) {
        return nullptr;
    }
    if (root->role() == role && root->text(QAccessible::Name) == name) {
        return root;
    }
    for (int i = 0; i < root->childCount(); ++i) {
        if (QAccessibleInterface* found = Find(root->child(i), role, name)) {
            return found;
        }
    }
    return nullptr;
}

using Table = CNavigationGridAccessible;

}  // namespace

// Accessibility switched on as a screen reader switches it on, and every event it is told
// kept for the test.
class CAccessibilityTest : public COperatorSeamTest {
protected:
    void SetUp() override {
        COperatorSeamTest::SetUp();
        g_told = &told;
        m_previous = QAccessible::installUpdateHandler(&Listen);
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
    }
    void TearDown() override {
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(false);
        QAccessible::installUpdateHandler(m_previous);
        g_told = nullptr;
        COperatorSeamTest::TearDown();
    }

    QAccessibleInterface* Window() { return QAccessible::queryAccessibleInterface(frame.get()); }
    bool WasTold(QAccessible::Event type, const QString& name, const QString& value = {}) {
        return std::any_of(told.begin(), told.end(), [&](const Told& t) {
            return t.type == type && t.name == name && (value.isEmpty() || t.value == value);
        });
    }

    // Focus on the grid's cell that names block k: a reader follows the current unit only
    // from the grid's own event (the studio list tells of its item by the same name).
    bool WasToldGridFocus(int k) {
        const QObject* g = &grid();
        const int cell = CNavigationGridAccessible::IndexOf(k, CNavigationGridAccessible::kColUnit);
        return std::any_of(told.begin(), told.end(), [&](const Told& t) {
            return t.type == QAccessible::Focus && t.object == g && t.child == cell;
        });
    }

    std::vector<Told> told;

private:
    QAccessible::UpdateHandler m_previous = nullptr;
};

TEST_F(CAccessibilityTest, AScreenReaderHearsAndWorksStatusSpinsAndGrid) {
    Start({0, 1});
    ClickBlock(0);
    QAccessibleInterface* window = Window();
    ASSERT_NE(window, nullptr);

    // The status bar: each pane is heard as its text.
    QAccessibleInterface* link = Find(window, QAccessible::StaticText, "Zigbee connected");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->text(QAccessible::Description), "Connection");

    // The spins: spin buttons named after their groups, whose value is the label beside them,
    // stepped by their actions exactly as by their arrows.
    QAccessibleInterface* flash = Find(window, QAccessible::SpinBox, "Flash Power");
    QAccessibleInterface* model = Find(window, QAccessible::SpinBox, "Model Power");
    ASSERT_NE(flash, nullptr);
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(flash->text(QAccessible::Value), "4.5");
    EXPECT_DOUBLE_EQ(flash->valueInterface()->currentValue().toDouble(), 4.5);
    EXPECT_EQ(model->text(QAccessible::Value), "3.0");
    ASSERT_NE(flash->actionInterface(), nullptr);
    EXPECT_TRUE(flash->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::increaseAction()));
    flash->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(Sent(), "FF 07 13 00 01 2E 1E");
    EXPECT_EQ(flash->text(QAccessible::Value), "4.6");
    EXPECT_TRUE(WasTold(QAccessible::ValueChanged, "Flash Power", "4.6"));
    model->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(Sent(), "FF 07 14 00 01 2E 1D");
    EXPECT_NE(Find(window, QAccessible::Slider, "Flash Power"), nullptr);
    PumpEvents(10ms);  // the panel's notices reach the grid

    // The grid: a table of unit rows under the heading's box; unit 0 is the current row.
    QAccessibleInterface* gridIface =
        Find(window, QAccessible::Table, "Channel Select [ Studio A ]");
    ASSERT_NE(gridIface, nullptr);
    QAccessibleTableInterface* table = gridIface->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->columnCount(), Table::kColCount);
    EXPECT_EQ(table->selectedRows(), QList<int>{0});
    const auto cellName = [&](int row, int column) {
        QAccessibleInterface* cell = table->cellAt(row, column);
        return cell != nullptr ? cell->text(QAccessible::Name) : QStringLiteral("(none)");
    };
    const QStringList row0 = {cellName(0, Table::kColUnit),  cellName(0, Table::kColStatus),
                              cellName(0, Table::kColMode1), cellName(0, Table::kColMode2),
                              cellName(0, Table::kColCell),  cellName(0, Table::kColSound),
                              cellName(0, Table::kColCharge)};
    EXPECT_EQ(row0, (QStringList{"CH-01 Not define", "Flash : F 4.6, Model : F 2.9", "Free",
                                 "Flash Prop", "Cell off", "Sound off", "Charged"}));
    // The same states in the icons' tool tips, for the mouse; Prop chosen, the tip follows.
    const auto tips = [&] {
        QStringList shown;
        for (int icon = 0; icon < CNavigationGrid::kIconCount; ++icon) {
            int col = 0;
            int row = 0;
            CNavigationGrid::IconCell(static_cast<CNavigationGrid::Icon>(icon), 0, col, row);
            const QPoint at = grid().CellRect(col, row).center();
            QHelpEvent help(QEvent::ToolTip, at, grid().viewport()->mapToGlobal(at));
            QApplication::sendEvent(grid().viewport(), &help);
            shown << (QToolTip::isVisible() ? QToolTip::text() : QStringLiteral("(none)"));
            QToolTip::hideText();
        }
        return shown;
    };
    EXPECT_EQ(tips(), (QStringList{"Model mode: Free", "Modelling lamp: Flash Prop",
                                   "Photo cell: off", "Sound: off", "Charged"}));
    QTest::mouseClick(single().propRadio, Qt::LeftButton);
    ASSERT_EQ(Sent(), "FF 07 15 00 01 00 08");
    PumpEvents(10ms);
    EXPECT_EQ(tips().first(), "Model mode: Prop");
    QTest::mouseClick(single().freeRadio, Qt::LeftButton);
    ASSERT_EQ(Sent(), "FF 07 15 00 01 00 00");
    PumpEvents(10ms);
    // The panel's words without icons say what they do; the name field has a name.
    for (QWidget* w :
         {static_cast<QWidget*>(single().powerButton), static_cast<QWidget*>(single().propRadio),
          static_cast<QWidget*>(single().flashPropRadio)}) {
        EXPECT_FALSE(w->toolTip().isEmpty()) << w->objectName().toStdString();
    }
    EXPECT_EQ(list().NameEdit().accessibleName(), "Name");
    EXPECT_TRUE(WaitUntil([&] { return !list().NameEdit().placeholderText().isEmpty(); }));
    QAccessibleInterface* box0 = table->cellAt(0, Table::kColStatus);
    EXPECT_EQ(box0->role(), QAccessible::CheckBox);
    EXPECT_FALSE(box0->state().checked);
    box0->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(unit(0)->bSelected, 1);
    EXPECT_TRUE(box0->state().checked);
    EXPECT_EQ(gridIface->indexOfChild(box0), Table::IndexOf(0, Table::kColStatus));
    EXPECT_EQ(gridIface->child(0)->text(QAccessible::Name), "Channel Select [ Studio A ]");

    // Moving with the keys makes the next row current, and the reader is told of the unit.
    grid().setFocus();
    told.clear();
    for (int i = 0; i < CNavigationGrid::kRowsPerUnit; ++i) {
        QTest::keyClick(&grid(), Qt::Key_Down);
    }
    ASSERT_EQ(CurrentUnit(manager()), unit(1));
    EXPECT_EQ(table->selectedRows(), QList<int>{1});
    EXPECT_TRUE(table->cellAt(1, Table::kColUnit)->state().focused);
    EXPECT_EQ(gridIface->focusChild(), table->cellAt(1, Table::kColUnit));
    EXPECT_TRUE(WasTold(QAccessible::Focus, "CH-02 Not define"));
    EXPECT_TRUE(WasToldGridFocus(1));
    // And a row chosen by the reader is the current unit.
    EXPECT_TRUE(table->selectRow(0));
    EXPECT_EQ(CurrentUnit(manager()), unit(0));
    // A block picked with the mouse in the focused grid: the reader is told of it too.
    told.clear();
    ClickBlock(1);
    ASSERT_EQ(CurrentUnit(manager()), unit(1));
    ASSERT_TRUE(grid().hasFocus());
    EXPECT_TRUE(WasToldGridFocus(1));
    ClickBlock(0);
    ASSERT_EQ(CurrentUnit(manager()), unit(0));

    // A roll call in which unit 1 stays silent: grid, tree and status bar say so.
    told.clear();
    WhenModal<CWaitingDlg>(frame.get(), [&](CWaitingDlg*) {
        ASSERT_TRUE(pty.Write(StatusReport(UnitMaskOf(0), 46, 29)));
    });
    frame->CheckUnitsAction()->trigger();
    EXPECT_EQ(Sent(), "FF 05 00 00 41");
    EXPECT_EQ(cellName(1, Table::kColStatus), "No answer");
    EXPECT_TRUE(WasTold(QAccessible::NameChanged, "No answer"));
    EXPECT_TRUE(
        WasTold(QAccessible::NameChanged, "Studio A: 1 of 2 units answered; CH-02 did not"));
    list().StudioItem(0)->setExpanded(true);
    EXPECT_NE(Find(window, QAccessible::TreeItem, "CH-02 Not define, No answer"), nullptr);

    // Switched off, the spins do nothing, whatever they are asked.
    QTest::mouseClick(single().powerButton, Qt::LeftButton);
    ASSERT_EQ(Sent(), "FF 07 1D 00 01 00 00");
    EXPECT_TRUE(flash->state().disabled);
    flash->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    model->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(Sent(), "");

    // The connection's pane tells its change.
    told.clear();
    frame->Session().Close();
    EXPECT_TRUE(
        WaitUntil([&] { return WasTold(QAccessible::NameChanged, "Zigbee disconnected"); }));

    // The selected-units panel's spins are named after their groups too.
    ClickBlock(0);
    combo()->setFocus();
    QTest::keyClick(combo(), Qt::Key_Down);
    QAccessibleInterface* offset = Find(window, QAccessible::SpinBox, "Flash Power");
    ASSERT_NE(offset, nullptr);
    EXPECT_NE(offset, flash);
    EXPECT_EQ(offset->text(QAccessible::Value), "0.0");
}
