#pragma once

#include <QString>
#include <QStringList>

#include "model/UnitRef.h"

// What the command desk needs of the desktop that runs it: whether a command may run now,
// which unit the operator picked, and the commands that are the desktop's own (showing a
// studio, applying a memory file, the roll call). Implemented by the main frame; UI thread.
class CCommandHost {
public:
    virtual ~CCommandHost() = default;

    // Whether the dongle's port is open: without it a command reaches no unit.
    virtual bool IsConnected() const = 0;
    // A modal dialog is open at the desktop: the operator is answering it, and nothing from
    // elsewhere may change the units under it.
    virtual bool IsBusy() const = 0;
    // The unit the operator picked at the desktop; null for none.
    virtual UnitRef CurrentUnit() const = 0;
    // Shows studioNum as choosing it in the studio list does (scanning when the dongle is on
    // another studio). Returns at once; the scan runs on its own.
    virtual void ShowStudio(int studioNum) = 0;
    // The Business Memory files there are, by name, as the list shows them.
    virtual QStringList MemoryNames() const = 0;
    // Applies the memory file name to the current studio through the unit core; empty when it
    // was applied, else why not ("No Business Memory Portrait").
    virtual QString ApplyMemory(const QString& name) = 0;
    // "Check units" of the current studio; it runs on its own after the call returns. Empty
    // when it started, else why not.
    virtual QString CheckUnits() = 0;
};
