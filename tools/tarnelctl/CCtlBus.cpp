#include "tarnelctl/CCtlBus.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>

#include "bus/BusNames.h"
#include "tarnelctl/CWatchPrinter.h"

namespace {

// The write end of watch's signal pipe: a signal handler may only write().
int g_signalPipe = -1;

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe, &byte, 1);
}

void Say(const QString& line) {
    std::fprintf(stderr, "tarnelctl: %s\n", qPrintable(line));
}

int NotRunning() {
    Say(QStringLiteral("Tarnel Remote Control is not running"));
    return CCtlBus::kNotRunning;
}

}  // namespace

CCtlBus::CCtlBus(QString service)
    : m_bus(QDBusConnection::sessionBus()), m_service(std::move(service)) {}

bool CCtlBus::IsRunning() const {
    return m_bus.isConnected() && m_bus.interface() != nullptr &&
           m_bus.interface()->isServiceRegistered(m_service).value();
}

int CCtlBus::Call(const QString& method, const QVariantList& arguments, QVariant* reply,
                  int timeoutMs) {
    if (!m_bus.isConnected()) {
        Say(QStringLiteral("no session bus to reach Tarnel Remote Control on: %1")
                .arg(m_bus.lastError().message()));
        return kNotRunning;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(m_service, QString::fromLatin1(BusNames::kPath),
                                       QString::fromLatin1(BusNames::kInterface), method);
    call.setArguments(arguments);
    const QDBusMessage answer = m_bus.call(call, QDBus::Block, timeoutMs);
    if (answer.type() != QDBusMessage::ErrorMessage) {
        if (reply != nullptr && !answer.arguments().isEmpty()) {
            *reply = answer.arguments().constFirst();
        }
        return kDone;
    }
    const QString name = answer.errorName();
    if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
        name == QLatin1String("org.freedesktop.DBus.Error.Disconnected")) {
        return NotRunning();
    }
    Say(answer.errorMessage());
    return kRefused;
}

int CCtlBus::Watch() {
    if (!IsRunning()) {
        return NotRunning();
    }
    CWatchPrinter printer;
    const QString path = QString::fromLatin1(BusNames::kPath);
    const QString interface = QString::fromLatin1(BusNames::kInterface);
    // QtDBus connects a bus signal by its signature only.
    m_bus.connect(m_service, path, interface, QStringLiteral("UnitChanged"), &printer,
                  SLOT(OnUnitChanged(QString, QString, QString)));
    m_bus.connect(m_service, path, interface, QStringLiteral("ConnectionChanged"), &printer,
                  SLOT(OnConnectionChanged(bool)));
    int exitCode = kDone;
    QDBusServiceWatcher owner(m_service, m_bus, QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(&owner, &QDBusServiceWatcher::serviceUnregistered, [&exitCode] {
        Say(QStringLiteral("Tarnel Remote Control has ended"));
        exitCode = kNotRunning;
        QCoreApplication::quit();
    });
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        Say(QStringLiteral("cannot wait for an interrupt"));
        return kRefused;
    }
    g_signalPipe = fds[1];
    QSocketNotifier interrupt(fds[0], QSocketNotifier::Read);
    QObject::connect(&interrupt, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    // Subscribed before this check: a program that ended meanwhile is not waited for.
    if (IsRunning()) {
        QCoreApplication::exec();
    } else {
        exitCode = NotRunning();
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    ::close(fds[0]);
    ::close(fds[1]);
    return exitCode;
}
