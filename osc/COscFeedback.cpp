#include "osc/COscFeedback.h"

#include <lo/lo.h>

#include <cstdlib>
#include <memory>

#include "control/CCommandDesk.h"
#include "control/CCommandHost.h"
#include "control/CUnitControl.h"
#include "model/SettingField.h"
#include "model/StudioManager.h"
#include "osc/COscAddressTable.h"

namespace {

constexpr qint64 kFlushGapMs = 1000 / COscFeedback::kFlushesPerSecond + 1;
constexpr std::chrono::seconds kExpiryCheck{10};
// A datagram the socket refused is tried at this many more flushes (about a second).
constexpr int kUnsentTries = COscFeedback::kFlushesPerSecond;
constexpr qint64 kTtlMs = std::chrono::milliseconds(COscFeedback::kSubscriptionTtl).count();

// The values a unit is fed back by, in the order they go out.
enum class FedKind { kFlash, kModel, kStatus, kSwitch, kWords };
struct FedValue {
    const char* name;
    FedKind kind;
    FieldCode field;
};
constexpr FedValue kFedValues[] = {
    {"flash", FedKind::kFlash, kFieldNone},          {"model", FedKind::kModel, kFieldNone},
    {"status", FedKind::kStatus, kFieldNone},        {"cell", FedKind::kSwitch, kFieldFlashCell},
    {"sound", FedKind::kSwitch, kFieldFlashSound},   {"power", FedKind::kSwitch, kFieldFlashPow},
    {"lamp", FedKind::kSwitch, kFieldModelPow},      {"mode", FedKind::kWords, kFieldModelMode1},
    {"lampmode", FedKind::kWords, kFieldModelMode2},
};
constexpr int kValueBits = 4;  // room for the fed values' index in a key
static_assert(std::size(kFedValues) <= (1 << kValueBits));
constexpr quint64 kCurrentKey = quint64(1) << 63;
constexpr quint64 kConnectionKey = quint64(1) << 62;
constexpr double kTenthsPerStep = 10.0;

COscFeedback::Value ValueOf(const StrobeData& unit, const FedValue& fed) {
    switch (fed.kind) {
        case FedKind::kFlash:
            return {'f', unit.nFlashValue / kTenthsPerStep, {}};
        case FedKind::kModel:
            return {'f', unit.nModelValue / kTenthsPerStep, {}};
        case FedKind::kStatus:
            return {'s', 0.0, CCommandDesk::StatusWord(unit)};
        case FedKind::kSwitch:
            return {'i', double(unit.*SettingFieldOf(fed.field)->member != 0 ? 1 : 0), {}};
        case FedKind::kWords:
            return {
                's', 0.0,
                CCommandDesk::SettingValueText(fed.field, unit.*SettingFieldOf(fed.field)->member)};
    }
    return {};
}

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
    return Message(path.toUtf8(), type, number, text);
}

QByteArray COscFeedback::Message(const QByteArray& path, char type, double number,
                                 const QString& text) {
    std::unique_ptr<void, void (*)(lo_message)> message(lo_message_new(), lo_message_free);
    if (type == 'f') {
        lo_message_add_float(message.get(), static_cast<float>(number));
    } else if (type == 'i') {
        lo_message_add_int32(message.get(), static_cast<int32_t>(number));
    } else {
        lo_message_add_string(message.get(), text.toUtf8().constData());
    }
    size_t size = lo_message_length(message.get(), path.constData());
    QByteArray out(static_cast<qsizetype>(size), Qt::Uninitialized);
    lo_message_serialise(message.get(), path.constData(), out.data(), &size);
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
    m_paths.clear();
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

void COscFeedback::AddUnitItems(const UnitRef& ref, std::vector<Item>& out) const {
    const StrobeData* unit = m_desk.Control().Manager().Resolve(ref);
    if (unit == nullptr) {
        return;
    }
    // So a dial on /tarnel/current/flash shows the unit it moves.
    const bool current = CurrentUnit(m_desk.Control().Manager()) == unit;
    for (int i = 0; i < int(std::size(kFedValues)); ++i) {
        Item item{(quint64(ref.nSerial) << kValueBits) | quint64(i),
                  unit,
                  i,
                  false,
                  ValueOf(*unit, kFedValues[i]),
                  {}};
        if (current) {
            out.push_back({kCurrentKey | quint64(i), unit, i, true, item.value, {}});
        }
        out.push_back(std::move(item));
    }
}

QByteArray COscFeedback::PathOf(const Item& item) {
    if (item.unit == nullptr) {
        return QByteArrayLiteral("/tarnel/connection");
    }
    auto known = m_paths.constFind(item.key);
    if (known != m_paths.cend()) {
        return known.value();
    }
    const QString what = QLatin1String(kFedValues[item.field].name);
    const StudioData* studio = item.unit->Studio();
    const QString path = item.current
                             ? QStringLiteral("/tarnel/current/") + what
                             : COscAddressTable::UnitAddress(
                                   CCommandDesk::StudioLetter(studio ? studio->nStudioNum : -1),
                                   item.unit->sChName, what);
    // The current unit's copies change unit, not path: their key names the address alone.
    return m_paths.insert(item.key, path.toUtf8()).value();
}

const QByteArray& COscFeedback::BytesOf(Item& item) {
    if (item.bytes.isEmpty()) {
        item.bytes = Message(PathOf(item), item.value.type, item.value.number, item.value.text);
    }
    return item.bytes;
}

void COscFeedback::Flush() {
    m_lastFlushMs = m_clock.elapsed();
    std::vector<Item> items;
    items.reserve(static_cast<size_t>(m_dirty.size()) * std::size(kFedValues));
    for (const UnitRef& unit : std::as_const(m_dirty)) {
        AddUnitItems(unit, items);
    }
    m_dirty.clear();
    if (m_connectionDirty) {
        items.push_back({kConnectionKey,
                         nullptr,
                         0,
                         false,
                         {'i', m_desk.Host().IsConnected() ? 1.0 : 0.0, {}},
                         {}});
        m_connectionDirty = false;
    }
    if (!items.empty()) {
        ++m_flushes;
    }
    bool retry = false;
    for (Client& client : m_clients) {
        SendChanged(client, items);
        retry = SendUnsent(client) || retry;
    }
    if (retry) {
        Schedule();
    }
}

void COscFeedback::SendChanged(Client& client, std::vector<Item>& items) {
    for (Item& item : items) {
        auto sent = client.sent.constFind(item.key);
        if (sent != client.sent.cend() && sent.value() == item.value) {
            continue;
        }
        const QByteArray& bytes = BytesOf(item);
        if (m_socket.writeDatagram(bytes, client.host, client.port) == bytes.size()) {
            client.sent.insert(item.key, item.value);
            client.unsent.remove(item.key);
        } else {
            client.unsent.insert(item.key, {item.value, bytes, kUnsentTries});
        }
    }
}

bool COscFeedback::SendUnsent(Client& client) {
    for (auto it = client.unsent.begin(); it != client.unsent.end();) {
        const QByteArray& bytes = it.value().bytes;
        if (m_socket.writeDatagram(bytes, client.host, client.port) == bytes.size()) {
            client.sent.insert(it.key(), it.value().value);
            it = client.unsent.erase(it);
        } else if (--it.value().triesLeft <= 0) {
            // A client with no route for this long: the next change of the address tries again.
            it = client.unsent.erase(it);
        } else {
            ++it;
        }
    }
    return !client.unsent.isEmpty();
}
