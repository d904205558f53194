#include "support/CTestFrameHost.h"

#include <QDir>

#include "model/ComSettings.h"
#include "support/ViewMessages.h"

CTestFrameHost::CTestFrameHost() {
    xmlStore.pManager = &manager;
    unitControl.SetProtocol(session.Protocol());
    QObject::connect(&unitControl, &CUnitControl::unitEdited, &navigationRecorder,
                     [this](const UnitRef& unit, FieldCode field) {
                         if (navigation == nullptr) {
                             PostUnitMessage(&navigationRecorder, WM_UNIT_FIELD, field, unit);
                         }
                     });
    QObject::connect(&unitControl, &CUnitControl::tickedEdited, &navigationRecorder,
                     [this](FieldCode field) {
                         if (navigation == nullptr) {
                             PostAppMessage(&navigationRecorder, WM_SELECTION_EDITED, field);
                         }
                     });
    QObject::connect(
        &unitControl, &CUnitControl::unitRenamed, &navigationRecorder, [this](const UnitRef& unit) {
            if (navigation == nullptr) {
                SendUnitMessage(&navigationRecorder, WM_UNIT_REFRESH, unit.nSlot, unit);
            }
        });
    QObject::connect(&unitControl, &CUnitControl::memoryApplied, &studioListRecorder, [this] {
        if (studioList == nullptr) {
            SendAppMessage(&studioListRecorder, WM_BM_APPLIED);
        }
    });
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
