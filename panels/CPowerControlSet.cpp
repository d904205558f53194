#include "panels/CPowerControlSet.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColor>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <array>

#include "widgets/CCachedGroupBox.h"
#include "widgets/CDialogUnits.h"
#include "widgets/CFlatSliderCtrl.h"
#include "widgets/CFlatSpinButtonCtrl.h"
#include "widgets/CUserButton.h"
#include "widgets/CUserStatic.h"
#include "widgets/CellHeightFont.h"

namespace {

const QColor kValueText(0, 192, 0);
const QColor kValueGround(240, 240, 240);

template <class T>
T* Place(T* widget, const CDialogUnits& units, int x, int y, int width, int height,
         const char* name) {
    widget->setGeometry(units.Rect(x, y, width, height));
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

CPowerControlSet::CPowerControlSet(QWidget* parent, const CDialogUnits& units, int groupTop)
    : QObject(nullptr) {
    // Group boxes first: siblings created later are drawn over them.
    flashGroup = Place(new CCachedGroupBox(QStringLiteral("Flash Power"), parent), units, 5,
                       groupTop, 95, 110, "flashGroup");
    modelGroup = Place(new CCachedGroupBox(QStringLiteral("Model Power"), parent), units, 105,
                       groupTop, 95, 110, "modelGroup");
    PlaceFlash(parent, units, groupTop);
    PlaceModel(parent, units, groupTop);

    for (CUserStatic* label : {flashLabel, modelLabel}) {
        label->setText(QStringLiteral("Static"));
        label->setAlignment(Qt::AlignCenter);
    }
    for (CFlatSliderCtrl* slider : {flashSlider, modelSlider}) {
        slider->setOrientation(Qt::Horizontal);
        slider->setTickPosition(QSlider::NoTicks);
    }
    powerButton->setCheckable(true);
    Describe();

    // The four radio buttons share one parent; each pair must exclude only its partner.
    mode1Pair = new QButtonGroup(parent);
    mode1Pair->addButton(freeRadio);
    mode1Pair->addButton(propRadio);
    mode2Pair = new QButtonGroup(parent);
    mode2Pair->addButton(continousRadio);
    mode2Pair->addButton(flashPropRadio);

    ConnectPowers();
    ConnectSwitches();
}

CPowerControlSet::~CPowerControlSet() = default;

void CPowerControlSet::PlaceFlash(QWidget* parent, const CDialogUnits& units, int t) {
    flashLabel = Place(new CUserStatic(parent), units, 10, t + 9, 42, 24, "flashLabel");
    flashSpin = Place(new CFlatSpinButtonCtrl(parent), units, 60, t + 9, 10, 24, "flashSpin");
    flashSlider = Place(new CFlatSliderCtrl(parent), units, 6, t + 38, 68, 12, "flashSlider");
    cellCheck =
        Place(new QCheckBox(QStringLiteral("Cell"), parent), units, 58, t + 58, 35, 8, "cellCheck");
    soundCheck = Place(new QCheckBox(QStringLiteral("Sound"), parent), units, 58, t + 68, 35, 8,
                       "soundCheck");
    powerButton = Place(new CUserButton(parent), units, 10, t + 58, 40, 30, "powerButton");
    testButton = Place(new QPushButton(QStringLiteral("Test"), parent), units, 10, t + 91, 40, 13,
                       "testButton");
}

void CPowerControlSet::PlaceModel(QWidget* parent, const CDialogUnits& units, int t) {
    modelLabel = Place(new CUserStatic(parent), units, 110, t + 9, 42, 24, "modelLabel");
    modelSpin = Place(new CFlatSpinButtonCtrl(parent), units, 160, t + 9, 10, 24, "modelSpin");
    modelSlider = Place(new CFlatSliderCtrl(parent), units, 106, t + 38, 68, 12, "modelSlider");
    freeRadio = Place(new QRadioButton(QStringLiteral("Free"), parent), units, 110, t + 58, 40, 8,
                      "freeRadio");
    propRadio = Place(new QRadioButton(QStringLiteral("Prop"), parent), units, 110, t + 68, 40, 8,
                      "propRadio");
    offCheck =
        Place(new QCheckBox(QStringLiteral("OFF"), parent), units, 158, t + 58, 35, 8, "offCheck");
    continousRadio = Place(new QRadioButton(QStringLiteral("Continous"), parent), units, 110,
                           t + 83, 50, 8, "continousRadio");
    flashPropRadio = Place(new QRadioButton(QStringLiteral("Flash Prop"), parent), units, 110,
                           t + 93, 50, 8, "flashPropRadio");
}

// Named after their groups for assistive technology; a spin's value is its label's. The tips
// name the keys that work them from anywhere in the window.
void CPowerControlSet::Describe() {
    flashSpin->setAccessibleName(flashGroup->title());
    flashSlider->setAccessibleName(flashGroup->title());
    modelSpin->setAccessibleName(modelGroup->title());
    modelSlider->setAccessibleName(modelGroup->title());
    flashSpin->SetValueLabel(flashLabel);
    modelSpin->SetValueLabel(modelLabel);
    flashSpin->setToolTip(QStringLiteral("Flash power up / down (+ / -)"));
    modelSpin->setToolTip(QStringLiteral("Model power up / down (Ctrl with + / -)"));
    flashSlider->setToolTip(QStringLiteral("Flash power (Page Up / Page Down: 1.0)"));
    testButton->setToolTip(QStringLiteral("Test flash (T)"));
    powerButton->setToolTip(QStringLiteral("Switch the unit on or off"));
    propRadio->setToolTip(QStringLiteral("Prop: flash and model power move together"));
    flashPropRadio->setToolTip(
        QStringLiteral("Flash Prop: the modelling lamp in Flash Prop mode instead of Continous"));
}

void CPowerControlSet::ConnectPowers() {
    for (const Power power : {Power::kFlash, Power::kModel}) {
        CFlatSpinButtonCtrl* spin = power == Power::kFlash ? flashSpin : modelSpin;
        CFlatSliderCtrl* slider = Slider(power);
        connect(spin, &CFlatSpinButtonCtrl::deltaPos, this,
                [this, power, spin](int change) { emit spun(power, change, spin->HeldPress()); });
        connect(slider, &QSlider::sliderMoved, this,
                [this, power](int position) { emit tracked(power, position, false); });
        connect(slider, &CFlatSliderCtrl::stepped, this,
                [this, power](int position) { emit tracked(power, position, true); });
        // A slider greyed while its key was held takes nothing.
        connect(slider, &CFlatSliderCtrl::keyboardReleased, this, [this, power, slider] {
            if (slider->isEnabled()) {
                emit released(power);
            } else {
                emit releasedGreyed(power);
            }
        });
        // A release anywhere on a slider (thumb or channel) takes its position.
        slider->installEventFilter(this);
    }
}

void CPowerControlSet::ConnectSwitches() {
    const auto onBox = [this](QAbstractButton* box, FieldCode field, int tickedValue) {
        connect(box, &QAbstractButton::clicked, this, [this, field, tickedValue](bool ticked) {
            emit switched(field, ticked ? tickedValue : 1 - tickedValue);
        });
    };
    for (const FieldCode field : {kFieldFlashCell, kFieldFlashSound, kFieldFlashPow}) {
        onBox(Box(field), field, 1);
    }
    // OFF ticked is the model lamp's power 0.
    onBox(Box(kFieldModelPow), kFieldModelPow, 0);
    // clicked, not toggled: a click on the ticked button sends the mode again.
    const auto onRadio = [this](QAbstractButton* radio, FieldCode field, int value) {
        connect(radio, &QAbstractButton::clicked, this,
                [this, field, value] { emit switched(field, value); });
    };
    onRadio(freeRadio, kFieldModelMode1, 0);
    onRadio(propRadio, kFieldModelMode1, 1);
    onRadio(continousRadio, kFieldModelMode2, 1);
    onRadio(flashPropRadio, kFieldModelMode2, 0);
    connect(testButton, &QPushButton::clicked, this, &CPowerControlSet::testClicked);
}

bool CPowerControlSet::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        // A greyed slider sees the release too (it is not delivered to disabled widgets, but
        // filters run first): it must not send.
        auto* slider = qobject_cast<CFlatSliderCtrl*>(watched);
        if (slider != nullptr && slider->isEnabled()) {
            emit released(slider == flashSlider ? Power::kFlash : Power::kModel);
        }
    }
    return QObject::eventFilter(watched, e);
}

