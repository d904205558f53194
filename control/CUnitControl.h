#pragma once

#include <QObject>
#include <span>
#include <vector>

#include "control/UnitChange.h"
#include "link/CUnitReportSink.h"
#include "model/FieldCode.h"
#include "model/UnitRef.h"

class CZbProtocol;
class StudioManager;
struct StrobeData;
struct StudioData;

// The one way a unit's settings change on the operator's behalf: each command writes the
// unit records, sends the frames through the protocol and says what changed, in that order.
// The panels keep their own copy of what they show and their order of work; they call here
// for the record, the radio and the notice. An undo sends a change back through the same
// path, so it sends exactly the frames the command did. The report handler's changes come out
// of its signals too: the views connect once, each as soon as it needs to hear. UI thread only.
class CUnitControl : public QObject, public CUnitReportSink {
    Q_OBJECT
public:
    enum class Power { kFlash, kModel };

    explicit CUnitControl(StudioManager& manager, QObject* parent = nullptr);

    // The protocol the commands send through; set once, before the first command.
    void SetProtocol(CZbProtocol& protocol) { m_protocol = &protocol; }
    StudioManager& Manager() const { return m_manager; }
    // Who asks for the commands from now on, when not the desktop ("phone", "OSC",
    // "script"): each change says it (UnitChange::origin). Empty for the desktop.
    void SetOrigin(const QString& origin) { m_origin = origin; }

    // One unit's power: the power moved takes its new value; under the Prop link the partner
    // takes its own as well (the panel has stepped both). gesture: see UnitChange.
    void SetPower(StrobeData& unit, Power moved, int flash, int model, bool propLink,
                  int gesture = 0);
    // One unit's switch or mode (cell, sound, power, model mode 1 and 2, model lamp).
    void SetSetting(StrobeData& unit, FieldCode field, int value);
    // The test flash of one unit, or of the units of mask (any unit supplies the frame).
    void Test(StrobeData& unit, quint16 mask = 0);

    // The selected-units offsets: each ticked unit takes the change of the control that
    // moved (a unit in Prop mode takes it on both of its powers); one power-pairs frame.
    void ApplyOffsets(std::vector<StrobeData*> units, Power trigger, int flashChange,
                      int modelChange);
    // A switch or mode on every ticked unit, in one frame (taken back: one frame per value the
    // units held).
    void SetTickedSetting(std::vector<StrobeData*> units, FieldCode field, int value);

    // A memory's units take their settings and names into the studio's units of the same
    // slots; the studio's views rebuild; then every unit of the studio is sent its settings.
    // False, changing nothing, for a damaged memory.
    bool ApplyMemory(StudioData& studio, const StudioData& memory, const QString& memoryName);

    // A unit's name or light name, as the operator typed it.
    void Rename(StrobeData& unit, const QString& name);
    void RenameLight(StrobeData& unit, const QString& lightName);

    // The roll call's mark: unit stayed silent (answering false) or is heard again. Nothing
    // is sent; the views show the mark.
    void MarkAnswering(StrobeData& unit, bool answering);

    // Sends change again (redo) or takes it back (undo): the records take its after (before)
    // values, the same frames go out, and the views hear of it as they did of the change.
    // False, changing nothing, when a unit it names is gone.
    bool Replay(const UnitChange& change, bool undo);

    // What the report handler did (see CUnitReportSink): said on at once by the signals below.
    void UnitPlaced(const UnitRef& unit) override { emit unitAdded(unit); }
    void UnitReported(const UnitRef& unit) override { emit unitReported(unit); }
    void UnitChanged(const UnitRef& unit, FieldCode field) override {
        emit unitChanged(unit, field);
    }
    void UnitRead(const UnitRef& unit, FieldCode field) override { emit unitRead(unit, field); }

signals:
    // A report placed a new unit (WM_ZB_NEW_UNIT); a status report brought a unit up to date
    // (WM_ZB_UNIT_STATUS); a setting or event report changed a unit's field, kFieldNone for
    // a test flash (WM_ZB_UNIT_CHANGED, sent); a reading arrived (the same, posted).
    void unitAdded(const UnitRef& unit);
    void unitReported(const UnitRef& unit);
    void unitChanged(const UnitRef& unit, FieldCode field);
    void unitRead(const UnitRef& unit, FieldCode field);

    // The operator changed change (not an undo or redo of it).
    void changed(const UnitChange& change);
    // One unit's field changed by a command (WM_UNIT_FIELD, once posted to the grid).
    void unitEdited(const UnitRef& unit, FieldCode field);
    // The ticked units' field changed (WM_SELECTION_EDITED).
    void tickedEdited(FieldCode field);
    // A memory's settings were written into studio, before its frames go out (WM_BM_APPLIED).
    void memoryApplied(StudioData* studio);
    // A unit's name or light name changed.
    void unitRenamed(const UnitRef& unit);
    // A unit was marked as not answering, or as answering again.
    void answerMarked(const UnitRef& unit);

private:
    // A one-unit command's record written: its frame, its step, its notices.
    void Finish(UnitChange& change, UnitChange::Unit entry, StrobeData& unit);
    using Units = std::span<StrobeData* const>;
    void Send(const UnitChange& change, Units units);
    void Tell(const UnitChange& change, Units units);
    // The change's units as they sit now; false when any of them, or its studio, is gone.
    bool Resolve(const UnitChange& change, std::vector<StrobeData*>& units) const;

    StudioManager& m_manager;
    CZbProtocol* m_protocol = nullptr;
    QString m_origin;
};
