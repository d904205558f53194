#pragma once

#include <QString>
#include <QStringList>
#include <array>

#include "model/FieldCode.h"
#include "model/StrobeData.h"

// What a setting field may hold: powers in tenths within POWER_MIN..POWER_MAX, switches and
// modes their codes 0 and 1. Units, files and frames all keep to these; a value outside is
// damage, never a setting.
struct SettingField {
    const char* name;  // as the operator's messages name it: "CH-02 flash 25.6 ..."
    int StrobeData::*member;
    int min;
    int max;
    bool power;      // shown in tenths ("25.6"), else as the plain code
    FieldCode code;  // how a notice names the field

    bool Allows(int value) const { return value >= min && value <= max; }
    // The value as the operator reads it, whatever it is: "4.5", "-0.5", "25.6" or "7".
    QString Text(int value) const;
    // "1.1 .. 8.1" or "0 .. 1".
    QString RangeText() const;
};

// The nine setting fields in their order (nFlashValue .. bModelPow).
const std::array<SettingField, 9>& SettingFields();

// The field a notice names; null for a code that names no setting field.
const SettingField* SettingFieldOf(FieldCode code);

// A unit's nine setting values in the fields' order: what a change takes away and puts back.
using SettingValues = std::array<int, 9>;
SettingValues SettingValuesOf(const StrobeData& unit);
void SetSettingValues(StrobeData& unit, const SettingValues& values);

// The first setting field of unit whose value is outside its range; null when all are in.
const SettingField* FirstFaultyField(const StrobeData& unit);

// The changes of a unit's settings as the operator's summaries word them, one entry per field
// that reads differently in after: "power on -> off", "flash 4.5 -> 5.0", "model 3.0 -> 3.5",
// "cell off -> on", "sound off -> on", "Free -> Prop", "Flash Prop -> Continous", "model lamp
// on -> off", in the panel's order; then, withCharge, "charge on -> off", which the panel does
// not show and units report only in part. A switch reads "on" at any code but 0, as its check
// box shows it; a mode reads its second word only at 1. namedModes names the modes too:
// "model mode Free -> Prop", "model lamp mode Flash Prop -> Continous" (the roll call's summary
// keeps its shorter words).
QStringList SettingChanges(const StrobeData& before, const StrobeData& after, bool withCharge,
                           bool namedModes = false);

// One field's value as those summaries word it ("4.5", "on", "Prop"), and one field's change
// with its modes named ("flash 4.5 -> 5.0", "model mode Free -> Prop"); empty for a code that
// names no setting field.
QString SettingWord(FieldCode field, int value);
QString SettingChange(FieldCode field, int before, int after);

// The fields of reported that read differently from expected, worded as SettingChanges words
// them (modes named) but the reported value first: "flash 5.0, not 5.5", "cell on, not off",
// "model mode Prop, not Free". The charge is left out: the panel does not show it and units report
// it only in part.
QStringList SettingMismatches(const StrobeData& reported, const StrobeData& expected);
