#pragma once

#include <lo/lo_types.h>

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "osc/COscAllowList.h"

class CCommandDesk;
class COscFeedback;
class QSocketNotifier;

// The OSC server: liblo's UDP server without a thread of its own, its socket watched on the
// UI thread, so each message runs on the command desk like a click. Messages from senders the
// allow list does not name are dropped and counted; a refused command goes back to its sender
// as /tarnel/error; /tarnel/subscribe makes the sender a feedback client. Off until Start.
// UI thread only.
class COscServer : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultPort = 8481;
    // The last messages kept for the dialog.
    static constexpr int kLastMessages = 20;

    COscServer(CCommandDesk& desk, COscFeedback& feedback, QObject* parent = nullptr);
    ~COscServer() override;

    // Listens on port (UDP, every interface; the allow list decides who is heard). False when
    // the port cannot be had ("Port 8481 is taken"); the port is never changed for another.
    bool Start(int port);
    void Stop();
    bool IsRunning() const { return m_server != nullptr; }
    int Port() const { return m_port; }
    // Why the last Start failed; empty after one that worked.
    QString Error() const { return m_error; }

    void SetAllowed(const COscAllowList& allowed) { m_allowed = allowed; }
    const COscAllowList& Allowed() const { return m_allowed; }
    quint64 Dropped() const { return m_dropped; }
    quint64 Received() const { return m_received; }
    // "127.0.0.1:53012 /tarnel/A/CH-03/flash f 4.5 (done)", oldest first.
    QStringList LastMessages() const { return m_last; }

    // One message as liblo parsed it, from sender (null: unknown, as in the fuzz target, which
    // sends no reply). Returns 0 for liblo: the message is taken.
    int Handle(const char* path, const char* types, lo_arg** argv, int argc,
               const QHostAddress& sender, quint16 senderPort);
    // A datagram through liblo's parser into Handle, as from a loopback sender on no port.
    void HandleDatagram(const QByteArray& datagram);

signals:
    void runningChanged(bool running);
    void messageReceived(const QString& line);
    void droppedChanged(quint64 dropped);

private:
    void OnReadable();
    void Record(const QString& line);

    CCommandDesk& m_desk;
    COscFeedback& m_feedback;
    lo_server m_server = nullptr;
    // A server of no socket use for HandleDatagram, made when first needed.
    lo_server m_parser = nullptr;
    std::unique_ptr<QSocketNotifier> m_notifier;
    COscAllowList m_allowed;
    int m_port = 0;
    QString m_error;
    quint64 m_dropped = 0;
    quint64 m_received = 0;
    QStringList m_last;
};
