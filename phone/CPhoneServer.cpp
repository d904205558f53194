#include "phone/CPhoneServer.h"

#include <QHttpServer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QUrl>
#include <QWebSocket>
#include <algorithm>

#include "control/CCommandDesk.h"
#include "model/StudioManager.h"
#include "phone/CPhoneClient.h"
#include "phone/PhoneCommands.h"
#include "phone/PhonePage.h"
#include "phone/PhoneRequest.h"

Q_LOGGING_CATEGORY(lcRemote, "tarnel.remote", QtInfoMsg)

namespace {

// Above the page's limit, so that a longer message is answered rather than cut off; beyond
// this Qt closes the connection itself.
constexpr quint64 kSocketMessageLimitBytes = 64 * 1024;

QByteArray Json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

}  // namespace

CPhoneServer::CPhoneServer(CCommandDesk& desk, QObject* parent) : QObject(parent), m_desk(desk) {
    m_pushTimer.setSingleShot(true);
    connect(&m_pushTimer, &QTimer::timeout, this, &CPhoneServer::Push);
    m_patrolTimer.setInterval(std::chrono::seconds(1));
    connect(&m_patrolTimer, &QTimer::timeout, this, &CPhoneServer::Patrol);
    connect(&m_desk, &CCommandDesk::unitUpdated, this, &CPhoneServer::MarkUnit);
    connect(&m_desk, &CCommandDesk::studioUpdated, this, &CPhoneServer::MarkAll);
    connect(&m_desk, &CCommandDesk::connectionChanged, this, &CPhoneServer::MarkAll);
}

CPhoneServer::~CPhoneServer() {
    Stop();
}

bool CPhoneServer::Start(quint16 port, const QHostAddress& address) {
    if (IsRunning()) {
        return true;
    }
    m_http = std::make_unique<QHttpServer>();
    RoutePhonePage(*m_http);
    connect(m_http.get(), &QAbstractHttpServer::newWebSocketConnection, this,
            &CPhoneServer::OnNewConnection);
    for (int i = 0; i < kPortsTried && port + i <= 65535; ++i) {
        auto* tcp = new QTcpServer(m_http.get());
        const quint16 tried = port == 0 ? 0 : static_cast<quint16>(port + i);
        if (tcp->listen(address, tried)) {
            m_http->bind(tcp);
            m_tcp = tcp;
            m_port = tcp->serverPort();
            break;
        }
        qCDebug(lcRemote) << "port" << tried << "is taken:" << tcp->errorString();
        if (i == 0) {
            emit refused(QStringLiteral("Port %1 is taken; trying the next").arg(tried));
        }
        delete tcp;
    }
    if (m_port == 0) {
        m_error =
            QStringLiteral("No free port from %1 to %2").arg(port).arg(port + kPortsTried - 1);
        m_http.reset();
        return false;
    }
    m_address = address;
    m_patrolTimer.start();
    qCDebug(lcRemote) << "listening at" << Address();
    emit started(Address());
    return true;
}

void CPhoneServer::Stop() {
    if (!IsRunning()) {
        return;
    }
    m_patrolTimer.stop();
    m_pushTimer.stop();
    const QList<CPhoneClient*> clients = m_clients;
    m_clients.clear();
    qDeleteAll(clients);
    m_http.reset();
    m_tcp = nullptr;
    m_port = 0;
    m_pairing.RevokeAll();
    qCDebug(lcRemote) << "stopped";
    emit devicesChanged();
    emit stopped();
}

QString CPhoneServer::Address() const {
    QString host = m_address.toString();
    if (m_address == QHostAddress::Any || m_address == QHostAddress::AnyIPv4) {
        host = QStringLiteral("127.0.0.1");
        for (const QHostAddress& mine : QNetworkInterface::allAddresses()) {
            if (!mine.isLoopback() && mine.protocol() == QAbstractSocket::IPv4Protocol) {
                host = mine.toString();
                break;
            }
        }
    }
    if (m_address.protocol() == QAbstractSocket::IPv6Protocol && m_address != QHostAddress::Any) {
        host = QStringLiteral("[%1]").arg(host);
    }
    return QStringLiteral("http://%1:%2/#%3").arg(host).arg(m_port).arg(m_pairing.Code());
}

