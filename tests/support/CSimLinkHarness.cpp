#include "support/CSimLinkHarness.h"

#include <QCoreApplication>

#include "model/ComSettings.h"

CSimLinkHarness::CSimLinkHarness() {
    MakeCurrent(0);
}

CSimLinkHarness::~CSimLinkHarness() {
    // The watcher is joined here, so nothing is posted to this object once it is gone.
    session.Close();
    QCoreApplication::removePostedEvents(this);
}

bool CSimLinkHarness::Open(const QString& devicePath) {
    ComSettings settings = DefaultComSettings();
    settings.sComPort = devicePath;
    return session.Open(settings);
}

void CSimLinkHarness::MakeCurrent(int studioNum) {
    manager.currentNode = manager.studios[studioNum].get();
}

bool CSimLinkHarness::event(QEvent* e) {
    session.HandleNotice(*e);
    return CMessageRecorder::event(e);
}
