#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <array>
#include <vector>

#include "control/CUnitControl.h"
#include "control/CommandWords.h"
#include "model/FieldCode.h"
#include "model/SettingField.h"
#include "model/StudioData.h"
#include "model/UnitRef.h"

class CCommandHost;
struct StrobeData;
struct StudioData;

// The commands that reach the program from elsewhere (the phone remote, the session bus,
// control surfaces), described once: how a studio, a unit and a setting are named, what a
// value may be, and why a command is refused. Every command goes through the unit core, so it
// sends the frames the panel's control would and the views hear of it as of the panel's.
// A refused command changes nothing and sends nothing. UI thread only.
class CCommandDesk : public QObject {
    Q_OBJECT
public:
    enum class Refusal {
        kNone,
        kNotConnected,    // "Not connected"
        kBusy,            // "Busy at the computer"
        kNoStudio,        // "No studio F"
        kNotInUse,        // "Studio B is not the dongle's studio: select it first"
        kNoUnit,          // "No unit CH-07 in Studio A"
        kNoTicked,        // "No unit is ticked in Studio A"
        kNoCurrent,       // "No unit is picked at the computer"
        kUnknownSetting,  // "No setting colour (cell, sound, power, lamp, mode, lampmode)"
        kBadValue,        // "flash 9.0 is outside 1.1 .. 8.1", "mode takes Free or Prop"
        kNoMemory,        // "No Business Memory Portrait"
        kRefused,         // the desktop's own reason (a damaged memory, a roll call running)
    };

    struct Outcome {
        Refusal refusal = Refusal::kNone;
        QString message;  // what a person reads; empty when done
        bool Ok() const { return refusal == Refusal::kNone; }
        // A name for the refusal: "NotConnected", "Busy", "NoSuchUnit", ... (a D-Bus error's
        // last part, an OSC error's first word).
        QString Name() const;
    };

    // A unit or units a command acts on: one unit, the current unit at the desktop, or the
    // ticked units of a studio.
    struct Target {
        StudioData* studio = nullptr;
        std::vector<StrobeData*> units;
        bool ticked = false;
    };

    using Power = CUnitControl::Power;

    // Names who sent the commands made while it lives ("phone", "OSC", "script"), so that the
    // undo history's tips say where a change came from: "CH-03 flash 5.0 -> 4.5 (phone)".
    class Caller {
    public:
        Caller(CCommandDesk& desk, const QString& who) : m_control(desk.Control()) {
            m_control.SetOrigin(who);
        }
        ~Caller() { m_control.SetOrigin({}); }
        Caller(const Caller&) = delete;
        Caller& operator=(const Caller&) = delete;

    private:
        CUnitControl& m_control;
    };

    CCommandDesk(CUnitControl& control, CCommandHost& host, QObject* parent = nullptr);

    // studio: "A".."E", "Studio A", or "current"; unit: "CH-03", "3", "current" or "ticked".
    // The unit of "current" in any studio is the unit picked at the desktop.
    Outcome SetPower(const QString& studio, const QString& unit, Power power, double value);
    Outcome StepPower(const QString& studio, const QString& unit, Power power, double delta);
    // setting: one of SettingNames(); value: "on"/"off", 1/0, "true"/"false", or a mode's words
    // ("Free", "Prop", "Flash Prop", "Continous"; case and spaces do not matter).
    Outcome SetSetting(const QString& studio, const QString& unit, const QString& setting,
                       const QString& value);
    Outcome Test(const QString& studio, const QString& unit);
    // Shows the studio at the desktop, scanning when the dongle is on another one.
    Outcome SelectStudio(const QString& studio);
    Outcome ApplyMemory(const QString& name);
    Outcome CheckUnits();
    // The units a command on studio and unit would act on, as it would find them (a command
    // may run now, the names resolve), without acting: for remotes that compute a value from
    // a unit's own (the light meter).
    Outcome Find(const QString& studio, const QString& unit, Target& target) const;

    // The words a setting is named by: "cell", "sound", "power", "lamp", "mode", "lampmode".
    static QStringList SettingNames() { return NamedSettingWords(); }
    // The field a setting word names; kFieldNone for none.
    static FieldCode FieldOfSetting(const QString& setting) { return FieldOfNamedSetting(setting); }
    // How the commands word a setting's value: "on", "off", "Free", "Prop", ...
    static QString SettingValueText(FieldCode field, int value) {
        return SettingWord(field, value);
    }

    // A unit as the remotes see it: {"studio": "A", "unit": "CH-03", "name", "light",
    // "flash": 4.5, "model": 3.0, "cell", "sound", "power", "lamp": bool, "mode": "Free",
    // "lampmode": "Flash Prop", "status": "Ready", "answered": bool, "ticked": bool,
    // "current": bool}.
    QJsonObject UnitState(const StrobeData& unit) const;
    // Everything: {"connected", "busy", "current": {"studio", "unit"}, "studios": [{"studio":
    // "A", "name": "Studio A", "inUse": bool, "units": [...]}], "memories": [...]}. A studio
    // a Business Memory was applied to names the last one as "memory".
    QJsonObject State() const;
    // The same for a person, one line per unit: "Studio A  CH-03  Key  flash 4.5  model 3.0 ...".
    QString StateText() const;
    // "No answer", "OFF", "Overheat", "Charging" or "Ready": what the grid's status cell says.
    static QString StatusWord(const StrobeData& unit) { return UnitStatusWord(unit); }
    // "A" for studio 0.
    static QString StudioLetter(int studioNum) { return StudioLetterOf(studioNum); }

    CUnitControl& Control() const { return m_control; }
    CCommandHost& Host() const { return m_host; }

public slots:
    // The desktop's link opened or closed; said on as connectionChanged.
    void OnConnectionChanged(bool connected);

signals:
    // A unit's shown state changed, from any source (a panel, a key, a remote, a report, a
    // roll call): what the remotes send on as feedback. Direct, as the change happens.
    void unitUpdated(const UnitRef& unit);
    // A studio's units were placed anew or rebuilt (a scan, a memory applied).
    void studioUpdated(int studioNum);
    void connectionChanged(bool connected);

private:
    Outcome Refuse(Refusal refusal, const QString& message) const;
    // Why no command may run now; a null outcome (Ok) when one may.
    Outcome Ready() const;
    Outcome Resolve(const QString& studio, const QString& unit, Target& target) const;
    Outcome ResolveStudio(const QString& studio, StudioData*& out) const;
    void TellTicked(int studioNum);

    CUnitControl& m_control;
    CCommandHost& m_host;
    // The Business Memory applied last to each studio, from any source; empty for none.
    std::array<QString, kStudioCount> m_appliedMemory;
};
