#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <memory>

#include "model/UnitRef.h"
#include "phone/CPairing.h"

class CCommandDesk;
class CPhoneClient;
class QHttpServer;
class QTcpServer;
struct PhoneRequest;

// The phone remote: serves the page from the program's resources over HTTP and speaks to it
// over a WebSocket on the same port, both Qt's own. A page sees and changes nothing until it
// paired (CPairing); then it gets the desk's state, the units' changes as they happen
// (gathered for kPushDelay, so a flood of reports sends each unit once per push, and all of
// them in one message), and runs commands through the desk. Every refusal is said by refused() and
// in the logging category tarnel.remote. UI thread only; nothing here waits on the network.
class CPhoneServer : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = 8480;
    static constexpr int kMaxDevices = 8;
    // Connections that have not paired yet, beside the devices.
    static constexpr int kMaxWaiting = 8;
    static constexpr std::chrono::milliseconds kPushDelay{25};
    // Pushes at most this often: under a flood of reports a page gets one message each 70 ms,
    // and no change waits longer than that.
    static constexpr std::chrono::milliseconds kPushSpacing{70};
    static constexpr std::chrono::seconds kPingAfter{10};
    static constexpr std::chrono::seconds kDropAfter{30};
    static constexpr std::chrono::seconds kHelloWithin{10};
    static constexpr int kPortsTried = 20;

    struct Device {
        int id = 0;
        QString name;
        QString address;
        QDateTime since;
    };

    explicit CPhoneServer(CCommandDesk& desk, QObject* parent = nullptr);
    ~CPhoneServer() override;

    // Listens on address from port on, taking the next free port when one is taken; false
    // (with Error()) when none was free.
    bool Start(quint16 port = kDefaultPort, const QHostAddress& address = QHostAddress::Any);
    void Stop();
    bool IsRunning() const { return m_port != 0; }
    quint16 Port() const { return m_port; }
    QString Error() const { return m_error; }
    // "http://192.168.1.20:8480/#3fa9...": the page with the code that pairs the next device.
    QString Address() const;
    const CPairing& Pairing() const { return m_pairing; }

    QList<Device> Devices() const;
    // Revokes the device's token and closes its page.
    void Disconnect(int deviceId);
    // Revokes every token and code.
    void DisconnectAll();

signals:
    void started(const QString& address);
    void stopped();
    // A device paired or went, or the code changed.
    void devicesChanged();
    void addressChanged(const QString& address);
    // "192.168.1.30: wrong pairing code", "Pixel: Busy at the computer".
    void refused(const QString& line);

private:
    void OnNewConnection();
    void OnMessage(CPhoneClient* client, const QString& text);
    void OnHello(CPhoneClient* client, const PhoneRequest& request);
    void RefusePairing(CPhoneClient* client, CPairing::Verdict verdict, bool byCode);
    bool CheckOrigin(CPhoneClient* client);
    void Refuse(CPhoneClient* client, double id, const QString& name, const QString& why);
    void Remove(CPhoneClient* client);
    void Patrol();
    void MarkUnit(const UnitRef& unit);
    void MarkAll();
    void Push();
    void SchedulePush();
    int PairedCount() const;

    CCommandDesk& m_desk;
    CPairing m_pairing;
    std::unique_ptr<QHttpServer> m_http;
    QTcpServer* m_tcp = nullptr;  // owned by m_http
    QHostAddress m_address;
    quint16 m_port = 0;
    QString m_error;
    QList<CPhoneClient*> m_clients;  // children of this
    int m_nextId = 1;
    QTimer m_pushTimer;
    QElapsedTimer m_sincePush;
    QTimer m_patrolTimer;
};
