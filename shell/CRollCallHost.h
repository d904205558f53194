#pragma once

#include <QString>
#include <functional>

#include "model/UnitRef.h"

class CUnitControl;
class StudioManager;

// What the roll call needs of the window that runs it, and nothing more: the units, the
// dongle, the wait with its dialog, a line for what it found and the views that show a unit's
// no-answer mark.
class CRollCallHost {
public:
    // How many units have answered so far; asked again while the wait goes on.
    using AnswerCount = std::function<int()>;

    virtual ~CRollCallHost() = default;

    // The studios and their units; the current studio is the one called.
    virtual StudioManager& Units() = 0;
    // The unit core, whose notices of what the units reported tell who answers.
    virtual CUnitControl& UnitCore() = 0;
    // Whether the dongle's port is open: without it nobody could answer.
    virtual bool IsConnected() const = 0;
    // Switches the dongle to the studio; its units report from then on.
    virtual void SwitchDongleTo(int studioNum) = 0;
    // Status pane 0, its tool tip holding the whole text; empty shows nothing.
    virtual void SetStatusText(const QString& text) = 0;
    // The scan's waiting dialog for the studio. True when its six seconds passed, false when
    // cancelled; either way it returns once what arrived meanwhile has been handled.
    virtual bool WaitForAnswers(const QString& studioName, AnswerCount answered) = 0;
};
