#include "model/SettingField.h"

#include <cstdlib>

#include "model/PowerValue.h"

namespace {

constexpr int kOff = 0;
constexpr int kOn = 1;

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

const std::array<SettingField, 9>& SettingFields() {
    static const std::array<SettingField, 9> kFields{{
        {"flash", &StrobeData::nFlashValue, POWER_MIN, POWER_MAX, true, kFieldFlashValue},
        {"cell", &StrobeData::bFlashCell, kOff, kOn, false, kFieldFlashCell},
        {"sound", &StrobeData::bFlashSnd, kOff, kOn, false, kFieldFlashSound},
        {"charge", &StrobeData::bFlashCharge, kOff, kOn, false, kFieldFlashCharge},
        {"power", &StrobeData::bFlashPow, kOff, kOn, false, kFieldFlashPow},
        {"model", &StrobeData::nModelValue, POWER_MIN, POWER_MAX, true, kFieldModelValue},
        {"mode1", &StrobeData::nModelMode1, kOff, kOn, false, kFieldModelMode1},
        {"mode2", &StrobeData::nModelMode2, kOff, kOn, false, kFieldModelMode2},
        {"model power", &StrobeData::bModelPow, kOff, kOn, false, kFieldModelPow},
    }};
    return kFields;
}

const SettingField* FirstFaultyField(const StrobeData& unit) {
    for (const SettingField& field : SettingFields()) {
        if (!field.Allows(unit.*field.member)) {
            return &field;
        }
    }
    return nullptr;
}

const SettingField* SettingFieldOf(FieldCode code) {
    for (const SettingField& field : SettingFields()) {
        if (field.code == code) {
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
