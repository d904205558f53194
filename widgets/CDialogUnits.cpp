#include "widgets/CDialogUnits.h"

#include <QFontMetrics>
#include <QHash>
#include <QString>
#include <algorithm>
#include <tuple>
#include <utility>

namespace {

// Rounded a * b / c, as the platform's dialog unit conversion computes it.
int MulDivRounded(int a, int b, int c) {
    return static_cast<int>((static_cast<long long>(a) * b * 2 + c) / (2LL * c));
}

}  // namespace

CDialogUnits::CDialogUnits(const QFont& dialogFont) {
    // Every view is laid out in the same font: measured once.
    static QHash<QString, std::pair<int, int>> measured;
    const QString key = dialogFont.key();
    if (const auto it = measured.constFind(key); it != measured.constEnd()) {
        std::tie(m_baseWidthPx, m_baseHeightPx) = *it;
        return;
    }
    const QFontMetrics metrics(dialogFont);
    // The average width over both alphabets, not the font's own figure, which varies more
    // between font engines than the layouts can tolerate.
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseWidthPx = std::max(1, (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2);
    m_baseHeightPx = std::max(1, metrics.height());
    measured.insert(key, {m_baseWidthPx, m_baseHeightPx});
}

int CDialogUnits::X(int units) const {
    return MulDivRounded(units, m_baseWidthPx, 4);
}

int CDialogUnits::Y(int units) const {
    return MulDivRounded(units, m_baseHeightPx, 8);
}

QRect CDialogUnits::Rect(int x, int y, int width, int height) const {
    const int left = X(x);
    const int top = Y(y);
    return QRect(left, top, X(x + width) - left, Y(y + height) - top);
}

QSize CDialogUnits::Size(int width, int height) const {
    return QSize(X(width), Y(height));
}

QFont CDialogUnits::DialogFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    return font;
}
