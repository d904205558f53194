// The receive ring between the watcher thread and the UI thread: notices are coalesced, no
// byte is ever left without one, and bytes cross the two threads whole and in order.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <random>
#include <thread>

#include "link/AppMessages.h"
#include "link/CCommThread.h"
#include "support/CMessageRecorder.h"
#include "support/CPtyPair.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Byte number i of a test stream: a pattern that a lost, doubled or swapped byte breaks.
quint8 StreamByte(qint64 i) {
    return static_cast<quint8>((i * 131 + (i >> 8)) & 0xFF);
}

QByteArray StreamBytes(qint64 from, int count) {
    QByteArray bytes(count, Qt::Uninitialized);
    for (int k = 0; k < count; ++k) {
        bytes[k] = static_cast<char>(StreamByte(from + k));
    }
    return bytes;
}

// Waits without running the event loop, as a UI thread busy elsewhere would.
bool SpinUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout = 10s) {
    const auto deadline = Clock::now() + timeout;
    while (!pred()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Writes the test stream to the far end in bursts of 1..maxBurst bytes, keeping at most
// window bytes between what it wrote and what the consumer took, so that a batch always fits
// the ring and nothing is dropped.
class CStreamFeeder {
public:
    CStreamFeeder(CPtyPair& pty, qint64 total, int maxBurst, qint64 window)
        : m_pty(pty), m_total(total), m_maxBurst(maxBurst), m_window(window) {}
    ~CStreamFeeder() {
        m_stop.store(true);
        Join();
    }
    CStreamFeeder(const CStreamFeeder&) = delete;
    CStreamFeeder& operator=(const CStreamFeeder&) = delete;

    void Start() {
        m_thread = std::thread([this] { Run(); });
    }
    void Join() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    // Consumer thread: reports its progress, which lets the feeder go on.
    void Taken(qint64 count) { m_taken.store(count, std::memory_order_release); }
    bool Failed() const { return m_failed.load(); }

private:
    void Run() {
        std::mt19937 rng(17);
        std::uniform_int_distribution<int> burst(1, m_maxBurst);
        std::uniform_int_distribution<int> pause(0, 3);
        qint64 written = 0;
        const auto deadline = Clock::now() + 60s;
        while (written < m_total) {
            const int n = static_cast<int>(std::min<qint64>(burst(rng), m_total - written));
            while (written + n - m_taken.load(std::memory_order_acquire) > m_window) {
                if (m_stop.load() || Clock::now() > deadline) {
                    m_failed.store(true);
                    return;
                }
                std::this_thread::yield();
            }
            if (!m_pty.Write(StreamBytes(written, n))) {
                m_failed.store(true);
                return;
            }
            written += n;
            // Now and then a pause, so the watcher sees separate bursts as well as runs.
            if (pause(rng) == 0) {
                std::this_thread::sleep_for(100us);
            }
        }
    }

    CPtyPair& m_pty;
    const qint64 m_total;
    const int m_maxBurst;
    const qint64 m_window;
    std::atomic<qint64> m_taken{0};  // consumer stores (release), feeder loads (acquire)
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_stop{false};  // a failed test gives up early
    std::thread m_thread;
};

class RingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.IsValid());
        ASSERT_TRUE(link.OpenPort(pty.SlavePath(), 9600, 8, 0, 0));
    }
    void TearDown() override {
        link.ClosePort();
        QCoreApplication::removePostedEvents(&target);
    }

    // Takes what the ring holds and checks it continues the test stream; false on a mismatch.
    bool TakeAndCheck(int count) {
        for (int k = 0; k < count; ++k) {
            const quint8 byte = link.TakeByte();
            if (byte != StreamByte(taken)) {
                ADD_FAILURE() << "byte " << taken << " is " << int{byte} << ", not "
                              << int{StreamByte(taken)};
                return false;
            }
            ++taken;
        }
        return true;
    }

    CPtyPair pty;
    CMessageRecorder target;
    CCommThread link{&target};
    qint64 taken = 0;
};

TEST_F(RingTest, BurstsWhileTheUiIsBusyQueueOneNoticeAndADrainRearmsIt) {
    // Ten separate bursts arrive while the UI thread runs no events.
    qint64 sent = 0;
    for (int burst = 1; burst <= 10; ++burst) {
        const int size = burst * 11;
        ASSERT_TRUE(pty.Write(StreamBytes(sent, size)));
        sent += size;
        ASSERT_TRUE(SpinUntil([&] { return link.BytesHeld() == sent; }));
    }
    EXPECT_EQ(link.NoticesPosted(), 1u);
    PumpEvents(50ms);
    EXPECT_EQ(target.Count(kReceivedNotice), 1) << "one notice for the whole series";

    // The handler drains everything, and the next burst brings a notice of its own.
    ASSERT_EQ(link.BeginDrain(), sent);
    ASSERT_TRUE(TakeAndCheck(static_cast<int>(sent)));
    ASSERT_TRUE(pty.Write(StreamBytes(sent, 5)));
    sent += 5;
    ASSERT_TRUE(WaitUntil([&] { return target.Count(kReceivedNotice) == 2; }));
    EXPECT_EQ(link.BeginDrain(), 5);
    EXPECT_TRUE(TakeAndCheck(5));

    // Once the notice is taken up, a drain that finds nothing leaves the link quiet.
    PumpEvents(50ms);
    EXPECT_EQ(link.BeginDrain(), 0);
    PumpEvents(50ms);
    EXPECT_EQ(target.Count(kReceivedNotice), 2);
}

