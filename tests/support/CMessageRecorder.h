#pragma once

#include <QObject>
#include <QString>
#include <QVector>
#include <chrono>
#include <functional>

#include "model/UnitRef.h"

// Stands in for a window that receives application messages and records them in order. A
// sent message is recorded before the sender's call returns; a posted one only after the
// event loop ran.
class CMessageRecorder : public QObject {
public:
    struct Entry {
        int message;
        qintptr wParam;
        quintptr lParam;
        UnitRef unit;
    };
    struct Alert {
        QString text;
        QString caption;
        std::function<void()> closed;  // what the frame runs once the operator closed the box
    };

    QVector<Entry> entries;
    QVector<Alert> alerts;
    // Optional hook run for every application message, after it is recorded.
    std::function<void(const Entry&)> onMessage;

    int Count(int message) const;
    QVector<Entry> Of(int message) const;
    void Clear() {
        entries.clear();
        alerts.clear();
    }

protected:
    bool event(QEvent* e) override;
};

// Runs the event loop until pred() holds or the timeout passes; returns pred().
bool WaitUntil(const std::function<bool()>& pred,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));
// Runs the event loop for the given time.
void PumpEvents(std::chrono::milliseconds duration);