QList<CPhoneServer::Device> CPhoneServer::Devices() const {
    QList<Device> devices;
    for (const CPhoneClient* client : m_clients) {
        if (client->Paired()) {
            devices.push_back({client->Id(), client->name, client->Address(), client->since});
        }
    }
    return devices;
}

int CPhoneServer::PairedCount() const {
    int count = 0;
    for (const CPhoneClient* client : m_clients) {
        count += client->Paired() && !client->Closing() ? 1 : 0;
    }
    return count;
}

void CPhoneServer::Disconnect(int deviceId) {
    // A copy: a page that stopped reading is dropped, and removed, as it is sent the news.
    for (CPhoneClient* client : QList<CPhoneClient*>(m_clients)) {
        if (client->Id() == deviceId && client->Paired()) {
            m_pairing.Revoke(client->token);
            qCDebug(lcRemote) << client->name << "disconnected at the computer";
            client->Send(Json(
                {{QStringLiteral("type"), QStringLiteral("bye")},
                 {QStringLiteral("message"), QStringLiteral("Disconnected at the computer")}}));
            client->Close(QStringLiteral("Disconnected at the computer"));
        }
    }
}

void CPhoneServer::DisconnectAll() {
    for (const CPhoneClient* client : QList<CPhoneClient*>(m_clients)) {
        if (client->Paired()) {
            Disconnect(client->Id());
        }
    }
    m_pairing.RevokeAll();
    emit addressChanged(Address());
}

void CPhoneServer::OnNewConnection() {
    while (m_http && m_http->hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> socket = m_http->nextPendingWebSocketConnection();
        if (!socket) {
            continue;
        }
        socket->setMaxAllowedIncomingMessageSize(kSocketMessageLimitBytes);
        socket->setMaxAllowedIncomingFrameSize(kSocketMessageLimitBytes);
        auto* client = new CPhoneClient(std::move(socket), m_nextId++, this);
        m_clients.push_back(client);
        QWebSocket* ws = &client->Socket();
        connect(ws, &QWebSocket::disconnected, this, [this, client] { Remove(client); });
        connect(client, &CPhoneClient::stalled, this, [this, client] {
            const QString line = QStringLiteral("%1: dropped, not reading")
                                     .arg(client->Paired() ? client->name : client->Address());
            qCDebug(lcRemote).noquote() << line;
            emit refused(line);
        });
        if (!CheckOrigin(client)) {
            continue;
        }
        if (m_clients.size() - PairedCount() > kMaxWaiting) {
            Refuse(client, -1, QStringLiteral("TooMany"), QStringLiteral("Too many connections"));
            client->Close(QStringLiteral("Too many connections"));
            continue;
        }
        connect(ws, &QWebSocket::textMessageReceived, client,
                [this, client](const QString& text) { OnMessage(client, text); });
        connect(ws, &QWebSocket::binaryMessageReceived, client, [this, client] {
            Refuse(client, -1, QStringLiteral("BadRequest"), QStringLiteral("Not a JSON object"));
        });
    }
}

bool CPhoneServer::CheckOrigin(CPhoneClient* client) {
    const QUrl origin(client->Socket().origin());
    const QHostAddress host(origin.host());
    bool ours = origin.host() == QLatin1String("localhost");
    for (const QHostAddress& mine : QNetworkInterface::allAddresses()) {
        ours = ours || (!host.isNull() && host.isEqual(mine, QHostAddress::TolerantConversion));
    }
    if (origin.scheme() == QLatin1String("http") && origin.port() == m_port && ours) {
        return true;
    }
    const QString why = QStringLiteral("Wrong origin %1").arg(client->Socket().origin().left(80));
    Refuse(client, -1, QStringLiteral("WrongOrigin"), why);
    client->Close(why);
    return false;
}

