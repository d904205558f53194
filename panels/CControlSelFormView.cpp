#include "panels/CControlSelFormView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "control/CUnitControl.h"
#include "host/CFrameHost.h"
#include "link/UnitMask.h"
#include "model/FieldCode.h"
#include "model/StudioManager.h"
#include "panels/CPowerControlSet.h"
#include "widgets/CDialogUnits.h"
#include "widgets/CFlatSliderCtrl.h"
#include "widgets/CFlatSpinButtonCtrl.h"
#include "widgets/CTitleSeparator.h"
#include "widgets/CUserButton.h"
#include "widgets/CUserStatic.h"

namespace {

// Template size in dialog units, and the top of its two groups.
constexpr int kFormWidthDlu = 205;
constexpr int kFormHeightDlu = 120;
constexpr int kGroupTopDlu = 5;

}  // namespace

CControlSelFormView::CControlSelFormView(CFrameHost& host, QWidget* parent)
    : QWidget(parent), m_host(host) {
    setObjectName(QStringLiteral("selectedUnitsPanel"));
    setFont(CDialogUnits::DialogFont());
    const CDialogUnits units(font());
    resize(units.Size(kFormWidthDlu, kFormHeightDlu));
    m_controls = std::make_unique<CPowerControlSet>(this, units, kGroupTopDlu);
    CPowerControlSet& c = *m_controls;

    m_largeFont = CPowerControlSet::LargeFont();
    m_heavyFont = CTitleSeparator::TitleFont();
    c.SetUp(m_largeFont, m_heavyFont, FormatPowerOffset(0));
    for (CFlatSliderCtrl* slider : {c.flashSlider, c.modelSlider}) {
        slider->setRange(OFFSET_SLIDER_MIN, OFFSET_SLIDER_MAX);
        slider->setValue(OFFSET_SLIDER_CENTRE);
        // A release anywhere on the slider (thumb or channel) takes its position.
        slider->installEventFilter(this);
    }

    connect(c.flashSpin, &CFlatSpinButtonCtrl::deltaPos, this,
            [this](int change) { OnSpin(Trigger::Flash, change); });
    connect(c.modelSpin, &CFlatSpinButtonCtrl::deltaPos, this,
            [this](int change) { OnSpin(Trigger::Model, change); });
    connect(c.flashSlider, &QSlider::sliderMoved, this,
            [this](int position) { OnSliderTrack(Trigger::Flash, position); });
    connect(c.modelSlider, &QSlider::sliderMoved, this,
            [this](int position) { OnSliderTrack(Trigger::Model, position); });
    // A key moves the thumb by exactly its step (the first-drag snap is for the mouse) with
    // the label; letting go of the key applies it.
    for (const Trigger trigger : {Trigger::Flash, Trigger::Model}) {
        CFlatSliderCtrl* slider = trigger == Trigger::Flash ? c.flashSlider : c.modelSlider;
        connect(slider, &CFlatSliderCtrl::stepped, this,
                [this, trigger](int position) { OnSliderTrack(trigger, position, false); });
        connect(slider, &CFlatSliderCtrl::keyboardReleased, this,
                [this, trigger] { OnSliderRelease(trigger); });
    }

    connect(c.cellCheck, &QCheckBox::clicked, this, [this](bool checked) {
        m_bCell = checked ? 1 : 0;
        ApplySwitch(kFieldFlashCell, m_bCell);
    });
    connect(c.soundCheck, &QCheckBox::clicked, this, [this](bool checked) {
        m_bSound = checked ? 1 : 0;
        ApplySwitch(kFieldFlashSound, m_bSound);
    });
    connect(c.powerButton, &QPushButton::clicked, this, [this](bool checked) {
        m_bPower = checked ? 1 : 0;
        ApplySwitch(kFieldFlashPow, m_bPower);
    });
    connect(c.offCheck, &QCheckBox::clicked, this, [this](bool checked) {
        m_bModelOff = checked ? 1 : 0;
        ApplySwitch(kFieldModelPow, m_bModelOff ? 0 : 1);
    });
    connect(c.testButton, &QPushButton::clicked, this, [this] {
        const std::vector<StrobeData*> units = SelectedUnits();
        quint16 mask = 0;
        for (const StrobeData* unit : units) {
            mask |= UnitMaskOf(unit->nChNum);
        }
        if (!units.empty()) {
            m_host.Control().Test(*units.back(), mask);
        }
    });
    for (QRadioButton* radio : {c.freeRadio, c.propRadio, c.continousRadio, c.flashPropRadio}) {
        // clicked, not toggled: a click on the ticked button sends again.
        connect(radio, &QRadioButton::clicked, this, [this, radio] { OnModeRadio(radio); });
    }
}

CControlSelFormView::~CControlSelFormView() = default;

void CControlSelFormView::Reset() {
    CPowerControlSet& c = *m_controls;
    m_nFlashOffset = 0;
    m_bCell = 0;
    m_bSound = 0;
    m_bPower = 0;
    c.flashLabel->setText(FormatPowerOffset(0));
    c.flashLabel->update();
    c.flashSlider->setValue(OFFSET_SLIDER_CENTRE);
    c.cellCheck->setChecked(false);
    c.soundCheck->setChecked(false);
    c.powerButton->setChecked(false);

    m_nModelOffset = 0;
    m_nMode1 = -1;
    m_nMode2 = -1;
    m_bModelOff = 0;
    c.modelLabel->setText(FormatPowerOffset(0));
    c.modelLabel->update();
    c.modelSlider->setValue(OFFSET_SLIDER_CENTRE);
    CPowerControlSet::CheckOnly(c.mode1Pair, nullptr);
    CPowerControlSet::CheckOnly(c.mode2Pair, nullptr);
    c.offCheck->setChecked(false);

    m_trackSnap.Reset();
    m_nLastFlashOffset = 0;
    m_nLastModelOffset = 0;
}

