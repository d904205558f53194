#include "navigation/CStudioListFormView.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>

#include "control/CUnitControl.h"
#include "host/CFrameHost.h"
#include "host/ToolFlag.h"
#include "model/StudioManager.h"
#include "navigation/CLightMeterDlg.h"
#include "navigation/CStudioTreeDelegate.h"
#include "navigation/CStudioTreeItems.h"
#include "navigation/StudioTreeImages.h"
#include "widgets/CDialogUnits.h"
#include "widgets/CTitleSeparator.h"

namespace {

constexpr int kTreeLeftPx = 8;
constexpr int kTreeTopPx = 30;
constexpr int kWidthMarginPx = 20;
constexpr int kTreeHeightMarginPx = 70;
constexpr int kEditBottomOffsetPx = 30;

const QColor kTitleColor(0, 0, 128);

}  // namespace

CStudioListFormView::CStudioListFormView(CFrameHost& host, QWidget* parent)
    : QWidget(parent),
      m_tree(new QTreeWidget(this)),
      m_title(new CTitleSeparator(QStringLiteral("Studio List"), this)),
      m_nameEdit(new QLineEdit(this)),
      m_titleFont(CTitleSeparator::TitleFont()),
      m_host(host),
      m_manager(host.Manager()),
      m_items(*m_tree, m_manager),
      m_delegate(new CStudioTreeDelegate(this)) {
    connect(&host.Control(), &CUnitControl::memoryApplied, this,
            &CStudioListFormView::OnMemoryApplied);
    connect(&host.Control(), &CUnitControl::unitRenamed, this, &CStudioListFormView::OnUnitRenamed);
    // Whether the unit answers: all that the tree shows of the roll call's mark.
    connect(&host.Control(), &CUnitControl::answerMarked, this, [this](const UnitRef& ref) {
        const StrobeData* unit = m_manager.Resolve(ref);
        if (QTreeWidgetItem* item = ItemOf(unit)) {
            m_items.ShowAnswerState(item, unit);
        }
    });
    connect(&host.Control(), &CUnitControl::unitAdded, this, &CStudioListFormView::OnUnitAdded,
            Qt::QueuedConnection);
    // The header is never shown: it asks for no room, so the items alone size the column
    // (measuring its label would load a bold face for nothing). Before the font reaches it.
    m_tree->setHeaderHidden(true);
    m_tree->headerItem()->setData(0, Qt::SizeHintRole, QSize(0, 0));
    const QFont dialogFont = CDialogUnits::DialogFont();
    const CDialogUnits units(dialogFont);
    setFont(dialogFont);
    resize(units.Rect(0, 0, 130, 230).size());
    m_title->setGeometry(units.Rect(5, 5, 120, 9));
    m_titleWidthPx = m_title->width();
    m_tree->setGeometry(units.Rect(5, 19, 120, 190));
    m_nameEdit->setGeometry(units.Rect(5, 212, 120, 12));
    m_nameEdit->setMaxLength(kMaxNameLength);
    m_nameEdit->setAccessibleName(QStringLiteral("Name"));
    // The placeholder's text costs two thirds of a million instructions to lay out: it is
    // given right after the field's first paint, not before the window's.
    m_nameEdit->installEventFilter(this);

    SetUpTree();
    // Any change of the edit's text, typed or set, enables the Name command.
    connect(m_nameEdit, &QLineEdit::textChanged, this,
            [this](const QString&) { m_host.SetToolAvailable(kToolName, true); });
}

void CStudioListFormView::SetUpTree() {
    m_tree->setColumnCount(1);
    m_tree->setRootIsDecorated(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setIconSize(QSize(kStudioTreeImagePx, kStudioTreeImagePx));
    m_tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tree->header()->setStretchLastSection(false);
    m_tree->setItemDelegate(m_delegate);
    m_tree->setMouseTracking(true);
    m_tree->viewport()->installEventFilter(this);
    QPalette treePalette = m_tree->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        treePalette.setColor(group, QPalette::Highlight, CStudioTreeDelegate::SelectedBack());
        treePalette.setColor(group, QPalette::HighlightedText, CStudioTreeDelegate::SelectedText());
    }
    m_tree->setPalette(treePalette);

    // The selection, not the current item: focus alone moves the current item to the first
    // studio, and that is no choice of the operator's.
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, [this] {
        QTreeWidgetItem* item = SelectedItem();
        if (!m_refilling && item != m_lastSelectedItem) {
            OnSelectionChanged(item);
        }
    });
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QTreeWidget::customContextMenuRequested, this,
            &CStudioListFormView::ShowContextMenu);
}

void CStudioListFormView::OnInitialUpdate() {
    m_title->setFont(m_titleFont);
    m_title->SetColors(kTitleColor, kTitleColor, palette().color(QPalette::Light));
    m_items.SetImages(StudioTreeImages());
    if (!m_filled) {
        FillStudios();
        m_filled = true;
    }
    Layout();
}

