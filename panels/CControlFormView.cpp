#include "panels/CControlFormView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <algorithm>

#include "control/CUnitControl.h"
#include "host/CFrameHost.h"
#include "model/FieldCode.h"
#include "model/PowerValue.h"
#include "model/SettingField.h"
#include "model/StudioManager.h"
#include "panels/CBusinessMemoryGroup.h"
#include "panels/CControlSelFormView.h"
#include "panels/CPowerControlSet.h"
#include "widgets/CDialogUnits.h"
#include "widgets/CFlatSliderCtrl.h"
#include "widgets/CTitleSeparator.h"
#include "widgets/CUserButton.h"
#include "widgets/ComboFit.h"

namespace {

constexpr int kFormWidthDlu = 205;
constexpr int kFormHeightDlu = 230;
constexpr int kGroupTopDlu = 27;
// Where the selected-units panel sits: pixels, below the combo.
constexpr int kSelectionPanelTopPx = 38;

const QColor kNavy(0, 0, 128);

}  // namespace

CControlFormView::CControlFormView(CFrameHost& host, QWidget* parent)
    : QWidget(parent), m_host(host) {
    setObjectName(QStringLiteral("controlPanel"));
    setFont(CDialogUnits::DialogFont());
    const CDialogUnits units(font());
    resize(units.Size(kFormWidthDlu, kFormHeightDlu));
    setMinimumSize(size());

    m_title = new CTitleSeparator(QStringLiteral("Remote Control"), this);
    m_title->setGeometry(units.Rect(5, 5, 97, 8));
    m_combo = new QComboBox(this);
    m_combo->setObjectName(QStringLiteral("modeCombo"));
    // The template's height is that of the opened list; the closed box is one line.
    m_combo->setGeometry(units.X(110), units.Y(5), units.X(90), m_combo->sizeHint().height());
    // Between the combo and the groups: why the panel is greyed, while no unit is current.
    m_emptyStatic = new QLabel(QStringLiteral("Pick a unit in the grid or the studio list"), this);
    m_emptyStatic->setObjectName(QStringLiteral("pickHint"));
    const int hintTop = std::max(units.Y(18), m_combo->geometry().bottom() + 1);
    m_emptyStatic->setGeometry(units.X(5), hintTop, units.X(195),
                               std::max(units.Y(8), units.Y(kGroupTopDlu) - hintTop));
    // Shown once a studio is on the grid with no unit picked; not drawn at start-up.
    m_emptyStatic->hide();

    m_controls = std::make_unique<CPowerControlSet>(this, units, kGroupTopDlu);

    m_memory = std::make_unique<CBusinessMemoryGroup>(host, this, units);

    ConnectControls();
    ConnectCore();
    connect(m_combo, &QComboBox::activated, this, &CControlFormView::OnCombo);
}

// The operator's doings on the power groups: the panel's copy takes them, the core the change.
void CControlFormView::ConnectControls() {
    const CPowerControlSet* c = m_controls.get();
    connect(c, &CPowerControlSet::spun, this, &CControlFormView::OnSpin);
    connect(c, &CPowerControlSet::tracked, this,
            [this](Power power, int position, bool) { OnSliderTrack(power, position); });
    connect(c, &CPowerControlSet::released, this, &CControlFormView::OnSliderRelease);
    // A slider greyed while its key was held shows the unit's values again.
    connect(c, &CPowerControlSet::releasedGreyed, this, [this] { RefreshField(kFieldFlashValue); });
    connect(c, &CPowerControlSet::switched, this, &CControlFormView::OnSwitched);
    connect(c, &CPowerControlSet::testClicked, this, [this] {
        if (StrobeData* unit = Unit()) {
            m_host.Control().Test(*unit);
        }
    });
}

