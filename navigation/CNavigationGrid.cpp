#include "navigation/CNavigationGrid.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <algorithm>

#include "host/CFrameHost.h"
#include "host/ToolFlag.h"
#include "model/FieldCode.h"
#include "model/StudioManager.h"
#include "navigation/CNavigationGridAccessible.h"
#include "navigation/CUnitBlockLook.h"
#include "navigation/UnitIcons.h"
#include "widgets/CellHeightFont.h"

namespace {

constexpr int kHeadingHeightPx = 30;
constexpr int kRowHeightPx = 20;
constexpr int kColWidthPx = 20;
constexpr int kNameColWidthPx = 150;
constexpr int kSpacerHeightPx = 2;

const QColor kHeadingBack(157, 206, 255);
const QColor kHeadingText(0, 0, 128);
const QColor kTitleBack(240, 240, 240);
const QColor kTitleText(252, 65, 50);

const Qt::Alignment kLeftCentred = Qt::AlignLeft | Qt::AlignVCenter;

}  // namespace

CNavigationGrid::CNavigationGrid(CFrameHost& host, QWidget* parent)
    : CGridCtrl(parent), m_host(host), m_manager(host.Manager()) {
    static const bool kAccessibleInstalled = [] {
        QAccessible::installFactory(&CNavigationGridAccessible::Factory);
        return true;
    }();
    (void)kAccessibleInstalled;
}

void CNavigationGrid::IconCell(Icon icon, int k, int& col, int& row) {
    static constexpr int kCols[kIconCount] = {2, 3, 2, 3, 4};
    static constexpr int kRowOffsets[kIconCount] = {2, 2, 3, 3, 3};
    col = kCols[icon];
    row = kRowsPerUnit * k + kRowOffsets[icon];
}

const QPixmap& CNavigationGrid::IconPixmap(Icon icon, int fieldValue) const {
    // Drawn when first shown, not at start-up, when the grid has no units yet.
    if (m_icons[icon][0].isNull()) {
        DrawIcons();
    }
    return m_icons[icon][fieldValue == 1 ? 0 : 1];
}

void CNavigationGrid::OnSetup() {
    m_headingFont = FontByCellHeight(QStringLiteral("MS Sans Serif"), 14, 900);

    SetHeadingHeight(kHeadingHeightPx);
    SetSideHeadingWidth(0);
    SetDefaultRowHeight(kRowHeightPx);
    SetDefaultColWidth(kColWidthPx);
    SetColCount(kColCount);
    SetColWidth(1, kNameColWidthPx);
    SetUserSizing(false);

    SetHeadingDefault(kHeadingBack, kHeadingText, m_headingFont, kLeftCentred);
    SetCellType(0, -1, kCellTypeTickBox, kTickBox3DRecessed);
    JoinCells(0, -1, kColCount - 1, -1);
    sHeadingText = QStringLiteral("Channel Select");
    SetCellLabel(0, -1, sHeadingText);
    setToolTip(QStringLiteral("Arrow keys: another unit; Space: tick or clear the current unit"));
}

void CNavigationGrid::DrawIcons() const {
    m_iconScale = devicePixelRatioF();
    for (int icon = 0; icon < kIconCount; ++icon) {
        m_icons[icon][0] = UnitIcon(static_cast<Icon>(icon), true, m_iconScale);
        m_icons[icon][1] = UnitIcon(static_cast<Icon>(icon), false, m_iconScale);
    }
}

bool CNavigationGrid::viewportEvent(QEvent* e) {
    if (e->type() != QEvent::ToolTip) {
        return CGridCtrl::viewportEvent(e);
    }
    const auto* help = static_cast<QHelpEvent*>(e);
    int col = 0;
    int row = 0;
    if (HitTest(help->pos(), col, row) && col >= 0 && row >= 0) {
        const int k = row / kRowsPerUnit;
        for (int icon = 0; icon < kIconCount && k < nShownUnits; ++icon) {
            int iconCol = 0;
            int iconRow = 0;
            IconCell(static_cast<Icon>(icon), k, iconCol, iconRow);
            const StrobeData* unit = UnitAtPosition(k);
            if (iconCol == col && iconRow == row && unit != nullptr) {
                QToolTip::showText(help->globalPos(),
                                   UnitIconToolTip(static_cast<Icon>(icon),
                                                   UnitIconValue(static_cast<Icon>(icon), unit)),
                                   viewport(), CellRect(col, row));
                return true;
            }
        }
    }
    return CGridCtrl::viewportEvent(e);
}