void CStudioListFormView::RemoveChildren(QTreeWidgetItem* item) {
    while (item->childCount() > 0) {
        QTreeWidgetItem* child = item->child(item->childCount() - 1);
        RemoveChildren(child);
        m_items.Forget(child);
        if (child == m_lastSelectedItem) {
            m_lastSelectedItem = nullptr;
        }
        delete child;
    }
}

void CStudioListFormView::RefillStudio(int studioNum) {
    if (static_cast<unsigned>(studioNum) > 4U) {
        return;
    }
    QTreeWidgetItem* studioItem = StudioItem(studioNum);
    if (studioItem == nullptr) {
        return;
    }
    m_refilling = true;
    RemoveChildren(studioItem);
    m_refilling = false;
    const StudioData* studio = m_manager.studios[studioNum].get();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (StrobeData* unit = studio->UnitAt(slot)) {
            InsertUnitItems(unit, studioItem);
        }
    }
    // The removal may have moved the tree's selection; that move is handled now, when every
    // item shows a live record again.
    if (SelectedItem() != m_lastSelectedItem) {
        OnSelectionChanged(SelectedItem());
    }
}

QTreeWidgetItem* CStudioListFormView::SelectedItem() const {
    const QList<QTreeWidgetItem*> selected = m_tree->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void CStudioListFormView::OnSelectionChanged(QTreeWidgetItem* item) {
    StudioNode* record = RecordOf(item);
    m_manager.currentNode = record;
    if (record == nullptr) {
        m_lastSelectedItem = item;
        m_shownStudioItem = nullptr;
        return;
    }
    // A studio with units that the dongle is not switched to is reached by a scan.
    auto needsScan = [this](const StudioData* studio) {
        return !m_checkFollows && studio->nChItemCnt > 0 && m_manager.activeStudio != nullptr &&
               m_manager.activeStudio != studio;
    };
    if (record->RecordType() == kNodeStudio) {
        auto* studio = static_cast<StudioData*>(record);
        if (item != m_shownStudioItem) {
            if (needsScan(studio)) {
                emit scanRequested();
            } else {
                emit studioShown(studio);
            }
        } else {
            // The grid stays as it is, but no unit of it is current any more.
            emit nodeShown(nullptr, false);
        }
        m_nameEdit->setText(studio->sStudioName);
        m_nameEdit->setEnabled(false);
        m_shownStudioItem = item;
    } else {
        const bool isUnit = record->RecordType() == kNodeUnit;
        auto* unit =
            isUnit ? static_cast<StrobeData*>(record) : static_cast<StrobeData*>(record->pOwner);
        StudioData* studio = unit->Studio();
        QTreeWidgetItem* studioItem = ItemOf(studio);
        if (studioItem != nullptr && studioItem == m_shownStudioItem) {
            emit nodeShown(unit, false);
        } else if (studio != nullptr && needsScan(studio)) {
            emit scanRequested();
        } else {
            emit nodeShown(unit, true);
        }
        m_nameEdit->setText(isUnit ? unit->sModelName : unit->lightNode.sLightName);
        m_nameEdit->setEnabled(true);
        m_shownStudioItem = studioItem;
    }
    m_host.SetToolAvailable(kToolName, false);
    m_lastSelectedItem = item;
}

void CStudioListFormView::FollowCurrentUnit() {
    QTreeWidgetItem* item = ItemOf(CurrentUnit(m_manager));
    QTreeWidgetItem* selected = SelectedItem();
    if (item == nullptr || selected == item ||
        (selected != nullptr && selected->parent() == item)) {
        return;
    }
    if (item->parent() != nullptr) {
        item->parent()->setExpanded(true);
    }
    // Handled as the operator's choice of the item: the name field and the Name tool follow.
    m_tree->setCurrentItem(item);
    m_tree->scrollToItem(item);
}

void CStudioListFormView::Rename() {
    const QString text = m_nameEdit->text();
    StudioNode* node = m_manager.currentNode;
    // The tree and the grid's title of the unit show the new name at once.
    if (node != nullptr && node->RecordType() == kNodeUnit) {
        m_host.Control().Rename(*static_cast<StrobeData*>(node), text);
    } else if (node != nullptr && node->RecordType() == kNodeLight) {
        auto* light = static_cast<LightNode*>(node);
        if (auto* unit = static_cast<StrobeData*>(light->pOwner)) {
            m_host.Control().RenameLight(*unit, text);
        }
    }
    m_host.SetToolAvailable(kToolName, false);
}

void CStudioListFormView::OnUnitAdded(const UnitRef& ref) {
    // Queued: the unit may have gone before this arrives; then nobody hears of it.
    StrobeData* unit = m_manager.Resolve(ref);
    if (unit == nullptr) {
        return;
    }
    if (m_shownStudioItem != nullptr && ItemOf(unit) == nullptr) {
        // Under the unit's own studio, so that a unit never shows under another.
        const StudioData* studio = unit->Studio();
        InsertUnitItems(unit, StudioItem(studio != nullptr ? studio->nStudioNum : -1));
    }
    emit unitListed(ref);
}

void CStudioListFormView::OnStudioCleared(StudioData* studio) {
    if (m_manager.Contains(studio)) {
        RefillStudio(studio->nStudioNum);
        emit studioShown(studio);
    }
}

void CStudioListFormView::OnMemoryApplied() {
    StudioData* studio = CurrentStudio(m_manager);
    if (studio != nullptr) {
        RefillStudio(studio->nStudioNum);
        m_tree->viewport()->update();
        emit studioShown(studio);
    }
}

void CStudioListFormView::OnUnitRenamed(const UnitRef& ref) {
    m_items.ShowNames(m_manager.Resolve(ref));
}

void CStudioListFormView::SetHotItem(QTreeWidgetItem* item) {
    // Kept as a persistent index, which the tree clears when it removes the item.
    const QModelIndex index = item != nullptr ? m_tree->indexFromItem(item) : QModelIndex();
    const QModelIndex previous = m_delegate->HotIndex();
    if (index == previous) {
        return;
    }
    m_delegate->SetHotIndex(index);
    for (const QModelIndex& changed : {previous, index}) {
        if (changed.isValid()) {
            m_tree->viewport()->update(m_tree->visualRect(changed));
        }
    }
}

bool CStudioListFormView::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_nameEdit) {
        if (e->type() == QEvent::Paint) {
            m_nameEdit->removeEventFilter(this);
            QTimer::singleShot(0, m_nameEdit, [edit = m_nameEdit] {
                edit->setPlaceholderText(QStringLiteral("Unit or light name (F2 renames)"));
            });
        }
        return false;
    }
    if (watched == m_tree->viewport()) {
        // The right button opens the item's menu without choosing the item: choosing a studio
        // can start a scan, which the menu's roll call must not be preceded by.
        if ((e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick) &&
            static_cast<QMouseEvent*>(e)->button() == Qt::RightButton) {
            return true;
        }
        if (e->type() == QEvent::MouseMove) {
            SetHotItem(m_tree->itemAt(static_cast<QMouseEvent*>(e)->position().toPoint()));
        } else if (e->type() == QEvent::Leave) {
            SetHotItem(nullptr);
        }
    }
    return QWidget::eventFilter(watched, e);
}

