#include "support/CTestFrameHost.h"

#include <QDir>

#include "model/ComSettings.h"

CTestFrameHost::CTestFrameHost() {
    xmlStore.pManager = &manager;
    xmlStore.showMessage = [this](const QString& text, const QString& caption) {
        questions.push_back({text, caption, false});
    };
}

CTestFrameHost::~CTestFrameHost() = default;

bool CTestFrameHost::AskOperator(const QString& text, const QString& caption, bool withCancel,
                                 const QString& detail) {
    questions.push_back({text, caption, withCancel, detail});
    return withCancel ? answerOk : true;
}

QString CTestFrameHost::FilePath(const QString& relative) const {
    return QDir(folder.path()).filePath(relative);
}

bool CTestFrameHost::OpenLink() {
    ComSettings settings = DefaultComSettings();
    settings.sComPort = pty.SlavePath();
    return pty.IsValid() && session.Open(settings);
}
