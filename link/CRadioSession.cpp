#include "link/CRadioSession.h"

#include "link/AppMessages.h"
#include "link/CCommThread.h"
#include "link/CReconnector.h"
#include "link/CStrobeEventHandler.h"
#include "link/CZbFrameReader.h"
#include "link/CZbProtocol.h"
#include "model/ComSettings.h"
#include "model/StudioManager.h"

CRadioSession::CRadioSession(QObject* owner, StudioManager& manager, CUnitReportSink& reports)
    : m_manager(manager),
      m_link(std::make_unique<CCommThread>(owner)),
      m_handler(std::make_unique<CStrobeEventHandler>(reports, manager)),
      m_protocol(std::make_unique<CZbProtocol>(*m_handler, *m_link)),
      m_reader(std::make_unique<CZbFrameReader>(*m_protocol)),
      m_reconnector(std::make_unique<CReconnector>([this] { return Reopen(); })) {}

CRadioSession::~CRadioSession() {
    // The watcher is joined before the reader, protocol and handler it feeds go.
    Close();
}

bool CRadioSession::Open(const ComSettings& settings, PortFailure* failure) {
    m_reconnector->Stop();
    m_settings = settings;
    m_connected =
        m_link->OpenPort(settings.sComPort, static_cast<quint32>(settings.nBaud),
                         settings.nDataBits, settings.nStopBits, settings.nParity, failure);
    m_rejoin = m_connected;
    if (m_connected && m_listener) {
        m_listener(true);
    }
    return m_connected;
}

void CRadioSession::Close() {
    m_rejoin = false;
    m_reconnector->Stop();
    m_link->ClosePort();
    m_connected = false;
}

bool CRadioSession::IsReconnecting() const {
    return m_reconnector->IsActive();
}

void CRadioSession::SetReconnectSchedule(const std::vector<std::chrono::milliseconds>& retries,
                                         std::chrono::milliseconds look) {
    CReconnector::Schedule schedule;
    schedule.retries = retries;
    schedule.look = look;
    m_reconnector->SetSchedule(std::move(schedule));
}

bool CRadioSession::Reopen() {
    m_connected = m_link->OpenPort(m_settings.sComPort, static_cast<quint32>(m_settings.nBaud),
                                   m_settings.nDataBits, m_settings.nStopBits, m_settings.nParity);
    if (!m_connected) {
        return false;
    }
    if (m_listener) {
        m_listener(true);
    }
    if (m_reconnected) {
        m_reconnected(m_settings.sComPort);
    }
    // A dongle plugged in again listens to its first group: it is told the studio shown, as
    // the last scan or roll call did.
    if (const StudioData* studio = m_manager.activeStudio) {
        m_protocol->SelectStudio(studio->nStudioNum);
    }
    return true;
}

bool CRadioSession::HandleNotice(const QEvent& e) {
    const int type = static_cast<int>(e.type());
    if (type == kReceivedNotice) {
        // Exactly what the ring holds now; later bytes come with the next notice.
        m_reader->FeedFromRing(*m_link);
        return true;
    }
    if (type != kClosedNotice) {
        return false;
    }
    // A notice from a watcher of an earlier opening must not mark the present one closed.
    const auto generation = static_cast<quint32>(static_cast<const CAppMessage&>(e).wParam);
    if (generation == m_link->Generation()) {
        m_connected = false;
        if (m_listener) {
            m_listener(false);
        }
        if (m_rejoin) {
            m_reconnector->Start(CCommThread::DevicePathFor(m_settings.sComPort));
        }
    }
    return true;
}

void CRadioSession::SetObserver(CLinkObserver* observer) {
    m_link->SetObserver(observer);
    m_handler->SetObserver(observer);
}
