// A second start of the real program with the same folder: the first window comes up, the
// second start leaves without touching the dongle.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "BusFixture.h"
#include "bus/BusNames.h"

namespace {

struct StartRow {
    const char* what;
    QStringList args;
    int exitCode;
    bool raised;
    const char* message;  // a part of standard error; "" for none
};

}  // namespace

class SingleInstanceTest : public CBusTest {};

TEST_F(SingleInstanceTest, ASecondStartRaisesTheFirstAndLeaves) {
    StartServing({2});
    const StartRow rows[] = {
        // As a double click on the menu entry: the first window is raised, exit 0.
        {"plain", {}, 0, true, ""},
        // A frame log belongs to the start that opens the port: refused, nothing raised.
        {"trace", {"--trace", "frames.log"}, 1, false, "--trace is taken only by the first"},
    };
    for (const StartRow& row : rows) {
        SCOPED_TRACE(row.what);
        frame->showMinimized();
        QSignalSpy raised(service.get(), &CBusService::raiseRequested);
        // Run in the frame's folder, as the first runs there: the same folder's name.
        const ChildRun run = Run(Built("../shell/tarnel-remote"), row.args,
                                 {QStringLiteral("QT_QPA_PLATFORM=offscreen")});
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(row.message))) << run.err.toStdString();
        EXPECT_EQ(raised.size(), row.raised ? 1 : 0);
        EXPECT_EQ(frame->isMinimized(), !row.raised);
        if (row.raised) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(frame.get()));
            EXPECT_EQ(raised.first().first().toStringList().mid(1), row.args);
        }
        EXPECT_FALSE(QFile::exists(Path(QStringLiteral("frames.log"))));
        // The second start never opened the port: the dongle heard nothing of it.
        EXPECT_EQ(Sent(), "");
    }
}

// A start in another folder is a program of its own, under that folder's name, with a dongle
// of its own: the first is not raised, and tarnelctl reaches each by its folder.
TEST_F(SingleInstanceTest, AStartInAnotherFolderIsAProgramOfItsOwn) {
    StartServing({2});
    QSignalSpy raised(service.get(), &CBusService::raiseRequested);
    QTemporaryDir other;
    ASSERT_TRUE(other.isValid());
    const QString otherName = BusNames::ServiceFor(other.path());
    ASSERT_NE(otherName, service->ServiceName());
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(other.path());
    second.start(Built("../shell/tarnel-remote"), {});
    ASSERT_TRUE(second.waitForStarted());
    QDBusConnectionInterface* names = QDBusConnection::sessionBus().interface();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return names->isServiceRegistered(otherName).value(); }, 10000));
    EXPECT_EQ(second.state(), QProcess::Running);
    EXPECT_EQ(raised.size(), 0);
    // Each answers for its own folder: the other is not connected, this one is.
    const ChildRun theOther =
        Run(Tarnelctl(), {QStringLiteral("--folder"), other.path(), QStringLiteral("status")});
    EXPECT_EQ(theOther.exitCode, 0);
    EXPECT_TRUE(theOther.out.startsWith(QLatin1String("Not connected")))
        << theOther.out.toStdString();
    const ChildRun thisOne = Ctl({QStringLiteral("status")});
    EXPECT_TRUE(thisOne.out.startsWith(QLatin1String("Connected"))) << thisOne.out.toStdString();
    second.terminate();
    EXPECT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(Sent(), "");
}
