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
        {"flash", &StrobeData::nFlashValue, POWER_MIN, POWER_MAX, true},
        {"cell", &StrobeData::bFlashCell, kOff, kOn, false},
        {"sound", &StrobeData::bFlashSnd, kOff, kOn, false},
        {"charge", &StrobeData::bFlashCharge, kOff, kOn, false},
        {"power", &StrobeData::bFlashPow, kOff, kOn, false},
        {"model", &StrobeData::nModelValue, POWER_MIN, POWER_MAX, true},
        {"mode1", &StrobeData::nModelMode1, kOff, kOn, false},
        {"mode2", &StrobeData::nModelMode2, kOff, kOn, false},
        {"model power", &StrobeData::bModelPow, kOff, kOn, false},
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
