#pragma once

#include <QFont>
#include <QList>

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
// The widgets belong to the parent; this holds the pointers and the two radio pairs.
class CPowerControlSet {
public:
    // groupTop: top of the two group boxes, in dialog units.
    CPowerControlSet(QWidget* parent, const CDialogUnits& units, int groupTop);

    // Arial with a 34-pixel cell, weight 500, for the value labels.
    static QFont LargeFont();
    // Gives the labels their font, colours and text, and Power On its font.
    void SetUp(const QFont& largeFont, const QFont& heavyFont, const QString& labelText);

    // Ticks one button of a radio pair, or none of them (nullptr).
    static void CheckOnly(QButtonGroup* pair, QAbstractButton* button);
    // Everything a single unit's settings are shown and changed with (not the group boxes).
    QList<QWidget*> SettingControls() const;

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
