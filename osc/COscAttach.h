#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class CMainFrame;
class COscDialog;
class COscFeedback;
class COscServer;
class QAction;

// The OSC service on a main frame: its server and feedback on the frame's command desk, the
// "Control surfaces" tool bar entry (Ctrl+Shift+O) and dialog, and the operator's lists kept
// in ControlSurfaces.ini in the frame's folder, beside Option.xml. Owned beside the frame and
// destroyed before it: its server and feedback run on the frame's desk.
class COscAttach : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kSettingsFile = "ControlSurfaces.ini";

    COscAttach(CMainFrame& frame, const QString& folder);
    ~COscAttach() override;

    // Starts the server on port; false, and Error() says why (the port is never changed).
    bool Start(int port);
    QString Error() const;
    // The port last used or saved; the default when none was.
    int SavedPort() const { return m_savedPort; }

    // The lists as text, one entry a line; false (saving nothing) for a bad line, why in error.
    bool SaveLists(const QString& allowed, const QString& clients, QString* error);

    COscServer& Server() const { return *m_server; }
    COscFeedback& Feedback() const { return *m_feedback; }
    QAction* Action() const { return m_action; }
    // The dialog, made on first use and shown.
    COscDialog* ShowDialog();
    COscDialog* Dialog() const;
    QString SettingsPath() const { return m_settingsPath; }

private:
    void Load();
    void SavePort();

    CMainFrame& m_frame;
    QString m_settingsPath;
    std::unique_ptr<COscFeedback> m_feedback;
    std::unique_ptr<COscServer> m_server;
    QAction* m_action = nullptr;  // owned by the frame
    QPointer<COscDialog> m_dialog;
    int m_savedPort;
};
