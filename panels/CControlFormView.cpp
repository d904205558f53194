#include "panels/CControlFormView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QRadioButton>
#include <algorithm>

#include "control/CUnitControl.h"
#include "host/CFrameHost.h"
#include "host/ToolFlag.h"
#include "model/FieldCode.h"
#include "model/PowerValue.h"
#include "model/StudioManager.h"
#include "panels/CBusinessMemoryGroup.h"
#include "panels/CControlSelFormView.h"
#include "panels/CPowerControlSet.h"
#include "widgets/CDialogUnits.h"
#include "widgets/CFlatSliderCtrl.h"
#include "widgets/CFlatSpinButtonCtrl.h"
#include "widgets/CTitleSeparator.h"
#include "widgets/CUserButton.h"
#include "widgets/CUserStatic.h"
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

    ConnectPowers();
    ConnectSwitches();
    ConnectCore();
    connect(m_combo, &QComboBox::activated, this, &CControlFormView::OnCombo);
}

// The spins and sliders: each moves the panel's copy, then commits it.
void CControlFormView::ConnectPowers() {
    const CPowerControlSet& c = *m_controls;
    connect(c.flashSpin, &CFlatSpinButtonCtrl::deltaPos, this, [this](int change) {
        OnSpin(Power::Flash, change, m_controls->flashSpin->HeldPress());
    });
    connect(c.modelSpin, &CFlatSpinButtonCtrl::deltaPos, this, [this](int change) {
        OnSpin(Power::Model, change, m_controls->modelSpin->HeldPress());
    });
    connect(c.flashSlider, &QSlider::sliderMoved, this,
            [this](int position) { OnSliderTrack(Power::Flash, position); });
    connect(c.modelSlider, &QSlider::sliderMoved, this,
            [this](int position) { OnSliderTrack(Power::Model, position); });
    // A release anywhere on a slider (thumb or channel) takes its position.
    c.flashSlider->installEventFilter(this);
    c.modelSlider->installEventFilter(this);
    // A key moves the thumb with its label; letting go of the key takes the position. A
    // slider greyed meanwhile takes nothing and shows the unit's values again.
    for (const Power power : {Power::Flash, Power::Model}) {
        CFlatSliderCtrl* slider = power == Power::Flash ? c.flashSlider : c.modelSlider;
        connect(slider, &CFlatSliderCtrl::stepped, this,
                [this, power](int position) { OnSliderTrack(power, position); });
        connect(slider, &CFlatSliderCtrl::keyboardReleased, this, [this, power, slider] {
            if (slider->isEnabled()) {
                OnSliderRelease(power);
            } else {
                RefreshField(kFieldFlashValue);
            }
        });
    }
}

// The switches and modes: the panel's copy takes the click, the core the change.
void CControlFormView::ConnectSwitches() {
    const CPowerControlSet& c = *m_controls;
    // Cell and Sound: the box's tick is the unit's switch.
    const auto connectSwitch = [this](QCheckBox* box, int& state, FieldCode field) {
        connect(box, &QCheckBox::clicked, this, [this, &state, field](bool checked) {
            StrobeData* unit = Unit();
            if (unit == nullptr) {
                return;
            }
            state = checked ? 1 : 0;
            Commit([&] { m_host.Control().SetSetting(*unit, field, state); });
        });
    };
    connectSwitch(c.cellCheck, m_bCell, kFieldFlashCell);
    connectSwitch(c.soundCheck, m_bSound, kFieldFlashSound);
    connect(c.powerButton, &QPushButton::clicked, this, [this](bool checked) {
        StrobeData* unit = Unit();
        if (unit == nullptr) {
            return;
        }
        m_bPower = checked ? 1 : 0;
        SetEnableMode(kModeFollowPower);
        Commit([&] { m_host.Control().SetSetting(*unit, kFieldFlashPow, m_bPower); });
    });
    connect(c.testButton, &QPushButton::clicked, this, [this] {
        if (StrobeData* unit = Unit()) {
            m_host.Control().Test(*unit);
        }
    });
    connect(c.offCheck, &QCheckBox::clicked, this, [this](bool checked) {
        StrobeData* unit = Unit();
        if (unit == nullptr) {
            return;
        }
        m_bModelOff = checked ? 1 : 0;
        ShowModelValue();
        SetEnableMode(kModeFollowPower);
        Commit([&] { m_host.Control().SetSetting(*unit, kFieldModelPow, m_bModelOff ? 0 : 1); });
    });
    // clicked, not toggled: a click on the ticked button sends the mode again.
    const auto connectMode = [this](QRadioButton* radio, int& state, int value, FieldCode field) {
        connect(radio, &QRadioButton::clicked, this, [this, &state, value, field] {
            StrobeData* unit = Unit();
            if (unit == nullptr) {
                return;
            }
            state = value;
            Commit([&] { m_host.Control().SetSetting(*unit, field, value); });
        });
    };
    connectMode(c.freeRadio, m_nMode1, 0, kFieldModelMode1);
    connectMode(c.propRadio, m_nMode1, 1, kFieldModelMode1);
    connectMode(c.continousRadio, m_nMode2, 1, kFieldModelMode2);
    connectMode(c.flashPropRadio, m_nMode2, 0, kFieldModelMode2);
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
    // What a unit reports, when it is the unit shown: a change at once, a full status queued
    // (it may be gone, or no longer shown, by then).
    connect(&control, &CUnitControl::unitChanged, this,
            [this](const UnitRef& unit, FieldCode field) {
                if (m_host.Manager().Resolve(unit) == Unit()) {
                    RefreshField(field);
                }
            });
    connect(
        &control, &CUnitControl::unitReported, this,
        [this](const UnitRef& unit) {
            if (m_host.Manager().Resolve(unit) == Unit()) {
                FullRefresh();
            }
        },
        Qt::QueuedConnection);
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
    SetEnableMode(kModeReset);
}