bool CNavigationGrid::event(QEvent* e) {
    // On a screen of another scale, every shown icon is drawn again for it.
    if ((e->type() == QEvent::ScreenChangeInternal || e->type() == QEvent::Show) &&
        !m_icons[0][0].isNull() && !qFuzzyCompare(devicePixelRatioF(), m_iconScale)) {
        DrawIcons();
        for (int k = 0; k < nShownUnits; ++k) {
            if (const StrobeData* unit = UnitAtPosition(k)) {
                SetAllIcons(unit, k);
            }
        }
        RedrawAll();
    }
    return CGridCtrl::event(e);
}

void CNavigationGrid::ShowStudio(StudioData* studio) {
    if (studio == nullptr) {
        return;
    }
    sHeadingText = QStringLiteral("Channel Select [ %1 ]").arg(studio->sStudioName);
    SetCellLabel(0, -1, sHeadingText);

    for (int row = RowCount() - 1; row >= 0; --row) {
        DeleteRow(row);
    }
    m_manager.gridUnits.clear();
    nShownUnits = 0;
    nCurrentUnit = -1;

    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (StrobeData* unit = studio->UnitAt(slot)) {
            AddUnitBlock(unit);
            m_manager.gridUnits.push_back(unit);
        }
    }
    nCurrentUnit = -1;
    SyncHeadingTick();
    RedrawAll();
    CNavigationGridAccessible::NotifyRebuilt(this);
}

void CNavigationGrid::AddUnitBlock(StrobeData* unit) {
    const int r = RowCount();
    const int k = r / kRowsPerUnit;
    for (int i = 0; i < kRowsPerUnit; ++i) {
        AppendRow();
    }
    SetRowHeight(r, kSpacerHeightPx);

    SetCellBackColor(0, r + 1, kTitleBack);
    SetCellTextColor(0, r + 1, kTitleText);
    SetDefaultFont(TitleFont());  // for the block's cells without a font of their own
    SetCellFont(0, r + 1, TitleFont());
    SetCellAlignment(0, r + 1, kLeftCentred);
    SetCellType(0, r + 2, kCellTypeTickBox, kTickBox3DRecessed | kTickBoxMultiLine);
    SetCellAlignment(0, r + 2, kLeftCentred);

    JoinCells(0, r, kColCount - 1, r);
    JoinCells(0, r + 1, kColCount - 1, r + 1);
    JoinCells(0, r + 2, 1, r + 3);

    SetCellText(0, r + 1, CUnitBlockLook::TitleText(*unit));
    // A rebuilt box shows whether the unit is ticked: the selected-units panel acts on every
    // ticked unit, so none may hide behind a cleared box.
    SetCellText(0, r + 2, QString::number(unit->bSelected != 0 ? 1 : 0));
    PaintUnitStatus(unit, k, false);
    SetAllIcons(unit, k);
    ++nShownUnits;
}

void CNavigationGrid::PaintUnitStatus(StrobeData* unit, int k, bool redraw) {
    const int row = StatusRow(k);
    const CUnitBlockLook::Status status = CUnitBlockLook::StatusOf(*unit, k == nCurrentUnit);
    SetCellLabel(0, row, status.text);
    SetCellFont(0, row, status.normal ? TitleFont() : BigFont());
    SetCellBackColor(0, row, status.back);
    SetCellTextColor(0, row, status.textColor);
    if (redraw) {
        RedrawCell(0, row);
    }
    CNavigationGridAccessible::Notify(this, k, CNavigationGridAccessible::kColStatus,
                                      QAccessible::NameChanged);
}

