#include "navigation/CUnitBlockLook.h"

#include "model/PowerValue.h"
#include "model/StrobeData.h"
#include "widgets/CellHeightFont.h"

namespace {

constexpr int kOverheatTemperature = 60;

const QColor kCurrentNormalBack(91, 138, 215);
const QColor kCurrentAlertBack(75, 104, 158);
const QColor kAlertBack(162, 169, 170);

}  // namespace

bool CUnitBlockLook::WorksNormally(const StrobeData& unit) {
    return unit.bNoAnswer == 0 && unit.bFlashPow != 0 && unit.nTemperature < kOverheatTemperature;
}

CUnitBlockLook::Status CUnitBlockLook::StatusOf(const StrobeData& unit, bool current) {
    Status status;
    // Nothing it last said can be trusted while it does not answer.
    if (unit.bNoAnswer != 0) {
        status.text = QStringLiteral("No answer");
    } else if (unit.bFlashPow == 0) {
        status.text = QStringLiteral("OFF");
    } else if (unit.nTemperature >= kOverheatTemperature) {
        status.text = QStringLiteral("Overheat");
    } else {
        status.normal = true;
        status.text = NormalStatusText(unit);
    }
    if (current) {
        status.back = status.normal ? kCurrentNormalBack : kCurrentAlertBack;
        status.textColor = Qt::white;
    } else {
        status.back = status.normal ? QColor(Qt::white) : kAlertBack;
        status.textColor = Qt::black;
    }
    return status;
}

QString CUnitBlockLook::NormalStatusText(const StrobeData& unit) {
    const QString model =
        unit.bModelPow != 0 ? FormatGridPower(unit.nModelValue) : QStringLiteral("Off");
    return QStringLiteral("Flash : %1\nModel : %2").arg(FormatGridPower(unit.nFlashValue), model);
}

QString CUnitBlockLook::TitleText(const StrobeData& unit) {
    return QStringLiteral("  %1  %2").arg(unit.sChName, unit.sModelName);
}

const QFont& CUnitBlockLook::TitleFont() const {
    if (!m_titleFont) {
        m_titleFont = FontByCellHeight(QStringLiteral("Arial"), 14, 500);
    }
    return *m_titleFont;
}

const QFont& CUnitBlockLook::BigFont() const {
    if (!m_bigFont) {
        m_bigFont = FontByCellHeight(QStringLiteral("Arial"), 30, 600);
    }
    return *m_bigFont;
}