void CStudioListFormView::ShowContextMenu(const QPoint& at) {
    // From the keyboard the menu comes for the current item.
    QTreeWidgetItem* item = m_tree->itemAt(at);
    if (item == nullptr) {
        item = m_tree->currentItem();
    }
    if (item == nullptr) {
        return;
    }
    if (item->parent() != nullptr) {
        ShowUnitMenu(item, at);
        return;
    }
    QMenu menu(m_tree);
    QAction* check = menu.addAction(QStringLiteral("Check units"));
    check->setObjectName(QStringLiteral("checkUnits"));
    check->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    check->setShortcutVisibleInContextMenu(true);
    const QPoint global = m_tree->viewport()->mapToGlobal(
        m_tree->itemAt(at) != nullptr ? at : m_tree->visualItemRect(item).center());
    if (menu.exec(global) == check) {
        CheckUnitsOf(item);
    }
}

void CStudioListFormView::ShowUnitMenu(QTreeWidgetItem* item, const QPoint& at) {
    // A unit or its light: the unit's menu.
    const UnitRef unit = CStudioTreeItems::WhereOf(item);
    QMenu menu(m_tree);
    QAction* meter = menu.addAction(QStringLiteral("Light meter..."));
    meter->setObjectName(QStringLiteral("lightMeter"));
    meter->setEnabled(m_host.IsConnected() && m_host.Manager().Resolve(unit) != nullptr);
    const QPoint global = m_tree->viewport()->mapToGlobal(
        m_tree->itemAt(at) != nullptr ? at : m_tree->visualItemRect(item).center());
    if (menu.exec(global) == meter) {
        CLightMeterDlg::OpenFor(m_host, unit, this);
    }
}

void CStudioListFormView::CheckUnitsOf(QTreeWidgetItem* studioItem) {
    if (studioItem == nullptr || !m_items.IsInTree(studioItem)) {
        return;
    }
    if (studioItem != SelectedItem()) {
        m_checkFollows = true;
        m_tree->setCurrentItem(studioItem);
        m_checkFollows = false;
    }
    emit checkRequested();
}

QSize CStudioListFormView::minimumSizeHint() const {
    const int titleWidth =
        m_title->x() + QFontMetrics(m_title->font()).horizontalAdvance(m_title->text());
    return {titleWidth + kWidthMarginPx - kTreeLeftPx, QWidget::minimumSizeHint().height()};
}

void CStudioListFormView::Layout() {
    const int w = width() - kWidthMarginPx;
    // A view narrower than its template (a face wider than Arial) keeps its title inside it.
    m_title->resize(std::min(m_titleWidthPx, kTreeLeftPx + w - m_title->x()), m_title->height());
    m_tree->setGeometry(kTreeLeftPx, kTreeTopPx, w, height() - kTreeHeightMarginPx);
    m_nameEdit->setGeometry(kTreeLeftPx, height() - kEditBottomOffsetPx, w, m_nameEdit->height());
    m_tree->viewport()->update();
    m_nameEdit->update();
}

void CStudioListFormView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    Layout();
}