void CNavigationGrid::SetIcon(Icon icon, const StrobeData* unit, int k) {
    int col = 0;
    int row = 0;
    IconCell(icon, k, col, row);
    SetCellBitmap(col, row, IconPixmap(icon, UnitIconValue(icon, unit)));
    CNavigationGridAccessible::Notify(this, k, CNavigationGridAccessible::ColumnOf(icon),
                                      QAccessible::NameChanged);
}

bool CNavigationGrid::IconOn(Icon icon, int k) const {
    int col = 0;
    int row = 0;
    IconCell(icon, k, col, row);
    return k >= 0 && k < nShownUnits &&
           CellBitmap(col, row).cacheKey() == IconPixmap(icon, 1).cacheKey();
}

void CNavigationGrid::SetAllIcons(const StrobeData* unit, int k) {
    for (int icon = 0; icon < kIconCount; ++icon) {
        SetIcon(static_cast<Icon>(icon), unit, k);
    }
}

int CNavigationGrid::PositionOf(const StrobeData* unit) const {
    if (unit == nullptr) {
        return -1;
    }
    const auto& units = m_manager.gridUnits;
    const auto it = std::find(units.begin(), units.end(), unit);
    // Only blocks that are on screen count.
    const int k = it == units.end() ? -1 : static_cast<int>(it - units.begin());
    return k < nShownUnits ? k : -1;
}

StrobeData* CNavigationGrid::UnitAtPosition(int k) const {
    const auto& units = m_manager.gridUnits;
    return k >= 0 && k < nShownUnits && k < static_cast<int>(units.size()) ? units[k] : nullptr;
}

void CNavigationGrid::UpdateUnitField(int fieldCode, StrobeData* unit) {
    const int k = PositionOf(unit);
    if (k < 0) {
        return;
    }
    auto redrawIcon = [this, unit, k](Icon icon) {
        SetIcon(icon, unit, k);
        int col = 0;
        int row = 0;
        IconCell(icon, k, col, row);
        RedrawCell(col, row);
    };
    switch (fieldCode) {
        case kFieldFlashValue:
        case kFieldModelValue:
        case kFieldModelPow:
            if (CUnitBlockLook::WorksNormally(*unit)) {
                SetCellLabel(0, StatusRow(k), CUnitBlockLook::NormalStatusText(*unit));
                RedrawCell(0, StatusRow(k));
                CNavigationGridAccessible::Notify(this, k, CNavigationGridAccessible::kColStatus,
                                                  QAccessible::NameChanged);
            }
            break;
        case kFieldFlashCell:
            redrawIcon(kIconCell);
            break;
        case kFieldFlashSound:
            redrawIcon(kIconSound);
            break;
        case kFieldFlashPow:
        case kFieldTemperature:
            PaintUnitStatus(unit, k, true);
            break;
        case kFieldModelMode1:
            redrawIcon(kIconMode1);
            break;
        case kFieldModelMode2:
            redrawIcon(kIconMode2);
            break;
        case kFieldFlashCharge:
            redrawIcon(kIconCharge);
            break;
        default:
            break;
    }
}

void CNavigationGrid::RefreshUnitRows(StrobeData* unit) {
    const int k = PositionOf(unit);
    if (k < 0) {
        return;
    }
    SetCellText(0, TitleRow(k), CUnitBlockLook::TitleText(*unit));
    PaintUnitStatus(unit, k, false);
    SetAllIcons(unit, k);
    RedrawRange(0, TitleRow(k), kColCount - 1, StatusRow(k) + 1);
    CNavigationGridAccessible::Notify(this, k, CNavigationGridAccessible::kColUnit,
                                      QAccessible::NameChanged);
}

void CNavigationGrid::GoToUnit(StrobeData* unit) {
    const int k = PositionOf(unit);
    if (k >= 0) {
        GotoCell(0, TitleRow(k));
    }
}

void CNavigationGrid::OnCellChange(int, int, int, int newRow) {
    PickBlock(newRow / kRowsPerUnit);
}

