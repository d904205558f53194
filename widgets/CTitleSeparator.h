#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

// A title line: the caption at the left, followed by an etched two-pixel line to the right
// edge. The line is left out when the caption leaves no room for it.
class CTitleSeparator : public QWidget {
    Q_OBJECT
public:
    explicit CTitleSeparator(const QString& caption, QWidget* parent = nullptr);

    void setText(const QString& caption);
    QString text() const { return m_caption; }
    void SetColors(const QColor& text, const QColor& line1, const QColor& line2);

    // The font the views give every title line.
    static QFont TitleFont();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    static constexpr int kLineGapPx = 6;

    QColor m_text;
    QColor m_line1;  // top and left edge
    QColor m_line2;  // bottom and right edge
    QString m_caption;
};
