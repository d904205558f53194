#pragma once

#include <QAccessibleInterface>
#include <QPointer>

class CNavigationGrid;

// One cell of the navigation grid's table (see CNavigationGridAccessible), or the heading's
// tick box (block -1). It holds only its place and reads the grid whenever it is asked, so a
// rebuilt grid never leaves it showing a unit that is gone. Its actions do what a click does:
// a tick box is ticked or cleared, a title makes its unit current.
class CNavigationCellAccessible : public QAccessibleInterface,
                                  public QAccessibleTableCellInterface,
                                  public QAccessibleActionInterface {
public:
    CNavigationCellAccessible(CNavigationGrid* grid, int k, int column);

    bool isValid() const override;
    QObject* object() const override;
    QWindow* window() const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString& text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    bool isSelected() const override;
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override;
    int columnIndex() const override;
    int rowIndex() const override;
    int columnExtent() const override;
    int rowExtent() const override;
    QAccessibleInterface* table() const override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

    const CNavigationGrid* Grid() const { return m_grid; }
    int Block() const { return m_k; }
    int Column() const { return m_column; }

private:
    bool IsTickBox() const;
    // Where the cell is drawn, in the grid's viewport.
    QRect GridRect() const;

    QPointer<CNavigationGrid> m_grid;
    int m_k;
    int m_column;
};
