// Commands from a paired page reach the dongle as the panel's would, and what changes at the
// desktop reaches the pages.
#include <QCheckBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "PhoneFixture.h"
#include "phone/CPhoneRemoteDlg.h"
#include "phone/CQrCodeView.h"

namespace {

struct CommandRow {
    const char* name;
    QJsonObject command;
    const char* frame;  // what the dongle receives
    int flash;          // CH-02 afterwards, in tenths
    int model;
    const char* message;  // the answer's words; empty for none
};

QJsonObject OnUnit(QJsonObject command) {
    command.insert("id", 1);
    command.insert("studio", "A");
    command.insert("unit", "CH-02");
    return command;
}

using CRemoteCommandTest = CPhoneTest;

TEST_F(CRemoteCommandTest, EachCommandSendsThePanelsFrame) {
    const CommandRow rows[] = {
        {"flash +0.1", OnUnit({{"cmd", "step"}, {"power", "flash"}, {"delta", 0.1}}),
         "FF 07 13 00 02 2E 1E", 46, 30, ""},
        {"flash -1.0", OnUnit({{"cmd", "step"}, {"power", "flash"}, {"delta", -1.0}}),
         "FF 07 13 00 02 24 1E", 36, 30, ""},
        {"model +1.0", OnUnit({{"cmd", "step"}, {"power", "model"}, {"delta", 1.0}}),
         "FF 07 14 00 02 24 28", 36, 40, ""},
        // The slider let go at 6.0.
        {"flash slider", OnUnit({{"cmd", "set"}, {"power", "flash"}, {"value", 6.0}}),
         "FF 07 13 00 02 3C 28", 60, 40, ""},
        // Meter: f/8 read at 6.0, f/11 wanted: one stop more.
        {"meter one stop", OnUnit({{"cmd", "meter"}, {"reading", "8.0"}, {"wanted", "11"}}),
         "FF 07 13 00 02 46 28", 70, 40, "CH-02 at 7.0 for f/11"},
        // The meter's tenths: f/11 +0.3 read at 7.0, f/8 wanted: 1.3 stops less.
        {"meter tenths", OnUnit({{"cmd", "meter"}, {"reading", "11 +0.3"}, {"wanted", "f/8"}}),
         "FF 07 13 00 02 39 28", 57, 40, "CH-02 at 5.7 for f/8"},
        // Beyond the unit's reach: as far as it goes, and the answer says how short.
        {"meter clamped", OnUnit({{"cmd", "meter"}, {"reading", "4.0"}, {"wanted", "16"}}),
         "FF 07 13 00 02 51 28", 81, 40, "CH-02 at 8.1, 1.6 stop short of f/16"},
    };
    StartRemote({0, 1});
    CTestPage& page = Paired();
    for (const CommandRow& row : rows) {
        SCOPED_TRACE(row.name);
        const QJsonObject answer = page.Ask(row.command);
        EXPECT_EQ(answer.value("type").toString(), "answer")
            << answer.value("message").toString().toStdString();
        EXPECT_EQ(answer.value("message").toString(), row.message);
        EXPECT_EQ(Sent(), row.frame);
        EXPECT_EQ(unit(1)->nFlashValue, row.flash);
        EXPECT_EQ(unit(1)->nModelValue, row.model);
        // The page hears of the change it made, as every page does.
        const QJsonObject pushed = page.NextOf("units").value("units").toArray().at(0).toObject();
        EXPECT_EQ(pushed.value("unit").toString(), "CH-02");
        EXPECT_DOUBLE_EQ(pushed.value("flash").toDouble(), row.flash / 10.0);
    }
}

TEST_F(CRemoteCommandTest, ADongleReportAndADesktopChangeReachEveryPage) {
    StartRemote({0, 1});
    CTestPage& one = Paired();
    CTestPage& two = Paired();
    // The dongle reports CH-01 at flash 5.0.
    ASSERT_TRUE(pty.Write(StatusReport(UnitMaskOf(0), 50, 30)));
    for (CTestPage* page : {&one, &two}) {
        const QJsonObject unit = page->NextOf("units").value("units").toArray().at(0).toObject();
        EXPECT_EQ(unit.value("unit").toString(), "CH-01");
        EXPECT_DOUBLE_EQ(unit.value("flash").toDouble(), 5.0);
    }
    // The operator raises CH-02's flash at the desktop.
    ClickBlock(1);
    Sent();
    one.got.clear();
    QTest::mouseClick(single().cellCheck, Qt::LeftButton);
    ASSERT_NE(Sent(), "");
    const QJsonObject changed = one.NextOf("units").value("units").toArray().at(0).toObject();
    EXPECT_EQ(changed.value("unit").toString(), "CH-02");
    EXPECT_TRUE(changed.value("cell").toBool());
}

TEST_F(CRemoteCommandTest, ChoosingAStudioShowsItAtTheDesktopAndOnEveryPage) {
    StartRemote({0, 1});
    CTestPage& page = Paired();
    EXPECT_EQ(page.Ask({{"id", 1}, {"cmd", "studio"}, {"studio", "B"}}).value("type").toString(),
              "answer");
    // The desktop shows Studio B, as a click in the studio list would, and so does the page.
    EXPECT_TRUE(WaitUntil([&] { return CurrentStudio(manager()) == manager().StudioAt(1); }));
    const QJsonObject state = page.NextOf("state").value("state").toObject();
    EXPECT_TRUE(state.value("studios").toArray().at(1).toObject().value("shown").toBool());
}

TEST_F(CRemoteCommandTest, TheDialogShowsTheCodeAndDisconnectRevokesTheDevice) {
    StartRemote({0, 1});
    remote->Action()->trigger();
    CPhoneRemoteDlg* dialog = remote->Dialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    const QString first = dialog->AddressEdit().text();
    EXPECT_TRUE(first.endsWith("#" + Code()));
    EXPECT_EQ(dialog->Code().Text(), first);
    EXPECT_GT(dialog->Code().Modules(), 20);

    CTestPage& page = Open();
    page.Send(Hello(Code()));
    const QString token = page.Next().value("token").toString();
    ASSERT_EQ(token.size(), 32);
    // A fresh code at once: the one on the screen before pairs nobody else.
    EXPECT_NE(dialog->AddressEdit().text(), first);
    EXPECT_EQ(dialog->Code().Text(), dialog->AddressEdit().text());
    ASSERT_EQ(dialog->DeviceList().topLevelItemCount(), 1);
    EXPECT_EQ(dialog->DeviceList().topLevelItem(0)->text(0), "Test phone");
    EXPECT_EQ(dialog->DeviceList().topLevelItem(0)->text(1), "127.0.0.1");

    // The page keeps its token: it comes back without a code (its connection lost).
    page.socket.abort();
    ASSERT_TRUE(WaitUntil([&] { return dialog->DeviceList().topLevelItemCount() == 0; }));
    CTestPage& resumed = Open();
    resumed.Send({{"type", "hello"}, {"token", token}, {"name", "Test phone"}});
    EXPECT_EQ(resumed.Next().value("type").toString(), "paired");
    ASSERT_TRUE(WaitUntil([&] { return dialog->DeviceList().topLevelItemCount() == 1; }));

    // Disconnect at the desktop: the page is told, its token no longer pairs.
    dialog->DeviceList().setCurrentItem(dialog->DeviceList().topLevelItem(0));
    QTest::mouseClick(&dialog->DisconnectButton(), Qt::LeftButton);
    EXPECT_EQ(resumed.NextOf("bye").value("message").toString(), "Disconnected at the computer");
    ASSERT_TRUE(WaitUntil([&] { return dialog->DeviceList().topLevelItemCount() == 0; }));
    CTestPage& revoked = Open();
    revoked.Send({{"type", "hello"}, {"token", token}, {"name", "Test phone"}});
    EXPECT_EQ(revoked.Next().value("error").toString(), "WrongCode");

    // Stop: nothing listens.
    QTest::mouseClick(&dialog->StopButton(), Qt::LeftButton);
    EXPECT_FALSE(server().IsRunning());
    EXPECT_TRUE(dialog->AddressEdit().text().isEmpty());
    EXPECT_EQ(dialog->StopButton().text(), "Start");
}

}  // namespace
