#include "osc/COscFeedback.h"

#include <lo/lo.h>

#include <QJsonObject>
#include <cstdlib>
#include <memory>

#include "control/CCommandDesk.h"
#include "control/CCommandHost.h"
#include "control/CUnitControl.h"
#include "model/StudioManager.h"
#include "osc/COscAddressTable.h"

namespace {

constexpr qint64 kFlushGapMs = 1000 / COscFeedback::kFlushesPerSecond + 1;
constexpr std::chrono::seconds kExpiryCheck{10};
// A datagram the socket refused is tried at this many more flushes (about a second).
constexpr int kUnsentTries = COscFeedback::kFlushesPerSecond;
constexpr qint64 kTtlMs = std::chrono::milliseconds(COscFeedback::kSubscriptionTtl).count();

// The values a unit is fed back by: the name of its value in the desk's UnitState and how it
// goes out (float, int for a switch, string).
struct FedValue {
    const char* name;
    char type;
};
constexpr FedValue kFedValues[] = {
    {"flash", 'f'}, {"model", 'f'}, {"status", 's'}, {"cell", 'i'},     {"sound", 'i'},
    {"power", 'i'}, {"lamp", 'i'},  {"mode", 's'},   {"lampmode", 's'},
};

bool ParseClient(const QString& line, QHostAddress& host, quint16& port) {
    const qsizetype colon = line.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0) {
        return false;
    }
    QString address = line.left(colon).trimmed();
    if (address.startsWith(QLatin1Char('[')) && address.endsWith(QLatin1Char(']'))) {
        address = address.mid(1, address.size() - 2);
    }
    bool ok = false;
    const int number = line.mid(colon + 1).trimmed().toInt(&ok);
    host = QHostAddress(address);
    port = static_cast<quint16>(number);
    return ok && number > 0 && number <= 65535 && !host.isNull();
}

}  // namespace

COscFeedback::COscFeedback(CCommandDesk& desk, QObject* parent) : QObject(parent), m_desk(desk) {
    m_clock.start();
    m_flushTimer.setSingleShot(true);
    connect(&m_flushTimer, &QTimer::timeout, this, &COscFeedback::Flush);
    m_expiryTimer.setInterval(kExpiryCheck);
    connect(&m_expiryTimer, &QTimer::timeout, this, &COscFeedback::Expire);
    m_expiryTimer.start();
    connect(&desk, &CCommandDesk::unitUpdated, this, &COscFeedback::OnUnitUpdated);
    connect(&desk, &CCommandDesk::studioUpdated, this, &COscFeedback::OnStudioUpdated);
    connect(&desk, &CCommandDesk::connectionChanged, this, &COscFeedback::OnConnectionChanged);
}

QByteArray COscFeedback::Message(const QString& path, char type, double number,
                                 const QString& text) {
    std::unique_ptr<void, void (*)(lo_message)> message(lo_message_new(), lo_message_free);
    if (type == 'f') {
        lo_message_add_float(message.get(), static_cast<float>(number));
    } else if (type == 'i') {
        lo_message_add_int32(message.get(), static_cast<int32_t>(number));
    } else {
        lo_message_add_string(message.get(), text.toUtf8().constData());
    }
    const QByteArray address = path.toUtf8();
    size_t size = 0;
    void* bytes = lo_message_serialise(message.get(), address.constData(), nullptr, &size);
    QByteArray out(static_cast<const char*>(bytes), static_cast<qsizetype>(size));
    std::free(bytes);
    return out;
}

bool COscFeedback::SetConfigured(const QStringList& lines, QString* error) {
    std::vector<Client> configured;
    for (const QString& raw : lines) {
        const QString line = raw.section(QLatin1Char('#'), 0, 0).trimmed();
        if (line.isEmpty()) {
            continue;
        }
        Client client;
        client.configured = true;
        if (!ParseClient(line, client.host, client.port)) {
            if (error != nullptr) {
                *error = QStringLiteral(
                             "\"%1\" is not a numeric address and a port, such as "
                             "192.168.1.30:9000")
                             .arg(line.left(60));
            }
            return false;
        }
        configured.push_back(client);
    }
    std::erase_if(m_clients, [](const Client& c) { return c.configured; });
    m_clients.insert(m_clients.begin(), configured.begin(), configured.end());
    MarkAll();
    emit clientsChanged();
    return true;
}

QStringList COscFeedback::ConfiguredText() const {
    QStringList lines;
    for (const Client& client : m_clients) {
        if (client.configured) {
            lines << QStringLiteral("%1:%2").arg(client.host.toString()).arg(client.port);
        }
    }
    return lines;
}

COscFeedback::Client* COscFeedback::Find(const QHostAddress& host, quint16 port) {
    for (Client& client : m_clients) {
        if (client.port == port && client.host.isEqual(host, QHostAddress::TolerantConversion)) {
            return &client;
        }
    }
    return nullptr;
}

void COscFeedback::Subscribe(const QHostAddress& host, quint16 port) {
    Client* client = Find(host, port);
    if (client == nullptr) {
        Client fresh;
        fresh.host = host;
        fresh.port = port;
        m_clients.push_back(fresh);
        client = &m_clients.back();
        // A new client is told everything once.
        MarkAll();
    }
    client->expiresAtMs = m_clock.elapsed() + kTtlMs;
    emit clientsChanged();
}

void COscFeedback::Unsubscribe(const QHostAddress& host, quint16 port) {
    const auto removed = std::erase_if(m_clients, [&](const Client& c) {
        return !c.configured && c.port == port &&
               c.host.isEqual(host, QHostAddress::TolerantConversion);
    });
    if (removed > 0) {
        emit clientsChanged();
    }
}

