#include "navigation/DialogRect.h"

#include <QFontMetrics>
#include <QString>
#include <algorithm>

namespace {

// Rounded a * b / c.
int MulDivRounded(int a, int b, int c) {
    return static_cast<int>((static_cast<long long>(a) * b * 2 + c) / (2LL * c));
}

}  // namespace

QRect DialogRect(const QFont& dialogFont, int x, int y, int width, int height) {
    const QFontMetrics metrics(dialogFont);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int baseWidth = std::max(1, (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2);
    const int baseHeight = std::max(1, metrics.height());
    const int left = MulDivRounded(x, baseWidth, 4);
    const int top = MulDivRounded(y, baseHeight, 8);
    return QRect(left, top, MulDivRounded(x + width, baseWidth, 4) - left,
                 MulDivRounded(y + height, baseHeight, 8) - top);
}

QFont NavigationDialogFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    return font;
}
