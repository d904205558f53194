#pragma once

#include "control/CCommandHost.h"

class CMainFrame;

// The desktop as the commands from elsewhere see it: the frame's connection, its modal
// dialogs, its current unit, its studio list, its Business Memory files and its roll call.
class CFrameCommandHost : public CCommandHost {
public:
    explicit CFrameCommandHost(CMainFrame& frame) : m_frame(frame) {}

    bool IsConnected() const override;
    bool IsBusy() const override;
    UnitRef CurrentUnit() const override;
    void ShowStudio(int studioNum) override;
    QStringList MemoryNames() const override;
    QString ApplyMemory(const QString& name) override;
    QString CheckUnits() override;

private:
    CMainFrame& m_frame;
};
