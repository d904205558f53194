#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>

class CCommandDesk;
class CFrameHost;
class CRemoteControlObject;
class QWidget;

// One program per user folder: the first start owns the folder's name on the session bus and
// serves the desk there; a later start finds the name taken, hands its command line to the
// owner (which raises its window) and leaves. Without a session bus the program runs alone,
// as it did before there was one. UI thread only.
class CBusService : public QObject {
    Q_OBJECT
public:
    enum class Claim { kNoBus, kOwner, kTaken };

    // folder: the program's user folder (its working folder).
    explicit CBusService(const QString& folder, QObject* parent = nullptr);
    ~CBusService() override;

    // Asks the bus for the folder's name, once; the answer is kept.
    Claim ClaimName();
    Claim State() const { return m_claim; }
    QString ServiceName() const { return m_service; }

    // A later start: hands arguments to the running program. Returns the exit code: 0 when it
    // was raised, 1 (the reason on standard error) when it could not be, or for a --trace
    // (tracing), which only a first start can take.
    int HandOver(const QStringList& arguments, bool tracing);

    // The first start: exports the desk's object. The frame asks the operator to recall a
    // lighting and applies it; window is shown and activated when a later start asks for it.
    // Nothing when the name is not owned.
    CRemoteControlObject* Serve(CCommandDesk& desk, CFrameHost& frame, QWidget& window);
    CRemoteControlObject* Object() const { return m_object; }

signals:
    // A later start asked for the window (after it was shown and activated).
    void raiseRequested(const QStringList& arguments);

private:
    QDBusConnection m_bus;
    QString m_service;
    Claim m_claim = Claim::kNoBus;
    bool m_claimed = false;
    CRemoteControlObject* m_object = nullptr;  // a child
};
