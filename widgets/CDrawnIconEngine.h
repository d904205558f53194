#pragma once

#include <QIconEngine>
#include <QImage>
#include <QSize>
#include <functional>
#include <vector>

// An icon drawn in code, at whatever size and device pixel ratio it is shown: each pixmap is
// painted for its device pixels (so a 2x screen gets twice the detail, not a blurred copy)
// and kept for the next paint of the same size.
class CDrawnIconEngine : public QIconEngine {
public:
    // Paints the picture in design units: the painter is scaled so that designSize fills the
    // requested size.
    using Draw = std::function<void(QPainter&)>;
    // Turns the normal picture, already at its device pixels, into the disabled one.
    using Disable = std::function<QImage(const QImage&)>;

    CDrawnIconEngine(const QSize& designSize, Draw draw, Disable disable = {});

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;

    // The picture at a logical size and device pixel ratio, unmodified by any mode.
    QImage Render(const QSize& size, qreal scale) const;

private:
    struct Cached {
        QSize size;
        qreal scale;
        bool disabled;
        QPixmap pixmap;
    };

    QSize m_designSize;
    Draw m_draw;
    Disable m_disable;
    std::vector<Cached> m_cache;
};
