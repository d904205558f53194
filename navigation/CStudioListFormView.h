#pragma once

#include <QFont>
#include <QIcon>
#include <QWidget>

#include "model/UnitRef.h"
#include "navigation/CStudioTreeItems.h"

class CFrameHost;
class CStudioTreeDelegate;
class CTitleSeparator;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;
class StudioManager;
struct StudioData;
struct StrobeData;

// The left-hand pane: the five studios, the units each holds and each unit's light name.
// Choosing a node drives the navigation grid (or asks the frame to switch the dongle to the
// studio); the name edit under the tree renames units and light names.
class CStudioListFormView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kImageStudio = CStudioTreeItems::kImageStudio;
    static constexpr int kImageUnit = CStudioTreeItems::kImageUnit;
    static constexpr int kImageLight = CStudioTreeItems::kImageLight;

    explicit CStudioListFormView(CFrameHost& host, QWidget* parent = nullptr);

    void OnInitialUpdate();

    void FillStudios() { m_items.FillStudios(); }
    void RefillStudio(int studioNum);
    void InsertUnitItems(StrobeData* unit, QTreeWidgetItem* parent) {
        m_items.InsertUnitItems(unit, parent);
    }

    QTreeWidget& Tree() { return *m_tree; }
    QLineEdit& NameEdit() { return *m_nameEdit; }
    CTitleSeparator& Title() { return *m_title; }
    QTreeWidgetItem* StudioItem(int studioNum) const { return m_items.StudioItem(studioNum); }
    QTreeWidgetItem* ShownStudioItem() const { return m_shownStudioItem; }
    // The tree's own drawing of the images of studios, units and light names.
    const QIcon& Image(int index) const { return m_items.Image(index); }

    // As narrow as the view can be with its title in full; the tree scrolls sideways.
    QSize minimumSizeHint() const override;

    // The studio item's context menu entry: the studio becomes the current one (without the
    // scan its choice would otherwise start: the roll call switches the dongle to it) and the
    // frame is asked for a roll call.
    void CheckUnitsOf(QTreeWidgetItem* studioItem);

    // The tool bar's Name (WM_RENAME_NODE): the chosen unit or light takes the name typed.
    void Rename();
    // A scan emptied studio (WM_STUDIO_CLEARED): its items are made anew and the grid shows it.
    void OnStudioCleared(StudioData* studio);

signals:
    // The operator's choice, for the grid: a studio to show (WM_SHOW_STUDIO); a unit to go to,
    // with the studio shown anew first when rebuild, or none when the shown studio itself was
    // chosen (WM_SHOW_NODE). Sent: the grid follows before the choice's handling goes on.
    void studioShown(StudioData* studio);
    void nodeShown(StrobeData* unit, bool rebuild);
    // A unit a report placed is in the tree now (WM_UNIT_ADDED, sent on to the grid).
    void unitListed(const UnitRef& unit);
    // The choice of a studio the dongle is not on asks for a scan (WM_SCAN_STUDIO); the
    // studio's "Check units" for a roll call (WM_CHECK_UNITS). Both queued by the frame.
    void scanRequested();
    void checkRequested();

public:
    // The grid picked a unit (WM_UNIT_PICKED): the selection moves to the current unit,
    // wherever it was picked (a light name of that unit chosen here stays chosen).
    void FollowCurrentUnit();
    // The item a record's node header names, when that item is still in the tree.
    QTreeWidgetItem* ItemOf(const StudioNode* node) const { return m_items.ItemOf(node); }
    // The live record an item shows, or nullptr (no item, or its record is gone).
    StudioNode* RecordOf(QTreeWidgetItem* item) const { return m_items.RecordOf(item); }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void OnSelectionChanged(QTreeWidgetItem* item);
    QTreeWidgetItem* SelectedItem() const;
    // A report placed a unit (WM_UNIT_ADDED): its items join the tree, and the grid hears.
    void OnUnitAdded(const UnitRef& unit);
    // A memory was applied to the current studio (WM_BM_APPLIED): its items are made anew.
    void OnMemoryApplied();
    // A unit's name or light name changed: its items show it.
    void OnUnitRenamed(const UnitRef& unit);
    void SetUpTree();
    // The items under item leave the tree, and their records' map with them.
    void RemoveChildren(QTreeWidgetItem* item);
    void SetHotItem(QTreeWidgetItem* item);
    void ShowContextMenu(const QPoint& at);
    // A unit's (or its light's) menu: "Light meter...".
    void ShowUnitMenu(QTreeWidgetItem* item, const QPoint& at);
    void Layout();

    QTreeWidget* m_tree;
    CTitleSeparator* m_title;
    QLineEdit* m_nameEdit;
    QFont m_titleFont;
    CFrameHost& m_host;
    StudioManager& m_manager;
    CStudioTreeItems m_items;
    QTreeWidgetItem* m_shownStudioItem = nullptr;
    QTreeWidgetItem* m_lastSelectedItem = nullptr;
    CStudioTreeDelegate* m_delegate;
    // While a refill removes items, the tree's own moves of the selection wait: the removed
    // items may show records that no longer exist.
    bool m_refilling = false;
    bool m_checkFollows = false;  // a roll call of the chosen studio follows its choice
    bool m_filled = false;
    int m_titleWidthPx = 0;  // as the template places it
};
