#pragma once

#include <QAccessibleWidget>
#include <QHash>

#include "navigation/CNavigationGrid.h"

// The navigation grid as assistive technology sees it: a table with one row per unit block
// (its title; its status, which is its tick box; the five icons as text) under the heading's
// tick box, which is child 0 and the table's caption. The current unit's row is the selected
// row, and its title the focused cell while the grid has the keyboard focus. Cells are made
// when first asked for and read the grid as it is whenever they are asked.
class CNavigationGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    enum Column : int {
        kColUnit,
        kColStatus,
        kColMode1,
        kColMode2,
        kColCell,
        kColSound,
        kColCharge,
        kColCount
    };

    explicit CNavigationGridAccessible(CNavigationGrid* grid);
    ~CNavigationGridAccessible() override;

    // Makes the interface for the navigation grid; installed once, by the first grid.
    static QAccessibleInterface* Factory(const QString& key, QObject* object);
    static Column ColumnOf(CNavigationGrid::Icon icon);
    // Tells whoever listens that a cell of block k (k -1: the heading's box) changed; nothing
    // is made or sent while nobody listens.
    static void Notify(CNavigationGrid* grid, int k, int column, QAccessible::Event event);
    static void NotifyRebuilt(CNavigationGrid* grid);
    // The child index of a cell; the heading's box is 0.
    static int IndexOf(int k, int column) { return k < 0 ? 0 : 1 + k * kColCount + column; }
    static QString ColumnName(int column);

    CNavigationGrid* Grid() const;

    void* interface_cast(QAccessible::InterfaceType type) override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    QString text(QAccessible::Text t) const override;

    QAccessibleInterface* caption() const override;
    QAccessibleInterface* summary() const override;
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int selectedColumnCount() const override;
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override;
    QList<int> selectedRows() const override;
    bool isColumnSelected(int column) const override;
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int column) override;
    bool unselectRow(int row) override;
    bool unselectColumn(int column) override;
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

private:
    // Child index to the registered cell: the cells outlive a rebuild, reading the new blocks.
    mutable QHash<int, QAccessible::Id> m_cells;
};