void CPhoneServer::Refuse(CPhoneClient* client, double id, const QString& name,
                          const QString& why) {
    const QString who = client->Paired() ? client->name : client->Address();
    const QString line = QStringLiteral("%1: %2").arg(who, why);
    qCDebug(lcRemote).noquote() << "refused" << line;
    emit refused(line);
    client->Send(Json(PhoneError(id, name, why)));
}

void CPhoneServer::OnMessage(CPhoneClient* client, const QString& text) {
    if (client->Closing()) {
        return;
    }
    client->heard = CPhoneClient::Clock::now();
    const QByteArray bytes = text.toUtf8();
    const PhoneRequest request = ParseRequest(bytes);
    if (request.kind == PhoneRequest::Kind::kHello) {
        OnHello(client, request);
        return;
    }
    if (!client->Paired()) {
        Refuse(client, request.id, QStringLiteral("NotPaired"),
               QStringLiteral("Not paired: scan the code on the computer"));
        return;
    }
    if (!request.Ok()) {
        Refuse(client, request.id, QStringLiteral("BadRequest"), request.error);
        return;
    }
    const QJsonObject answer = RunPhoneCommand(request, m_desk);
    if (answer.value(QStringLiteral("type")).toString() == QLatin1String("error")) {
        Refuse(client, request.id, answer.value(QStringLiteral("error")).toString(),
               answer.value(QStringLiteral("message")).toString());
        return;
    }
    client->Send(Json(answer));
    // Another studio shown, a memory applied: every page shows the desktop's state anew.
    if (request.kind == PhoneRequest::Kind::kStudio ||
        request.kind == PhoneRequest::Kind::kMemory) {
        MarkAll();
    }
}

void CPhoneServer::OnHello(CPhoneClient* client, const PhoneRequest& request) {
    if (client->Paired()) {
        Refuse(client, -1, QStringLiteral("BadRequest"), QStringLiteral("Paired already"));
        return;
    }
    if (!request.error.isEmpty()) {
        Refuse(client, -1, QStringLiteral("BadRequest"), request.error);
        return;
    }
    if (PairedCount() >= kMaxDevices) {
        Refuse(client, -1, QStringLiteral("TooManyDevices"),
               QStringLiteral("%1 devices are connected already: disconnect one at the computer")
                   .arg(kMaxDevices));
        client->Close(QStringLiteral("Too many devices"));
        return;
    }
    const auto now = CPairing::Clock::now();
    QString token = request.token;
    const bool byCode = !request.code.isEmpty();
    const CPairing::Verdict verdict =
        byCode ? m_pairing.Pair(request.code, client->Address(), token, now)
               : m_pairing.Resume(request.token, client->Address(), now);
    if (verdict != CPairing::Verdict::kPaired) {
        // The page shows why and waits for a new scan: the connection has no more use.
        RefusePairing(client, verdict, byCode);
        return;
    }
    client->token = token;
    client->name = request.name.simplified().left(40);
    client->since = QDateTime::currentDateTime();
    qCDebug(lcRemote).noquote() << client->name << "paired from" << client->Address();
    client->Send(Json(
        {{QStringLiteral("type"), QStringLiteral("paired")}, {QStringLiteral("token"), token}}));
    client->Send(Json({{QStringLiteral("type"), QStringLiteral("state")},
                       {QStringLiteral("state"), m_desk.State()}}));
    emit devicesChanged();
    if (byCode) {
        emit addressChanged(Address());
    }
}

