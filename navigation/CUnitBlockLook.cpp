#include "navigation/CUnitBlockLook.h"

#include "model/PowerValue.h"
#include "model/StrobeData.h"
#include "widgets/CellHeightFont.h"

namespace {

const QColor kCurrentNormalBack(91, 138, 215);
const QColor kCurrentAlertBack(75, 104, 158);
const QColor kAlertBack(162, 169, 170);

}  // namespace

bool CUnitBlockLook::WorksNormally(const StrobeData& unit) {
    return ConditionOf(unit) == UnitCondition::kWorking;
}

CUnitBlockLook::Status CUnitBlockLook::StatusOf(const StrobeData& unit, bool current) {
    Status status;
    const UnitCondition condition = ConditionOf(unit);
    status.normal = condition == UnitCondition::kWorking;
    status.text = status.normal ? NormalStatusText(unit) : ConditionText(condition);
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
