#include "link/CRadioSession.h"

#include "link/AppMessages.h"
#include "link/CCommThread.h"
#include "link/CStrobeEventHandler.h"
#include "link/CZbFrameReader.h"
#include "link/CZbProtocol.h"
#include "model/ComSettings.h"

CRadioSession::CRadioSession(QObject* owner, StudioManager& manager)
    : m_link(std::make_unique<CCommThread>(owner)),
      m_handler(std::make_unique<CStrobeEventHandler>(owner, manager)),
      m_protocol(std::make_unique<CZbProtocol>(*m_handler, *m_link)),
      m_reader(std::make_unique<CZbFrameReader>(*m_protocol)) {}

CRadioSession::~CRadioSession() {
    // The watcher is joined before the reader, protocol and handler it feeds go.
    Close();
}

bool CRadioSession::Open(const ComSettings& settings, PortFailure* failure) {
    m_connected =
        m_link->OpenPort(settings.sComPort, static_cast<quint32>(settings.nBaud),
                         settings.nDataBits, settings.nStopBits, settings.nParity, failure);
    if (m_connected && m_listener) {
        m_listener(true);
    }
    return m_connected;
}

void CRadioSession::Close() {
    m_link->ClosePort();
    m_connected = false;
}

bool CRadioSession::HandleNotice(const QEvent& e) {
    const int type = static_cast<int>(e.type());
    if (type == WM_ZB_RECEIVED) {
        // Exactly what the ring holds now; later bytes come with the next notice.
        m_reader->FeedFromRing(*m_link);
        return true;
    }
    if (type != WM_ZB_CLOSED) {
        return false;
    }
    // A notice from a watcher of an earlier opening must not mark the present one closed.
    const auto generation = static_cast<quint32>(static_cast<const CAppMessage&>(e).wParam);
    if (generation == m_link->Generation()) {
        m_connected = false;
        if (m_listener) {
            m_listener(false);
        }
    }
    return true;
}

void CRadioSession::SetObserver(CLinkObserver* observer) {
    m_link->SetObserver(observer);
    m_handler->SetObserver(observer);
}
