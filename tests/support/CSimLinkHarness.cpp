#include "support/CSimLinkHarness.h"

#include <QCoreApplication>

#include "link/AppMessages.h"

CSimLinkHarness::CSimLinkHarness() {
    MakeCurrent(0);
}

CSimLinkHarness::~CSimLinkHarness() {
    // The watcher is joined here, so nothing is posted to this object once it is gone.
    link.ClosePort();
    QCoreApplication::removePostedEvents(this);
}

bool CSimLinkHarness::Open(const QString& devicePath) {
    return link.OpenPort(devicePath, 9600, 8, 0, 0);
}

void CSimLinkHarness::MakeCurrent(int studioNum) {
    manager.currentNode = manager.studios[studioNum].get();
}

bool CSimLinkHarness::event(QEvent* e) {
    if (static_cast<int>(e->type()) == WM_ZB_RECEIVED) {
        reader.FeedFromRing(link);
    }
    return CMessageRecorder::event(e);
}