void CControlFormView::OnSwitched(FieldCode field, int value) {
    StrobeData* unit = Unit();
    if (unit == nullptr) {
        return;
    }
    if (field == kFieldModelPow) {
        m_bModelOff = value == 0 ? 1 : 0;
        ShowModelValue();
    } else if (int* copy = CopyOf(field)) {
        *copy = value;
    }
    if (field == kFieldFlashPow || field == kFieldModelPow) {
        ShowEnabling();
    }
    Commit([&] { m_host.Control().SetSetting(*unit, field, value); });
}

// The panel's copy of a switch or mode; null for the powers and the model's OFF (kept the
// other way round).
int* CControlFormView::CopyOf(FieldCode field) {
    switch (field) {
        case kFieldFlashCell:
            return &m_bCell;
        case kFieldFlashSound:
            return &m_bSound;
        case kFieldFlashPow:
            return &m_bPower;
        case kFieldModelMode1:
            return &m_nMode1;
        case kFieldModelMode2:
            return &m_nMode2;
        default:
            return nullptr;
    }
}

void CControlFormView::ConnectCore() {
    // Changes made elsewhere (an undo, the selected-units panel): the panel shows them.
    CUnitControl& control = m_host.Control();
    connect(&control, &CUnitControl::unitEdited, this,
            [this](const UnitRef& unit, FieldCode field) {
                if (!m_committing && m_host.Manager().Resolve(unit) == Unit()) {
                    RefreshField(field);
                }
            });
    // What a unit reports, when it is the unit shown, straight from the receive notice.
    connect(&control, &CUnitControl::unitChanged, this,
            [this](const UnitRef& unit, FieldCode field) {
                if (m_host.Manager().Resolve(unit) == Unit()) {
                    RefreshField(field);
                }
            });
    connect(&control, &CUnitControl::unitReported, this, [this](const UnitRef& unit) {
        if (m_host.Manager().Resolve(unit) == Unit()) {
            FullRefresh();
        }
    });
    connect(&control, &CUnitControl::tickedEdited, this, [this] {
        if (m_nComboIndex == 0) {
            FullRefresh();
        }
    });
}

CControlFormView::~CControlFormView() = default;

void CControlFormView::OnInitialUpdate() {
    if (m_initialised) {
        return;
    }
    m_initialised = true;
    m_nComboIndex = 0;

    m_largeFont = CPowerControlSet::LargeFont();
    m_heavyFont = CTitleSeparator::TitleFont();
    m_title->setFont(m_heavyFont);
    m_title->SetColors(kNavy, kNavy, palette().color(QPalette::Light));

    m_combo->addItem(QStringLiteral("Flash/Model settings"));
    m_combo->addItem(QStringLiteral("Selected unit(s) settings"));
    m_combo->setCurrentIndex(0);
    FitCombo();

    CPowerControlSet& c = *m_controls;
    c.SetUp(m_largeFont, m_heavyFont, FormatPower(0));
    c.flashSlider->setRange(POWER_MIN, POWER_MAX);
    c.modelSlider->setRange(POWER_MIN, POWER_MAX);

    m_memory->OnInitialUpdate();
}

void CControlFormView::SaveMemory() {
    m_memory->OnSave();
}

void CControlFormView::LoadMemory() {
    m_memory->OnOpen();
}

CControlSelFormView* CControlFormView::SelectionPanel() {
    // Hidden until the combo asks for it, so made then rather than at start-up.
    if (m_selPanel == nullptr) {
        m_selPanel = new CControlSelFormView(m_host, this);
        m_selPanel->move(0, kSelectionPanelTopPx);
        m_selPanel->hide();
    }
    return m_selPanel;
}

void CControlFormView::FitCombo() {
    // The longer entry beside the style's arrow can need a little more than the template's
    // 90 units: the box grows into the room before the title's end, then into the panel's
    // right margin, rather than cutting the entry's last letters.
    constexpr int kGapPx = 2;
    FitComboToItems(m_combo, m_title->geometry().right() + 1 + kGapPx, width() - kGapPx);
}

void CControlFormView::OnUnitPicked() {
    FullRefresh();
}

void CControlFormView::Reset() {
    ResetPanel();
}

