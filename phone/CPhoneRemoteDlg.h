#pragma once

#include <QDialog>

class CPhoneServer;
class CQrCodeView;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;

// "Phone remote": the code to scan, the address to type, the paired devices with their
// Disconnect, Disconnect all and Stop, and what was refused. Not modal: the desktop stays in
// use (and the phone's commands are not refused as "Busy at the computer") while it is open.
class CPhoneRemoteDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRefusalsKept = 50;

    CPhoneRemoteDlg(CPhoneServer& server, QWidget* parent = nullptr);

    CQrCodeView& Code() const { return *m_code; }
    QLineEdit& AddressEdit() const { return *m_address; }
    QTreeWidget& DeviceList() const { return *m_devices; }
    QListWidget& RefusalList() const { return *m_refusals; }
    QPushButton& DisconnectButton() const { return *m_disconnect; }
    QPushButton& DisconnectAllButton() const { return *m_disconnectAll; }
    QPushButton& StopButton() const { return *m_stop; }

private:
    void ConnectControls();
    void ShowAddress();
    void ShowDevices();
    void AddRefusal(const QString& line);
    void OnStop();

    CPhoneServer& m_server;
    CQrCodeView* m_code = nullptr;
    QLabel* m_state = nullptr;
    QLineEdit* m_address = nullptr;
    QTreeWidget* m_devices = nullptr;
    QListWidget* m_refusals = nullptr;
    QPushButton* m_disconnect = nullptr;
    QPushButton* m_disconnectAll = nullptr;
    QPushButton* m_stop = nullptr;
};
