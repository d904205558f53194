#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

class QWidget;

// Hot tracking for the flat spin and slider: the control is hot while the mouse is over it
// or it has the keyboard focus, and is drawn flat otherwise. While the mouse is over the
// control a timer repeats the check, so that leaving is noticed even when no mouse event
// reaches the control any more.
class CFlatCtrl : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kHoverCheckInterval{150};

    explicit CFlatCtrl(QWidget* control);

    bool IsHot() const { return m_hot; }
    bool IsMouseOver() const { return m_mouseOver; }
    bool IsFlat() const { return m_flat; }

signals:
    void hotChanged(bool hot);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void CheckHover();
    void SetHot(bool hot);
    bool CursorOverControl() const;

    QWidget* m_control;
    QTimer m_hoverTimer;
    bool m_flat = true;
    bool m_mouseOver = false;
    bool m_hot = false;
};
