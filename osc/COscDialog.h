#pragma once

#include <QDialog>

class COscAttach;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

// "Control surfaces": the OSC server's port with Start / Stop, the senders it accepts, the
// feedback clients, and the last messages received. Not modal: the operator watches messages
// arrive while using the desktop, and an open modal dialog would refuse every command.
class COscDialog : public QDialog {
    Q_OBJECT
public:
    explicit COscDialog(COscAttach& osc, QWidget* parent = nullptr);

    QSpinBox* PortBox() const { return m_port; }
    QPushButton* StartButton() const { return m_start; }
    QPlainTextEdit* AllowedEdit() const { return m_allowed; }
    QPlainTextEdit* ClientsEdit() const { return m_clients; }
    QPushButton* SaveButton() const { return m_save; }
    QLabel* StatusLabel() const { return m_status; }
    QListWidget* ClientList() const { return m_clientList; }
    QListWidget* MessageList() const { return m_messages; }

    // Shows the server's present state (after it started or stopped elsewhere).
    void Refresh();

private:
    void OnStartStop();
    void OnSave();
    void AddMessage(const QString& line);
    void BuildLayout();

    COscAttach& m_osc;
    QSpinBox* m_port = nullptr;
    QPushButton* m_start = nullptr;
    QLabel* m_status = nullptr;
    QPlainTextEdit* m_allowed = nullptr;
    QPlainTextEdit* m_clients = nullptr;
    QPushButton* m_save = nullptr;
    QLabel* m_dropped = nullptr;
    QListWidget* m_clientList = nullptr;
    QListWidget* m_messages = nullptr;
    QString m_saveNote;
};
