#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <vector>

#include "control/CCommandDesk.h"

// The program's one object on the session bus: each method is a command of the desk, so a
// script's command is checked, refused and sent as a remote's is. A refusal is a D-Bus error
// named after it ("org.tarnel.RemoteControl.Error.NotConnected") with the desk's message.
// Exported with its scriptable slots and signals, whose parameter names the introspection
// gives. UI thread only.
class CRemoteControlObject : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tarnel.RemoteControl1")
public:
    // Recalls a set-up ({"studio", "units": [...]}, as tarnelctl recall reads it from a
    // picture): asks the operator and applies it.
    using RecallHandler = std::function<CCommandDesk::Outcome(const QString& lighting)>;

    explicit CRemoteControlObject(CCommandDesk& desk, QObject* parent = nullptr);

    void SetRecallHandler(RecallHandler handler) { m_recall = std::move(handler); }

public slots:
    // State() of the desk as compact JSON (an out argument, so that introspection names it).
    Q_SCRIPTABLE void Status(QString& json);
    // The desk's StateText(): one line per unit.
    Q_SCRIPTABLE void StatusText(QString& text);
    // power: "flash" or "model"; value in displayed steps (5.0).
    Q_SCRIPTABLE void SetPower(const QString& studio, const QString& unit, const QString& power,
                               double value);
    Q_SCRIPTABLE void StepPower(const QString& studio, const QString& unit, const QString& power,
                                double delta);
    Q_SCRIPTABLE void SetSetting(const QString& studio, const QString& unit, const QString& setting,
                                 const QString& value);
    Q_SCRIPTABLE void Test(const QString& studio, const QString& unit);
    Q_SCRIPTABLE void SelectStudio(const QString& studio);
    Q_SCRIPTABLE void ApplyMemory(const QString& name);
    Q_SCRIPTABLE void CheckUnits();
    Q_SCRIPTABLE void RecallLighting(const QString& lighting);
    // A second start of the program hands over its command line and leaves.
    Q_SCRIPTABLE void Raise(const QStringList& arguments);

signals:
    Q_SCRIPTABLE void UnitChanged(const QString& studio, const QString& unit, const QString& json);
    Q_SCRIPTABLE void ConnectionChanged(bool connected);
    // For the desktop: show and activate the window.
    void raiseRequested(const QStringList& arguments);

private:
    // Answers the caller with the refusal, if it is one.
    void Reply(const CCommandDesk::Outcome& outcome);
    // The units changed are said together, at most every kChangeQuietMs and then once each:
    // a report flood must not put a bus signal, and its JSON, on the UI thread per report.
    void OnUnitUpdated(const UnitRef& ref);
    void SayChanges();

    static constexpr int kChangeQuietMs = 40;

    CCommandDesk& m_desk;
    RecallHandler m_recall;
    std::vector<UnitRef> m_changed;  // in the order of their first change since the last say
    QTimer m_say;
};