std::vector<StrobeData*> CControlSelFormView::SelectedUnits() const {
    std::vector<StrobeData*> selected;
    const StudioManager& manager = m_host.Manager();
    const StudioData* studio = CurrentStudio(manager);
    if (studio == nullptr) {
        return selected;
    }
    // The grid lists exactly the occupied slots of the current studio.
    const size_t rows =
        std::min(manager.gridUnits.size(), static_cast<size_t>(std::max(0, studio->nChItemCnt)));
    for (size_t row = 0; row < rows; ++row) {
        StrobeData* unit = manager.gridUnits[row];
        if (unit != nullptr && unit->bSelected != 0) {
            selected.push_back(unit);
        }
    }
    return selected;
}

bool CControlSelFormView::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        if (watched == m_controls->flashSlider) {
            OnSliderRelease(Trigger::Flash);
        } else if (watched == m_controls->modelSlider) {
            OnSliderRelease(Trigger::Model);
        }
    }
    return QWidget::eventFilter(watched, e);
}

void CControlSelFormView::OnSpin(Trigger trigger, int change) {
    CPowerControlSet& c = *m_controls;
    const bool flash = trigger == Trigger::Flash;
    int& offset = flash ? m_nFlashOffset : m_nModelOffset;
    int& partner = flash ? m_nModelOffset : m_nFlashOffset;
    const bool propLink = m_nMode1 == 1;
    if (!StepOffset(offset, partner, SpinStep(change), propLink)) {
        return;
    }
    (flash ? c.flashSlider : c.modelSlider)->setValue(OffsetToSlider(offset));
    if (propLink) {
        (flash ? c.modelSlider : c.flashSlider)->setValue(OffsetToSlider(partner));
    }
    ShowOffsets();
    Apply(trigger);
}

void CControlSelFormView::OnSliderTrack(Trigger trigger, int position, bool snap) {
    CPowerControlSet& c = *m_controls;
    const bool flash = trigger == Trigger::Flash;
    QSlider* slider = flash ? c.flashSlider : c.modelSlider;
    QSlider* partnerSlider = flash ? c.modelSlider : c.flashSlider;
    int& offset = flash ? m_nFlashOffset : m_nModelOffset;
    int& partner = flash ? m_nModelOffset : m_nFlashOffset;

    const int taken = snap ? m_trackSnap.Filter(position, offset) : position;
    if (taken != position) {
        slider->setValue(taken);
    }
    int partnerPosition = partnerSlider->value();
    TrackOffset(offset, partner, partnerPosition, taken, m_nMode1 == 1);
    if (m_nMode1 == 1) {
        partnerSlider->setValue(partnerPosition);
    }
    ShowOffsets();
}

void CControlSelFormView::OnSliderRelease(Trigger trigger) {
    CPowerControlSet& c = *m_controls;
    const bool flash = trigger == Trigger::Flash;
    QSlider* slider = flash ? c.flashSlider : c.modelSlider;
    QSlider* partnerSlider = flash ? c.modelSlider : c.flashSlider;
    int& offset = flash ? m_nFlashOffset : m_nModelOffset;
    int& partner = flash ? m_nModelOffset : m_nFlashOffset;

    int partnerPosition = partnerSlider->value();
    TrackOffset(offset, partner, partnerPosition, slider->value(), m_nMode1 == 1);
    if (m_nMode1 == 1) {
        partnerSlider->setValue(partnerPosition);
    }
    ShowOffsets();
    m_trackSnap.Reset();
    Apply(trigger);
}

void CControlSelFormView::Apply(Trigger trigger) {
    const int flashChange = m_nFlashOffset - m_nLastFlashOffset;
    const int modelChange = m_nModelOffset - m_nLastModelOffset;
    // Used up even when no unit is ticked: units ticked later get only later changes.
    m_nLastFlashOffset = m_nFlashOffset;
    m_nLastModelOffset = m_nModelOffset;

    m_host.Control().ApplyOffsets(
        SelectedUnits(),
        trigger == Trigger::Flash ? CUnitControl::Power::kFlash : CUnitControl::Power::kModel,
        flashChange, modelChange);
}

void CControlSelFormView::ShowOffsets() {
    m_controls->flashLabel->setText(FormatPowerOffset(m_nFlashOffset));
    m_controls->flashLabel->update();
    m_controls->modelLabel->setText(FormatPowerOffset(m_nModelOffset));
    m_controls->modelLabel->update();
}

void CControlSelFormView::ApplySwitch(FieldCode field, int value) {
    // Every ticked unit takes the same value, in one frame.
    m_host.Control().SetTickedSetting(SelectedUnits(), field, value);
}

void CControlSelFormView::OnModeRadio(QAbstractButton* button) {
    const CPowerControlSet& c = *m_controls;
    if (button == c.freeRadio || button == c.propRadio) {
        m_nMode1 = button == c.propRadio ? 1 : 0;
        ApplySwitch(kFieldModelMode1, m_nMode1);
    } else {
        m_nMode2 = button == c.continousRadio ? 1 : 0;
        ApplySwitch(kFieldModelMode2, m_nMode2);
    }
}
