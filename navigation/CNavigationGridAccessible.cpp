#include "navigation/CNavigationGridAccessible.h"

#include <array>

#include "navigation/CNavigationCellAccessible.h"

CNavigationGridAccessible::CNavigationGridAccessible(CNavigationGrid* grid)
    : QAccessibleWidget(grid, QAccessible::Table) {}

CNavigationGridAccessible::~CNavigationGridAccessible() {
    for (const QAccessible::Id id : std::as_const(m_cells)) {
        QAccessible::deleteAccessibleInterface(id);
    }
}

QAccessibleInterface* CNavigationGridAccessible::Factory(const QString& key, QObject* object) {
    if (key == QLatin1StringView("CNavigationGrid")) {
        if (auto* grid = qobject_cast<CNavigationGrid*>(object)) {
            return new CNavigationGridAccessible(grid);
        }
    }
    return nullptr;
}

CNavigationGridAccessible::Column CNavigationGridAccessible::ColumnOf(CNavigationGrid::Icon icon) {
    switch (icon) {
        case CNavigationGrid::kIconMode1:
            return kColMode1;
        case CNavigationGrid::kIconMode2:
            return kColMode2;
        case CNavigationGrid::kIconCell:
            return kColCell;
        case CNavigationGrid::kIconSound:
            return kColSound;
        case CNavigationGrid::kIconCharge:
        case CNavigationGrid::kIconCount:
            break;
    }
    return kColCharge;
}

QString CNavigationGridAccessible::ColumnName(int column) {
    static const std::array<const char*, kColCount> kNames{"Unit", "Status", "Mode 1", "Mode 2",
                                                           "Cell", "Sound",  "Charge"};
    return column >= 0 && column < kColCount ? QString::fromLatin1(kNames[column]) : QString();
}

void CNavigationGridAccessible::Notify(CNavigationGrid* grid, int k, int column,
                                       QAccessible::Event event) {
    // Asking for the interfaces makes them; without a listener that is work for nothing. A
    // block being added is told with the rebuild that adds it.
    if (!QAccessible::isActive() || k >= grid->ShownUnits()) {
        return;
    }
    if (event == QAccessible::StateChanged) {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent stateEvent(grid, changed);
        stateEvent.setChild(IndexOf(k, column));
        QAccessible::updateAccessibility(&stateEvent);
        return;
    }
    QAccessibleEvent plain(grid, event);
    plain.setChild(IndexOf(k, column));
    QAccessible::updateAccessibility(&plain);
}

void CNavigationGridAccessible::NotifyRebuilt(CNavigationGrid* grid) {
    if (QAccessible::isActive()) {
        QAccessibleTableModelChangeEvent reset(grid, QAccessibleTableModelChangeEvent::ModelReset);
        QAccessible::updateAccessibility(&reset);
    }
}

CNavigationGrid* CNavigationGridAccessible::Grid() const {
    return static_cast<CNavigationGrid*>(widget());
}

void* CNavigationGridAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableInterface) {
        return static_cast<QAccessibleTableInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

int CNavigationGridAccessible::childCount() const {
    return 1 + rowCount() * kColCount;
}

QAccessibleInterface* CNavigationGridAccessible::child(int index) const {
    if (index < 0 || index >= childCount()) {
        return nullptr;
    }
    if (const auto it = m_cells.constFind(index); it != m_cells.cend()) {
        return QAccessible::accessibleInterface(*it);
    }
    const int k = index == 0 ? -1 : (index - 1) / kColCount;
    const int column = index == 0 ? kColStatus : (index - 1) % kColCount;
    auto* cell = new CNavigationCellAccessible(Grid(), k, column);
    m_cells.insert(index, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

int CNavigationGridAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* cell = dynamic_cast<const CNavigationCellAccessible*>(child);
    if (cell == nullptr || cell->Grid() != Grid() || !cell->isValid()) {
        return -1;
    }
    return IndexOf(cell->Block(), cell->Column());
}

QAccessibleInterface* CNavigationGridAccessible::childAt(int x, int y) const {
    for (int i = 0; i < childCount(); ++i) {
        QAccessibleInterface* cell = child(i);
        if (cell != nullptr && cell->rect().contains(x, y)) {
            return cell;
        }
    }
    return nullptr;
}

QAccessibleInterface* CNavigationGridAccessible::focusChild() const {
    const int k = Grid()->CurrentUnitPosition();
    if (!Grid()->hasFocus() || k < 0) {
        return nullptr;
    }
    return child(IndexOf(k, kColUnit));
}

QString CNavigationGridAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name && Grid()->accessibleName().isEmpty()) {
        return Grid()->HeadingText();
    }
    return QAccessibleWidget::text(t);
}

QAccessibleInterface* CNavigationGridAccessible::caption() const {
    return child(0);
}

QAccessibleInterface* CNavigationGridAccessible::summary() const {
    return nullptr;
}

QAccessibleInterface* CNavigationGridAccessible::cellAt(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= kColCount) {
        return nullptr;
    }
    return child(IndexOf(row, column));
}

int CNavigationGridAccessible::selectedCellCount() const {
    return selectedRowCount() * kColCount;
}

QList<QAccessibleInterface*> CNavigationGridAccessible::selectedCells() const {
    QList<QAccessibleInterface*> cells;
    for (const int row : selectedRows()) {
        for (int column = 0; column < kColCount; ++column) {
            cells.push_back(cellAt(row, column));
        }
    }
    return cells;
}

QString CNavigationGridAccessible::columnDescription(int column) const {
    return ColumnName(column);
}

QString CNavigationGridAccessible::rowDescription(int row) const {
    QAccessibleInterface* title = cellAt(row, kColUnit);
    return title != nullptr ? title->text(QAccessible::Name) : QString();
}

int CNavigationGridAccessible::selectedColumnCount() const {
    return 0;
}

int CNavigationGridAccessible::selectedRowCount() const {
    return static_cast<int>(selectedRows().size());
}

int CNavigationGridAccessible::columnCount() const {
    return kColCount;
}

int CNavigationGridAccessible::rowCount() const {
    return Grid()->ShownUnits();
}

QList<int> CNavigationGridAccessible::selectedColumns() const {
    return {};
}

QList<int> CNavigationGridAccessible::selectedRows() const {
    const int k = Grid()->CurrentUnitPosition();
    return k >= 0 && k < rowCount() ? QList<int>{k} : QList<int>{};
}

bool CNavigationGridAccessible::isColumnSelected(int) const {
    return false;
}

bool CNavigationGridAccessible::isRowSelected(int row) const {
    return row >= 0 && row == Grid()->CurrentUnitPosition();
}

bool CNavigationGridAccessible::selectRow(int row) {
    if (!Grid()->isEnabled() || row < 0 || row >= rowCount()) {
        return false;
    }
    Grid()->ChooseBlock(row);
    return isRowSelected(row);
}

bool CNavigationGridAccessible::selectColumn(int) {
    return false;
}

bool CNavigationGridAccessible::unselectRow(int) {
    return false;
}

bool CNavigationGridAccessible::unselectColumn(int) {
    return false;
}

void CNavigationGridAccessible::modelChange(QAccessibleTableModelChangeEvent*) {
    // The cells read the grid whenever they are asked: nothing to bring up to date.
}
