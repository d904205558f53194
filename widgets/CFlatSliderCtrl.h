#pragma once

#include <QSlider>

#include "widgets/CFlatCtrl.h"

// A horizontal slider that draws its thumb and channel with thin flat edges unless it is hot
// (mouse over it or keyboard focus), when the standard drawing shows. Only the left button
// moves it: the panels commit a position on the left button's release, so a thumb set by
// another button would sit where neither its label nor the unit are. For the same reason a
// thumb moved by a key is told at once (stepped) and let go of at the key's release or when
// the focus leaves (keyboardReleased), and the mouse wheel leaves it alone: the wheel has no
// release at which the owner could take the position.
class CFlatSliderCtrl : public QSlider {
    Q_OBJECT
public:
    explicit CFlatSliderCtrl(QWidget* parent = nullptr);

    bool IsHot() const { return m_flat.IsHot(); }
    const CFlatCtrl& Flat() const { return m_flat; }

    // One page up or down, as Page Up or Page Down on the focused slider moves it, let go of
    // at once; nothing while the slider is disabled.
    void PageStep(bool up);

signals:
    // The thumb went to position by a key or a click on the channel (not by a drag).
    void stepped(int position);
    // A move made with the keyboard is over: the owner takes the position, as it does at a
    // mouse release.
    void keyboardReleased();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void PaintFlat();
    void LetGo();

    CFlatCtrl m_flat{this};
    bool m_keyStepping = false;  // within a key's own handling
    bool m_keyMoved = false;     // a key moved the thumb since the last let-go
};
