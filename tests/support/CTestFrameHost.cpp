#include "support/CTestFrameHost.h"

CTestFrameHost::CTestFrameHost()
    : link(std::make_unique<CCommThread>(&frame)),
      handler(std::make_unique<CStrobeEventHandler>(&frame, manager)),
      protocol(std::make_unique<CZbProtocol>(*handler, *link)) {
    xmlStore.pManager = &manager;
    xmlStore.showMessage = [this](const QString& text, const QString& caption) {
        questions.push_back({text, caption, false});
    };
}

CTestFrameHost::~CTestFrameHost() {
    if (link) {
        link->ClosePort();
    }
}

bool CTestFrameHost::AskOperator(const QString& text, const QString& caption, bool withCancel) {
    questions.push_back({text, caption, withCancel});
    return withCancel ? answerOk : true;
}

bool CTestFrameHost::OpenLink() {
    return pty.IsValid() && link->OpenPort(pty.SlavePath(), 9600, 8, 0, 0);
}
