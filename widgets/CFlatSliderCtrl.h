#pragma once

#include <QSlider>

#include "widgets/CFlatCtrl.h"

// A horizontal slider that draws its thumb and channel with thin flat edges unless it is hot
// (mouse over it or keyboard focus), when the standard drawing shows. Only the left button
// moves it: the panels commit a position on the left button's release, so a thumb set by
// another button would sit where neither its label nor the unit are.
class CFlatSliderCtrl : public QSlider {
    Q_OBJECT
public:
    explicit CFlatSliderCtrl(QWidget* parent = nullptr);

    bool IsHot() const { return m_flat.IsHot(); }
    const CFlatCtrl& Flat() const { return m_flat; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void PaintFlat();

    CFlatCtrl m_flat{this};
};
