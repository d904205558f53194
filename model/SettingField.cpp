#include "model/SettingField.h"

#include <cstdlib>

#include "model/PowerValue.h"

namespace {

constexpr int kOff = 0;
constexpr int kOn = 1;

// How the summaries of changes word one setting field (its place in SettingFields()): the
// label before the values, empty for a mode, whose words name it; the words of codes 0 and 1,
// none for a power.
struct Wording {
    int field;
    const char* label;
    const char* named;  // the label where a mode is named too ("model mode Free -> Prop")
    const char* zero;
    const char* one;
    bool anyNonZeroIsOne;  // a switch, not a mode
};

// In the panel's order, charge last.
constexpr std::array<Wording, 9> kWordings{{
    {4, "power ", "power ", "off", "on", true},
    {0, "flash ", "flash ", nullptr, nullptr, false},
    {5, "model ", "model ", nullptr, nullptr, false},
    {1, "cell ", "cell ", "off", "on", true},
    {2, "sound ", "sound ", "off", "on", true},
    {6, "", "model mode ", "Free", "Prop", false},
    {7, "", "model lamp mode ", "Flash Prop", "Continous", false},
    {8, "model lamp ", "model lamp ", "off", "on", true},
    {3, "charge ", "charge ", "off", "on", true},
}};
constexpr int kChargeField = 3;

QString Word(const Wording& wording, int value) {
    if (wording.zero == nullptr) {
        return SettingFields()[wording.field].Text(value);
    }
    const bool one = wording.anyNonZeroIsOne ? value != 0 : value == 1;
    return QString(QLatin1StringView(one ? wording.one : wording.zero));
}

// Each field that reads differently in second than in first, in the panel's order: its label,
// then the words of first and of second with joint between them.
QStringList Differing(const StrobeData& first, const StrobeData& second, bool withCharge,
                      bool namedModes, QLatin1StringView joint) {
    QStringList out;
    for (const Wording& wording : kWordings) {
        if (wording.field == kChargeField && !withCharge) {
            continue;
        }
        const auto member = SettingFields()[wording.field].member;
        const QString from = Word(wording, first.*member);
        const QString to = Word(wording, second.*member);
        if (from != to) {
            out << QStringLiteral("%1%2%3%4")
                       .arg(QLatin1StringView(namedModes ? wording.named : wording.label), from,
                            joint, to);
        }
    }
    return out;
}

}  // namespace

QString SettingField::Text(int value) const {
    if (!power) {
        return QString::number(value);
    }
    // The sign in front of the whole number, so that -5 reads "-0.5", never "0.-5".
    const qint64 magnitude = std::llabs(static_cast<qint64>(value));
    return QStringLiteral("%1%2.%3")
        .arg(value < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 10)
        .arg(magnitude % 10);
}

QString SettingField::RangeText() const {
    return QStringLiteral("%1 .. %2").arg(Text(min), Text(max));
}

const SettingField* FirstFaultyField(const StrobeData& unit) {
    for (const SettingField& field : SettingFields()) {
        if (!field.Allows(unit.*field.member)) {
            return &field;
        }
    }
    return nullptr;
}

SettingValues SettingValuesOf(const StrobeData& unit) {
    SettingValues values{};
    for (size_t i = 0; i < values.size(); ++i) {
        values[i] = unit.*SettingFields()[i].member;
    }
    return values;
}

void SetSettingValues(StrobeData& unit, const SettingValues& values) {
    for (size_t i = 0; i < values.size(); ++i) {
        unit.*SettingFields()[i].member = values[i];
    }
}

namespace {

const Wording* WordingOf(FieldCode code) {
    for (const Wording& wording : kWordings) {
        if (SettingFields()[wording.field].code == code) {
            return &wording;
        }
    }
    return nullptr;
}

}  // namespace

QString SettingWord(FieldCode field, int value) {
    const Wording* wording = WordingOf(field);
    return wording != nullptr ? Word(*wording, value) : QString();
}

QString SettingChange(FieldCode field, int before, int after) {
    const Wording* wording = WordingOf(field);
    if (wording == nullptr) {
        return {};
    }
    return QStringLiteral("%1%2 -> %3")
        .arg(QLatin1StringView(wording->named), Word(*wording, before), Word(*wording, after));
}

QStringList SettingChanges(const StrobeData& before, const StrobeData& after, bool withCharge,
                           bool namedModes) {
    return Differing(before, after, withCharge, namedModes, QLatin1StringView(" -> "));
}

QStringList SettingMismatches(const StrobeData& reported, const StrobeData& expected) {
    return Differing(reported, expected, false, true, QLatin1StringView(", not "));
}
