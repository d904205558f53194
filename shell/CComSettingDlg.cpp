#include "shell/CComSettingDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QVBoxLayout>

namespace {

QComboBox* AddList(QGridLayout* grid, const QString& label, const QStringList& entries,
                   const QString& objectName) {
    const int row = grid->rowCount();
    auto* list = new QComboBox;
    list->addItems(entries);
    list->setObjectName(objectName);
    list->setAccessibleName(label);
    auto* caption = new QLabel(label);
    caption->setBuddy(list);
    grid->addWidget(caption, row, 0);
    grid->addWidget(list, row, 1);
    return list;
}

bool Listed(const std::vector<CComSettingDlg::PortEntry>& entries, const QString& name) {
    for (const auto& e : entries) {
        if (e.name.compare(name, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

QString CComSettingDlg::SimulatorFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return (runtime.isEmpty() ? QStringLiteral("/tmp") : runtime) + QStringLiteral("/strobe-sim");
}

std::vector<CComSettingDlg::PortEntry> CComSettingDlg::PortEntries(const QString& storedPort) {
    std::vector<PortEntry> entries;
    for (int n = 1; n <= 10; ++n) {
        entries.push_back({QStringLiteral("COM%1").arg(n), QString()});
    }
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString path = info.systemLocation();
        if (!path.isEmpty() && !Listed(entries, path)) {
            entries.push_back({path, info.description()});
        }
    }
    // A simulator publishes a symbolic link to its pseudo-terminal; a link left by one that
    // has ended points nowhere and is not offered.
    const QDir folder(SimulatorFolder());
    for (const QFileInfo& link :
         folder.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        if (link.isSymLink() && QFileInfo::exists(link.symLinkTarget()) &&
            !Listed(entries, link.absoluteFilePath())) {
            entries.push_back({link.absoluteFilePath(),
                               QStringLiteral("strobe-sim (%1)").arg(link.symLinkTarget())});
        }
    }
    if (storedPort.startsWith(QLatin1Char('/')) && QFileInfo::exists(storedPort) &&
        !Listed(entries, storedPort)) {
        entries.push_back({storedPort, QStringLiteral("stored port")});
    }
    return entries;
}

CComSettingDlg::CComSettingDlg(ComSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setWindowTitle(QStringLiteral("Com Setting"));
    auto* grid = new QGridLayout;
    m_port = AddList(grid, QStringLiteral("Com Port"), {}, QStringLiteral("comPort"));
    for (const PortEntry& entry : PortEntries(settings.sComPort)) {
        m_port->addItem(entry.name);
        m_port->setItemData(m_port->count() - 1, entry.description, Qt::ToolTipRole);
    }
    m_port->setMinimumContentsLength(12);
    m_port->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_baud = AddList(grid, QStringLiteral("Baud Rate"),
                     {"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                      "38400", "57600", "115200", "230000"},
                     QStringLiteral("baudRate"));
    m_parity = AddList(grid, QStringLiteral("Parity"), {"NONE", "ODD", "EVEN", "MASK", "SPACE"},
                       QStringLiteral("parity"));
    m_dataBits = AddList(grid, QStringLiteral("Data Bits"), {"4", "5", "6", "7", "8"},
                         QStringLiteral("dataBits"));
    m_stopBits =
        AddList(grid, QStringLiteral("Stop Bits"), {"1", "1.5", "2"}, QStringLiteral("stopBits"));

    // The stored port compared without regard to case; no match selects nothing.
    m_port->setCurrentIndex(m_port->findText(settings.sComPort, Qt::MatchFixedString));
    // Every connection uses 9600 8N1, whatever Option.xml says.
    m_baud->setCurrentIndex(6);
    m_parity->setCurrentIndex(0);
    m_dataBits->setCurrentIndex(4);
    m_stopBits->setCurrentIndex(0);
    for (QComboBox* fixed : {m_baud, m_parity, m_dataBits, m_stopBits}) {
        fixed->setEnabled(false);
    }

    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    ok->setObjectName(QStringLiteral("ok"));
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    setAccessibleName(windowTitle());
}

void CComSettingDlg::accept() {
    m_settings.sComPort = m_port->currentIndex() >= 0 ? m_port->currentText() : QString();
    m_settings.nBaud = m_baud->currentText().toInt();
    m_settings.nParity = static_cast<quint8>(qMax(0, m_parity->currentIndex()));
    m_settings.nDataBits = static_cast<quint8>(m_dataBits->currentText().toInt());
    m_settings.nStopBits = static_cast<quint8>(qMax(0, m_stopBits->currentIndex()));
    QDialog::accept();
}