TEST_F(RingTest, ANoticeDiscardedUnhandledDoesNotSilenceTheNextOpening) {
    ASSERT_TRUE(pty.Write("ab"));
    ASSERT_TRUE(SpinUntil([&] { return link.NoticesPosted() == 1; }));
    link.ClosePort();
    QCoreApplication::removePostedEvents(&target);  // its receiver went away, say

    ASSERT_TRUE(link.OpenPort(pty.SlavePath(), 9600, 8, 0, 0));
    ASSERT_TRUE(pty.Write("cd"));
    ASSERT_TRUE(WaitUntil([&] { return target.Count(kReceivedNotice) == 1; }));
    EXPECT_EQ(link.BeginDrain(), 4) << "the ring kept what the first opening received";
}

// The UI thread drains only when told to, as the main frame does. If a notice were ever lost
// between the drain's count and the watcher's next store, the last bytes would sit in the
// ring with no notice and the wait below would time out.
TEST_F(RingTest, DrainingOnNoticesAloneLeavesNoByteBehind) {
    constexpr qint64 kTotal = 256 * 1024;
    CStreamFeeder feeder(pty, kTotal, 300, 2048);
    quint64 delivered = 0;
    quint64 mostWaiting = 0;
    bool inOrder = true;
    target.onMessage = [&](const CMessageRecorder::Entry& e) {
        if (e.message != kReceivedNotice) {
            return;
        }
        ++delivered;
        // This notice and any others still queued behind it.
        mostWaiting = std::max(mostWaiting, link.NoticesPosted() - delivered + 1);
        inOrder = inOrder && TakeAndCheck(link.BeginDrain());
        feeder.Taken(taken);
    };
    feeder.Start();
    EXPECT_TRUE(WaitUntil([&] { return taken == kTotal || !inOrder; }, 60s))
        << "stuck at " << taken << " of " << kTotal << ", " << link.BytesHeld() << " held";
    feeder.Join();
    EXPECT_FALSE(feeder.Failed());
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(mostWaiting, 1u) << "never more than one notice waiting";
    EXPECT_TRUE(target.alerts.isEmpty());
}

// A report flood arrives as many small bursts; the watcher gathers the ones closer together
// than its interval, so the UI thread wakes for batches, not for every frame. Each drain
// starts at least the interval after the one before, however fast or slow the machine.
TEST_F(RingTest, BurstsCloserThanTheIntervalAreGatheredIntoOneNotice) {
    constexpr qint64 kTotal = 300;
    std::atomic<bool> stop{false};
    std::thread feeder([&] {
        for (qint64 i = 0; i < kTotal && !stop.load(); ++i) {
            pty.Write(StreamBytes(i, 1));
            std::this_thread::sleep_for(200us);
        }
    });
    QElapsedTimer elapsed;
    elapsed.start();
    bool inOrder = true;
    target.onMessage = [&](const CMessageRecorder::Entry& e) {
        if (e.message == kReceivedNotice) {
            inOrder = inOrder && TakeAndCheck(link.BeginDrain());
        }
    };
    const bool complete = WaitUntil([&] { return taken == kTotal || !inOrder; }, 30s);
    const qint64 elapsedUs = elapsed.nsecsElapsed() / 1000;
    stop.store(true);
    feeder.join();
    ASSERT_TRUE(complete) << taken << " of " << kTotal;
    EXPECT_TRUE(inOrder);
    const qint64 most = elapsedUs / CCommThread::kMinBurstInterval.count() + 1;
    EXPECT_LE(target.Count(kReceivedNotice), most)
        << "bytes " << elapsedUs / kTotal << " us apart came with a notice each";
}

// Two threads on the ring at full speed: the watcher stores while this thread takes, without
// any event in between, so only the ring's own indices order the bytes. Under
// ThreadSanitizer this is the test that proves the indices' ordering (scripts/mutation-ring.sh
// weakens it and expects a report).
TEST_F(RingTest, StressEveryByteCrossesTheThreadsInOrder) {
    constexpr qint64 kTotal = 512 * 1024;
    CStreamFeeder feeder(pty, kTotal, 700, 3072);
    feeder.Start();
    const auto deadline = Clock::now() + 60s;
    while (taken < kTotal && Clock::now() < deadline) {
        const int held = link.BytesHeld();
        if (held == 0) {
            std::this_thread::yield();
            continue;
        }
        ASSERT_TRUE(TakeAndCheck(held));
        feeder.Taken(taken);
    }
    feeder.Join();
    EXPECT_EQ(taken, kTotal);
    EXPECT_FALSE(feeder.Failed());
    EXPECT_EQ(link.BytesHeld(), 0);
    PumpEvents(20ms);
    EXPECT_TRUE(target.alerts.isEmpty()) << "nothing dropped";
}

}  // namespace