void CNavigationGrid::mousePressEvent(QMouseEvent* event) {
    int col = 0;
    int row = 0;
    const bool onBlock = event->button() == Qt::LeftButton &&
                         HitTest(event->position().toPoint(), col, row) && col >= 0 && row >= 0;
    CGridCtrl::mousePressEvent(event);
    // The grid's current cell may already be in this block while its unit is not current
    // (the studio itself was chosen since): the click picks it all the same.
    if (onBlock) {
        PickBlock(row / kRowsPerUnit);
    }
}

void CNavigationGrid::PickBlock(int k) {
    StrobeData* unit = UnitAtPosition(k);
    if (unit == nullptr || (k == nCurrentUnit && CurrentUnit(m_manager) == unit)) {
        return;
    }
    StrobeData* previous = UnitAtPosition(nCurrentUnit);
    const int previousK = nCurrentUnit;
    nCurrentUnit = k;
    PaintUnitStatus(unit, k, false);
    if (previous != nullptr && previousK != k) {
        PaintUnitStatus(previous, previousK, false);
    }
    // A light name chosen in the studio list stays the current node; the grid shows its unit.
    if (CurrentUnit(m_manager) != unit) {
        m_manager.currentNode = unit;
    }
    emit unitPicked();
    RedrawAll();
    if (hasFocus()) {
        CNavigationGridAccessible::Notify(this, k, CNavigationGridAccessible::kColUnit,
                                          QAccessible::Focus);
    }
}

void CNavigationGrid::ChooseBlock(int k) {
    if (UnitAtPosition(k) == nullptr) {
        return;
    }
    // As a click on the title: the current cell moves there, and the block is picked also
    // when the cell was already in it.
    GotoCell(0, TitleRow(k));
    PickBlock(k);
}

void CNavigationGrid::ToggleBlockTick(int k) {
    if (UnitAtPosition(k) != nullptr) {
        ToggleTickBox(0, StatusRow(k));
    }
}

void CNavigationGrid::ToggleUnitTick(const StrobeData* unit) {
    const int k = PositionOf(unit);
    if (k >= 0) {
        ToggleBlockTick(k);
    }
}

void CNavigationGrid::DropCurrentUnit() {
    StrobeData* previous = UnitAtPosition(nCurrentUnit);
    const int previousK = nCurrentUnit;
    nCurrentUnit = -1;
    if (previous != nullptr) {
        PaintUnitStatus(previous, previousK, true);
        emit panelReset();
    }
}

void CNavigationGrid::SyncHeadingTick() {
    bool all = nShownUnits > 0;
    for (int k = 0; k < nShownUnits && all; ++k) {
        const StrobeData* unit = UnitAtPosition(k);
        all = unit != nullptr && unit->bSelected != 0;
    }
    SetCellText(0, -1, QString::number(all ? 1 : 0));
    RedrawCell(0, -1);
}

bool CNavigationGrid::OnCellTypeNotify(int typeId, int col, int row, int event, int value) {
    if (typeId != kCellTypeTickBox || event != kTickBoxSetEvent || col != 0) {
        return true;
    }
    if (row == -1) {
        for (int k = 0; k < nShownUnits; ++k) {
            SetCellText(0, StatusRow(k), QString::number(value));
            if (StrobeData* unit = UnitAtPosition(k)) {
                unit->bSelected = value;
            }
        }
        RedrawAll();
    } else if (row >= 0 && row % kRowsPerUnit == 2) {
        if (StrobeData* unit = UnitAtPosition(row / kRowsPerUnit)) {
            unit->bSelected = value;
        }
        SyncHeadingTick();
    }
    // Told once the box shows it (the grid sets the box's text after this hook).
    QMetaObject::invokeMethod(
        this,
        [this, row] {
            CNavigationGridAccessible::Notify(this, row < 0 ? -1 : row / kRowsPerUnit,
                                              CNavigationGridAccessible::kColStatus,
                                              QAccessible::StateChanged);
        },
        Qt::QueuedConnection);
    return true;
}
