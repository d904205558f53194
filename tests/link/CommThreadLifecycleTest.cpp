// The serial link's watcher thread and ring over the life of a connection: closing, the
// device going away, reopening, exclusivity, a full ring.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <algorithm>
#include <vector>

#include "link/AppMessages.h"
#include "link/CCommThread.h"
#include "support/CLossCountingLink.h"
#include "support/CMessageRecorder.h"
#include "support/CPtyPair.h"

namespace {

using namespace std::chrono_literals;

QStringList Entries(const char* dir) {
    return QDir(QString::fromLatin1(dir)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
}
qsizetype OpenDescriptors() {
    return Entries("/proc/self/fd").size();
}
qsizetype Threads() {
    return Entries("/proc/self/task").size();
}

QByteArray TakeAll(CCommThread& link) {
    QByteArray out;
    for (int n = link.BytesHeld(); n > 0; --n) {
        out.append(static_cast<char>(link.TakeByte()));
    }
    return out;
}

QByteArray Pattern(int size, int seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    }
    return bytes;
}

class CommThreadLife : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pty.IsValid()); }
    bool Open() { return link.OpenPort(pty.SlavePath(), 9600, 8, 0, 0); }

    CPtyPair pty;
    CMessageRecorder target;
    CCommThread link{&target};
};

TEST_F(CommThreadLife, ClosingWakesTheWatcherWhichReportsItsOpeningOnce) {
    ASSERT_TRUE(Open());
    const quint32 first = link.Generation();
    const qsizetype threadsOpen = Threads();

    link.ClosePort();
    EXPECT_EQ(Threads(), threadsOpen - 1) << "the watcher has ended when ClosePort returns";
    EXPECT_EQ(target.Count(kClosedNotice), 0) << "ClosePort itself posts nothing";
    ASSERT_TRUE(WaitUntil([&] { return target.Count(kClosedNotice) == 1; }));
    PumpEvents(100ms);
    ASSERT_EQ(target.Count(kClosedNotice), 1);
    EXPECT_EQ(target.Of(kClosedNotice)[0].wParam, static_cast<qintptr>(first));
    link.ClosePort();  // closing a closed link does nothing more
    PumpEvents(50ms);
    EXPECT_EQ(target.Count(kClosedNotice), 1);

    // Each opening has its own number, so a late notice of an earlier one can be told apart;
    // opening over an open link ends the earlier watcher first.
    ASSERT_TRUE(Open());
    const quint32 second = link.Generation();
    EXPECT_NE(second, first);
    ASSERT_TRUE(Open());
    const quint32 third = link.Generation();
    EXPECT_NE(third, second);
    EXPECT_EQ(Threads(), threadsOpen) << "one watcher, not two";
    link.ClosePort();
    ASSERT_TRUE(WaitUntil([&] { return target.Count(kClosedNotice) == 3; }));
    const auto closed = target.Of(kClosedNotice);
    EXPECT_EQ(closed[1].wParam, static_cast<qintptr>(second));
    EXPECT_EQ(closed[2].wParam, static_cast<qintptr>(third));
}

TEST_F(CommThreadLife, VanishedDeviceEndsTheWatcherOnceWithoutSpinning) {
    ASSERT_TRUE(Open());
    const qsizetype threadsOpen = Threads();
    ASSERT_TRUE(pty.Write("ab"));
    ASSERT_TRUE(WaitUntil([&] { return link.BytesHeld() == 2; }));

    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return target.Count(kClosedNotice) == 1; }));
    EXPECT_EQ(target.Of(kClosedNotice)[0].wParam, static_cast<qintptr>(link.Generation()));
    // The watcher thread is gone: it cannot be spinning on the hang-up.
    EXPECT_TRUE(WaitUntil([&] { return Threads() == threadsOpen - 1; }));
    EXPECT_TRUE(link.IsOpen()) << "the link stays marked open until it is closed";
    PumpEvents(100ms);
    EXPECT_EQ(target.Count(kClosedNotice), 1);
    EXPECT_TRUE(target.alerts.isEmpty());

    const quint8 frame[] = {0xFF, 0x05, 0x00, 0x00, 0x01};
    EXPECT_EQ(link.WritePort(frame, 5), 0) << "a write to a vanished device fails at once";
    EXPECT_EQ(TakeAll(link), QByteArray("ab")) << "what arrived before is still there";
    link.ClosePort();
    PumpEvents(50ms);
    EXPECT_EQ(target.Count(kClosedNotice), 1);
}

