#include "phone/CPhoneClient.h"

#include <algorithm>

CPhoneClient::CPhoneClient(std::unique_ptr<QWebSocket> socket, int id, QObject* parent)
    : QObject(parent), m_socket(std::move(socket)), m_id(id) {
    m_address = m_socket->peerAddress().toString();
    m_address.remove(QStringLiteral("::ffff:"));
    connected = heard = Clock::now();
    connect(m_socket.get(), &QWebSocket::pong, this, [this] { heard = Clock::now(); });
}

CPhoneClient::~CPhoneClient() {
    m_socket->disconnect(this);
    m_socket->abort();
}

bool CPhoneClient::Send(const QString& json) {
    if (m_closing) {
        return false;
    }
    if (m_socket->bytesToWrite() + json.size() > kSendQueueLimitBytes) {
        // Closing politely would queue behind what it does not read.
        m_closing = true;
        emit stalled();
        m_socket->abort();
        return false;
    }
    m_socket->sendTextMessage(json);
    return true;
}

void CPhoneClient::Close(const QString& why) {
    if (m_closing) {
        return;
    }
    m_closing = true;
    m_socket->close(QWebSocketProtocol::CloseCodePolicyViolated, why.left(120));
}

void CPhoneClient::MarkUnit(const UnitRef& unit) {
    if (!stateDue && std::find(unitsDue.begin(), unitsDue.end(), unit) == unitsDue.end()) {
        unitsDue.push_back(unit);
    }
}
