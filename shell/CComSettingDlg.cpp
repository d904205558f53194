#include "shell/CComSettingDlg.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

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

bool SameEntries(const std::vector<CPortCatalog::Entry>& a,
                 const std::vector<CPortCatalog::Entry>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const CPortCatalog::Entry& x, const CPortCatalog::Entry& y) {
                          return x.name == y.name && x.text == y.text && x.present == y.present;
                      });
}

}  // namespace

CComSettingDlg::CComSettingDlg(ComSettings& settings, QWidget* parent, const CPortCatalog& ports)
    : QDialog(parent), m_settings(settings), m_catalog(ports), m_refresh(new QTimer(this)) {
    setWindowTitle(QStringLiteral("Com Setting"));
    auto* grid = new QGridLayout;
    m_port = AddList(grid, QStringLiteral("Com Port"), {}, QStringLiteral("comPort"));
    // The stored port compared without regard to case; no match selects nothing.
    const std::vector<CPortCatalog::Entry> entries = m_catalog.Entries(settings.sComPort);
    FillPorts(entries, CPortCatalog::Preselected(entries, settings.sComPort));
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

    m_refresh->setInterval(kRefreshInterval);
    connect(m_refresh, &QTimer::timeout, this, &CComSettingDlg::RefreshPorts);
    m_refresh->start();
}

void CComSettingDlg::FillPorts(const std::vector<CPortCatalog::Entry>& entries,
                               const QString& chosen) {
    m_entries = entries;
    m_port->clear();
    auto* model = qobject_cast<QStandardItemModel*>(m_port->model());
    int chosenIndex = -1;
    for (const CPortCatalog::Entry& entry : entries) {
        const int i = m_port->count();
        m_port->addItem(entry.text, entry.name);
        m_port->setItemData(i, entry.toolTip, Qt::ToolTipRole);
        if (!entry.present && model != nullptr) {
            model->item(i)->setEnabled(false);  // nothing there to open
        }
        if (chosenIndex < 0 && !chosen.isEmpty() &&
            entry.name.compare(chosen, Qt::CaseInsensitive) == 0) {
            chosenIndex = i;
        }
    }
    m_port->setCurrentIndex(chosenIndex);
}

void CComSettingDlg::RefreshPorts() {
    // Not under the operator's hand: the open list is left alone until it closes.
    if (m_port->view()->isVisible()) {
        return;
    }
    const QString chosen =
        m_port->currentIndex() >= 0 ? m_port->currentData(kPortNameRole).toString() : QString();
    std::vector<CPortCatalog::Entry> entries = m_catalog.Entries(m_settings.sComPort);
    // The operator's choice never moves to another port by itself: gone, it stays as absent.
    if (!chosen.isEmpty() &&
        std::none_of(entries.begin(), entries.end(), [&chosen](const CPortCatalog::Entry& e) {
            return e.name.compare(chosen, Qt::CaseInsensitive) == 0;
        })) {
        entries.push_back({chosen, chosen + QStringLiteral(" (absent)"), QString(), false});
    }
    if (!SameEntries(entries, m_entries)) {
        FillPorts(entries, chosen);
    }
}

void CComSettingDlg::accept() {
    m_settings.sComPort =
        m_port->currentIndex() >= 0 ? m_port->currentData(kPortNameRole).toString() : QString();
    m_settings.nBaud = m_baud->currentText().toInt();
    m_settings.nParity = static_cast<quint8>(qMax(0, m_parity->currentIndex()));
    m_settings.nDataBits = static_cast<quint8>(m_dataBits->currentText().toInt());
    m_settings.nStopBits = static_cast<quint8>(qMax(0, m_stopBits->currentIndex()));
    QDialog::accept();
}
