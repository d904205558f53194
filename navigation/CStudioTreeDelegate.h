#pragma once

#include <QColor>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

// Paints the studio list's items: the item under the mouse (the hot item), when it is not
// selected, white on black; every other item as the tree paints it (the tree's palette gives
// the selected item its colours).
class CStudioTreeDelegate : public QStyledItemDelegate {
public:
    explicit CStudioTreeDelegate(QObject* parent = nullptr);

    void SetHotIndex(const QModelIndex& index) { m_hot = index; }
    QModelIndex HotIndex() const { return m_hot; }

    static QColor SelectedText() { return QColor(0, 192, 0); }
    static QColor SelectedBack() { return QColor(230, 230, 230); }
    static QColor HotText() { return QColor(Qt::white); }
    static QColor HotBack() { return QColor(Qt::black); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    QPersistentModelIndex m_hot;
};
