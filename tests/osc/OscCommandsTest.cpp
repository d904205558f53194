// Messages from a surface to the frames at the dongle: each address sends what the panel's
// control would, and each refusal sends nothing, changes nothing and says why to its sender.
#include <QProcess>
#include <QStandardPaths>

#include "OscFixture.h"
#include "shell/CComSettingDlg.h"

namespace {

struct CommandRow {
    const char* what;
    // Run before the message: picks or ticks units at the desktop, saves a memory.
    std::function<void(COscTest&)> before;
    const char* path;
    std::vector<SendArg> args;
    const char* frames;  // what the dongle reads, as hex
};

}  // namespace

class OscCommandsTest : public COscTest {
public:
    void PickUnit(int block) { ClickBlock(block); }
    void Tick(int slot) { unit(slot)->bSelected = 1; }
    void SaveMemory(const QString& name) {
        Retype(memoryName(), name);
        QTest::keyClick(memoryName(), Qt::Key_S, Qt::ControlModifier);
        Sent();
    }
};

// Units CH-02 and CH-04 (slots 1 and 3), flash 4.5 (2D), model 3.0 (1E), Free mode.
TEST_F(OscCommandsTest, EachAddressSendsThePanelsFrames) {
    ASSERT_NO_FATAL_FAILURE(StartOsc({1, 3}));
    const std::vector<CommandRow> rows = {
        // Set the flash power, as a float, an int and a string (surfaces differ).
        {"flash f", {}, "/tarnel/A/CH-02/flash", {F(5.0)}, "FF 07 13 00 02 32 1E"},
        {"flash i", {}, "/tarnel/A/CH-02/flash", {I(6)}, "FF 07 13 00 02 3C 1E"},
        {"flash s", {}, "/tarnel/A/CH-02/flash", {S("4.5")}, "FF 07 13 00 02 2D 1E"},
        // The studio by its name and the unit by its number.
        {"names", {}, "/tarnel/Studio A/2/flash", {F(5.0)}, "FF 07 13 00 02 32 1E"},
        // Relative steps, for an endless encoder or a ± key.
        {"flash step +", {}, "/tarnel/A/CH-02/flash/step", {F(0.1)}, "FF 07 13 00 02 33 1E"},
        {"flash step -", {}, "/tarnel/A/CH-02/flash/step", {F(-0.3)}, "FF 07 13 00 02 30 1E"},
        {"model set", {}, "/tarnel/A/CH-04/model", {F(2.0)}, "FF 07 14 00 08 2D 14"},
        {"model step", {}, "/tarnel/A/CH-04/model/step", {I(1)}, "FF 07 14 00 08 2D 1E"},
        // The unit picked at the desktop: one dial follows the operator's choice.
        {"current",
         [](COscTest& t) { static_cast<OscCommandsTest&>(t).PickUnit(1); },
         "/tarnel/current/flash",
         {F(7.0)},
         "FF 07 13 00 08 46 1E"},
        // The ticked units move together, in one power-pairs frame (CH-02 4.8 + 0.5, CH-04 7.0
        // + 0.5).
        {"ticked step",
         [](COscTest& t) {
             static_cast<OscCommandsTest&>(t).Tick(1);
             static_cast<OscCommandsTest&>(t).Tick(3);
         },
         "/tarnel/A/ticked/flash/step",
         {F(0.5)},
         "FF 17 1E 00 00 35 1E 00 00 4B 1E 00 00 00 00 00 00 00 00 00 00 00 00"},
        {"test", {}, "/tarnel/A/CH-02/test", {}, "FF 07 1B 00 02 00 00"},
        // A button's press fires; its release (0) does nothing.
        {"test press", {}, "/tarnel/A/CH-02/test", {F(1.0)}, "FF 07 1B 00 02 00 00"},
        {"test release", {}, "/tarnel/A/CH-02/test", {F(0.0)}, ""},
        {"mode s", {}, "/tarnel/A/CH-02/mode", {S("Prop")}, "FF 07 15 00 02 00 08"},
        {"mode i", {}, "/tarnel/A/CH-02/mode", {I(0)}, "FF 07 15 00 02 00 00"},
        {"sound T", {}, "/tarnel/A/CH-02/sound", {T()}, "FF 07 18 00 02 00 04"},
        {"sound i", {}, "/tarnel/A/CH-02/sound", {I(0)}, "FF 07 18 00 02 00 00"},
        // The memory as saved (CH-02 at 5.3, CH-04 at 7.5), sent back unit by unit.
        {"apply",
         [](COscTest& t) { static_cast<OscCommandsTest&>(t).SaveMemory(QStringLiteral("shoot")); },
         "/tarnel/memory/apply",
         {S("shoot")},
         "FF 0E 01 00 02 01 35 1E 00 00 00 00 01 00 FF 0E 01 00 08 01 4B 1E 00 00 00 00 01 00 "
         "FF 05 00 00 41"},
    };
    for (const CommandRow& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.before) {
            row.before(*this);
        }
        Sent();
        ASSERT_NO_FATAL_FAILURE(Send(row.path, row.args));
        EXPECT_EQ(Sent(), row.frames);
        EXPECT_EQ(Errors(), std::vector<std::string>{});
    }
}

