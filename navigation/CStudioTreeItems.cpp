#include "navigation/CStudioTreeItems.h"

#include <QTreeWidget>
#include <functional>

#include "model/StudioManager.h"

namespace {

// What an item shows: its kind, and where its record sits (a studio's number; a unit's or a
// light name's UnitRef).
constexpr int kKindRole = Qt::UserRole + 1;
constexpr int kStudioRole = Qt::UserRole + 2;
constexpr int kSlotRole = Qt::UserRole + 3;
constexpr int kSerialRole = Qt::UserRole + 4;
constexpr int kHandleRole = Qt::UserRole + 5;

QString UnitLabel(const StrobeData* unit) {
    return QStringLiteral("%1 %2").arg(unit->sChName, unit->sModelName);
}

// Inserts child under parent at its place in label order, after equal labels.
void InsertSorted(QTreeWidgetItem* parent, QTreeWidgetItem* child) {
    const QString label = child->text(0);
    int pos = 0;
    while (pos < parent->childCount() &&
           QString::compare(parent->child(pos)->text(0), label, Qt::CaseInsensitive) <= 0) {
        ++pos;
    }
    parent->insertChild(pos, child);
}

}  // namespace

CStudioTreeItems::CStudioTreeItems(QTreeWidget& tree, StudioManager& manager)
    : m_tree(tree), m_manager(manager) {}

QTreeWidgetItem* CStudioTreeItems::StudioItem(int studioNum) const {
    return studioNum >= 0 && studioNum < kStudioCount ? m_studioItems[studioNum] : nullptr;
}

void CStudioTreeItems::FillStudios() {
    for (int i = 0; i < kStudioCount; ++i) {
        StudioData* studio = m_manager.studios[i].get();
        QTreeWidgetItem* item = nullptr;
        if (!studio->sStudioName.isEmpty()) {
            item = new QTreeWidgetItem(QStringList{studio->sStudioName});
            item->setIcon(0, m_images[kImageStudio]);
            Attach(*studio, kNodeStudio, item, UnitRef{i, -1, 0});
            m_tree.addTopLevelItem(item);
        }
        m_studioItems[i] = item;
    }
}

void CStudioTreeItems::InsertUnitItems(StrobeData* unit, QTreeWidgetItem* parent) {
    if (unit == nullptr || parent == nullptr) {
        return;
    }
    auto* unitItem = new QTreeWidgetItem(QStringList{UnitLabel(unit)});
    unitItem->setIcon(0, m_images[kImageUnit]);
    const UnitRef where = RefOf(unit);
    Attach(*unit, kNodeUnit, unitItem, where);
    InsertSorted(parent, unitItem);
    ShowAnswerState(unitItem, unit);

    LightNode* light = &unit->lightNode;
    auto* lightItem = new QTreeWidgetItem(QStringList{light->sLightName});
    lightItem->setIcon(0, m_images[kImageLight]);
    Attach(*light, kNodeLight, lightItem, where);
    InsertSorted(unitItem, lightItem);
}

void CStudioTreeItems::Attach(StudioNode& node, NodeKind kind, QTreeWidgetItem* item,
                              const UnitRef& where) {
    const TreeItemHandle handle = m_nextHandle++;
    item->setData(0, kKindRole, int{kind});
    item->setData(0, kStudioRole, where.nStudioNum);
    item->setData(0, kSlotRole, where.nSlot);
    item->setData(0, kSerialRole, QVariant::fromValue<quint64>(where.nSerial));
    item->setData(0, kHandleRole, QVariant::fromValue<TreeItemHandle>(handle));
    node.nNodeKind = kind;
    node.hTreeItem = handle;
    m_itemsByHandle[handle] = item;
}

void CStudioTreeItems::ShowNames(const StrobeData* unit) {
    if (QTreeWidgetItem* item = ItemOf(unit)) {
        // The record that took the name gets the label, wherever the tree's selection is.
        item->setText(0, UnitLabel(unit));
        ShowAnswerState(item, unit);
    }
    if (QTreeWidgetItem* item = ItemOf(unit != nullptr ? &unit->lightNode : nullptr)) {
        item->setText(0, unit->lightNode.sLightName);
    }
}

void CStudioTreeItems::ShowAnswerState(QTreeWidgetItem* item, const StrobeData* unit) const {
    const bool silent = unit->bNoAnswer != 0;
    item->setForeground(
        0, silent ? m_tree.palette().brush(QPalette::Disabled, QPalette::Text) : QBrush());
    item->setData(
        0, Qt::AccessibleTextRole,
        silent ? QVariant(QStringLiteral("%1, No answer").arg(item->text(0))) : QVariant());
    item->setToolTip(0, silent ? QStringLiteral("No answer") : QString());
}

void CStudioTreeItems::Forget(const QTreeWidgetItem* item) {
    m_itemsByHandle.erase(item->data(0, kHandleRole).value<TreeItemHandle>());
}

bool CStudioTreeItems::IsInTree(const QTreeWidgetItem* item) const {
    if (item == nullptr) {
        return false;
    }
    // Compared by address only: a record's handle may name an item that is gone.
    std::function<bool(const QTreeWidgetItem*)> holds = [&](const QTreeWidgetItem* parent) {
        for (int i = 0; i < parent->childCount(); ++i) {
            if (parent->child(i) == item || holds(parent->child(i))) {
                return true;
            }
        }
        return false;
    };
    return holds(m_tree.invisibleRootItem());
}

QTreeWidgetItem* CStudioTreeItems::ItemOf(const StudioNode* node) const {
    if (node == nullptr) {
        return nullptr;
    }
    const auto found = m_itemsByHandle.find(node->hTreeItem);
    return found != m_itemsByHandle.end() ? found->second : nullptr;
}

UnitRef CStudioTreeItems::WhereOf(const QTreeWidgetItem* item) {
    return UnitRef{item->data(0, kStudioRole).toInt(), item->data(0, kSlotRole).toInt(),
                   item->data(0, kSerialRole).value<quint64>()};
}

StudioNode* CStudioTreeItems::RecordOf(QTreeWidgetItem* item) const {
    if (item == nullptr) {
        return nullptr;
    }
    const UnitRef where = WhereOf(item);
    switch (item->data(0, kKindRole).toInt()) {
        case kNodeStudio:
            return m_manager.StudioAt(where.nStudioNum);
        case kNodeUnit:
            return m_manager.Resolve(where);
        case kNodeLight: {
            // A light name is alive while its unit is, and is that unit's own light node.
            StrobeData* unit = m_manager.Resolve(where);
            return unit != nullptr ? &unit->lightNode : nullptr;
        }
        default:
            return nullptr;
    }
}
