#include "navigation/CNavigationCellAccessible.h"

#include <QWindow>

#include "navigation/CNavigationGrid.h"
#include "navigation/CNavigationGridAccessible.h"

namespace {

using Table = CNavigationGridAccessible;

// The icon each column shows; the unit and status columns show none.
CNavigationGrid::Icon IconOf(int column) {
    switch (column) {
        case Table::kColMode1:
            return CNavigationGrid::kIconMode1;
        case Table::kColMode2:
            return CNavigationGrid::kIconMode2;
        case Table::kColCell:
            return CNavigationGrid::kIconCell;
        case Table::kColSound:
            return CNavigationGrid::kIconSound;
        case Table::kColCharge:
            return CNavigationGrid::kIconCharge;
        default:
            return CNavigationGrid::kIconCount;
    }
}

// An icon's state as the panels name it: green is the first word.
QString IconText(int column, bool on) {
    switch (column) {
        case Table::kColMode1:
            return on ? QStringLiteral("Prop") : QStringLiteral("Free");
        case Table::kColMode2:
            return on ? QStringLiteral("Continous") : QStringLiteral("Flash Prop");
        case Table::kColCell:
            return on ? QStringLiteral("Cell on") : QStringLiteral("Cell off");
        case Table::kColSound:
            return on ? QStringLiteral("Sound on") : QStringLiteral("Sound off");
        default:
            return on ? QStringLiteral("Charged") : QStringLiteral("Charging");
    }
}

}  // namespace

CNavigationCellAccessible::CNavigationCellAccessible(CNavigationGrid* grid, int k, int column)
    : m_grid(grid), m_k(k), m_column(column) {}

bool CNavigationCellAccessible::isValid() const {
    return m_grid != nullptr && m_k < m_grid->ShownUnits();
}

QObject* CNavigationCellAccessible::object() const {
    return nullptr;
}

QWindow* CNavigationCellAccessible::window() const {
    return m_grid != nullptr ? m_grid->window()->windowHandle() : nullptr;
}

QAccessibleInterface* CNavigationCellAccessible::childAt(int, int) const {
    return nullptr;
}

QAccessibleInterface* CNavigationCellAccessible::parent() const {
    return table();
}

QAccessibleInterface* CNavigationCellAccessible::child(int) const {
    return nullptr;
}

int CNavigationCellAccessible::childCount() const {
    return 0;
}

int CNavigationCellAccessible::indexOfChild(const QAccessibleInterface*) const {
    return -1;
}

bool CNavigationCellAccessible::IsTickBox() const {
    return m_k < 0 || m_column == Table::kColStatus;
}

QString CNavigationCellAccessible::text(QAccessible::Text t) const {
    if (!isValid()) {
        return {};
    }
    if (t == QAccessible::Description) {
        return m_k < 0 ? QString() : Table::ColumnName(m_column);
    }
    if (t != QAccessible::Name) {
        return {};
    }
    if (m_k < 0) {
        return m_grid->HeadingText();
    }
    switch (m_column) {
        case Table::kColUnit:
            return m_grid->CellText(0, CNavigationGrid::TitleRow(m_k)).simplified();
        case Table::kColStatus:
            // One line: "Flash : F 4.5, Model : F 3.0", "OFF", "Overheat", "No answer".
            return m_grid->CellLabel(0, CNavigationGrid::StatusRow(m_k))
                .replace(QLatin1Char('\n'), QStringLiteral(", "));
        default:
            return IconText(m_column, m_grid->IconOn(IconOf(m_column), m_k));
    }
}

void CNavigationCellAccessible::setText(QAccessible::Text, const QString&) {}

QRect CNavigationCellAccessible::GridRect() const {
    if (m_k < 0) {
        return m_grid->CellRect(0, -1);
    }
    if (m_column == Table::kColUnit || m_column == Table::kColStatus) {
        return m_grid->CellRect(0, m_column == Table::kColUnit ? CNavigationGrid::TitleRow(m_k)
                                                               : CNavigationGrid::StatusRow(m_k));
    }
    int col = 0;
    int row = 0;
    CNavigationGrid::IconCell(IconOf(m_column), m_k, col, row);
    return m_grid->CellRect(col, row);
}

QRect CNavigationCellAccessible::rect() const {
    if (!isValid()) {
        return {};
    }
    const QRect local = GridRect();
    return {m_grid->viewport()->mapToGlobal(local.topLeft()), local.size()};
}

QAccessible::Role CNavigationCellAccessible::role() const {
    return IsTickBox() ? QAccessible::CheckBox : QAccessible::Cell;
}

QAccessible::State CNavigationCellAccessible::state() const {
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    s.disabled = !m_grid->isEnabled();
    if (IsTickBox()) {
        s.checkable = true;
        s.checked = m_grid->IsTicked(0, m_k < 0 ? -1 : CNavigationGrid::StatusRow(m_k));
    }
    if (m_k >= 0) {
        const bool current = m_k == m_grid->CurrentUnitPosition();
        s.selectable = true;
        s.selected = current;
        s.focusable = m_column == Table::kColUnit;
        s.focused = s.focusable && current && m_grid->hasFocus();
    }
    return s;
}

void* CNavigationCellAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ActionInterface) {
        return static_cast<QAccessibleActionInterface*>(this);
    }
    if (type == QAccessible::TableCellInterface && m_k >= 0) {
        return static_cast<QAccessibleTableCellInterface*>(this);
    }
    return nullptr;
}

bool CNavigationCellAccessible::isSelected() const {
    return isValid() && m_k >= 0 && m_k == m_grid->CurrentUnitPosition();
}

QList<QAccessibleInterface*> CNavigationCellAccessible::columnHeaderCells() const {
    return {};
}

QList<QAccessibleInterface*> CNavigationCellAccessible::rowHeaderCells() const {
    return {};
}

int CNavigationCellAccessible::columnIndex() const {
    return m_column;
}

int CNavigationCellAccessible::rowIndex() const {
    return m_k;
}

int CNavigationCellAccessible::columnExtent() const {
    return 1;
}

int CNavigationCellAccessible::rowExtent() const {
    return 1;
}

QAccessibleInterface* CNavigationCellAccessible::table() const {
    return m_grid != nullptr ? QAccessible::queryAccessibleInterface(m_grid) : nullptr;
}

QStringList CNavigationCellAccessible::actionNames() const {
    if (IsTickBox()) {
        return {toggleAction()};
    }
    if (m_column == Table::kColUnit) {
        return {pressAction()};
    }
    return {};
}

void CNavigationCellAccessible::doAction(const QString& actionName) {
    if (!isValid() || !m_grid->isEnabled() || !actionNames().contains(actionName)) {
        return;
    }
    if (m_k < 0) {
        m_grid->ToggleHeadingTick();
    } else if (m_column == Table::kColStatus) {
        m_grid->ToggleBlockTick(m_k);
    } else {
        m_grid->ChooseBlock(m_k);
    }
}

QStringList CNavigationCellAccessible::keyBindingsForAction(const QString& actionName) const {
    if (actionName == toggleAction() && m_k >= 0) {
        return {QStringLiteral("Space")};
    }
    return {};
}
