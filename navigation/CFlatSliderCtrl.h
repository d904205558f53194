#pragma once

#include <QSlider>

#include "navigation/CFlatCtrl.h"

// A horizontal slider that draws its thumb and channel with thin flat edges unless it is hot
// (mouse over it or keyboard focus), when the standard drawing shows.
class CFlatSliderCtrl : public QSlider {
    Q_OBJECT
public:
    explicit CFlatSliderCtrl(QWidget* parent = nullptr);

    bool IsHot() const { return m_flat.IsHot(); }
    const CFlatCtrl& Flat() const { return m_flat; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void PaintFlat();

    CFlatCtrl m_flat{this};
};
