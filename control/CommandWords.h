#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <array>

#include "model/FieldCode.h"

struct StrobeData;

// How the commands from outside the desktop name things and word values: one vocabulary for
// the phone, the session bus and control surfaces.

// The settings a remote names by a word, in the panel's order; their values are worded as the
// operator's summaries word them ("on", "Free", "Flash Prop").
struct NamedSetting {
    const char* word;
    FieldCode field;
};
inline constexpr std::array<NamedSetting, 6> kNamedSettings{{
    {"power", kFieldFlashPow},
    {"cell", kFieldFlashCell},
    {"sound", kFieldFlashSound},
    {"mode", kFieldModelMode1},
    {"lampmode", kFieldModelMode2},
    {"lamp", kFieldModelPow},
}};

// "Flash Prop", "flash-prop" and "flashprop" alike: lower case, no blanks, dashes or lines.
QString FoldedWord(const QString& text);
// A setting's value from its words, 0/1, on/off or true/false; -1 for none of them.
int ParseSettingWord(FieldCode field, const QString& text);
// "CH-03", "ch03", "3" and "03" name slot 2; -1 for anything else.
int SlotOfUnitName(const QString& name);
// "A" for studio 0; empty outside the five.
QString StudioLetterOf(int studioNum);
// The named settings' words; the field a word names (kFieldNone for none).
QStringList NamedSettingWords();
FieldCode FieldOfNamedSetting(const QString& word);
// "No answer", "OFF", "Overheat", "Charging" or "Ready": what the grid's status cell says,
// and whether the unit is charged.
QString UnitStatusWord(const StrobeData& unit);
// A unit as the remotes see it (see CCommandDesk::UnitState).
QJsonObject UnitStateJson(const StrobeData& unit, bool current);
// One line for a person: "Studio A  CH-03  Key  Softbox  flash 4.5  model 3.0  power on ...".
QString UnitStateLine(const StrobeData& unit);
