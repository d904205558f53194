#pragma once

// The real main frame on a pseudo-terminal (as the operator seam tests have it), with the
// phone remote attached the way the program attaches it and listening on loopback, and
// pages played by QWebSockets of the test.
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebSocket>
#include <deque>
#include <memory>

#include "../shell/OperatorSeamFixture.h"
#include "phone/CPhoneRemote.h"
#include "phone/CPhoneServer.h"

// One page: what it was sent, in order.
class CTestPage {
public:
    explicit CTestPage(const QString& origin) : socket(origin) {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, [this](const QString& text) {
            got.push_back(QJsonDocument::fromJson(text.toUtf8()).object());
        });
    }
    // The next message not looked at yet; empty after two seconds without one.
    QJsonObject Next() {
        if (!WaitUntil([&] { return !got.empty(); }, 2000ms)) {
            return {};
        }
        QJsonObject first = got.front();
        got.pop_front();
        return first;
    }
    // The next message of that type, skipping the others (state pushes).
    QJsonObject NextOf(const QString& type) {
        for (QJsonObject m = Next(); !m.isEmpty(); m = Next()) {
            if (m.value("type").toString() == type) {
                return m;
            }
        }
        return {};
    }
    void Send(const QJsonObject& object) {
        socket.sendTextMessage(QString::fromUtf8(QJsonDocument(object).toJson()));
    }
    // The answer (or error) to a command: the next message with an id, which pushes lack.
    QJsonObject Ask(const QJsonObject& command) {
        Send(command);
        for (QJsonObject m = Next(); !m.isEmpty(); m = Next()) {
            if (m.contains("id")) {
                return m;
            }
        }
        return {};
    }

    QWebSocket socket;
    std::deque<QJsonObject> got;
};

class CPhoneTest : public COperatorSeamTest {
public:
    void TearDown() override {
        pages.clear();
        remote.reset();
        COperatorSeamTest::TearDown();
    }

    // The frame connected, the units of occupied reported, the remote listening.
    void StartRemote(std::initializer_list<int> occupied) {
        Start(occupied);
        remote = std::make_unique<CPhoneRemote>(frame->Desk(), frame.get());
        frame->AddServiceAction(remote->Action());
        ASSERT_TRUE(server().Start(0, QHostAddress::LocalHost));
    }
    CPhoneServer& server() { return remote->Server(); }
    CMainFrame* Frame() const { return frame.get(); }
    QString Origin() const {
        return QStringLiteral("http://127.0.0.1:%1").arg(remote->Server().Port());
    }
    QString Code() const { return remote->Server().Pairing().Code(); }

    // A page's socket, open (not paired).
    CTestPage& Open(const QString& origin = {}) {
        pages.push_back(std::make_unique<CTestPage>(origin.isEmpty() ? Origin() : origin));
        CTestPage& page = *pages.back();
        page.socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/socket").arg(server().Port())));
        EXPECT_TRUE(
            WaitUntil([&] { return page.socket.state() == QAbstractSocket::ConnectedState; }));
        return page;
    }
    static QJsonObject Hello(const QString& code) {
        return {{"type", "hello"}, {"code", code}, {"name", "Test phone"}};
    }
    // A page paired with the code shown now, its first state read.
    CTestPage& Paired() {
        CTestPage& page = Open();
        page.Send(Hello(Code()));
        EXPECT_EQ(page.Next().value("type").toString(), "paired");
        EXPECT_EQ(page.Next().value("type").toString(), "state");
        return page;
    }

    std::unique_ptr<CPhoneRemote> remote;
    std::vector<std::unique_ptr<CTestPage>> pages;
};