TEST(CommThreadReopen, AfterTheDeviceVanishedNothingLeaks) {
    const qsizetype descriptorsBefore = OpenDescriptors();
    qsizetype threadsOpen = 0;
    {
        CMessageRecorder target;
        CCommThread link(&target);
        CPtyPair gone;
        ASSERT_TRUE(link.OpenPort(gone.SlavePath(), 9600, 8, 0, 0));
        threadsOpen = Threads();
        gone.CloseMaster();
        ASSERT_TRUE(WaitUntil([&] { return target.Count(kClosedNotice) == 1; }));

        // The operator connects again, to a device that is there.
        CPtyPair present;
        ASSERT_TRUE(link.OpenPort(present.SlavePath(), 9600, 8, 0, 0));
        ASSERT_TRUE(present.Write("ok"));
        ASSERT_TRUE(WaitUntil([&] { return link.BytesHeld() == 2; }));
        EXPECT_EQ(TakeAll(link), QByteArray("ok"));

        // Vanishing once more, and then the link is destroyed without a ClosePort.
        present.CloseMaster();
        ASSERT_TRUE(WaitUntil([&] { return target.Count(kClosedNotice) == 2; }));
    }
    EXPECT_EQ(OpenDescriptors(), descriptorsBefore);
    EXPECT_EQ(Threads(), threadsOpen - 1);
}

TEST_F(CommThreadLife, ReopeningKeepsTheBytesStillInTheRing) {
    ASSERT_TRUE(Open());
    ASSERT_TRUE(pty.Write("abc"));
    ASSERT_TRUE(WaitUntil([&] { return link.BytesHeld() == 3; }));
    link.ClosePort();
    EXPECT_EQ(link.BytesHeld(), 3);

    ASSERT_TRUE(Open());
    ASSERT_TRUE(pty.Write("de"));
    ASSERT_TRUE(WaitUntil([&] { return link.BytesHeld() == 5; }));
    EXPECT_EQ(TakeAll(link), QByteArray("abcde"));
    // Taking from an empty ring yields nothing and does not make it look full.
    EXPECT_EQ(link.TakeByte(), 0);
    EXPECT_EQ(link.BytesHeld(), 0);
    ASSERT_TRUE(pty.Write("f"));
    ASSERT_TRUE(WaitUntil([&] { return link.BytesHeld() == 1; }));
    EXPECT_EQ(TakeAll(link), QByteArray("f"));
}

TEST_F(CommThreadLife, ASecondLinkCannotOpenTheSameDevice) {
    ASSERT_TRUE(Open());
    CMessageRecorder otherTarget;
    CCommThread other(&otherTarget);
    EXPECT_FALSE(other.OpenPort(pty.SlavePath(), 9600, 8, 0, 0));
    EXPECT_FALSE(other.IsOpen());

    // The first link is undisturbed.
    const quint8 frame[] = {0xFF, 0x05, 0x00, 0x00, 0x01};
    EXPECT_EQ(link.WritePort(frame, 5), 5);
    EXPECT_EQ(pty.Read(5).size(), 5);

    link.ClosePort();
    EXPECT_TRUE(other.OpenPort(pty.SlavePath(), 9600, 8, 0, 0)) << "free again once closed";
    PumpEvents(50ms);
    EXPECT_TRUE(otherTarget.alerts.isEmpty());
}

