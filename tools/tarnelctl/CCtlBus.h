#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariant>
#include <QVariantList>

// tarnelctl's side of the session bus: calls the running program's methods and hears its
// signals. Every call answers with tarnelctl's exit code: 0 done, 1 refused (the reason on
// standard error), 3 no running program.
class CCtlBus {
public:
    enum Exit { kDone = 0, kRefused = 1, kUsage = 2, kNotRunning = 3 };

    explicit CCtlBus(QString service);

    // The first out argument of the reply lands in reply. timeoutMs: -1 for the bus's own
    // (25 s); an operator's answer may take longer.
    int Call(const QString& method, const QVariantList& arguments, QVariant* reply = nullptr,
             int timeoutMs = -1);
    // Prints each unit change and connection change, one line each, until SIGINT or SIGTERM
    // (0) or until the program ends (3).
    int Watch();

private:
    bool IsRunning() const;

    QDBusConnection m_bus;
    QString m_service;
};
