#include "osc/COscAttach.h"

#include <QAction>
#include <QDir>
#include <QPainter>
#include <QSettings>

#include "osc/COscDialog.h"
#include "osc/COscFeedback.h"
#include "osc/COscServer.h"
#include "shell/CMainFrame.h"
#include "widgets/CDrawnIconEngine.h"

namespace {

constexpr int kIconPx = 30;

// A control surface: a panel with two faders and two lit keys. Straight edges on the pixel
// grid, as the other tool images: no antialiasing to pay for at start-up.
void DrawSurface(QPainter& p) {
    p.setPen(QPen(QColor(40, 40, 50), 1));
    p.setBrush(QColor(70, 75, 90));
    p.drawRect(QRectF(2.5, 4.5, 25, 21));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 20, 25));
    p.drawRect(QRectF(7, 8, 2, 14));
    p.drawRect(QRectF(13, 8, 2, 14));
    p.setPen(QPen(QColor(30, 30, 35), 1));
    p.setBrush(QColor(230, 230, 235));
    p.drawRect(QRectF(5.5, 11.5, 5, 3));
    p.drawRect(QRectF(11.5, 16.5, 5, 3));
    p.setBrush(QColor(255, 190, 40));
    p.drawRect(QRectF(18.5, 8.5, 6, 6));
    p.setBrush(QColor(120, 200, 255));
    p.drawRect(QRectF(18.5, 16.5, 6, 6));
}

}  // namespace

COscAttach::COscAttach(CMainFrame& frame, const QString& folder)
    : QObject(nullptr),
      m_frame(frame),
      m_settingsPath(QDir(folder).filePath(QLatin1String(kSettingsFile))),
      m_feedback(std::make_unique<COscFeedback>(frame.Desk())),
      m_server(std::make_unique<COscServer>(frame.Desk(), *m_feedback)),
      m_savedPort(COscServer::kDefaultPort) {
    Load();
    m_action = new QAction(QIcon(new CDrawnIconEngine(QSize(kIconPx, kIconPx), DrawSurface)),
                           QStringLiteral("Control surfaces"), &frame);
    m_action->setObjectName(QStringLiteral("toolControlSurfaces"));
    m_action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    connect(m_action, &QAction::triggered, this, [this] { ShowDialog(); });
    frame.AddServiceAction(m_action);
}

COscAttach::~COscAttach() {
    delete m_dialog;  // it works on this service
}

void COscAttach::Load() {
    const QSettings settings(m_settingsPath, QSettings::IniFormat);
    m_savedPort = settings.value(QStringLiteral("port"), COscServer::kDefaultPort).toInt();
    COscAllowList allowed;
    if (settings.contains(QStringLiteral("allowed"))) {
        // A damaged list leaves loopback alone, the safe side.
        allowed.Parse(settings.value(QStringLiteral("allowed")).toStringList().join(u'\n'));
    }
    m_server->SetAllowed(allowed);
    m_feedback->SetConfigured(settings.value(QStringLiteral("clients")).toStringList());
}

bool COscAttach::SaveLists(const QString& allowedText, const QString& clientsText, QString* error) {
    COscAllowList allowed;
    if (!allowed.Parse(allowedText, error)) {
        return false;
    }
    const QStringList clients = clientsText.split(u'\n', Qt::SkipEmptyParts);
    if (!m_feedback->SetConfigured(clients, error)) {
        return false;
    }
    m_server->SetAllowed(allowed);
    QSettings settings(m_settingsPath, QSettings::IniFormat);
    settings.setValue(QStringLiteral("allowed"), allowed.Entries());
    settings.setValue(QStringLiteral("clients"), m_feedback->ConfiguredText());
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        if (error != nullptr) {
            *error = QStringLiteral("The lists are in use but could not be written to %1")
                         .arg(m_settingsPath);
        }
        return false;
    }
    return true;
}

bool COscAttach::Start(int port) {
    const bool started = m_server->Start(port);
    if (started) {
        m_savedPort = port;
        SavePort();
    }
    if (m_dialog != nullptr) {
        m_dialog->Refresh();
    }
    return started;
}

void COscAttach::SavePort() {
    QSettings settings(m_settingsPath, QSettings::IniFormat);
    settings.setValue(QStringLiteral("port"), m_savedPort);
}

QString COscAttach::Error() const {
    return m_server->Error();
}

COscDialog* COscAttach::ShowDialog() {
    if (m_dialog == nullptr) {
        m_dialog = new COscDialog(*this, &m_frame);
    }
    m_dialog->Refresh();
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
    return m_dialog;
}

COscDialog* COscAttach::Dialog() const {
    return m_dialog;
}
