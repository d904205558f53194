#include "navigation/CNavigationFormView.h"

#include <QMenu>

#include <QFontMetrics>
#include <QResizeEvent>
#include <QStyle>
#include <algorithm>

#include "control/CUnitControl.h"
#include "host/CFrameHost.h"
#include "model/StudioManager.h"
#include "navigation/CLightMeterDlg.h"
#include "navigation/CNavigationGrid.h"
#include "widgets/CDialogUnits.h"
#include "widgets/CGridCtrl.h"
#include "widgets/CTitleSeparator.h"

namespace {

constexpr int kGridLeftPx = 8;
constexpr int kGridTopPx = 30;
constexpr int kGridWidthMarginPx = 20;
constexpr int kGridHeightMarginPx = 40;

const QColor kTitleColor(0, 0, 128);

}  // namespace

CNavigationFormView::CNavigationFormView(CFrameHost& host, QWidget* parent)
    : QWidget(parent),
      m_host(host),
      m_manager(host.Manager()),
      m_grid(new CNavigationGrid(host, this)),
      m_title(new CTitleSeparator(QStringLiteral("Navigation"), this)) {
    const QFont dialogFont = CDialogUnits::DialogFont();
    const CDialogUnits units(dialogFont);
    setFont(dialogFont);
    resize(units.Rect(0, 0, 165, 230).size());
    m_title->setGeometry(units.Rect(5, 5, 155, 9));
    m_titleWidthPx = m_title->width();
    auto* placeholder = new QWidget(this);
    placeholder->setObjectName(CGridCtrl::ControlName(CNavigationGrid::kPlaceholderId));
    placeholder->setGeometry(units.Rect(5, 20, 155, 205));
    m_grid->hide();
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QWidget::customContextMenuRequested, this, &CNavigationFormView::ShowUnitMenu);
    const CUnitControl* control = &host.Control();
    connect(control, &CUnitControl::unitEdited, this, &CNavigationFormView::OnUnitEdited,
            Qt::QueuedConnection);
    connect(control, &CUnitControl::tickedEdited, this, &CNavigationFormView::OnTickedEdited,
            Qt::QueuedConnection);
    // What a unit reports is drawn straight from the receive notice that read it (WM_UNIT_REFRESH
    // once took a second trip): the cells are marked, and one paint draws a flood's reports.
    connect(control, &CUnitControl::unitChanged, this, &CNavigationFormView::OnUnitEdited);
    connect(control, &CUnitControl::unitRead, this, &CNavigationFormView::OnUnitEdited);
    connect(control, &CUnitControl::unitReported, this, &CNavigationFormView::OnUnitReported);
    // Sent: the grid's title of the unit shows the new name at once, its block the roll
    // call's mark.
    connect(control, &CUnitControl::unitRenamed, this, &CNavigationFormView::OnUnitRenamed);
    connect(control, &CUnitControl::answerMarked, this, &CNavigationFormView::OnUnitRenamed);
    connect(m_grid, &CNavigationGrid::panelReset, this, &CNavigationFormView::panelReset);
}

void CNavigationFormView::OnInitialUpdate() {
    m_title->setFont(CTitleSeparator::TitleFont());
    m_title->SetColors(kTitleColor, kTitleColor, palette().color(QPalette::Light));
    if (!m_gridAttached) {
        m_gridAttached = m_grid->AttachToPlaceholder(this, CNavigationGrid::kPlaceholderId);
        LayoutGrid();
    }
}

QSize CNavigationFormView::minimumSizeHint() const {
    int columns = m_grid->SideHeadingWidth();
    for (int col = 0; col < m_grid->ColCount(); ++col) {
        columns += m_grid->ColWidth(col);
    }
    const int scrollBar = m_grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_grid);
    const int gridWidth = columns + 2 * m_grid->frameWidth() + scrollBar;
    const int titleWidth =
        m_title->x() + QFontMetrics(m_title->font()).horizontalAdvance(m_title->text());
    return {std::max(gridWidth + kGridWidthMarginPx, titleWidth),
            QWidget::minimumSizeHint().height()};
}

void CNavigationFormView::LayoutGrid() {
    if (!m_gridAttached) {
        return;
    }
    m_grid->setGeometry(kGridLeftPx, kGridTopPx, width() - kGridWidthMarginPx,
                        height() - kGridHeightMarginPx);
    m_grid->RedrawAll();
}

void CNavigationFormView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    // A view narrower than its template (a face wider than Arial) keeps its title inside it.
    m_title->resize(
        std::min(m_titleWidthPx, width() - m_title->x() - kGridWidthMarginPx + kGridLeftPx),
        m_title->height());
    LayoutGrid();
}

void CNavigationFormView::ShowStudio(StudioData* studio) {
    if (m_manager.Contains(studio)) {
        m_grid->ShowStudio(studio);
    }
    emit panelReset();
}

void CNavigationFormView::ShowNode(StrobeData* unit, bool rebuild) {
    if (rebuild) {
        m_grid->ShowStudio(CurrentStudio(m_manager));
    } else if (unit == nullptr) {
        // The shown studio itself was chosen: no unit is current any more.
        m_grid->DropCurrentUnit();
        return;
    }
    m_grid->GoToUnit(m_manager.Contains(unit) ? unit : nullptr);
}

void CNavigationFormView::OnTickedEdited(FieldCode field) {
    const StudioData* studio = CurrentStudio(m_manager);
    const auto units = m_manager.gridUnits;  // a copy: redrawing must not see it change
    const int n =
        studio == nullptr ? 0 : std::min<int>(studio->nChItemCnt, static_cast<int>(units.size()));
    for (int k = 0; k < n; ++k) {
        m_grid->UpdateUnitField(field, units[k]);
    }
}

void CNavigationFormView::OnUnitEdited(const UnitRef& ref, FieldCode field) {
    // Queued: the unit may be gone, or replaced, by now.
    if (StrobeData* unit = m_manager.Resolve(ref)) {
        m_grid->UpdateUnitField(field, unit);
    }
}

void CNavigationFormView::OnUnitReported(const UnitRef& ref) {
    if (StrobeData* unit = m_manager.Resolve(ref)) {
        m_grid->RefreshUnitRows(unit);
    }
}

void CNavigationFormView::OnUnitRenamed(const UnitRef& ref) {
    if (StrobeData* unit = m_manager.Resolve(ref)) {
        m_grid->RefreshUnitRows(unit);
    }
}

void CNavigationFormView::OnUnitListed(const UnitRef&) {
    StrobeData* current = m_grid->CurrentGridUnit();
    m_grid->ShowStudio(CurrentStudio(m_manager));
    m_grid->GoToUnit(current);
}

void CNavigationFormView::ShowUnitMenu(const QPoint& at) {
    // The block under the pointer (from the keyboard: the current one) is picked first.
    int col = 0;
    int row = 0;
    if (m_grid->HitTest(at, col, row) && col >= 0 && row >= 0) {
        m_grid->GotoCell(0, CNavigationGrid::TitleRow(row / CNavigationGrid::kRowsPerUnit));
    }
    StrobeData* unit = m_grid->CurrentGridUnit();
    if (unit == nullptr) {
        return;
    }
    QMenu menu(m_grid);
    QAction* meter = menu.addAction(QStringLiteral("Light meter..."));
    meter->setObjectName(QStringLiteral("lightMeter"));
    meter->setEnabled(m_host.IsConnected());
    if (menu.exec(m_grid->viewport()->mapToGlobal(at)) == meter) {
        CLightMeterDlg::OpenFor(m_host, RefOf(unit), this);
    }
}