void CControlFormView::OnConnectionChanged() {
    FullRefresh();
}

bool CControlFormView::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        // A greyed slider sees the release too (it is not delivered to disabled widgets, but
        // filters run first): it must not send.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || !widget->isEnabled()) {
            return QWidget::eventFilter(watched, e);
        }
        if (watched == m_controls->flashSlider) {
            OnSliderRelease(Power::Flash);
        } else if (watched == m_controls->modelSlider) {
            OnSliderRelease(Power::Model);
        }
    }
    return QWidget::eventFilter(watched, e);
}

StrobeData* CControlFormView::Unit() const {
    return CurrentUnit(m_host.Manager());
}

void CControlFormView::SetEnableMode(int mode) {
    CPowerControlSet& c = *m_controls;
    const QList<QWidget*> controls = c.SettingControls();
    switch (mode) {
        case kModeAllDisabled:
        case kModeAllEnabled:
            m_combo->setEnabled(mode == kModeAllEnabled);
            for (QWidget* w : controls) {
                w->setEnabled(mode == kModeAllEnabled);
            }
            // A test flash reaches no unit without the dongle.
            c.testButton->setEnabled(mode == kModeAllEnabled && m_host.IsConnected());
            break;
        case kModeReset:
            ResetPanel();
            break;
        case kModeSingleShown:
        case kModeSelectionShown: {
            const bool single = mode == kModeSingleShown;
            if (m_selPanel != nullptr) {
                m_selPanel->setVisible(!single);
                m_selPanel->raise();
            }
            // The selected-units panel brings its own groups in the same place.
            c.flashGroup->setVisible(single);
            c.modelGroup->setVisible(single);
            for (QWidget* w : controls) {
                w->setVisible(single);
            }
            break;
        }
        case kModePowerOnly:
            m_combo->setEnabled(true);
            for (QWidget* w : controls) {
                w->setEnabled(w == c.powerButton);
            }
            break;
        case kModeFollowPower:
            if (m_bPower == 0) {
                SetEnableMode(kModePowerOnly);
            } else if (m_nComboIndex == 0) {
                SetEnableMode(kModeAllEnabled);
            }
            break;
        default:
            break;
    }
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
    SetEnableMode(kModeFollowPower);
}

void CControlFormView::RefreshField(int fieldCode) {
    const StrobeData* unit = Unit();
    if (unit == nullptr) {
        return;
    }
    CPowerControlSet& c = *m_controls;
    switch (fieldCode) {
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
            m_bCell = unit->bFlashCell;
            c.cellCheck->setChecked(m_bCell != 0);
            break;
        case kFieldFlashSound:
            m_bSound = unit->bFlashSnd;
            c.soundCheck->setChecked(m_bSound != 0);
            break;
        case kFieldFlashPow:
            m_bPower = unit->bFlashPow;
            c.powerButton->setChecked(m_bPower != 0);
            SetEnableMode(kModeFollowPower);
            break;
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
            SetEnableMode(kModeFollowPower);
            break;
        default:
            break;
    }
}

void CControlFormView::ResetPanel() {
    CPowerControlSet& c = *m_controls;
    m_nFlashValue = POWER_MIN;
    m_bCell = 0;
    m_bSound = 0;
    m_bPower = 0;
    c.flashLabel->clear();
    c.flashLabel->update();
    c.modelLabel->clear();
    c.modelLabel->update();
    c.flashSlider->setValue(POWER_MIN);
    c.cellCheck->setChecked(false);
    c.soundCheck->setChecked(false);
    c.powerButton->setChecked(false);

    m_nModelValue = POWER_MIN;
    m_nMode1 = 0;
    m_nMode2 = 0;
    m_bModelOff = 0;
    c.modelSlider->setValue(POWER_MIN);
    CPowerControlSet::CheckOnly(c.mode1Pair, nullptr);
    CPowerControlSet::CheckOnly(c.mode2Pair, nullptr);
    c.offCheck->setChecked(false);

    if (m_nComboIndex == 1) {
        SetEnableMode(kModeSingleShown);
        m_combo->setCurrentIndex(0);
        m_nComboIndex = 0;
    }
    SetEnableMode(kModeAllDisabled);
    m_emptyStatic->show();
}

void CControlFormView::ShowFlashValue() {
    m_controls->flashLabel->setText(FormatPower(m_nFlashValue));
    m_controls->flashLabel->update();
}

void CControlFormView::ShowModelValue() {
    m_controls->modelLabel->setText(m_bModelOff != 0 ? QStringLiteral("OFF")
                                                     : FormatPower(m_nModelValue));
    m_controls->modelLabel->update();
}

void CControlFormView::ShowModes() {
    const CPowerControlSet& c = *m_controls;
    CPowerControlSet::CheckOnly(c.mode1Pair, m_nMode1 == 1 ? c.propRadio : c.freeRadio);
    CPowerControlSet::CheckOnly(c.mode2Pair, m_nMode2 == 1 ? c.continousRadio : c.flashPropRadio);
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
    const bool flash = power == Power::Flash;
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
    const bool flash = power == Power::Flash;
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
    const bool flash = power == Power::Flash;
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
        SetEnableMode(kModeSingleShown);
    } else if (index == 1) {
        SelectionPanel()->Reset();
        SetEnableMode(kModeSelectionShown);
    }
}