struct RefusalRow {
    const char* path;
    std::vector<SendArg> args;
    const char* error;  // what /tarnel/error says to the sender
};

// Every refusal sends nothing to the dongle, changes no unit and answers its sender.
TEST_F(OscCommandsTest, RefusalsSendNothingAndAnswerTheSender) {
    ASSERT_NO_FATAL_FAILURE(StartOsc({1, 3}));
    const std::vector<RefusalRow> rows = {
        // No such address, or one that is only sent.
        {"/tarnel/A/CH-02/colour", {F(1)}, "NoSuchAddress: No address /tarnel/A/CH-02/colour"},
        {"/other/thing", {}, "NoSuchAddress: No address /other/thing"},
        {"/tarnel/A/CH-02/status",
         {S("Ready")},
         "NoSuchAddress: /tarnel/A/CH-02/status is sent by the program, not taken"},
        // The wrong type or number of arguments.
        {"/tarnel/A/CH-02/flash",
         {S("bright")},
         "BadArguments: /tarnel/A/CH-02/flash takes one number (f, i or s)"},
        {"/tarnel/A/CH-02/flash",
         {F(4), F(5)},
         "BadArguments: /tarnel/A/CH-02/flash takes one number (f, i or s)"},
        {"/tarnel/A/CH-02/flash",
         {},
         "BadArguments: /tarnel/A/CH-02/flash takes one number (f, i or s)"},
        {"/tarnel/A/CH-02/flash",
         {S("nan")},
         "BadArguments: /tarnel/A/CH-02/flash takes one number (f, i or s)"},
        {"/tarnel/A/CH-02/sound",
         {F(0.5)},
         "BadArguments: /tarnel/A/CH-02/sound takes one value: i 0/1 or s"},
        {"/tarnel/memory/apply", {I(3)}, "BadArguments: /tarnel/memory/apply takes one name (s)"},
        {"/tarnel/A/CH-02/test",
         {S("go")},
         "BadArguments: /tarnel/A/CH-02/test takes nothing, or one number (a button's press)"},
        // Out of range.
        {"/tarnel/A/CH-02/flash", {F(9.0)}, "BadValue: flash 9.0 is outside 1.1 .. 8.1"},
        {"/tarnel/A/CH-02/model", {I(1)}, "BadValue: model 1.0 is outside 1.1 .. 8.1"},
        {"/tarnel/A/CH-02/flash/step", {F(50)}, "BadValue: flash step 50.0 is outside -7.0 .. 7.0"},
        {"/tarnel/A/CH-02/mode", {S("Bright")}, "BadValue: mode takes Free or Prop, not Bright"},
        {"/tarnel/A/CH-02/sound", {I(2)}, "BadValue: sound takes off or on, not 2"},
        // Names that name nothing.
        {"/tarnel/A/CH-07/flash", {F(4)}, "NoSuchUnit: No unit CH-07 in Studio A"},
        {"/tarnel/F/CH-02/flash", {F(4)}, "NoSuchStudio: No studio F"},
        {"/tarnel/B/CH-02/flash", {F(4)}, "NoSuchUnit: No unit CH-02 in Studio B"},
        {"/tarnel/A/ticked/flash/step", {F(1)}, "NoTickedUnit: No unit is ticked in Studio A"},
        {"/tarnel/current/flash", {F(4)}, "NoCurrentUnit: No unit is picked at the computer"},
        {"/tarnel/memory/apply", {S("nothing")}, "NoSuchMemory: No Business Memory nothing"},
        {"/tarnel/subscribe",
         {I(0)},
         "BadArguments: /tarnel/subscribe takes one port, 1 .. 65535 (i)"},
    };
    for (const RefusalRow& row : rows) {
        SCOPED_TRACE(row.path);
        const auto before2 = Settings(unit(1));
        const auto before4 = Settings(unit(3));
        ASSERT_NO_FATAL_FAILURE(Send(row.path, row.args));
        EXPECT_EQ(Errors(), std::vector<std::string>{row.error});
        EXPECT_EQ(Sent(), "");
        EXPECT_EQ(Settings(unit(1)), before2);
        EXPECT_EQ(Settings(unit(3)), before4);
    }
}

