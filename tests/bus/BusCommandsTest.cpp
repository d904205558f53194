// tarnelctl against the real frame on a private session bus: what each command sends to the
// dongle, its exit status and what it says.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QXmlStreamReader>
#include <csignal>

#include "BusFixture.h"
#include "bus/BusNames.h"

namespace {

// The bus for the whole program, before any test makes its connection.
[[maybe_unused]] auto* const kBus = ::testing::AddGlobalTestEnvironment(new CPrivateBus);

struct CtlRow {
    const char* what;
    QStringList args;
    const char* frames;  // what reaches the dongle, hex; "" for nothing
    int exitCode;
    const char* message;  // a part of standard error; "" for none
};

}  // namespace

class TarnelctlTest : public CBusTest {};

TEST_F(TarnelctlTest, EachCommandSendsWhatThePanelWouldOrIsRefused) {
    StartServing({2, 4});
    const CtlRow rows[] = {
        // A power in displayed steps: one frame to the unit.
        {"set flash", {"set", "A", "CH-03", "flash", "5.0"}, "FF 07 13 00 04 32 1E", 0, ""},
        // A negative step, not taken for an option.
        {"step model", {"step", "A", "3", "model", "-0.1"}, "FF 07 14 00 04 32 1D", 0, ""},
        {"mode", {"set", "A", "CH-05", "mode", "Prop"}, "FF 07 15 00 10 00 08", 0, ""},
        {"switch", {"set", "A", "CH-05", "lamp", "off"}, "FF 07 1C 00 10 00 00", 0, ""},
        {"test", {"test", "A", "CH-03"}, "FF 07 1B 00 04 00 00", 0, ""},
        // Refusals: nothing is sent, exit 1, the desk's words.
        {"no unit", {"set", "A", "CH-07", "flash", "5.0"}, "", 1, "No unit CH-07 in Studio A"},
        {"out of range", {"set", "A", "CH-03", "flash", "9.0"}, "", 1, "outside 1.1 .. 8.1"},
        {"no studio", {"test", "F", "CH-03"}, "", 1, "No studio F"},
        {"no setting", {"set", "A", "CH-03", "colour", "red"}, "", 1, "No setting colour"},
        {"bad mode", {"set", "A", "CH-03", "mode", "Fast"}, "", 1, "mode takes"},
        {"no power", {"step", "A", "CH-03", "colour", "1"}, "", 1, "No power colour"},
        {"no memory", {"apply", "Portrait"}, "", 1, "No Business Memory Portrait"},
        // Usage: exit 2 before anything reaches the program.
        {"not a number", {"set", "A", "CH-03", "flash", "five"}, "", 2, "five is not a power"},
        {"unknown command", {"frobnicate"}, "", 2, "unknown command"},
        {"missing argument", {"test", "A"}, "", 2, "wrong arguments"},
        {"unknown option", {"--loud", "status"}, "", 2, "unknown option --loud"},
        // Another folder's program does not run: exit 3.
        {"not running", {"--folder", "/nonexistent/elsewhere", "check"}, "", 3, "not running"},
        // Last, as its dialog then waits for answers: the roll call of the studio shown starts
        // with its question to the dongle.
        {"check", {"check"}, "FF 05 00 00 41", 0, ""},
    };
    for (const CtlRow& row : rows) {
        SCOPED_TRACE(row.what);
        const bool ownFolder = row.args.first() != QLatin1String("--folder") &&
                               row.args.first() != QLatin1String("--loud");
        const ChildRun run = ownFolder ? Ctl(row.args) : Run(Tarnelctl(), row.args);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err.toStdString();
        EXPECT_EQ(Sent(), row.frames);
        EXPECT_TRUE(run.err.contains(QLatin1String(row.message))) << run.err.toStdString();
    }
}