// Nothing here drains the ring except the test itself, so the ring's fill level is exact.
// A full ring leaves the rest in the driver, without the watcher spinning meanwhile; only a
// loss the driver counted asks for "Buffer full", one box at a time.
TEST_F(CommThreadLife, AFullRingLeavesTheRestInTheDriverAndOnlyDriverLossesAlert) {
    CLossCountingLink lossy(&target);
    ASSERT_TRUE(lossy.OpenPort(pty.SlavePath(), 9600, 8, 0, 0));
    const auto drain = [&lossy] {
        QByteArray out = TakeAll(lossy);
        lossy.EndDrain();
        return out;
    };
    const QByteArray first = Pattern(4000, 1);
    ASSERT_TRUE(pty.Write(first));
    ASSERT_TRUE(WaitUntil([&] { return lossy.BytesHeld() == 4000; }));
    EXPECT_LT(target.Count(kReceivedNotice), 100) << "one notice per burst, not per byte";

    // 4095 fills the ring; what comes after it waits in the driver, and nothing is lost.
    const QByteArray second = Pattern(95, 2);
    const QByteArray more = Pattern(3000, 3);
    ASSERT_TRUE(pty.Write(second + more));
    ASSERT_TRUE(WaitUntil([&] { return lossy.BytesHeld() == 4095; }));
    timespec before{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    PumpEvents(300ms);
    timespec after{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    const double cpuMs =
        (after.tv_sec - before.tv_sec) * 1e3 + (after.tv_nsec - before.tv_nsec) / 1e6;
    EXPECT_LT(cpuMs, 60.0) << "the watcher spins while the ring is full";
    EXPECT_EQ(lossy.BytesHeld(), 4095);
    EXPECT_TRUE(target.alerts.isEmpty());
    QByteArray received = drain();
    ASSERT_TRUE(WaitUntil([&] {
        return lossy.BytesHeld() == first.size() + second.size() + more.size() - received.size();
    }));
    received += drain();
    EXPECT_EQ(received, first + second + more);
    EXPECT_TRUE(target.alerts.isEmpty());

    // The driver counts 3 bytes lost: one box. While it waits, later losses ask for no other;
    // once it is closed, they do. Reading goes on throughout.
    lossy.lost.store(3);
    ASSERT_TRUE(pty.Write("!"));
    ASSERT_TRUE(WaitUntil([&] { return target.alerts.size() == 1; }));
    EXPECT_EQ(target.alerts[0].text, QStringLiteral("Buffer full"));
    EXPECT_EQ(target.alerts[0].caption, QStringLiteral("CCommThread"));
    lossy.lost.store(4);
    ASSERT_TRUE(pty.Write("?"));
    ASSERT_TRUE(WaitUntil([&] { return lossy.BytesHeld() == 2; }));
    PumpEvents(100ms);
    EXPECT_EQ(target.alerts.size(), 1);
    ASSERT_TRUE(target.alerts[0].closed);
    target.alerts[0].closed();
    ASSERT_TRUE(pty.Write("#"));
    ASSERT_TRUE(WaitUntil([&] { return lossy.BytesHeld() == 3; }));
    PumpEvents(50ms);
    EXPECT_EQ(target.alerts.size(), 1) << "no new loss, no box";
    lossy.lost.store(5);
    ASSERT_TRUE(pty.Write("!"));
    ASSERT_TRUE(WaitUntil([&] { return target.alerts.size() == 2; }));
    EXPECT_EQ(drain(), QByteArray("!?#!"));
    EXPECT_TRUE(lossy.IsOpen());
}

// Leaves two descriptor numbers free: the device takes one, and the watcher's wake-up channel
// needs two, so the port opens but the watcher cannot prepare its wait. (The spare one also
// keeps a sanitizer runtime that briefly opens a file working.)
class CScarceDescriptors {
public:
    CScarceDescriptors() {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        int highest = 0;
        for (const QString& name : Entries("/proc/self/fd")) {
            highest = std::max(highest, name.toInt());
        }
        // Fill every hole below the highest open number; the next two stay free.
        for (;;) {
            const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                break;
            }
            if (fd > highest) {
                ::close(fd);
                m_free = fd;
                break;
            }
            m_fillers.push_back(fd);
        }
        rlimit limited = m_saved;
        limited.rlim_cur = static_cast<rlim_t>(m_free + 2);
        m_limited = m_free >= 0 && ::setrlimit(RLIMIT_NOFILE, &limited) == 0;
    }
    ~CScarceDescriptors() {
        Restore();
        for (const int fd : m_fillers) {
            ::close(fd);
        }
    }
    CScarceDescriptors(const CScarceDescriptors&) = delete;
    CScarceDescriptors& operator=(const CScarceDescriptors&) = delete;

    bool IsLimited() const { return m_limited; }
    void Restore() {
        if (m_limited) {
            ::setrlimit(RLIMIT_NOFILE, &m_saved);
            m_limited = false;
        }
    }

private:
    rlimit m_saved{};
    std::vector<int> m_fillers;
    int m_free = -1;
    bool m_limited = false;
};

TEST_F(CommThreadLife, AWatcherThatCannotWaitSaysSoAndPostsNoClose) {
    // UBSan checks an object's type the first time it meets the type (the watcher's thread
    // state, the events delivered), probing memory with a pipe of its own: let that happen
    // while descriptors last.
    {
        CPtyPair other;
        CMessageRecorder otherTarget;
        CCommThread warm(&otherTarget);
        ASSERT_TRUE(warm.OpenPort(other.SlavePath(), 9600, 8, 0, 0));
        warm.ClosePort();
        ASSERT_TRUE(WaitUntil([&] { return otherTarget.Count(kClosedNotice) == 1; }));
        CAlertMessage alert(QStringLiteral("warm-up"), QString());
        QCoreApplication::sendEvent(&otherTarget, &alert);
    }
    {
        CScarceDescriptors scarce;
        ASSERT_TRUE(scarce.IsLimited());
        ASSERT_TRUE(Open()) << "the port itself opened; only the watcher fails";
        const bool alerted = WaitUntil([&] { return target.alerts.size() == 1; });
        scarce.Restore();
        ASSERT_TRUE(alerted);
    }
    EXPECT_EQ(target.alerts[0].text,
              QStringLiteral("Error while creating ThreadWatchComm, ") + pty.SlavePath());
    EXPECT_EQ(target.alerts[0].caption, QStringLiteral("CCommThread"));
    link.ClosePort();
    PumpEvents(100ms);
    EXPECT_EQ(target.Count(kClosedNotice), 0);
    EXPECT_EQ(target.Count(kReceivedNotice), 0);

    // The next opening, with descriptors to spare, is watched normally.
    ASSERT_TRUE(Open());
    ASSERT_TRUE(pty.Write("z"));
    ASSERT_TRUE(WaitUntil([&] { return link.BytesHeld() == 1; }));
}

}  // namespace
