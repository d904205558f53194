#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QString>
#include <functional>

#include "model/UnitRef.h"

// The application's own events, which the serial link posts to the UI thread (the views and
// the core speak in signals). Each travels as a CAppMessage whose event type is its number, so
// a receiver dispatches on event->type(). Their numbers are those of the window messages they
// were, above the first user event.
inline constexpr int kWmUser = 0x400;

enum LinkNotice : int {
    // WM_ZB_RECEIVED: the watcher moved bytes into the receive ring; coalesced, one at a time.
    kReceivedNotice = kWmUser + 50,
    // WM_ZB_CLOSED: the watcher ended; wParam the opening's generation.
    kClosedNotice = kWmUser + 51,
    // WM_SHOW_ALERT: a request, from any thread, that the UI thread show the operator a
    // message box (the watcher must never wait for the operator).
    kAlertRequest = kWmUser + 80,
};

static_assert(int{kReceivedNotice} > int{QEvent::User} &&
              int{kAlertRequest} < int{QEvent::MaxUser});

class CAppMessage : public QEvent {
public:
    CAppMessage(int message, qintptr wParam, quintptr lParam, const UnitRef& unit = {})
        : QEvent(static_cast<QEvent::Type>(message)), wParam(wParam), lParam(lParam), unit(unit) {}

    int Message() const { return static_cast<int>(type()); }
    template <class T>
    T* LParamAs() const {
        return reinterpret_cast<T*>(lParam);
    }

    qintptr wParam;
    quintptr lParam;
    UnitRef unit;        // the unit a unit message names; lParam is then 0
    qintptr result = 0;  // what the receiver returns to a sender
};

// A message box that some part of the program asks for; the UI thread shows it, then runs
// closed (when set) once the operator has closed the box.
class CAlertMessage : public QEvent {
public:
    CAlertMessage(QString text, QString caption, std::function<void()> closed = {})
        : QEvent(static_cast<QEvent::Type>(kAlertRequest)),
          text(std::move(text)),
          caption(std::move(caption)),
          closed(std::move(closed)) {}
    QString text;
    QString caption;
    std::function<void()> closed;
};

// Sent: handled before the call returns; the receiver's result comes back. A null target
// is ignored and gives 0.
qintptr SendAppMessage(QObject* target, int message, qintptr wParam = 0, quintptr lParam = 0);
// Posted: queued for the target's thread; safe from any thread.
void PostAppMessage(QObject* target, int message, qintptr wParam = 0, quintptr lParam = 0);
// The same for a message about one unit.
qintptr SendUnitMessage(QObject* target, int message, qintptr wParam, const UnitRef& unit);
void PostUnitMessage(QObject* target, int message, qintptr wParam, const UnitRef& unit);

template <class T>
quintptr ToLParam(T* pointer) {
    return reinterpret_cast<quintptr>(pointer);
}