void COscFeedback::Expire() {
    const qint64 now = m_clock.elapsed();
    const auto removed = std::erase_if(
        m_clients, [now](const Client& c) { return !c.configured && c.expiresAtMs <= now; });
    if (removed > 0) {
        emit clientsChanged();
    }
}

QStringList COscFeedback::ClientTexts() const {
    QStringList lines;
    const qint64 now = m_clock.elapsed();
    for (const Client& client : m_clients) {
        const QString where = QStringLiteral("%1:%2").arg(client.host.toString()).arg(client.port);
        if (client.configured) {
            lines << where + QStringLiteral(" (configured)");
        } else {
            const qint64 minutes = (client.expiresAtMs - now + 59999) / 60000;
            lines << where + QStringLiteral(" (subscribed, %1 min left)").arg(minutes);
        }
    }
    return lines;
}

void COscFeedback::SendText(const QHostAddress& host, quint16 port, const QString& path,
                            const QString& text) {
    m_socket.writeDatagram(Message(path, 's', 0.0, text), host, port);
}

void COscFeedback::OnUnitUpdated(const UnitRef& unit) {
    // Under a report flood this runs for every report: it only marks the unit.
    if (m_clients.empty() || unit.IsNull()) {
        return;
    }
    m_dirty.insert(unit.nSerial, unit);
    Schedule();
}

void COscFeedback::OnStudioUpdated(int studioNum) {
    if (m_clients.empty()) {
        return;
    }
    if (const StudioData* studio = m_desk.Control().Manager().StudioAt(studioNum)) {
        for (int slot = 0; slot < kSlotCount; ++slot) {
            if (StrobeData* unit = studio->UnitAt(slot)) {
                m_dirty.insert(unit->nSerial, RefOf(unit));
            }
        }
    }
    Schedule();
}

void COscFeedback::OnConnectionChanged(bool) {
    m_connectionDirty = true;
    Schedule();
}

void COscFeedback::MarkAll() {
    for (int n = 0; n < kStudioCount; ++n) {
        OnStudioUpdated(n);
    }
    m_connectionDirty = true;
    Schedule();
}

void COscFeedback::Schedule() {
    if (m_flushTimer.isActive() || m_clients.empty()) {
        return;
    }
    const qint64 wait = m_lastFlushMs + kFlushGapMs - m_clock.elapsed();
    m_flushTimer.start(static_cast<int>(std::max<qint64>(0, wait)));
}

void COscFeedback::AddUnitMessages(const UnitRef& ref,
                                   std::vector<std::pair<QString, QByteArray>>& out) const {
    const StrobeData* unit = m_desk.Control().Manager().Resolve(ref);
    if (unit == nullptr) {
        return;
    }
    const QJsonObject state = m_desk.UnitState(*unit);
    const QString studio = state.value(QStringLiteral("studio")).toString();
    const QString name = state.value(QStringLiteral("unit")).toString();
    const bool current = state.value(QStringLiteral("current")).toBool();
    for (const FedValue& fed : kFedValues) {
        const QString key = QLatin1String(fed.name);
        const QJsonValue value = state.value(key);
        const double number = value.isBool() ? double(value.toBool()) : value.toDouble();
        const QString text = value.toString();
        out.emplace_back(
            COscAddressTable::UnitAddress(studio, name, key),
            Message(COscAddressTable::UnitAddress(studio, name, key), fed.type, number, text));
        if (current) {
            // So a dial on /tarnel/current/flash shows the unit it moves.
            const QString path = QStringLiteral("/tarnel/current/") + key;
            out.emplace_back(path, Message(path, fed.type, number, text));
        }
    }
}

void COscFeedback::Flush() {
    m_lastFlushMs = m_clock.elapsed();
    std::vector<std::pair<QString, QByteArray>> messages;
    for (const UnitRef& unit : std::as_const(m_dirty)) {
        AddUnitMessages(unit, messages);
    }
    m_dirty.clear();
    if (m_connectionDirty) {
        const QString path = QStringLiteral("/tarnel/connection");
        messages.emplace_back(path, Message(path, 'i', m_desk.Host().IsConnected() ? 1 : 0));
        m_connectionDirty = false;
    }
    bool retry = false;
    if (!messages.empty()) {
        ++m_flushes;
    }
    for (Client& client : m_clients) {
        SendChanged(client, messages);
        retry = SendUnsent(client) || retry;
    }
    if (retry) {
        Schedule();
    }
}

void COscFeedback::SendChanged(Client& client,
                               const std::vector<std::pair<QString, QByteArray>>& messages) {
    for (const auto& [path, bytes] : messages) {
        auto sent = client.sent.find(path);
        if (sent != client.sent.end() && sent.value() == bytes) {
            continue;
        }
        if (m_socket.writeDatagram(bytes, client.host, client.port) == bytes.size()) {
            client.sent.insert(path, bytes);
            client.unsent.remove(path);
        } else {
            client.unsent.insert(path, {bytes, kUnsentTries});
        }
    }
}

bool COscFeedback::SendUnsent(Client& client) {
    for (auto it = client.unsent.begin(); it != client.unsent.end();) {
        const QByteArray& bytes = it.value().first;
        if (m_socket.writeDatagram(bytes, client.host, client.port) == bytes.size()) {
            client.sent.insert(it.key(), bytes);
            it = client.unsent.erase(it);
        } else if (--it.value().second <= 0) {
            // A client with no route for this long: the next change of the address tries again.
            it = client.unsent.erase(it);
        } else {
            ++it;
        }
    }
    return !client.unsent.isEmpty();
}
