#pragma once

#include <QGroupBox>
#include <QPixmap>

// A group box that draws its frame and title once and copies them after that. The controls
// inside it are not opaque (sliders, check boxes): each repaint of one repaints the group
// behind it, and a style's rounded frame is costly to draw again and again.
class CCachedGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit CCachedGroupBox(const QString& title, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    // Everything the picture depends on, as it was when it was drawn.
    struct Look {
        int state = -1;
        QString title;
        QSize size;
        qreal scale = 0;
        qint64 palette = 0;
        QString font;
        bool operator==(const Look&) const = default;
    };

    QPixmap m_drawn;
    Look m_drawnLook;
};
