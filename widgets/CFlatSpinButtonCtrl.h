#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "widgets/CFlatCtrl.h"

// An up-down control without an edit field: an up arrow over a down arrow. A click asks for a
// change of -1 (up arrow) or +1 (down arrow), as the platform's up-down control reports with
// its default reversed range; holding an arrow repeats the request, but only while the arrow
// is really held: the repeat ends on a release anywhere in the application, when the arrow is
// hidden or disabled, and when its window is blocked by a modal box or deactivated (the
// release may then go elsewhere, or nowhere that the arrow could see).
class QLabel;

class CFlatSpinButtonCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kAutoRepeatDelayMs = 300;
    static constexpr int kAutoRepeatIntervalMs = 100;

    explicit CFlatSpinButtonCtrl(QWidget* parent = nullptr);

    bool IsHot() const { return m_flat.IsHot(); }
    const CFlatCtrl& Flat() const { return m_flat; }

    QSize sizeHint() const override;

    // One step, as a click on the up (or down) arrow asks for it; nothing while the spin is
    // disabled or hidden. For keys and assistive technology.
    void StepArrow(bool up);
    // The label that shows the value this spin steps; what assistive technology reads as
    // the spin's value.
    void SetValueLabel(QLabel* label);
    QString ValueText() const;
    // Which press of an arrow the steps now asked for belong to: the same number for every
    // step of one held arrow, 0 for a step from a key or assistive technology.
    int HeldPress() const { return m_pressed != Arrow::None ? m_pressSerial : 0; }

signals:
    void deltaPos(int change);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool event(QEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    // While an arrow is held: a left release anywhere in the application ends the repeat.
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    enum class Arrow { None, Up, Down };

    QRect UpRect() const;
    QRect DownRect() const;
    void Step();
    void Emit(int change);
    void StopRepeat();
    // Whether the press that started the repeat can still be going on.
    bool StillHeld() const;

    CFlatCtrl m_flat{this};
    QTimer m_repeatTimer;
    Arrow m_pressed = Arrow::None;
    int m_pressSerial = 0;
    QPointer<QLabel> m_valueLabel;
};
