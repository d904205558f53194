#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "model/ComSettings.h"

class QComboBox;

// "Com Setting": the port to connect to. Baud rate, parity, data bits and stop bits are shown
// but fixed (9600, none, 8, 1). "Ok" writes all five into the settings it was given.
class CComSettingDlg : public QDialog {
    Q_OBJECT
public:
    struct PortEntry {
        QString name;         // the text shown and used as the port name
        QString description;  // shown as the entry's tool tip
    };

    CComSettingDlg(ComSettings& settings, QWidget* parent = nullptr);

    // COM1..COM10, then the serial devices present, then the ports that running simulators
    // publish, then the stored port when it is a device path that exists now.
    static std::vector<PortEntry> PortEntries(const QString& storedPort);
    // Where running simulators publish their ports.
    static QString SimulatorFolder();

    QComboBox* PortList() const { return m_port; }
    QComboBox* BaudList() const { return m_baud; }
    QComboBox* ParityList() const { return m_parity; }
    QComboBox* DataBitsList() const { return m_dataBits; }
    QComboBox* StopBitsList() const { return m_stopBits; }

    void accept() override;

private:
    ComSettings& m_settings;
    QComboBox* m_port;
    QComboBox* m_baud;
    QComboBox* m_parity;
    QComboBox* m_dataBits;
    QComboBox* m_stopBits;
};
