#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QWebSocket>
#include <chrono>
#include <memory>
#include <vector>

#include "model/UnitRef.h"

// One page's connection: its socket, whether and as whom it paired, and the updates waiting
// for it. What it is sent goes into the socket's own buffer; when that holds more than
// kSendQueueLimitBytes the page is not reading and the connection is dropped, so that a
// stalled phone never makes the program wait or grow. UI thread only.
class CPhoneClient : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;
    static constexpr qint64 kSendQueueLimitBytes = 256 * 1024;

    CPhoneClient(std::unique_ptr<QWebSocket> socket, int id, QObject* parent = nullptr);
    ~CPhoneClient() override;

    int Id() const { return m_id; }
    QWebSocket& Socket() { return *m_socket; }
    QString Address() const { return m_address; }

    // Queues a message; false (and the connection closing) when the page stopped reading.
    bool Send(const QByteArray& json) { return Send(QString::fromUtf8(json)); }
    // The same for a message worded once for many pages.
    bool Send(const QString& json);
    // Closes with a reason the page shows; the socket's disconnected signal follows.
    void Close(const QString& why);
    bool Closing() const { return m_closing; }

    // Paired: the token it holds and the name its browser gave.
    bool Paired() const { return !token.isEmpty(); }
    QString token;
    QString name;
    QDateTime since;
    Clock::time_point heard;      // the last message or pong
    Clock::time_point connected;  // when the socket opened

    // The updates it has not been sent yet: whole state, or these units.
    bool stateDue = false;
    std::vector<UnitRef> unitsDue;
    void MarkUnit(const UnitRef& unit);

signals:
    // It stopped reading and was dropped.
    void stalled();

private:
    std::unique_ptr<QWebSocket> m_socket;
    int m_id;
    QString m_address;
    bool m_closing = false;
};
