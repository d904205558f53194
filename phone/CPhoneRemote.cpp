#include "phone/CPhoneRemote.h"

#include <QAction>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include "link/CLinkObserver.h"
#include "phone/CPhoneRemoteDlg.h"
#include "phone/CPhoneServer.h"
#include "widgets/CDrawnIconEngine.h"

namespace {

constexpr int kDesignPx = 30;

void DrawPhone(QPainter& p) {
    // The phone, upright, with its screen and button.
    p.setPen(QPen(QColor(30, 30, 40), 1.2));
    p.setBrush(QColor(60, 64, 80));
    p.drawRoundedRect(QRectF(6.5, 5.5, 12, 21), 2.2, 2.2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 200, 250));
    p.drawRect(QRectF(8.5, 8, 8, 13.5));
    p.setBrush(QColor(200, 200, 210));
    p.drawEllipse(QPointF(12.5, 23.8), 1.1, 1.1);
    // Two waves going out from it.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(230, 150, 20), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(14, 3, 10, 10), -30 * 16, 90 * 16);
    p.drawArc(QRectF(12, 0, 16, 16), -30 * 16, 90 * 16);
}

}  // namespace

QIcon PhoneRemoteIcon() {
    return QIcon(new CDrawnIconEngine(QSize(kDesignPx, kDesignPx), DrawPhone));
}

CPhoneRemote::CPhoneRemote(CCommandDesk& desk, QWidget* window)
    : m_window(window), m_server(std::make_unique<CPhoneServer>(desk)) {
    m_action = new QAction(PhoneRemoteIcon(), QStringLiteral("Phone remote"), this);
    m_action->setObjectName(QStringLiteral("phoneRemote"));
    m_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(m_action, &QAction::triggered, this, &CPhoneRemote::Open);
}

CPhoneRemote::~CPhoneRemote() {
    delete m_dialog;
    m_server->Stop();
}

void CPhoneRemote::SetFrameLog(CLinkObserver* log) {
    disconnect(m_server.get(), &CPhoneServer::refused, this, nullptr);
    if (log != nullptr) {
        connect(m_server.get(), &CPhoneServer::refused, this,
                [log](const QString& line) { log->OnEvent(CLinkObserver::Event::kRemote, line); });
    }
}

void CPhoneRemote::Open() {
    // The dialog first, so that it hears why a port was passed over.
    if (!m_dialog) {
        m_dialog = new CPhoneRemoteDlg(*m_server, m_window);
    }
    if (!m_server->IsRunning()) {
        m_server->Start();
    }
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}