QAbstractButton* CPowerControlSet::Box(FieldCode field) const {
    switch (field) {
        case kFieldFlashCell:
            return cellCheck;
        case kFieldFlashSound:
            return soundCheck;
        case kFieldFlashPow:
            return powerButton;
        case kFieldModelPow:
            return offCheck;
        default:
            return nullptr;
    }
}

CFlatSliderCtrl* CPowerControlSet::Slider(Power power) const {
    return power == Power::kFlash ? flashSlider : modelSlider;
}

QFont CPowerControlSet::LargeFont() {
    return FontByCellHeight(QStringLiteral("Arial"), 34, QFont::Medium);
}

void CPowerControlSet::SetUp(const QFont& largeFont, const QFont& heavyFont,
                             const QString& labelText) {
    for (CUserStatic* label : {flashLabel, modelLabel}) {
        label->setFont(largeFont);
        label->SetColors(kValueText, kValueGround);
        label->setText(labelText);
    }
    powerButton->setFont(heavyFont);
}

void CPowerControlSet::Clear(int sliderPosition, const QString& labelText) {
    for (const Power power : {Power::kFlash, Power::kModel}) {
        ShowValue(power, labelText);
        Slider(power)->setValue(sliderPosition);
    }
    const std::array<QAbstractButton*, 4> boxes{cellCheck, soundCheck, powerButton, offCheck};
    for (QAbstractButton* box : boxes) {
        box->setChecked(false);
    }
    ShowModes(-1, -1);
}

void CPowerControlSet::ShowModes(int mode1, int mode2) const {
    const auto pick = [](int mode, QAbstractButton* one, QAbstractButton* zero) {
        return mode < 0 ? nullptr : mode == 1 ? one : zero;
    };
    CheckOnly(mode1Pair, pick(mode1, propRadio, freeRadio));
    CheckOnly(mode2Pair, pick(mode2, continousRadio, flashPropRadio));
}

void CPowerControlSet::ShowValue(Power power, const QString& text) const {
    CUserStatic* label = Label(power);
    if (text.isEmpty()) {
        label->clear();
    } else {
        label->setText(text);
    }
    label->update();
}

void CPowerControlSet::CheckOnly(QButtonGroup* pair, QAbstractButton* button) {
    // An exclusive group refuses to clear its last ticked button.
    pair->setExclusive(false);
    for (QAbstractButton* b : pair->buttons()) {
        b->setChecked(b == button);
    }
    pair->setExclusive(true);
}

QList<QWidget*> CPowerControlSet::SettingControls() const {
    return {flashLabel,  flashSpin,  flashSlider,    cellCheck,      soundCheck,
            powerButton, testButton, modelLabel,     modelSpin,      modelSlider,
            freeRadio,   propRadio,  continousRadio, flashPropRadio, offCheck};
}