// While a modal dialog is open at the desktop a command is refused, not queued: nothing is
// sent then, nor after the dialog closes.
TEST_F(OscCommandsTest, AModalDialogRefusesCommands) {
    ASSERT_NO_FATAL_FAILURE(StartOsc({1}));
    std::vector<std::string> errors;
    std::string sentMeanwhile = "not run";
    WhenModal<CComSettingDlg>(frame.get(), [&](CComSettingDlg* dialog) {
        Send("/tarnel/A/CH-02/flash", {F(6.0)});
        errors = Errors();
        sentMeanwhile = Sent();
        QTest::mouseClick(dialog->findChild<QPushButton*>("cancel"), Qt::LeftButton);
    });
    frame->OnCom();
    EXPECT_EQ(errors, std::vector<std::string>{"Busy: Busy at the computer"});
    EXPECT_EQ(sentMeanwhile, "");
    PumpEvents(50ms);
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(unit(1)->nFlashValue, 45);
}

// Loopback alone by default; the operator's list decides, and what it does not name is
// dropped unanswered and counted. The list is kept beside Option.xml for the next start.
TEST_F(OscCommandsTest, SendersOutsideTheAllowListAreDroppedAndCounted) {
    ASSERT_NO_FATAL_FAILURE(StartOsc({1}));
    QString error;
    ASSERT_TRUE(osc->SaveLists(QStringLiteral("127.0.0.2\n# the booth\n"), QString(), &error))
        << error.toStdString();
    QUdpSocket second;
    ASSERT_TRUE(second.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
    const struct {
        const char* what;
        QUdpSocket* from;
        QHostAddress to;
        const char* frames;
        quint64 dropped;
    } rows[] = {
        // 127.0.0.1 is not on the list any more: dropped, nothing said back.
        {"127.0.0.1", &surface, QHostAddress::LocalHost, "", 1},
        // The listed sender is heard.
        {"127.0.0.2", &second, QHostAddress(QStringLiteral("127.0.0.2")), "FF 07 13 00 02 32 1E",
         1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_NO_FATAL_FAILURE(Send("/tarnel/A/CH-02/flash", {F(5.0)}, row.from, row.to));
        EXPECT_EQ(Sent(), row.frames);
        EXPECT_EQ(osc->Server().Dropped(), row.dropped);
        EXPECT_TRUE(Replies(30ms, row.from).empty());
    }
    // A bad line changes nothing.
    EXPECT_FALSE(osc->SaveLists(QStringLiteral("booth.local"), QString(), &error));
    EXPECT_FALSE(osc->Server().Allowed().Allows(QHostAddress::LocalHost));
    // The next start reads the list back.
    COscAttach again(*frame, Folder());
    EXPECT_EQ(again.Server().Allowed().Entries(), QStringList{QStringLiteral("127.0.0.2")});
}

// liblo's own oscsend, as the README shows it, reaches a unit.
TEST_F(OscCommandsTest, OscsendReachesAUnit) {
    const QString oscsend = QStandardPaths::findExecutable(QStringLiteral("oscsend"));
    ASSERT_FALSE(oscsend.isEmpty()) << "liblo-tools is not installed";
    ASSERT_NO_FATAL_FAILURE(StartOsc({1}));
    const quint64 before = Heard();
    ASSERT_EQ(QProcess::execute(oscsend,
                                {QStringLiteral("localhost"), QString::number(osc->Server().Port()),
                                 QStringLiteral("/tarnel/A/CH-02/flash"), QStringLiteral("f"),
                                 QStringLiteral("5.5")}),
              0);
    ASSERT_TRUE(WaitUntil([&] { return Heard() > before; }));
    EXPECT_EQ(Sent(), "FF 07 13 00 02 37 1E");
}
