#pragma once

#include <QString>

#include "link/CCommThread.h"
#include "link/CStrobeEventHandler.h"
#include "link/CZbFrameReader.h"
#include "link/CZbProtocol.h"
#include "model/StudioManager.h"
#include "support/CMessageRecorder.h"

// The main frame's share of the radio road, for end-to-end tests against the simulator: a
// real serial link, assembler, protocol and report handler over a real model. It receives
// WM_ZB_RECEIVED and feeds the reader from the link's ring as the main frame does, and
// records every message it gets (WM_ZB_NEW_UNIT, WM_ZB_UNIT_CHANGED, WM_ZB_CLOSED...).
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
    CCommThread link{this};
    CStrobeEventHandler handler{this, manager};
    CZbProtocol protocol{handler, link};
    CZbFrameReader reader{protocol};

protected:
    bool event(QEvent* e) override;
};
