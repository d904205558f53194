#pragma once

#include <QColor>
#include <QLabel>

// A value label that fills its whole rectangle with its own background colour and draws the
// text in its own text colour, so a shorter new value leaves nothing of the old one behind.
// Disabled, the text takes the palette's disabled grey.
class CUserStatic : public QLabel {
    Q_OBJECT
public:
    explicit CUserStatic(QWidget* parent = nullptr);

    void SetColors(const QColor& text, const QColor& background);
    QColor TextColor() const { return m_text; }
    QColor BackgroundColor() const { return m_background; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor m_text;
    QColor m_background;
};
