#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>
#include <chrono>
#include <vector>

#include "model/UnitRef.h"

struct StrobeData;

class CCommandDesk;

// Sends the units' present values to the feedback clients: those the operator configured and
// those that subscribed (each subscription lasts kSubscriptionTtl unless renewed). A change
// only marks its unit; at most kFlushesPerSecond times a second the marked units' values go
// out, and to each client only the addresses whose value it has not had yet, so under a
// report flood a client gets the latest value of each address and never a backlog. The
// socket is Qt's non-blocking UDP socket: a client that cannot be reached costs one datagram
// thrown away. UI thread only.
class COscFeedback : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::minutes kSubscriptionTtl{10};
    static constexpr int kFlushesPerSecond = 30;

    // One fed-back value as it goes out: a float, an int or a string.
    struct Value {
        char type = 0;
        double number = 0.0;
        QString text;
        bool operator==(const Value&) const = default;
    };
    struct Unsent {
        Value value;
        QByteArray bytes;
        int triesLeft = 0;
    };
    struct Client {
        QHostAddress host;
        quint16 port = 0;
        bool configured = false;  // from the operator's list; never expires
        qint64 expiresAtMs = 0;   // of a subscription, on the feedback's clock
        // What the client last got on each address (by Item::key), so only changes go out.
        QHash<quint64, Value> sent;
        // Datagrams the socket would not take (its buffer full), tried again at the next
        // flushes: the latest value of an address must arrive even when it does not change
        // again.
        QHash<quint64, Unsent> unsent;
    };

    explicit COscFeedback(CCommandDesk& desk, QObject* parent = nullptr);

    // The operator's clients, "host:port" each ("192.168.1.30:9000"); false, changing nothing,
    // for a line that is neither (error says which).
    bool SetConfigured(const QStringList& lines, QString* error = nullptr);
    QStringList ConfiguredText() const;
    void Subscribe(const QHostAddress& host, quint16 port);
    void Unsubscribe(const QHostAddress& host, quint16 port);
    const std::vector<Client>& Clients() const { return m_clients; }
    // "127.0.0.1:9000 (subscribed, 9 min left)" for each client.
    QStringList ClientTexts() const;

    // One message with one string to one address (a refusal back to its sender).
    void SendText(const QHostAddress& host, quint16 port, const QString& path, const QString& text);
    // How many times values went out to a client (each at most kFlushesPerSecond a second).
    quint64 Flushes() const { return m_flushes; }

    // An OSC message as bytes: the path and one float, int or string.
    static QByteArray Message(const QString& path, char type, double number,
                              const QString& text = {});
    static QByteArray Message(const QByteArray& path, char type, double number,
                              const QString& text = {});

signals:
    void clientsChanged();

private:
    void OnUnitUpdated(const UnitRef& unit);
    void OnStudioUpdated(int studioNum);
    void OnConnectionChanged(bool connected);
    void MarkAll();
    void Schedule();
    void Flush();
    void Expire();
    // One address's present value in a flush; its path and bytes are made only when a client
    // needs them.
    struct Item {
        quint64 key = 0;  // the unit's serial and the value's index, or a fixed address
        const StrobeData* unit = nullptr;  // null for /tarnel/connection
        int field = 0;                     // index in the fed values
        bool current = false;              // the /tarnel/current/... copy
        Value value;
        QByteArray bytes;
    };
    void AddUnitItems(const UnitRef& unit, std::vector<Item>& out) const;
    const QByteArray& BytesOf(Item& item);
    QByteArray PathOf(const Item& item);
    void SendChanged(Client& client, std::vector<Item>& items);
    bool SendUnsent(Client& client);
    Client* Find(const QHostAddress& host, quint16 port);

    CCommandDesk& m_desk;
    QUdpSocket m_socket;
    std::vector<Client> m_clients;
    QHash<quint64, UnitRef> m_dirty;  // by placement serial
    // Each address's path as sent, by Item::key: a placement keeps its studio and slot, so its
    // paths never change (emptied when studios are placed anew).
    QHash<quint64, QByteArray> m_paths;
    bool m_connectionDirty = false;
    QTimer m_flushTimer;
    QTimer m_expiryTimer;
    QElapsedTimer m_clock;
    qint64 m_lastFlushMs = -1000;
    quint64 m_flushes = 0;
};
