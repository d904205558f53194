#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QVector>
#include <memory>

#include "control/CUnitControl.h"
#include "host/CFrameHost.h"
#include "link/CRadioSession.h"
#include "model/StudioManager.h"
#include "store/CXmlStore.h"
#include "support/CMessageRecorder.h"
#include "support/CNoticeSink.h"
#include "support/CPtyPair.h"
#include "support/ViewMessages.h"

// Stands in for the main frame around a view under test: a real model, a real radio session
// whose protocol writes through a real serial link to a pseudo-terminal (OpenLink); its
// notices reach the frame's recorder and are not read. An XML store in a temporary folder of
// its own. Recorders for the frame
// and for every pane the test does not fill with a real view, and scripted answers to the
// operator's message boxes.
class CTestFrameHost : public CFrameHost {
public:
    CTestFrameHost();
    ~CTestFrameHost() override;

    StudioManager& Manager() override { return manager; }
    CZbProtocol& Protocol() override { return session.Protocol(); }
    CXmlStore& XmlStore() override { return xmlStore; }
    CUnitControl& Control() override { return unitControl; }
    QObject* StudioListPane() { return studioList ? studioList : &studioListRecorder; }
    QObject* ControlPane() { return control ? control : &controlRecorder; }
    QObject* NavigationPane() { return navigation ? navigation : &navigationRecorder; }
    bool AskOperator(const QString& text, const QString& caption, bool withCancel,
                     const QString& detail = {}) override;
    bool IsConnected() const override { return session.IsConnected(); }
    // Recorded by the frame's recorder as the message it replaces.
    void SetToolAvailable(ToolFlag tool, bool available) override {
        frame.entries.push_back({WM_SET_TOOL_STATE, tool, available ? 1u : 0u, {}});
    }

    // A path taken from the store's base folder.
    QString FilePath(const QString& relative) const;
    // Opens the link on the pseudo-terminal; the dongle's side is pty.
    bool OpenLink();
    // Everything the program wrote to the port within the quiet period.
    QByteArray Written(std::chrono::milliseconds quiet = std::chrono::milliseconds(100)) {
        return pty.ReadAvailable(quiet);
    }

    struct Question {
        QString text;
        QString caption;
        bool withCancel;
        QString detail = {};  // shown beneath the text
    };

    StudioManager manager;
    CMessageRecorder frame;
    CMessageRecorder studioListRecorder;
    CMessageRecorder controlRecorder;
    CMessageRecorder navigationRecorder;
    QObject* studioList = nullptr;  // a real view, when the test has one
    QObject* control = nullptr;
    QObject* navigation = nullptr;
    CPtyPair pty;
    CNoticeSink frameNotices{&frame};
    CRadioSession session{&frame, manager, frameNotices};
    QTemporaryDir folder;  // the store's base folder
    CXmlStore xmlStore{folder.path()};
    // The unit core; while no real grid or studio list is there, what it tells them reaches
    // their recorders as the messages it replaces, posted or sent as they were.
    CUnitControl unitControl{manager};
    QVector<Question> questions;  // every message box asked for, in order
    bool answerOk = true;         // the operator's answer to an OK/Cancel box
};
