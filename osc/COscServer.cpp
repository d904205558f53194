#include "osc/COscServer.h"

#include <lo/lo.h>

#include <QSocketNotifier>
#include <cstdint>
#include <cstring>
#include <vector>

#include "control/CCommandDesk.h"
#include "osc/COscAddressTable.h"
#include "osc/COscFeedback.h"

namespace {

// liblo says its errors through a callback; only the server being made hears them.
QString g_lastLoError;  // UI thread only, as the server

void OnLoError(int number, const char* message, const char* where) {
    g_lastLoError =
        QStringLiteral("%1 (%2%3)")
            .arg(QString::fromUtf8(message != nullptr ? message : ""))
            .arg(number)
            .arg(where != nullptr ? QStringLiteral(", ") + QString::fromUtf8(where) : QString());
}

// A wake-up takes at most this many messages, so a flood of them leaves the UI time to paint;
// the notifier fires again for the rest.
constexpr int kMessagesPerWake = 64;

// A value of type T where liblo's argument starts. liblo packs arguments at 4-byte steps, so
// an argument may sit where its union type (8-byte aligned) may not be read in place.
template <class T>
T Read(const lo_arg* arg) {
    T value;
    std::memcpy(&value, arg, sizeof value);
    return value;
}

std::vector<OscArg> ArgsOf(const char* types, lo_arg** argv, int argc) {
    std::vector<OscArg> args;
    for (int i = 0; i < argc && types != nullptr && types[i] != '\0'; ++i) {
        OscArg arg;
        arg.type = types[i];
        const lo_arg* value = argv[i];
        switch (arg.type) {
            case 'f':
                arg.number = Read<float>(value);
                break;
            case 'd':
                arg.number = Read<double>(value);
                break;
            case 'i':
                arg.number = Read<int32_t>(value);
                break;
            case 'h':
                arg.number = static_cast<double>(Read<int64_t>(value));
                break;
            case 's':
            case 'S':
                arg.text = QString::fromUtf8(reinterpret_cast<const char*>(value));
                break;
            default:
                break;  // refused by the address that does not take it
        }
        args.push_back(arg);
    }
    return args;
}

QString ArgsText(const std::vector<OscArg>& args) {
    QStringList words;
    for (const OscArg& arg : args) {
        const QString type(QLatin1Char(arg.type));
        if (arg.type == 's' || arg.type == 'S') {
            words << type + QStringLiteral(" \"%1\"").arg(arg.text.left(40));
        } else if (arg.type == 'f' || arg.type == 'd' || arg.type == 'i' || arg.type == 'h') {
            words << type + QLatin1Char(' ') + QString::number(arg.number);
        } else {
            words << type;
        }
    }
    return words.join(QLatin1Char(' '));
}

int OnMessage(const char* path, const char* types, lo_arg** argv, int argc, lo_message message,
              void* user) {
    auto* server = static_cast<COscServer*>(user);
    lo_address source = lo_message_get_source(message);
    const char* host = source != nullptr ? lo_address_get_hostname(source) : nullptr;
    const char* port = source != nullptr ? lo_address_get_port(source) : nullptr;
    return server->Handle(path, types, argv, argc,
                          QHostAddress(QString::fromLatin1(host != nullptr ? host : "")),
                          static_cast<quint16>(QByteArray(port != nullptr ? port : "0").toUInt()));
}

// A datagram handed in rather than received: it has no sender to answer.
int OnHandedMessage(const char* path, const char* types, lo_arg** argv, int argc, lo_message,
                    void* user) {
    return static_cast<COscServer*>(user)->Handle(path, types, argv, argc, QHostAddress(), 0);
}

}  // namespace

COscServer::COscServer(CCommandDesk& desk, COscFeedback& feedback, QObject* parent)
    : QObject(parent), m_desk(desk), m_feedback(feedback) {}

COscServer::~COscServer() {
    Stop();
    if (m_parser != nullptr) {
        lo_server_free(m_parser);
    }
}

bool COscServer::Start(int port) {
    Stop();
    m_port = port;
    g_lastLoError.clear();
    m_server = lo_server_new(QByteArray::number(port).constData(), OnLoError);
    if (m_server == nullptr) {
        m_error = QStringLiteral("Port %1 is taken (or not allowed): %2")
                      .arg(port)
                      .arg(g_lastLoError.isEmpty() ? QStringLiteral("liblo made no server")
                                                   : g_lastLoError);
        emit runningChanged(false);
        return false;
    }
    m_error.clear();
    lo_server_add_method(m_server, nullptr, nullptr, OnMessage, this);
    m_notifier =
        std::make_unique<QSocketNotifier>(lo_server_get_socket_fd(m_server), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &COscServer::OnReadable);
    emit runningChanged(true);
    return true;
}

void COscServer::Stop() {
    if (m_server == nullptr) {
        return;
    }
    m_notifier.reset();
    lo_server_free(m_server);
    m_server = nullptr;
    emit runningChanged(false);
}

void COscServer::OnReadable() {
    // recv_noblock with no wait: the notifier said there is a datagram; liblo parses it and
    // calls OnMessage (a malformed one is thrown away by liblo).
    for (int n = 0; n < kMessagesPerWake && m_server != nullptr; ++n) {
        if (lo_server_recv_noblock(m_server, 0) <= 0) {
            break;
        }
    }
}

void COscServer::HandleDatagram(const QByteArray& datagram) {
    if (m_parser == nullptr) {
        m_parser = lo_server_new(nullptr, OnLoError);
        if (m_parser == nullptr) {
            return;
        }
        lo_server_add_method(m_parser, nullptr, nullptr, OnHandedMessage, this);
    }
    QByteArray copy = datagram;  // liblo swaps the bytes of its arguments in place
    lo_server_dispatch_data(m_parser, copy.data(), static_cast<size_t>(copy.size()));
}

int COscServer::Handle(const char* path, const char* types, lo_arg** argv, int argc,
                       const QHostAddress& sender, quint16 senderPort) {
    const bool known = !sender.isNull();
    if (known && !m_allowed.Allows(sender)) {
        ++m_dropped;
        emit droppedChanged(m_dropped);
        return 0;
    }
    ++m_received;
    const QString address = QString::fromUtf8(path != nullptr ? path : "");
    const std::vector<OscArg> args = ArgsOf(types, argv, argc);
    const OscOutcome outcome = COscAddressTable::Dispatch(m_desk, address, args);
    switch (outcome.kind) {
        case OscOutcome::Kind::kSubscribe:
            if (known) {
                m_feedback.Subscribe(sender, static_cast<quint16>(outcome.port));
            }
            break;
        case OscOutcome::Kind::kUnsubscribe:
            if (known) {
                m_feedback.Unsubscribe(sender, static_cast<quint16>(outcome.port));
            }
            break;
        case OscOutcome::Kind::kRefused:
            if (known && senderPort != 0) {
                m_feedback.SendText(sender, senderPort, QStringLiteral("/tarnel/error"),
                                    outcome.ErrorText());
            }
            break;
        case OscOutcome::Kind::kDone:
            break;
    }
    const QString from = known ? QStringLiteral("%1:%2").arg(sender.toString()).arg(senderPort)
                               : QStringLiteral("(handed in)");
    Record(QStringLiteral("%1 %2 %3 (%4)")
               .arg(from, address.left(80), ArgsText(args),
                    outcome.Refused() ? outcome.ErrorText() : QStringLiteral("done")));
    return 0;
}

void COscServer::Record(const QString& line) {
    m_last.append(line);
    while (m_last.size() > kLastMessages) {
        m_last.removeFirst();
    }
    emit messageReceived(line);
}
