#include "panels/CControlSelFormView.h"

#include <QButtonGroup>
#include <QCheckBox>
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
    }
    connect(&c, &CPowerControlSet::spun, this,
            [this](Power power, int change, int) { OnSpin(power, change); });
    // A key moves the thumb by exactly its step (the first-drag snap is for the mouse) with
    // the label; letting go of the key applies it.
    connect(&c, &CPowerControlSet::tracked, this, [this](Power power, int position, bool byKey) {
        OnSliderTrack(power, position, !byKey);
    });
    connect(&c, &CPowerControlSet::released, this, &CControlSelFormView::OnSliderRelease);
    connect(&c, &CPowerControlSet::switched, this, &CControlSelFormView::OnSwitched);
    connect(&c, &CPowerControlSet::testClicked, this, &CControlSelFormView::TestSelected);
}

CControlSelFormView::~CControlSelFormView() = default;

void CControlSelFormView::Reset() {
    m_nFlashOffset = 0;
    m_bCell = 0;
    m_bSound = 0;
    m_bPower = 0;
    m_nModelOffset = 0;
    m_nMode1 = -1;
    m_nMode2 = -1;
    m_bModelOff = 0;
    m_controls->Clear(OFFSET_SLIDER_CENTRE, FormatPowerOffset(0));
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

void CControlSelFormView::TestSelected() {
    const std::vector<StrobeData*> units = SelectedUnits();
    quint16 mask = 0;
    for (const StrobeData* unit : units) {
        mask |= UnitMaskOf(unit->nChNum);
    }
    if (!units.empty()) {
        m_host.Control().Test(*units.back(), mask);
    }
}

void CControlSelFormView::OnSpin(Power trigger, int change) {
    CPowerControlSet& c = *m_controls;
    const bool flash = trigger == Power::kFlash;
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

void CControlSelFormView::OnSliderTrack(Power trigger, int position, bool snap) {
    CPowerControlSet& c = *m_controls;
    const bool flash = trigger == Power::kFlash;
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

void CControlSelFormView::OnSliderRelease(Power trigger) {
    CPowerControlSet& c = *m_controls;
    const bool flash = trigger == Power::kFlash;
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

void CControlSelFormView::Apply(Power trigger) {
    const int flashChange = m_nFlashOffset - m_nLastFlashOffset;
    const int modelChange = m_nModelOffset - m_nLastModelOffset;
    // Used up even when no unit is ticked: units ticked later get only later changes.
    m_nLastFlashOffset = m_nFlashOffset;
    m_nLastModelOffset = m_nModelOffset;

    m_host.Control().ApplyOffsets(
        SelectedUnits(),
        trigger == Power::kFlash ? CUnitControl::Power::kFlash : CUnitControl::Power::kModel,
        flashChange, modelChange);
}

void CControlSelFormView::ShowOffsets() {
    m_controls->ShowValue(Power::kFlash, FormatPowerOffset(m_nFlashOffset));
    m_controls->ShowValue(Power::kModel, FormatPowerOffset(m_nModelOffset));
}

void CControlSelFormView::ApplySwitch(FieldCode field, int value) {
    // Every ticked unit takes the same value, in one frame.
    m_host.Control().SetTickedSetting(SelectedUnits(), field, value);
}

void CControlSelFormView::OnSwitched(FieldCode field, int value) {
    switch (field) {
        case kFieldFlashCell:
            m_bCell = value;
            break;
        case kFieldFlashSound:
            m_bSound = value;
            break;
        case kFieldFlashPow:
            m_bPower = value;
            break;
        case kFieldModelPow:
            m_bModelOff = value == 0 ? 1 : 0;
            break;
        case kFieldModelMode1:
            m_nMode1 = value;
            break;
        case kFieldModelMode2:
            m_nMode2 = value;
            break;
        default:
            return;
    }
    ApplySwitch(field, value);
}
