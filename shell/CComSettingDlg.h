#pragma once

#include <QDialog>
#include <QString>
#include <chrono>
#include <vector>

#include "model/ComSettings.h"
#include "shell/CPortCatalog.h"

class QComboBox;
class QTimer;

// "Com Setting": the port to connect to. Baud rate, parity, data bits and stop bits are shown
// but fixed (9600, none, 8, 1). "Ok" writes all five into the settings it was given. The port
// list follows devices that come and go while it is shown.
class CComSettingDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kRefreshInterval{1000};
    // The port name an entry stands for.
    static constexpr int kPortNameRole = Qt::UserRole;

    CComSettingDlg(ComSettings& settings, QWidget* parent = nullptr,
                   const CPortCatalog& ports = CPortCatalog());

    // Lists the ports anew; the chosen one stays chosen, shown as absent when it has gone.
    void RefreshPorts();

    QComboBox* PortList() const { return m_port; }
    QComboBox* BaudList() const { return m_baud; }
    QComboBox* ParityList() const { return m_parity; }
    QComboBox* DataBitsList() const { return m_dataBits; }
    QComboBox* StopBitsList() const { return m_stopBits; }

    void accept() override;

private:
    void FillPorts(const std::vector<CPortCatalog::Entry>& entries, const QString& chosen);

    ComSettings& m_settings;
    CPortCatalog m_catalog;
    std::vector<CPortCatalog::Entry> m_entries;  // as listed now
    QTimer* m_refresh;
    QComboBox* m_port;
    QComboBox* m_baud;
    QComboBox* m_parity;
    QComboBox* m_dataBits;
    QComboBox* m_stopBits;
};