// A refusal reaches any D-Bus caller as an error named after it, with the desk's sentence;
// QtDBus itself refuses a call whose arguments have other types before any of ours runs.
TEST_F(TarnelctlTest, ABusCallerGetsNamedErrors) {
    StartServing({2});
    const struct {
        const char* what;
        QStringList call;   // method and dbus-send arguments
        const char* error;  // a part of dbus-send's standard error
    } rows[] = {
        {"wrong types",
         {"SetPower", "int32:1", "int32:3", "string:flash", "double:5"},
         "org.freedesktop.DBus.Error.UnknownMethod"},
        {"too few arguments", {"Test", "string:A"}, "org.freedesktop.DBus.Error.UnknownMethod"},
        {"no unit",
         {"SetPower", "string:A", "string:CH-07", "string:flash", "double:5"},
         "org.tarnel.RemoteControl.Error.NoSuchUnit: No unit CH-07 in Studio A"},
        {"no power word",
         {"StepPower", "string:A", "string:CH-03", "string:glow", "double:1"},
         "org.tarnel.RemoteControl.Error.BadValue: No power glow (flash, model)"},
        {"out of range",
         {"SetPower", "string:A", "string:CH-03", "string:flash", "double:nan"},
         "org.tarnel.RemoteControl.Error.BadValue"},
        {"damaged recall",
         {"RecallLighting", "string:{\"units\": 3}"},
         "org.tarnel.RemoteControl.Error.BadValue: The picture holds no units"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        QStringList args{QStringLiteral("--session"), QStringLiteral("--print-reply"),
                         QStringLiteral("--dest=") + service->ServiceName(),
                         QLatin1String(BusNames::kPath),
                         QLatin1String(BusNames::kInterface) + u'.' + row.call.first()};
        const ChildRun run = Run(QStringLiteral("dbus-send"), args + row.call.mid(1));
        EXPECT_NE(run.exitCode, 0);
        EXPECT_TRUE(run.err.contains(QLatin1String(row.error))) << run.err.toStdString();
        EXPECT_EQ(Sent(), "");
        EXPECT_EQ(unit(2)->nFlashValue, 45);
    }
}

// Every method's and signal's arguments carry their names, so that d-feet and busctl show
// what to pass.
TEST_F(TarnelctlTest, IntrospectionNamesEveryArgument) {
    StartServing({2});
    const ChildRun run =
        Run(QStringLiteral("dbus-send"),
            {QStringLiteral("--session"), QStringLiteral("--print-reply=literal"),
             QStringLiteral("--dest=") + service->ServiceName(), QLatin1String(BusNames::kPath),
             QStringLiteral("org.freedesktop.DBus.Introspectable.Introspect")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QXmlStreamReader xml(run.out);
    bool inOurs = false;
    QString member;
    QStringList described;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const auto attrs = xml.attributes();
        if (xml.name() == QLatin1String("interface")) {
            inOurs = attrs.value(QLatin1String("name")) == QLatin1String(BusNames::kInterface);
        } else if (inOurs && (xml.name() == QLatin1String("method") ||
                              xml.name() == QLatin1String("signal"))) {
            member = attrs.value(QLatin1String("name")).toString();
            described << member;
        } else if (inOurs && xml.name() == QLatin1String("arg")) {
            const QString name = attrs.value(QLatin1String("name")).toString();
            EXPECT_FALSE(name.isEmpty() || name.startsWith(QLatin1String("arg_")))
                << member.toStdString() << " has an unnamed argument";
        }
    }
    described.sort();
    EXPECT_EQ(described.join(u' ').toStdString(),
              "ApplyMemory CheckUnits ConnectionChanged Raise RecallLighting SelectStudio "
              "SetPower SetSetting Status StatusText StepPower Test UnitChanged");
}

// While the operator answers a dialog, a script's command waits its turn: refused, nothing
// sent.
TEST_F(TarnelctlTest, ACommandWhileADialogIsOpenIsRefusedAsBusy) {
    StartServing({2});
    ChildRun run;
    WhenModal<CComSettingDlg>(frame.get(), [&](CComSettingDlg* dialog) {
        run = Ctl({QStringLiteral("set"), QStringLiteral("A"), QStringLiteral("CH-03"),
                   QStringLiteral("flash"), QStringLiteral("5.0")});
        QTest::mouseClick(dialog->findChild<QPushButton*>("cancel"), Qt::LeftButton);
    });
    frame->OnCom();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("Busy at the computer"))) << run.err.toStdString();
    EXPECT_EQ(unit(2)->nFlashValue, 45);
}

// watch prints each change as it happens, from any source, until interrupted.
TEST_F(TarnelctlTest, WatchPrintsChangesUntilInterrupted) {
    StartServing({2});
    QProcess watch;
    watch.start(Tarnelctl(), {QStringLiteral("--folder"), Folder(), QStringLiteral("watch")});
    ASSERT_TRUE(watch.waitForStarted());
    QString out;
    // Its subscription takes a moment: the change is made again until a line comes.
    int flash = 50;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            frame->Desk().SetPower(QStringLiteral("A"), QStringLiteral("CH-03"),
                                   CCommandDesk::Power::kFlash, (flash++ % 2 ? 5.0 : 6.0));
            QTest::qWait(50);
            out += QString::fromUtf8(watch.readAllStandardOutput());
            return out.contains(QLatin1String("A CH-03 {"));
        },
        5000));
    EXPECT_TRUE(out.contains(QLatin1String("\"flash\":")));
    // A burst of changes is said once, with the value it ended on.
    QTest::qWait(200);
    watch.readAllStandardOutput();  // what the wait above made, said by now
    out.clear();
    for (int step = 0; step < 100; ++step) {
        frame->Desk().StepPower(QStringLiteral("A"), QStringLiteral("CH-03"),
                                CCommandDesk::Power::kFlash, step % 2 ? 0.1 : -0.1);
    }
    frame->Desk().SetPower(QStringLiteral("A"), QStringLiteral("CH-03"),
                           CCommandDesk::Power::kFlash, 7.5);
    pty.ReadAvailable(20ms);
    QTest::qWait(300);
    out += QString::fromUtf8(watch.readAllStandardOutput());
    EXPECT_EQ(out.count(QLatin1String("A CH-03 {")), 1) << out.toStdString();
    EXPECT_TRUE(out.contains(QLatin1String("\"flash\":7.5"))) << out.toStdString();
    ::kill(static_cast<pid_t>(watch.processId()), SIGINT);
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.state() == QProcess::NotRunning; }, 5000));
    EXPECT_EQ(watch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(watch.exitCode(), 0);
    pty.ReadAvailable(20ms);
}
