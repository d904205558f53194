#include "navigation/CUserStatic.h"

#include <QPainter>

CUserStatic::CUserStatic(QWidget* parent)
    : QLabel(parent),
      m_text(palette().color(QPalette::WindowText)),
      m_background(palette().color(QPalette::Window)) {}

void CUserStatic::SetColors(const QColor& text, const QColor& background) {
    m_text = text;
    m_background = background;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, text);
    pal.setColor(QPalette::Text, text);
    setPalette(pal);
    update();
}

void CUserStatic::paintEvent(QPaintEvent* e) {
    {
        QPainter painter(this);
        painter.fillRect(rect(), m_background);
    }
    // The label's own drawing puts the text on top, without a background of its own.
    QLabel::paintEvent(e);
}
