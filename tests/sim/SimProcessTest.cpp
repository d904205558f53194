#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include "support/CSimProcess.h"

namespace {

QProcessEnvironment WithRuntimeDir(const QString& dir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir);
    return env;
}

// The program's side of the line, opened the way the link opens it.
class CPortSide {
public:
    explicit CPortSide(const QString& path) {
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        if (m_fd >= 0 && tcgetattr(m_fd, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~CPortSide() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    bool IsOpen() const { return m_fd >= 0; }
    void Write(const QByteArray& bytes) {
        ASSERT_EQ(::write(m_fd, bytes.constData(), bytes.size()), bytes.size());
    }
    // Reads until count bytes came or the timeout passed.
    QByteArray Read(int count, std::chrono::milliseconds timeout) {
        QByteArray out;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (out.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) {
                continue;
            }
            char buf[256];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n > 0) {
                out.append(buf, n);
            }
        }
        return out;
    }
    // True once the other side of the line has gone (hang-up), within the timeout.
    bool WaitHangUp(std::chrono::milliseconds timeout) {
        pollfd p{m_fd, POLLIN, 0};
        return ::poll(&p, 1, static_cast<int>(timeout.count())) > 0 &&
               (p.revents & (POLLHUP | POLLERR)) != 0;
    }

private:
    int m_fd = -1;
};

}  // namespace

TEST(SimProcess, PublishesItsPortPrivatelyAndWithdrawsItOnASignal) {
    for (const int signo : {SIGTERM, SIGINT}) {
        QTemporaryDir runtime;
        CSimProcess sim;
        ASSERT_TRUE(sim.Start({}, WithRuntimeDir(runtime.path()))) << qPrintable(sim.StdErr());
        EXPECT_TRUE(sim.DevicePath().startsWith(QStringLiteral("/dev/")));

        const QString folder = runtime.path() + QStringLiteral("/strobe-sim");
        const QString link = folder + QStringLiteral("/sim-%1").arg(sim.Pid());
        EXPECT_EQ(QFileInfo(link).symLinkTarget(), sim.DevicePath());
        struct stat st {};
        ASSERT_EQ(::stat(folder.toLocal8Bit().constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);

        ::kill(static_cast<pid_t>(sim.Pid()), signo);
        EXPECT_EQ(sim.WaitForExit(), 0) << "signal " << signo;
        EXPECT_FALSE(QFileInfo::exists(link) || QFileInfo(link).isSymLink());
    }
}

TEST(SimProcess, PublishesAtAGivenPathButNeverOverAFile) {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("dongle"));
    {
        // An old link there is replaced.
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), link));
        CSimProcess sim;
        ASSERT_TRUE(sim.Start({QStringLiteral("--link"), link}));
        EXPECT_EQ(QFileInfo(link).symLinkTarget(), sim.DevicePath());
        EXPECT_EQ(sim.Command(QStringLiteral("quit")), QStringLiteral("ok"));
        EXPECT_EQ(sim.WaitForExit(), 0);
        EXPECT_FALSE(QFileInfo(link).isSymLink());
    }
    {
        QFile file(link);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
        file.close();
        CSimProcess sim;
        EXPECT_FALSE(sim.Start({QStringLiteral("--link"), link}));
        EXPECT_EQ(sim.WaitForExit(), 1);
        EXPECT_TRUE(sim.StdErr().contains(QStringLiteral("not a symbolic link")));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray("keep me"));
    }
    {
        // Stale links of simulators that died are cleared from the shared folder.
        const pid_t gone = ::fork();
        if (gone == 0) {
            ::_exit(0);
        }
        ASSERT_GT(gone, 0);
        ::waitpid(gone, nullptr, 0);
        const QString folder = dir.filePath(QStringLiteral("strobe-sim"));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString stale = folder + QStringLiteral("/sim-%1").arg(gone);
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), stale));
        CSimProcess sim;
        ASSERT_TRUE(sim.Start({}, WithRuntimeDir(dir.path())));
        EXPECT_FALSE(QFileInfo(stale).isSymLink());
    }
}

TEST(SimProcess, AnswersOnItsPortAndOutlivesItsStandardInput) {
    CSimProcess sim;
    ASSERT_TRUE(
        sim.Start({QStringLiteral("--units"), QStringLiteral("A:0,3;B:1"), QStringLiteral("--link"),
                   QDir::tempPath() + "/strobe-sim-test-" + QString::number(::getpid())}));
    CPortSide port(sim.DevicePath());
    ASSERT_TRUE(port.IsOpen());
    EXPECT_EQ(sim.Command(QStringLiteral("status A 3")), QStringLiteral("ok"));
    EXPECT_EQ(port.Read(14, std::chrono::seconds(5)).toHex(' ').left(14), "ff 0e 01 00 08");

    // With no more commands to come, it keeps serving the port until a signal.
    sim.CloseInput();
    port.Write(QByteArray::fromHex("FF0500004120"));  // select A, and a stray byte
    const QByteArray statuses = port.Read(28, std::chrono::seconds(6));
    ASSERT_EQ(statuses.size(), 28);
    EXPECT_EQ(statuses.count(char(0xFF)), 2);
    EXPECT_EQ(sim.Terminate(), 0);
}

TEST(SimProcess, UnplugHangsUpTheLineAndEnds) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({QStringLiteral("--link"), QDir::tempPath() + "/strobe-sim-unplug-" +
                                                         QString::number(::getpid())}));
    CPortSide port(sim.DevicePath());
    ASSERT_TRUE(port.IsOpen());
    EXPECT_EQ(sim.Command(QStringLiteral("unplug")), QStringLiteral("ok"));
    EXPECT_TRUE(port.WaitHangUp(std::chrono::seconds(5)));
    EXPECT_EQ(sim.WaitForExit(), 0);
}

TEST(SimProcess, RefusesBadOptionsAndExplainsEveryOne) {
    CSimProcess bad;
    EXPECT_FALSE(bad.Start({QStringLiteral("--units"), QStringLiteral("A:12")}));
    EXPECT_EQ(bad.WaitForExit(), 2);
    EXPECT_TRUE(bad.StdErr().contains(QStringLiteral("\"12\" in group A is not a unit index")))
        << qPrintable(bad.StdErr());

    QProcess help;
    help.start(CSimProcess::Program(), {QStringLiteral("--help")});
    ASSERT_TRUE(help.waitForFinished(10000));
    EXPECT_EQ(help.exitCode(), 0);
    const QString text = QString::fromUtf8(help.readAllStandardOutput());
    for (const char* word : {"--link", "--units", "--group", "--seed", "--trace", "--noise",
                             "--noise-ff", "--loss", "--flood", "report", "event", "temp", "add",
                             "remove", "status", "dump", "unplug", "quit"}) {
        EXPECT_TRUE(text.contains(QLatin1String(word))) << word;
    }
}
