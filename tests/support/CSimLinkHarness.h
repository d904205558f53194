#pragma once

#include <QString>

#include "link/CCommThread.h"
#include "link/CRadioSession.h"
#include "link/CZbProtocol.h"
#include "model/StudioManager.h"
#include "support/CMessageRecorder.h"
#include "support/CNoticeSink.h"

// The main frame's share of the radio road, for tests against the simulator or a
// pseudo-terminal: the program's radio session over a real model. It hands the link's notices
// to the session as the main frame does, and records every message it gets
// (WM_ZB_NEW_UNIT, WM_ZB_UNIT_CHANGED, kClosedNotice...).
class CSimLinkHarness : public CMessageRecorder {
public:
    CSimLinkHarness();
    ~CSimLinkHarness() override;

    // Opens the simulator's device at the program's only line settings, 9600 8N1.
    bool Open(const QString& devicePath);
    // Makes studio studioNum (0..4) the current node: reports apply to it.
    void MakeCurrent(int studioNum);
    StudioData& Studio(int studioNum) { return *manager.studios[studioNum]; }

    StudioManager manager;
    CNoticeSink notices{this};
    CRadioSession session{this, manager, notices};
    CCommThread& link = session.Link();
    CZbProtocol& protocol = session.Protocol();

protected:
    bool event(QEvent* e) override;
};
