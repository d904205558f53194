#pragma once

#include <QAction>
#include <QObject>
#include <QPointer>
#include <memory>

#include "phone/CPhoneRemoteDlg.h"

class CCommandDesk;
class CLinkObserver;
class CPhoneServer;
class QIcon;
class QWidget;

// The phone remote as the desktop offers it: the "Phone remote" tool bar entry (Ctrl+P),
// which starts the server and shows its dialog, and the start at launch of --remote. The
// server stops with this object, before the frame whose desk it uses.
class CPhoneRemote : public QObject {
    Q_OBJECT
public:
    CPhoneRemote(CCommandDesk& desk, QWidget* window);
    ~CPhoneRemote() override;

    // For CMainFrame::AddServiceAction, which takes it.
    QAction* Action() const { return m_action; }
    CPhoneServer& Server() const { return *m_server; }
    // Made the first time it is shown.
    CPhoneRemoteDlg* Dialog() const { return m_dialog; }
    // The tool bar entry: starts the server when stopped, shows the dialog.
    void Open();
    // The frame log (--trace) hears of every refusal too; null for none. It must outlive this.
    void SetFrameLog(CLinkObserver* log);

private:
    QWidget* m_window;
    std::unique_ptr<CPhoneServer> m_server;
    QPointer<QAction> m_action;
    QPointer<CPhoneRemoteDlg> m_dialog;
};

// The tool bar's picture: a phone with radio waves.
QIcon PhoneRemoteIcon();
