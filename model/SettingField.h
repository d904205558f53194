#pragma once

#include <QString>
#include <QStringList>
#include <array>

#include "model/FieldCode.h"
#include "model/PowerValue.h"
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
    // The radio's sub-code of the one-setting frame that carries the field, both ways; 0
    // for the charge, which a unit reports by an event and is never sent.
    quint8 subCode;
    const char* fileName;  // the element of a Business Memory file that holds it

    bool Allows(int value) const { return value >= min && value <= max; }
    // The value as the operator reads it, whatever it is: "4.5", "-0.5", "25.6" or "7".
    QString Text(int value) const;
    // "1.1 .. 8.1" or "0 .. 1".
    QString RangeText() const;
};

// The nine setting fields in their order (nFlashValue .. bModelPow): the one definition of
// each, which the radio, the files, the views and the summaries all read.
inline constexpr std::array<SettingField, 9> kSettingFields{{
    {"flash", &StrobeData::nFlashValue, POWER_MIN, POWER_MAX, true, kFieldFlashValue, 3,
     "nFlashValue"},
    {"cell", &StrobeData::bFlashCell, 0, 1, false, kFieldFlashCell, 7, "bFlashCell"},
    {"sound", &StrobeData::bFlashSnd, 0, 1, false, kFieldFlashSound, 8, "bFlashSnd"},
    {"charge", &StrobeData::bFlashCharge, 0, 1, false, kFieldFlashCharge, 0, "bFlashCharge"},
    {"power", &StrobeData::bFlashPow, 0, 1, false, kFieldFlashPow, 13, "bFlashPow"},
    {"model", &StrobeData::nModelValue, POWER_MIN, POWER_MAX, true, kFieldModelValue, 4,
     "nModelValue"},
    {"mode1", &StrobeData::nModelMode1, 0, 1, false, kFieldModelMode1, 5, "nModelMode1"},
    {"mode2", &StrobeData::nModelMode2, 0, 1, false, kFieldModelMode2, 6, "nModelMode2"},
    {"model power", &StrobeData::bModelPow, 0, 1, false, kFieldModelPow, 12, "bModelPow"},
}};
inline const std::array<SettingField, 9>& SettingFields() {
    return kSettingFields;
}

// The field a notice names; null for a code that names no setting field.
constexpr const SettingField* SettingFieldOf(FieldCode code) {
    for (const SettingField& field : kSettingFields) {
        if (field.code == code) {
            return &field;
        }
    }
    return nullptr;
}
// The field a one-setting frame of subCode carries; null for none.
constexpr const SettingField* SettingFieldOfSubCode(quint8 subCode) {
    for (const SettingField& field : kSettingFields) {
        if (field.subCode != 0 && field.subCode == subCode) {
            return &field;
        }
    }
    return nullptr;
}

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
