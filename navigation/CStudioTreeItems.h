#pragma once

#include <QIcon>
#include <array>
#include <unordered_map>

#include "model/StudioNode.h"
#include "model/UnitRef.h"

class QTreeWidget;
class QTreeWidgetItem;
class StudioManager;
struct StrobeData;

// The studio list's items and the records they show. A record's header names its item by a
// handle of this map's own, and an item names its record by where it sits (studio, slot and
// placement), resolved through the model: an item whose record is gone shows none.
class CStudioTreeItems {
public:
    static constexpr int kImageStudio = 0;
    static constexpr int kImageUnit = 1;
    static constexpr int kImageLight = 2;

    CStudioTreeItems(QTreeWidget& tree, StudioManager& manager);

    void SetImages(const std::array<QIcon, 3>& images) { m_images = images; }
    const QIcon& Image(int index) const { return m_images[index]; }

    // An item at the top of the tree for each studio that has a name.
    void FillStudios();
    QTreeWidgetItem* StudioItem(int studioNum) const;
    // The unit's item under parent, and its light name's under that, each in label order.
    void InsertUnitItems(StrobeData* unit, QTreeWidgetItem* parent);
    // The unit's items show its present name and light name.
    void ShowNames(const StrobeData* unit);
    // A unit that did not answer a roll call is greyed, and heard as not answering.
    void ShowAnswerState(QTreeWidgetItem* item, const StrobeData* unit) const;
    // The item leaves the map as it leaves the tree.
    void Forget(const QTreeWidgetItem* item);

    bool IsInTree(const QTreeWidgetItem* item) const;
    // The item a record's node header names, when that item is still in the tree.
    QTreeWidgetItem* ItemOf(const StudioNode* node) const;
    // The live record an item shows, or nullptr (no item, or its record is gone).
    StudioNode* RecordOf(QTreeWidgetItem* item) const;
    // Where the record an item shows sits; a light name's is its unit's.
    static UnitRef WhereOf(const QTreeWidgetItem* item);

private:
    void Attach(StudioNode& node, NodeKind kind, QTreeWidgetItem* item, const UnitRef& where);

    QTreeWidget& m_tree;
    StudioManager& m_manager;
    std::array<QIcon, 3> m_images;
    std::array<QTreeWidgetItem*, 5> m_studioItems{};
    std::unordered_map<TreeItemHandle, QTreeWidgetItem*> m_itemsByHandle;
    TreeItemHandle m_nextHandle = 1;
};
