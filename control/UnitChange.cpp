#include "control/UnitChange.h"

#include <QStringList>

#include "model/StudioData.h"

namespace {

// The field's place among a unit's setting values (a change always names a setting field).
size_t IndexOf(FieldCode field) {
    const SettingField* setting = SettingFieldOf(field);
    return setting != nullptr ? static_cast<size_t>(setting - SettingFields().data()) : 0;
}

QString RenameText(const UnitChange& change) {
    const UnitChange::Names& names = change.names.front();
    const bool light = names.lightBefore != names.lightAfter;
    return QStringLiteral("%1 %2 \"%3\" -> \"%4\"")
        .arg(change.units.front().Label(), light ? QStringLiteral("light") : QStringLiteral("name"),
             light ? names.lightBefore : names.nameBefore,
             light ? names.lightAfter : names.nameAfter);
}

// "CH-01, CH-02 flash +0.5": the ticked units and what the control moved by.
QString TickedText(const UnitChange& change) {
    QStringList labels;
    for (const UnitChange::Unit& unit : change.units) {
        labels << unit.Label();
    }
    const size_t i = IndexOf(change.field);
    const UnitChange::Unit& first = change.units.front();
    QString what;
    if (change.kind == UnitChange::Kind::kTickedPower) {
        const int by = first.after[i] - first.before[i];
        what = QStringLiteral("%1 %2%3").arg(QLatin1StringView(SettingFieldOf(change.field)->name),
                                             by >= 0 ? QStringLiteral("+") : QString(),
                                             SettingFieldOf(change.field)->Text(by));
    } else {
        what = SettingWord(change.field, first.after[i]);
    }
    return QStringLiteral("%1 %2").arg(labels.join(QStringLiteral(", ")), what);
}

}  // namespace

QString UnitChange::Unit::Label() const {
    return SlotLabelOf(ref.nSlot);
}

QString UnitChange::Text() const {
    QString text;
    if (kind == Kind::kMemory) {
        text = QStringLiteral("%1 applied").arg(memoryName);
    } else if (units.empty()) {
        return {};
    } else if (kind == Kind::kRename) {
        text = names.empty() ? QString() : RenameText(*this);
    } else if (kind == Kind::kTickedPower || kind == Kind::kTickedSetting) {
        text = TickedText(*this);
    } else {
        const size_t i = IndexOf(field);
        text = QStringLiteral("%1 %2").arg(
            units.front().Label(),
            SettingChange(field, units.front().before[i], units.front().after[i]));
    }
    return origin.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, origin);
}
