#include "osc/COscDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "osc/COscAttach.h"
#include "osc/COscFeedback.h"
#include "osc/COscServer.h"

namespace {

constexpr int kMaxPort = 65535;

QGroupBox* Group(const QString& title, QWidget* inside, const QString& note = {}) {
    auto* box = new QGroupBox(title);
    auto* layout = new QVBoxLayout(box);
    if (!note.isEmpty()) {
        auto* label = new QLabel(note);
        label->setWordWrap(true);
        label->setBuddy(inside);
        layout->addWidget(label);
    }
    layout->addWidget(inside);
    return box;
}

}  // namespace

COscDialog::COscDialog(COscAttach& osc, QWidget* parent) : QDialog(parent), m_osc(osc) {
    setWindowTitle(QStringLiteral("Control surfaces"));
    setObjectName(QStringLiteral("controlSurfacesDialog"));
    BuildLayout();
    COscServer& server = osc.Server();
    connect(&server, &COscServer::runningChanged, this, &COscDialog::Refresh);
    connect(&server, &COscServer::droppedChanged, this, &COscDialog::Refresh);
    connect(&server, &COscServer::messageReceived, this, &COscDialog::AddMessage);
    connect(&osc.Feedback(), &COscFeedback::clientsChanged, this, &COscDialog::Refresh);
    connect(m_start, &QPushButton::clicked, this, &COscDialog::OnStartStop);
    connect(m_save, &QPushButton::clicked, this, &COscDialog::OnSave);
    for (const QString& line : server.LastMessages()) {
        AddMessage(line);
    }
    m_port->setValue(server.IsRunning() ? server.Port() : osc.SavedPort());
    m_allowed->setPlainText(server.Allowed().Text());
    m_clients->setPlainText(osc.Feedback().ConfiguredText().join(u'\n'));
}

void COscDialog::BuildLayout() {
    m_port = new QSpinBox;
    m_port->setRange(1, kMaxPort);
    m_port->setAccessibleName(QStringLiteral("OSC port"));
    m_start = new QPushButton(QStringLiteral("&Start"));
    m_start->setObjectName(QStringLiteral("startStop"));
    m_status = new QLabel;
    m_status->setWordWrap(true);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setAccessibleName(QStringLiteral("Server status"));
    auto* portRow = new QHBoxLayout;
    auto* portLabel = new QLabel(QStringLiteral("UDP &port:"));
    portLabel->setBuddy(m_port);
    portRow->addWidget(portLabel);
    portRow->addWidget(m_port);
    portRow->addWidget(m_start);
    portRow->addStretch();

    m_allowed = new QPlainTextEdit;
    m_allowed->setAccessibleName(QStringLiteral("Accepted senders"));
    m_allowed->setTabChangesFocus(true);
    m_clients = new QPlainTextEdit;
    m_clients->setAccessibleName(QStringLiteral("Configured feedback clients"));
    m_clients->setTabChangesFocus(true);
    m_save = new QPushButton(QStringLiteral("Save &lists"));
    m_save->setObjectName(QStringLiteral("saveLists"));
    m_dropped = new QLabel;
    m_dropped->setAccessibleName(QStringLiteral("Dropped messages"));
    m_clientList = new QListWidget;
    m_clientList->setAccessibleName(QStringLiteral("Feedback clients now"));
    m_messages = new QListWidget;
    m_messages->setAccessibleName(QStringLiteral("Last messages received"));

    auto* lists = new QHBoxLayout;
    lists->addWidget(Group(QStringLiteral("Accept messages from"), m_allowed,
                           QStringLiteral("One address or subnet a line, such as 192.168.1.0/24. "
                                          "Messages from anywhere else are dropped.")));
    lists->addWidget(Group(QStringLiteral("Feedback clients"), m_clients,
                           QStringLiteral("One address and port a line, such as "
                                          "192.168.1.30:9000. Surfaces may also subscribe.")));
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(portRow);
    layout->addWidget(m_status);
    layout->addLayout(lists);
    layout->addWidget(m_save, 0, Qt::AlignLeft);
    layout->addWidget(m_dropped);
    layout->addWidget(Group(QStringLiteral("Clients getting feedback"), m_clientList));
    layout->addWidget(Group(QStringLiteral("Last messages received"), m_messages));
    layout->addWidget(close);
}

void COscDialog::Refresh() {
    const COscServer& server = m_osc.Server();
    m_start->setText(server.IsRunning() ? QStringLiteral("&Stop") : QStringLiteral("&Start"));
    m_start->setAccessibleName(server.IsRunning() ? QStringLiteral("Stop the OSC server")
                                                  : QStringLiteral("Start the OSC server"));
    m_port->setEnabled(!server.IsRunning());
    QString status;
    if (server.IsRunning()) {
        status = QStringLiteral("Listening for OSC on UDP port %1.").arg(server.Port());
    } else if (!server.Error().isEmpty()) {
        status = server.Error();
    } else {
        status = QStringLiteral("Stopped.");
    }
    if (!m_saveNote.isEmpty()) {
        status += QLatin1Char(' ') + m_saveNote;
    }
    m_status->setText(status);
    m_dropped->setText(
        QStringLiteral("Dropped from senders not accepted: %1").arg(server.Dropped()));
    m_clientList->clear();
    m_clientList->addItems(m_osc.Feedback().ClientTexts());
}

void COscDialog::OnStartStop() {
    m_saveNote.clear();
    if (m_osc.Server().IsRunning()) {
        m_osc.Server().Stop();
    } else {
        m_osc.Start(m_port->value());
    }
    Refresh();
}

void COscDialog::OnSave() {
    QString error;
    m_saveNote = m_osc.SaveLists(m_allowed->toPlainText(), m_clients->toPlainText(), &error)
                     ? QStringLiteral("The lists are saved and in use.")
                     : QStringLiteral("Not saved: %1.").arg(error);
    Refresh();
}

void COscDialog::AddMessage(const QString& line) {
    m_messages->addItem(line);
    while (m_messages->count() > COscServer::kLastMessages) {
        delete m_messages->takeItem(0);
    }
    m_messages->scrollToBottom();
}
