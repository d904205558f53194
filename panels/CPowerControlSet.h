#pragma once

#include <QFont>
#include <QList>
#include <QObject>

#include "model/FieldCode.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QWidget;
class CDialogUnits;
class CFlatSliderCtrl;
class CFlatSpinButtonCtrl;
class CUserButton;
class CUserStatic;

// The flash and model power groups that the Remote Control panel and the selected-units
// panel share: the same controls at the same places, only the top of the groups differs.
// The widgets belong to the parent; this holds the pointers and the two radio pairs, wires
// the controls once and says what the operator did with them. What that means (a unit's
// value or an offset, one unit or the ticked ones) is the panel's.
class CPowerControlSet : public QObject {
    Q_OBJECT
public:
    enum class Power { kFlash, kModel };

    // groupTop: top of the two group boxes, in dialog units.
    CPowerControlSet(QWidget* parent, const CDialogUnits& units, int groupTop);
    ~CPowerControlSet() override;

    // Arial with a 34-pixel cell, weight 500, for the value labels.
    static QFont LargeFont();
    // Gives the labels their font, colours and text, and Power On its font.
    void SetUp(const QFont& largeFont, const QFont& heavyFont, const QString& labelText);

    // Every box clear, neither mode, both sliders at sliderPosition and both labels showing
    // labelText (empty: nothing).
    void Clear(int sliderPosition, const QString& labelText);
    // Ticks Free (0) or Prop (1), and Continous (1) or Flash Prop (0); neither for a negative.
    void ShowModes(int mode1, int mode2) const;
    // A value label shows text at once.
    void ShowValue(Power power, const QString& text) const;

    // Ticks one button of a radio pair, or none of them (nullptr).
    static void CheckOnly(QButtonGroup* pair, QAbstractButton* button);
    // Everything a single unit's settings are shown and changed with (not the group boxes).
    QList<QWidget*> SettingControls() const;
    // The pieces of one power: its value label, its spin and its slider.
    CUserStatic* Label(Power power) const {
        return power == Power::kFlash ? flashLabel : modelLabel;
    }
    CFlatSliderCtrl* Slider(Power power) const;
    // The box or button that shows a switch: Cell, Sound, Power or OFF; null for others.
    QAbstractButton* Box(FieldCode field) const;

signals:
    // An arrow of a spin: change is its step; heldPress numbers the presses of one held arrow
    // (0 for a click).
    void spun(CPowerControlSet::Power power, int change, int heldPress);
    // A slider's thumb moved: by the mouse (a drag), or by a key (byKey, exactly one step).
    void tracked(CPowerControlSet::Power power, int position, bool byKey);
    // A slider let go, by the mouse anywhere on it or by its key: its position is taken.
    void released(CPowerControlSet::Power power);
    // A key let go on a slider greyed while it was held: nothing is taken.
    void releasedGreyed(CPowerControlSet::Power power);
    // Cell, Sound, Power, OFF or a mode radio clicked: the field and the value it asks for
    // (OFF ticked asks for model power 0). A click on the ticked radio asks again.
    void switched(FieldCode field, int value);
    void testClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void PlaceFlash(QWidget* parent, const CDialogUnits& units, int groupTop);
    void PlaceModel(QWidget* parent, const CDialogUnits& units, int groupTop);
    void Describe();
    void ConnectPowers();
    void ConnectSwitches();

public:
    QGroupBox* flashGroup;
    CUserStatic* flashLabel;
    CFlatSpinButtonCtrl* flashSpin;
    CFlatSliderCtrl* flashSlider;
    QCheckBox* cellCheck;
    QCheckBox* soundCheck;
    CUserButton* powerButton;
    QPushButton* testButton;
    QGroupBox* modelGroup;
    CUserStatic* modelLabel;
    CFlatSpinButtonCtrl* modelSpin;
    CFlatSliderCtrl* modelSlider;
    QRadioButton* freeRadio;
    QRadioButton* propRadio;
    QRadioButton* continousRadio;
    QRadioButton* flashPropRadio;
    QCheckBox* offCheck;
    QButtonGroup* mode1Pair;
    QButtonGroup* mode2Pair;
};
