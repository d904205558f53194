#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "control/UnitChange.h"
#include "model/StudioData.h"

class CUnitControl;
class QAction;
class QUndoStack;
class StudioManager;

// Undo and redo of the operator's changes to the units: one history per studio, of the
// steps the unit core reports (a held arrow is one step), 200 steps each, never saved. Undo
// and Redo act on the history of the studio the operator works in, and send back through the
// core exactly the frames the change sent. They are refused, the reason in the status line
// and no box, when they could not be done truthfully: not connected, the dongle switched to
// another studio, a unit of the step gone. UI thread only.
class CUndoHistory : public QObject {
    Q_OBJECT
public:
    static constexpr int kStepLimit = 200;

    struct Host {
        std::function<bool()> isConnected;
        std::function<void(const QString&)> setStatusText;
    };

    CUndoHistory(StudioManager& manager, CUnitControl& control, Host host, QObject* parent);
    ~CUndoHistory() override;

    // The tool bar's Undo (Ctrl+Z) and Redo (Ctrl+Shift+Z, Ctrl+Y).
    QAction* UndoAction() const { return m_undo; }
    QAction* RedoAction() const { return m_redo; }

    // False, with the reason in the status line, when refused or when there is nothing.
    bool Undo();
    bool Redo();
    // The studio's steps name units that a scan destroyed: they are dropped.
    void Forget(int studioNum);
    // The actions' state for the studio worked in now (the operator may have picked another),
    // and their tips once the event loop comes round.
    void Refresh();

    // The studio's history, for tests and the benchmark; null outside 0..4.
    QUndoStack* StackOf(int studioNum) const;

private:
    void Record(const UnitChange& change);
    bool Step(bool undo);
    // Why the step cannot be taken now; empty when it can.
    QString Refusal(const UnitChange& change) const;
    QUndoStack* WorkedStack() const;
    void RefreshTips();

    StudioManager& m_manager;
    CUnitControl& m_control;
    Host m_host;
    std::array<std::unique_ptr<QUndoStack>, kStudioCount> m_stacks;
    QAction* m_undo;
    QAction* m_redo;
    QString m_undoKeys;  // "Ctrl+Z", as the tips name the keys
    QString m_redoKeys;
    bool m_tipsDue = false;
};
