#include "widgets/CDrawnIconEngine.h"

#include <QApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <cmath>

namespace {

// A handful of sizes and scales are ever asked for; more means something keeps asking anew.
constexpr size_t kMaxCached = 16;

}  // namespace

CDrawnIconEngine::CDrawnIconEngine(const QSize& designSize, Draw draw, Disable disable)
    : m_designSize(designSize), m_draw(std::move(draw)), m_disable(std::move(disable)) {}

QImage CDrawnIconEngine::Render(const QSize& size, qreal scale) const {
    const QSize device(static_cast<int>(std::ceil(size.width() * scale)),
                       static_cast<int>(std::ceil(size.height() * scale)));
    QImage image(device, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return image;
    }
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    if (m_designSize.isEmpty()) {
        return image;
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // The painter already works in logical pixels; fit the design into the size asked for.
    p.scale(static_cast<qreal>(size.width()) / m_designSize.width(),
            static_cast<qreal>(size.height()) / m_designSize.height());
    m_draw(p);
    return image;
}

QPixmap CDrawnIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State,
                                       qreal scale) {
    const QSize logical = size.isEmpty() ? m_designSize : actualSize(size, mode, QIcon::Off);
    const bool disabled = mode == QIcon::Disabled;
    for (const Cached& c : m_cache) {
        if (c.size == logical && qFuzzyCompare(c.scale, scale) && c.disabled == disabled) {
            return c.pixmap;
        }
    }
    QImage image = Render(logical, scale);
    QPixmap pixmap;
    if (disabled && m_disable) {
        image = m_disable(image);
        image.setDevicePixelRatio(scale);
        pixmap = QPixmap::fromImage(image);
    } else {
        pixmap = QPixmap::fromImage(image);
        if (disabled) {
            // No look of its own: the style's greying, of the pixels just drawn.
            QStyleOption option;
            option.palette = QApplication::palette();
            pixmap = QApplication::style()->generatedIconPixmap(QIcon::Disabled, pixmap, &option);
        }
    }
    if (m_cache.size() >= kMaxCached) {
        m_cache.erase(m_cache.begin());
    }
    m_cache.push_back({logical, scale, disabled, pixmap});
    return pixmap;
}

QPixmap CDrawnIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return scaledPixmap(size, mode, state, 1.0);
}

void CDrawnIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                             QIcon::State state) {
    const qreal scale = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap shown = scaledPixmap(rect.size(), mode, state, scale);
    const QSize logical = shown.deviceIndependentSize().toSize();
    const QPoint at(rect.left() + (rect.width() - logical.width()) / 2,
                    rect.top() + (rect.height() - logical.height()) / 2);
    painter->drawPixmap(at, shown);
}

QSize CDrawnIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State) {
    // Never larger than asked for, and never larger than designed: a bigger button does not
    // blow the picture up.
    return m_designSize.scaled(size.boundedTo(m_designSize), Qt::KeepAspectRatio);
}

QList<QSize> CDrawnIconEngine::availableSizes(QIcon::Mode, QIcon::State) {
    return {m_designSize};
}

QIconEngine* CDrawnIconEngine::clone() const {
    return new CDrawnIconEngine(m_designSize, m_draw, m_disable);
}

QString CDrawnIconEngine::key() const {
    return QStringLiteral("CDrawnIconEngine");
}