void CPhoneServer::RefusePairing(CPhoneClient* client, CPairing::Verdict verdict, bool byCode) {
    switch (verdict) {
        case CPairing::Verdict::kBlocked:
            Refuse(client, -1, QStringLiteral("Blocked"),
                   QStringLiteral("Too many wrong codes: try again in a minute"));
            break;
        case CPairing::Verdict::kUsed:
            Refuse(client, -1, QStringLiteral("UsedCode"),
                   QStringLiteral("This code paired another device: scan the new code"));
            break;
        default:
            Refuse(client, -1, QStringLiteral("WrongCode"),
                   byCode ? QStringLiteral("Wrong pairing code: scan the code on the computer")
                          : QStringLiteral("Not paired any more: scan the code on the computer"));
            break;
    }
    client->Close(QStringLiteral("Not paired"));
}

void CPhoneServer::Remove(CPhoneClient* client) {
    if (!m_clients.removeOne(client)) {
        return;
    }
    if (client->Paired()) {
        qCDebug(lcRemote).noquote() << client->name << "left";
        emit devicesChanged();
    }
    client->deleteLater();
}

void CPhoneServer::Patrol() {
    const auto now = CPhoneClient::Clock::now();
    for (CPhoneClient* client : QList<CPhoneClient*>(m_clients)) {
        const auto silent = now - client->heard;
        if (!client->Paired() && now - client->connected > kHelloWithin) {
            qCDebug(lcRemote).noquote() << client->Address() << "dropped: never paired";
            client->Close(QStringLiteral("No pairing code"));
        } else if (silent > kDropAfter) {
            const QString line = QStringLiteral("%1: dropped, no answer for %2 s")
                                     .arg(client->name)
                                     .arg(kDropAfter.count());
            qCDebug(lcRemote).noquote() << line;
            emit refused(line);
            client->Socket().abort();
        } else if (silent > kPingAfter) {
            client->Socket().ping();
        }
    }
}

void CPhoneServer::MarkUnit(const UnitRef& unit) {
    for (CPhoneClient* client : m_clients) {
        if (client->Paired()) {
            client->MarkUnit(unit);
        }
    }
    SchedulePush();
}

void CPhoneServer::MarkAll() {
    for (CPhoneClient* client : m_clients) {
        client->stateDue = client->Paired();
        client->unitsDue.clear();
    }
    SchedulePush();
}

void CPhoneServer::SchedulePush() {
    if (m_clients.isEmpty() || m_pushTimer.isActive()) {
        return;
    }
    const auto since = std::chrono::milliseconds(m_sincePush.isValid() ? m_sincePush.elapsed()
                                                                       : kPushSpacing.count());
    m_pushTimer.start(std::max(kPushDelay, kPushSpacing - since));
}

void CPhoneServer::Push() {
    m_sincePush.start();
    // One message a page for all its units that changed; pages waiting for the same units
    // (nearly always all of them) share its wording.
    QHash<quint64, QJsonObject> units;
    QString state;
    std::vector<UnitRef> lastDue;
    QString lastWorded;
    const StudioManager& manager = m_desk.Control().Manager();
    for (CPhoneClient* client : QList<CPhoneClient*>(m_clients)) {
        if (client->stateDue) {
            if (state.isEmpty()) {
                state = QString::fromUtf8(Json({{QStringLiteral("type"), QStringLiteral("state")},
                                                {QStringLiteral("state"), m_desk.State()}}));
            }
            client->Send(state);
        } else if (!client->unitsDue.empty()) {
            if (client->unitsDue != lastDue) {
                lastDue = client->unitsDue;
                QJsonArray list;
                for (const UnitRef& ref : lastDue) {
                    auto it = units.find(ref.nSerial);
                    if (it == units.end()) {
                        const StrobeData* unit = manager.Resolve(ref);
                        it = units.insert(
                            ref.nSerial, unit != nullptr ? m_desk.UnitState(*unit) : QJsonObject());
                    }
                    if (!it->isEmpty()) {
                        list.append(*it);
                    }
                }
                lastWorded =
                    QString::fromUtf8(Json({{QStringLiteral("type"), QStringLiteral("units")},
                                            {QStringLiteral("units"), list}}));
            }
            client->Send(lastWorded);
        }
        client->stateDue = false;
        client->unitsDue.clear();
    }
}
