#include "control/UnitChange.h"

#include <QStringList>

namespace {

QString OnOff(int value) {
    return value != 0 ? QStringLiteral("on") : QStringLiteral("off");
}

// What the operator reads for a field and its value, as the panel labels them.
QString FieldWords(FieldCode field) {
    switch (field) {
        case kFieldFlashValue:
            return QStringLiteral("flash");
        case kFieldModelValue:
            return QStringLiteral("model");
        case kFieldFlashCell:
            return QStringLiteral("cell");
        case kFieldFlashSound:
            return QStringLiteral("sound");
        case kFieldFlashPow:
            return QStringLiteral("power");
        case kFieldModelMode1:
        case kFieldModelMode2:
            return QStringLiteral("model mode");
        case kFieldModelPow:
            return QStringLiteral("model lamp");
        default:
            return {};
    }
}

QString ValueWords(FieldCode field, int value) {
    switch (field) {
        case kFieldFlashValue:
        case kFieldModelValue:
            return SettingFieldOf(field)->Text(value);
        case kFieldModelMode1:
            return value == 1 ? QStringLiteral("Prop") : QStringLiteral("Free");
        case kFieldModelMode2:
            return value == 1 ? QStringLiteral("Continous") : QStringLiteral("Flash Prop");
        default:
            return OnOff(value);
    }
}

size_t IndexOf(FieldCode field) {
    const auto& fields = SettingFields();
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].code == field) {
            return i;
        }
    }
    return 0;
}

QString UnitText(const UnitChange& change) {
    const UnitChange::Unit& unit = change.units.front();
    if (change.kind == UnitChange::Kind::kRename) {
        const bool light = unit.lightBefore != unit.lightAfter;
        return QStringLiteral("%1 %2 \"%3\" -> \"%4\"")
            .arg(unit.label, light ? QStringLiteral("light name") : QStringLiteral("name"),
                 light ? unit.lightBefore : unit.nameBefore,
                 light ? unit.lightAfter : unit.nameAfter);
    }
    const size_t i = IndexOf(change.field);
    return QStringLiteral("%1 %2 %3 -> %4")
        .arg(unit.label, FieldWords(change.field), ValueWords(change.field, unit.before[i]),
             ValueWords(change.field, unit.after[i]));
}

}  // namespace

QString UnitChange::Text() const {
    QString text;
    switch (kind) {
        case Kind::kPower:
        case Kind::kSetting:
        case Kind::kRename:
            text = units.empty() ? QString() : UnitText(*this);
            break;
        case Kind::kTickedPower:
        case Kind::kTickedSetting:
            text = QStringLiteral("%1 ticked unit(s) %2").arg(units.size()).arg(FieldWords(field));
            break;
        case Kind::kMemory:
            text = QStringLiteral("%1 applied").arg(memoryName);
            break;
    }
    return origin.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, origin);
}
