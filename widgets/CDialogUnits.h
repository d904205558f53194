#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

// Converts the dialog units in which the panel layouts are given into pixels of the dialog
// font: one horizontal unit is a quarter of the font's average character width, one vertical
// unit an eighth of its height.
class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& dialogFont);

    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;

    int BaseWidthPx() const { return m_baseWidthPx; }
    int BaseHeightPx() const { return m_baseHeightPx; }

    // The 8-point Arial that every view template is laid out in.
    static QFont DialogFont();

private:
    int m_baseWidthPx;
    int m_baseHeightPx;
};
