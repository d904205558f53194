#include "control/CommandWords.h"

#include "model/PowerValue.h"
#include "model/SettingField.h"
#include "model/StudioData.h"

namespace {

constexpr double kTenthsPerStep = 10.0;

int ValueOf(const StrobeData& unit, FieldCode field) {
    return unit.*SettingFieldOf(field)->member;
}

}  // namespace

QString FoldedWord(const QString& text) {
    QString out = text.trimmed().toLower();
    out.remove(QLatin1Char(' '));
    out.remove(QLatin1Char('-'));
    out.remove(QLatin1Char('_'));
    return out;
}

int ParseSettingWord(FieldCode field, const QString& text) {
    const QString value = FoldedWord(text);
    for (int code : {0, 1}) {
        if (value == FoldedWord(SettingWord(field, code))) {
            return code;
        }
    }
    if (value == QLatin1String("1") || value == QLatin1String("on") ||
        value == QLatin1String("true")) {
        return 1;
    }
    if (value == QLatin1String("0") || value == QLatin1String("off") ||
        value == QLatin1String("false")) {
        return 0;
    }
    // The word as most people spell it.
    if (field == kFieldModelMode2 && value == QLatin1String("continuous")) {
        return 1;
    }
    return -1;
}

int SlotOfUnitName(const QString& name) {
    QString digits = FoldedWord(name);
    if (digits.startsWith(QLatin1String("ch"))) {
        digits = digits.mid(2);
    }
    bool ok = false;
    const int number = digits.toInt(&ok);
    return ok && number >= 1 && number <= kSlotCount && digits.size() <= 2 ? number - 1 : -1;
}

QString StudioLetterOf(int studioNum) {
    return studioNum >= 0 && studioNum < kStudioCount ? QString(QChar(u'A' + studioNum))
                                                      : QString();
}

QStringList NamedSettingWords() {
    QStringList names;
    for (const NamedSetting& setting : kNamedSettings) {
        names << QLatin1String(setting.word);
    }
    return names;
}

FieldCode FieldOfNamedSetting(const QString& word) {
    const QString folded = FoldedWord(word);
    for (const NamedSetting& named : kNamedSettings) {
        if (folded == QLatin1String(named.word)) {
            return named.field;
        }
    }
    return kFieldNone;
}

QString UnitStatusWord(const StrobeData& unit) {
    const UnitCondition condition = ConditionOf(unit);
    if (condition != UnitCondition::kWorking) {
        return ConditionText(condition);
    }
    return unit.bFlashCharge == 0 ? QStringLiteral("Charging") : QStringLiteral("Ready");
}

QJsonObject UnitStateJson(const StrobeData& unit, bool current) {
    const StudioData* studio = unit.Studio();
    QJsonObject state{
        {QStringLiteral("studio"), StudioLetterOf(studio != nullptr ? studio->nStudioNum : -1)},
        {QStringLiteral("unit"), unit.sChName},
        {QStringLiteral("name"), unit.sModelName},
        {QStringLiteral("light"), unit.lightNode.sLightName},
        {QStringLiteral("flash"), unit.nFlashValue / kTenthsPerStep},
        {QStringLiteral("model"), unit.nModelValue / kTenthsPerStep},
        {QStringLiteral("status"), UnitStatusWord(unit)},
        {QStringLiteral("answered"), unit.bNoAnswer == 0},
        {QStringLiteral("ticked"), unit.bSelected != 0},
        {QStringLiteral("current"), current},
    };
    for (const NamedSetting& named : kNamedSettings) {
        const int value = ValueOf(unit, named.field);
        // A switch is true or false; a mode is its words.
        const bool isSwitch = SettingWord(named.field, 1) == QLatin1String("on");
        state.insert(QLatin1String(named.word), isSwitch
                                                    ? QJsonValue(value != 0)
                                                    : QJsonValue(SettingWord(named.field, value)));
    }
    return state;
}

QString UnitStateLine(const StrobeData& unit) {
    const StudioData* studio = unit.Studio();
    QStringList words{studio != nullptr ? studio->sStudioName : QString(),
                      unit.sChName,
                      unit.sModelName,
                      unit.lightNode.sLightName,
                      QStringLiteral("flash %1").arg(FormatPower(unit.nFlashValue)),
                      QStringLiteral("model %1").arg(FormatPower(unit.nModelValue))};
    for (const NamedSetting& named : kNamedSettings) {
        words << QStringLiteral("%1 %2").arg(QLatin1String(named.word),
                                             SettingWord(named.field, ValueOf(unit, named.field)));
    }
    words << UnitStatusWord(unit);
    return words.join(QStringLiteral("  "));
}
