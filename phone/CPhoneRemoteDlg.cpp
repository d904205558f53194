#include "phone/CPhoneRemoteDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTime>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "phone/CPhoneServer.h"
#include "phone/CQrCodeView.h"

namespace {

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(text);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

CPhoneRemoteDlg::CPhoneRemoteDlg(CPhoneServer& server, QWidget* parent)
    : QDialog(parent), m_server(server) {
    setWindowTitle(QStringLiteral("Phone remote"));
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(QStringLiteral("Scan the code with the phone's camera, or type the "
                                           "address in its browser. Each code pairs one device."),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    m_code = new CQrCodeView(this);
    m_code->setAccessibleName(QStringLiteral("Pairing code"));
    layout->addWidget(m_code, 1);
    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("address"));
    m_address->setReadOnly(true);
    m_address->setAccessibleName(QStringLiteral("Address"));
    layout->addWidget(m_address);
    m_state = new QLabel(this);
    m_state->setWordWrap(true);
    layout->addWidget(m_state);

    m_devices = new QTreeWidget(this);
    m_devices->setObjectName(QStringLiteral("devices"));
    m_devices->setAccessibleName(QStringLiteral("Paired devices"));
    m_devices->setHeaderLabels(
        {QStringLiteral("Device"), QStringLiteral("Address"), QStringLiteral("Since")});
    m_devices->setRootIsDecorated(false);
    layout->addWidget(m_devices);
    auto* row = new QHBoxLayout;
    m_disconnect = Button(QStringLiteral("Disconnect"), "disconnect", this);
    m_disconnectAll = Button(QStringLiteral("Disconnect all"), "disconnectAll", this);
    m_stop = Button(QStringLiteral("Stop"), "stop", this);
    row->addWidget(m_disconnect);
    row->addWidget(m_disconnectAll);
    row->addStretch();
    row->addWidget(m_stop);
    layout->addLayout(row);

    m_refusals = new QListWidget(this);
    m_refusals->setObjectName(QStringLiteral("refusals"));
    m_refusals->setAccessibleName(QStringLiteral("Refused"));
    m_refusals->setMaximumHeight(fontMetrics().height() * 6);
    layout->addWidget(new QLabel(QStringLiteral("Refused:"), this));
    layout->addWidget(m_refusals);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    ConnectControls();
    ShowAddress();
    ShowDevices();
}

void CPhoneRemoteDlg::ConnectControls() {
    connect(m_disconnect, &QPushButton::clicked, this, [this] {
        if (QTreeWidgetItem* item = m_devices->currentItem()) {
            m_server.Disconnect(item->data(0, Qt::UserRole).toInt());
        }
    });
    connect(m_disconnectAll, &QPushButton::clicked, &m_server, &CPhoneServer::DisconnectAll);
    connect(m_stop, &QPushButton::clicked, this, &CPhoneRemoteDlg::OnStop);
    connect(m_devices, &QTreeWidget::currentItemChanged, this,
            [this] { m_disconnect->setEnabled(m_devices->currentItem() != nullptr); });
    connect(&m_server, &CPhoneServer::devicesChanged, this, &CPhoneRemoteDlg::ShowDevices);
    connect(&m_server, &CPhoneServer::addressChanged, this, &CPhoneRemoteDlg::ShowAddress);
    connect(&m_server, &CPhoneServer::started, this, &CPhoneRemoteDlg::ShowAddress);
    connect(&m_server, &CPhoneServer::stopped, this, &CPhoneRemoteDlg::ShowAddress);
    connect(&m_server, &CPhoneServer::refused, this, &CPhoneRemoteDlg::AddRefusal);
}

void CPhoneRemoteDlg::ShowAddress() {
    const bool running = m_server.IsRunning();
    m_code->SetText(running ? m_server.Address() : QString());
    m_address->setText(running ? m_server.Address() : QString());
    m_state->setText(running ? QStringLiteral("Listening on port %1.").arg(m_server.Port())
                     : m_server.Error().isEmpty()
                         ? QStringLiteral("Stopped: no phone can reach the program.")
                         : QStringLiteral("Not started: %1.").arg(m_server.Error()));
    m_stop->setText(running ? QStringLiteral("Stop") : QStringLiteral("Start"));
    m_stop->setAccessibleName(m_stop->text());
}

void CPhoneRemoteDlg::ShowDevices() {
    m_devices->clear();
    for (const CPhoneServer::Device& device : m_server.Devices()) {
        auto* item = new QTreeWidgetItem(
            m_devices,
            {device.name, device.address, device.since.time().toString(QStringLiteral("HH:mm"))});
        item->setData(0, Qt::UserRole, device.id);
    }
    m_disconnect->setEnabled(m_devices->currentItem() != nullptr);
    m_disconnectAll->setEnabled(m_devices->topLevelItemCount() > 0);
}

void CPhoneRemoteDlg::AddRefusal(const QString& line) {
    m_refusals->addItem(QStringLiteral("%1  %2").arg(
        QTime::currentTime().toString(QStringLiteral("HH:mm:ss")), line));
    while (m_refusals->count() > kRefusalsKept) {
        delete m_refusals->takeItem(0);
    }
    m_refusals->scrollToBottom();
}

void CPhoneRemoteDlg::OnStop() {
    if (m_server.IsRunning()) {
        m_server.Stop();
    } else {
        m_server.Start();
    }
    ShowAddress();
}
