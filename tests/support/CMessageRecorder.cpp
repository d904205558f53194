#include "support/CMessageRecorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include "link/AppMessages.h"

bool CMessageRecorder::event(QEvent* e) {
    const int type = static_cast<int>(e->type());
    if (type == kAlertRequest) {
        auto* alert = static_cast<CAlertMessage*>(e);
        alerts.push_back({alert->text, alert->caption, alert->closed});
        return true;
    }
    if (type > QEvent::User && type < kAlertRequest) {
        auto* m = static_cast<CAppMessage*>(e);
        entries.push_back({m->Message(), m->wParam, m->lParam, m->unit});
        if (onMessage) {
            onMessage(entries.back());
        }
        return true;
    }
    return QObject::event(e);
}

int CMessageRecorder::Count(int message) const {
    int n = 0;
    for (const auto& e : entries) {
        n += e.message == message ? 1 : 0;
    }
    return n;
}

QVector<CMessageRecorder::Entry> CMessageRecorder::Of(int message) const {
    QVector<Entry> out;
    for (const auto& e : entries) {
        if (e.message == message) {
            out.push_back(e);
        }
    }
    return out;
}

bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() >= timeout.count()) {
            return pred();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void PumpEvents(std::chrono::milliseconds duration) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < duration.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}
