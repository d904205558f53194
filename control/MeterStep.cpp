#include "control/MeterStep.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

#include "model/PowerValue.h"

namespace {

constexpr double kMinFNumber = 0.5;
constexpr double kMaxFNumber = 128.0;
// A marked f-number this close to a full stop is that stop: 5.6 is 4.97 stops from f/1,
// 11 is 6.92, 22 is 8.92.
constexpr double kFullStopSnap = 0.1;
constexpr int kMaxMeterTenths = 9;

}  // namespace

std::optional<int> ApertureTenths(const QString& text) {
    // "f/8.0 +0.3": the f-number, then the meter's tenths of a stop above it.
    static const QRegularExpression kPattern(
        QStringLiteral(
            R"(^\s*(?:f\s*/?\s*)?(\d{1,3}(?:\.\d{1,2})?)\s*(?:([+-]?)\s*0?\.(\d))?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = kPattern.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const double number = match.captured(1).toDouble();
    if (!(number >= kMinFNumber && number <= kMaxFNumber)) {
        return std::nullopt;
    }
    double stops = 2.0 * std::log2(number);
    const double nearest = std::round(stops);
    if (std::fabs(stops - nearest) < kFullStopSnap) {
        stops = nearest;
    }
    int tenths = static_cast<int>(std::lround(stops * 10.0));
    if (match.capturedLength(3) > 0) {
        const int extra = std::min(match.captured(3).toInt(), kMaxMeterTenths);
        tenths += match.captured(2) == QLatin1String("-") ? -extra : extra;
    }
    return tenths;
}

MeterStep MeterPower(int flashTenths, int readingTenths, int wantedTenths) {
    const int wanted = flashTenths + (wantedTenths - readingTenths);
    MeterStep step;
    step.flashTenths = std::clamp(wanted, POWER_MIN, POWER_MAX);
    step.shortTenths = wanted - step.flashTenths;
    return step;
}

QString MeterText(const QString& unit, const MeterStep& step, const QString& wanted) {
    const QString aperture =
        QStringLiteral("f/") +
        wanted.trimmed().remove(QRegularExpression(QStringLiteral("^[fF]\\s*/?\\s*")));
    const QString power = FormatPower(step.flashTenths);
    if (step.shortTenths == 0) {
        return QStringLiteral("%1 at %2 for %3").arg(unit, power, aperture);
    }
    const QString stops = QString::number(std::abs(step.shortTenths) / 10.0, 'f', 1);
    return QStringLiteral("%1 at %2, %3 stop %4 %5")
        .arg(unit, power, stops,
             step.shortTenths > 0 ? QStringLiteral("short of") : QStringLiteral("over"), aperture);
}
