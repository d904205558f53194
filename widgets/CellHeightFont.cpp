#include "widgets/CellHeightFont.h"

#include <QFontMetrics>
#include <QHash>
#include <algorithm>

QFont FontByCellHeight(const QString& family, int cellHeightPx, int weight) {
    QFont font(family);
    font.setWeight(static_cast<QFont::Weight>(weight));
    cellHeightPx = std::max(1, cellHeightPx);
    // Every view asks for the same few fonts: measure each once.
    static QHash<QString, int> pixelSizes;
    const QString key = QStringLiteral("%1/%2/%3").arg(family).arg(cellHeightPx).arg(weight);
    if (const auto it = pixelSizes.constFind(key); it != pixelSizes.constEnd()) {
        font.setPixelSize(*it);
        return font;
    }
    const auto heightAt = [&font](int pixelSize) {
        font.setPixelSize(pixelSize);
        return QFontMetrics(font).height();
    };
    // The em is about eight ninths of the cell in common faces (Arial's metric twins, DejaVu):
    // start there, then walk. Each size tried loads a font engine, which is most of
    // start-up's font time: a first guess that already fits is taken.
    int pixelSize = std::max(1, cellHeightPx * 8 / 9);
    int height = heightAt(pixelSize);
    while (pixelSize > 1 && height > cellHeightPx) {
        height = heightAt(--pixelSize);
    }
    while (height < cellHeightPx && heightAt(pixelSize + 1) <= cellHeightPx) {
        height = heightAt(++pixelSize);
    }
    font.setPixelSize(pixelSize);
    pixelSizes.insert(key, pixelSize);
    return font;
}
