#include "bus/CBusService.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QWidget>
#include <cstdio>

#include "bus/BusNames.h"
#include "bus/CLightingRecall.h"
#include "bus/CRemoteControlObject.h"

namespace {

void Say(const QString& line) {
    std::fprintf(stderr, "tarnel-remote: %s\n", qPrintable(line));
}

}  // namespace

CBusService::CBusService(const QString& folder, QObject* parent)
    : QObject(parent),
      m_bus(QDBusConnection::sessionBus()),
      m_service(BusNames::ServiceFor(folder)) {}

CBusService::~CBusService() {
    if (m_claim == Claim::kOwner) {
        m_bus.unregisterObject(QString::fromLatin1(BusNames::kPath));
        m_bus.unregisterService(m_service);
    }
}

CBusService::Claim CBusService::ClaimName() {
    if (m_claimed) {
        return m_claim;
    }
    m_claimed = true;
    if (!m_bus.isConnected() || m_bus.interface() == nullptr) {
        return m_claim = Claim::kNoBus;
    }
    // Not queued: two starts at once are one owner and one that hands over, never two that
    // wait for each other.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        m_bus.interface()->registerService(m_service, QDBusConnectionInterface::DontQueueService,
                                           QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) {
        return m_claim = Claim::kNoBus;
    }
    return m_claim = reply.value() == QDBusConnectionInterface::ServiceRegistered ? Claim::kOwner
                                                                                  : Claim::kTaken;
}

int CBusService::HandOver(const QStringList& arguments, bool tracing) {
    if (tracing) {
        Say(
            QStringLiteral("Tarnel Remote Control already runs for this folder; --trace is "
                           "taken only by the first start: close that one, then start again "
                           "with --trace"));
        return 1;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        m_service, QString::fromLatin1(BusNames::kPath), QString::fromLatin1(BusNames::kInterface),
        QStringLiteral("Raise"));
    call << arguments;
    const QDBusMessage reply = m_bus.call(call);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        Say(QStringLiteral("Tarnel Remote Control already runs for this folder but did not "
                           "answer: %1")
                .arg(reply.errorMessage()));
        return 1;
    }
    return 0;
}

CRemoteControlObject* CBusService::Serve(CCommandDesk& desk, CFrameHost& frame, QWidget& window) {
    if (ClaimName() != Claim::kOwner || m_object != nullptr) {
        return m_object;
    }
    m_object = new CRemoteControlObject(desk, this);
    m_object->SetRecallHandler(
        [&desk, &frame](const QString& lighting) { return RecallLighting(desk, frame, lighting); });
    connect(m_object, &CRemoteControlObject::raiseRequested, this,
            [this, &window](const QStringList& arguments) {
                // A minimised window comes back as it was; the window manager decides whether
                // activating it may take the focus from the operator's other program.
                window.showNormal();
                window.raise();
                window.activateWindow();
                emit raiseRequested(arguments);
            });
    if (!m_bus.registerObject(
            QString::fromLatin1(BusNames::kPath), m_object,
            QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals)) {
        Say(QStringLiteral("cannot serve %1 on the session bus: %2")
                .arg(m_service, m_bus.lastError().message()));
    }
    return m_object;
}