void CControlFormView::OnConnectionChanged() {
    FullRefresh();
}

StrobeData* CControlFormView::Unit() const {
    return CurrentUnit(m_host.Manager());
}

// Which panel shows: the unit's groups, or the selected-units panel in the same place.
void CControlFormView::ShowWhichPanel() {
    const bool single = m_nComboIndex == 0;
    if (m_selPanel != nullptr) {
        m_selPanel->setVisible(!single);
        m_selPanel->raise();
    }
    const CPowerControlSet& c = *m_controls;
    c.flashGroup->setVisible(single);
    c.modelGroup->setVisible(single);
    for (QWidget* w : c.SettingControls()) {
        w->setVisible(single);
    }
}

// What can be used follows the unit shown: nothing without one, only Power while it is off,
// and a test flash only with the dongle connected.
void CControlFormView::ShowEnabling() {
    const CPowerControlSet& c = *m_controls;
    m_combo->setEnabled(m_showsUnit);
    const bool on = m_showsUnit && m_bPower != 0;
    for (QWidget* w : c.SettingControls()) {
        w->setEnabled(on || (m_showsUnit && w == c.powerButton));
    }
    c.testButton->setEnabled(on && m_host.IsConnected());
}

void CControlFormView::FullRefresh() {
    const StrobeData* unit = Unit();
    if (unit == nullptr) {
        return;
    }
    CPowerControlSet& c = *m_controls;
    m_emptyStatic->hide();
    m_nFlashValue = unit->nFlashValue;
    m_bCell = unit->bFlashCell;
    m_bSound = unit->bFlashSnd;
    m_bPower = unit->bFlashPow;
    ShowFlashValue();
    c.flashSlider->setValue(m_nFlashValue);
    c.cellCheck->setChecked(m_bCell != 0);
    c.soundCheck->setChecked(m_bSound != 0);
    c.powerButton->setChecked(m_bPower != 0);

    m_nModelValue = unit->nModelValue;
    m_nMode1 = unit->nModelMode1;
    m_nMode2 = unit->nModelMode2;
    m_bModelOff = unit->bModelPow == 0 ? 1 : 0;
    ShowModelValue();
    c.modelSlider->setValue(m_nModelValue);

    ShowModes();
    c.offCheck->setChecked(m_bModelOff != 0);
    m_showsUnit = true;
    ShowEnabling();
}

void CControlFormView::RefreshField(FieldCode field) {
    const StrobeData* unit = Unit();
    if (unit == nullptr) {
        return;
    }
    CPowerControlSet& c = *m_controls;
    switch (field) {
        case kFieldFlashValue:
        case kFieldModelValue:
            m_nFlashValue = unit->nFlashValue;
            m_nModelValue = unit->nModelValue;
            ShowFlashValue();
            ShowModelValue();
            c.flashSlider->setValue(m_nFlashValue);
            c.modelSlider->setValue(m_nModelValue);
            break;
        case kFieldFlashCell:
        case kFieldFlashSound:
        case kFieldFlashPow: {
            int& copy = *CopyOf(field);
            copy = unit->*SettingFieldOf(field)->member;
            c.Box(field)->setChecked(copy != 0);
            if (field == kFieldFlashPow) {
                ShowEnabling();
            }
            break;
        }
        case kFieldModelMode1:
        case kFieldModelMode2:
            m_nMode1 = unit->nModelMode1;
            m_nMode2 = unit->nModelMode2;
            ShowModes();
            break;
        case kFieldModelPow:
            m_bModelOff = unit->bModelPow == 0 ? 1 : 0;
            c.offCheck->setChecked(m_bModelOff != 0);
            ShowModelValue();
            ShowEnabling();
            break;
        default:
            break;
    }
}

