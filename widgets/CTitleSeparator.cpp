#include "widgets/CTitleSeparator.h"

#include <QEvent>
#include <QPainter>

#include "widgets/CellHeightFont.h"

CTitleSeparator::CTitleSeparator(const QString& caption, QWidget* parent)
    : QWidget(parent),
      m_text(palette().color(QPalette::WindowText)),
      m_line1(palette().color(QPalette::Dark)),
      m_line2(palette().color(QPalette::Light)) {
    setText(caption);
}

void CTitleSeparator::setText(const QString& caption) {
    m_caption = caption;
    setAccessibleName(caption);
    updateGeometry();
    update();
}

void CTitleSeparator::SetColors(const QColor& text, const QColor& line1, const QColor& line2) {
    m_text = text;
    m_line1 = line1;
    m_line2 = line2;
    update();
}

QFont CTitleSeparator::TitleFont() {
    return FontByCellHeight(QStringLiteral("MS Sans Serif"), 16, QFont::Black);
}

QSize CTitleSeparator::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_caption) + kLineGapPx + 40, metrics.height() + 2};
}

QSize CTitleSeparator::minimumSizeHint() const {
    return {0, QFontMetrics(font()).height() + 2};
}

void CTitleSeparator::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    // A template gives the line less height than its heavy font's cell: grow about the same
    // centre, so descenders are not cut off.
    if (e->type() == QEvent::FontChange) {
        const int needed = QFontMetrics(font()).height();
        if (height() < needed) {
            setGeometry(x(), y() - (needed - height()) / 2, width(), needed);
        }
    }
}

void CTitleSeparator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect client = rect();
    int lineLeft = 0;
    if (!m_caption.isEmpty()) {
        // One line, no wrapping: a control narrower than its caption elides it rather than
        // cutting a letter in half.
        const QFontMetrics metrics(font());
        const QString shown = metrics.elidedText(m_caption, Qt::ElideRight, client.width());
        const int width = metrics.horizontalAdvance(shown);
        painter.setPen(m_text);
        painter.setFont(font());
        painter.drawText(QRect(0, 0, width + 1, client.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        lineLeft = width + kLineGapPx;
    }
    const int lineWidth = client.width() - lineLeft;
    if (lineWidth <= 0) {
        return;
    }
    const int top = (client.height() + 1) / 2 - 1;
    // An etched rectangle two pixels high: colour 1 along the top and left edges, colour 2
    // along the bottom and right edges.
    painter.fillRect(lineLeft, top, lineWidth - 1, 1, m_line1);
    painter.fillRect(lineLeft, top, 1, 1, m_line1);
    painter.fillRect(lineLeft + lineWidth - 1, top, 1, 2, m_line2);
    painter.fillRect(lineLeft, top + 1, lineWidth, 1, m_line2);
}