void CControlFormView::ResetPanel() {
    m_nFlashValue = POWER_MIN;
    m_bCell = 0;
    m_bSound = 0;
    m_bPower = 0;
    m_nModelValue = POWER_MIN;
    m_nMode1 = 0;
    m_nMode2 = 0;
    m_bModelOff = 0;
    m_controls->Clear(POWER_MIN, QString());

    if (m_nComboIndex == 1) {
        m_nComboIndex = 0;
        ShowWhichPanel();
        m_combo->setCurrentIndex(0);
    }
    m_showsUnit = false;
    ShowEnabling();
    m_emptyStatic->show();
}

void CControlFormView::ShowFlashValue() {
    m_controls->ShowValue(Power::kFlash, FormatPower(m_nFlashValue));
}

void CControlFormView::ShowModelValue() {
    m_controls->ShowValue(Power::kModel,
                          m_bModelOff != 0 ? QStringLiteral("OFF") : FormatPower(m_nModelValue));
}

void CControlFormView::ShowModes() {
    m_controls->ShowModes(m_nMode1, m_nMode2);
}

template <class Command>
void CControlFormView::Commit(Command command) {
    // The panel already shows what it sends: its own notice is not shown again.
    m_committing = true;
    command();
    m_committing = false;
}

void CControlFormView::OnSpin(Power power, int change, int heldPress) {
    StrobeData* unit = Unit();
    if (unit == nullptr) {
        return;
    }
    const bool flash = power == Power::kFlash;
    int& value = flash ? m_nFlashValue : m_nModelValue;
    int& partner = flash ? m_nModelValue : m_nFlashValue;
    const bool propLink = m_nMode1 == 1;
    if (!StepPower(value, partner, SpinStep(change), propLink)) {
        return;
    }
    // The steps of one held arrow are one change; the two spins' presses never share one.
    m_gesture = heldPress == 0 ? 0 : heldPress * 2 + (flash ? 0 : 1);
    CommitPower(*unit, flash, propLink);
    m_gesture = 0;
}

// The new value (and its partner under the Prop link) goes to the sliders, the labels and the
// unit, then to the radio and the grid.
void CControlFormView::CommitPower(StrobeData& unit, bool flash, bool propLink) {
    CPowerControlSet& c = *m_controls;
    if (flash || propLink) {
        c.flashSlider->setValue(m_nFlashValue);
        ShowFlashValue();
    }
    if (!flash || propLink) {
        c.modelSlider->setValue(m_nModelValue);
        ShowModelValue();
    }
    Commit([&] {
        m_host.Control().SetPower(unit,
                                  flash ? CUnitControl::Power::kFlash : CUnitControl::Power::kModel,
                                  m_nFlashValue, m_nModelValue, propLink, m_gesture);
    });
}

void CControlFormView::OnSliderTrack(Power power, int position) {
    if (Unit() == nullptr) {
        return;
    }
    const bool flash = power == Power::kFlash;
    const bool propLink = m_nMode1 == 1;
    TrackPower(flash ? m_nFlashValue : m_nModelValue, flash ? m_nModelValue : m_nFlashValue,
               position, propLink);
    if (flash || propLink) {
        ShowFlashValue();
    }
    if (!flash || propLink) {
        ShowModelValue();
    }
    if (propLink) {
        (flash ? m_controls->modelSlider : m_controls->flashSlider)
            ->setValue(flash ? m_nModelValue : m_nFlashValue);
    }
}

void CControlFormView::OnSliderRelease(Power power) {
    StrobeData* unit = Unit();
    if (unit == nullptr) {
        return;
    }
    const bool flash = power == Power::kFlash;
    const bool propLink = m_nMode1 == 1;
    const int position = (flash ? m_controls->flashSlider : m_controls->modelSlider)->value();
    TrackPower(flash ? m_nFlashValue : m_nModelValue, flash ? m_nModelValue : m_nFlashValue,
               position, propLink);
    CommitPower(*unit, flash, propLink);
}

void CControlFormView::OnCombo(int index) {
    if (index == m_nComboIndex) {
        return;
    }
    m_nComboIndex = index;
    if (index == 0) {
        FullRefresh();
    } else if (index == 1) {
        SelectionPanel()->Reset();
    }
    ShowWhichPanel();
}
