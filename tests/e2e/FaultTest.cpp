// Faults on the radio road, against the real simulator and real pseudo-terminals: the device
// vanishing in the middle of a frame and the program reconnecting, writes to a device that
// went away, and a long run of random bytes from the simulator's noise mode.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <thread>

#include "link/AppMessages.h"
#include "link/CCommThread.h"
#include "link/ZbConstants.h"
#include "model/FieldCode.h"
#include "support/CPtyPair.h"
#include "support/CSimLinkHarness.h"
#include "support/CSimProcess.h"

using namespace std::chrono_literals;

namespace {

// Generous: waiting ends as soon as the condition holds.
constexpr auto kReplyWait = 10s;

QString LinkPath() {
    static int n = 0;
    return QDir::tempPath() + QStringLiteral("/strobe-sim-fault-%1-%2").arg(::getpid()).arg(++n);
}

bool StartSim(CSimProcess& sim, const QString& units, QStringList extra = {}) {
    extra << QStringLiteral("--units") << units << QStringLiteral("--seed") << QStringLiteral("11")
          << QStringLiteral("--link") << LinkPath();
    return sim.Start(extra);
}

// The harness, counting the bytes each notice finds in the ring.
class CCountingHarness : public CSimLinkHarness {
public:
    qint64 bytesReceived = 0;
    QVector<int> flashValues;  // unit A0's flash power at each change of it, in order

    CCountingHarness() {
        onMessage = [this](const Entry& e) {
            const StrobeData* unit = Studio(0).UnitAt(0);
            if (e.message == WM_ZB_UNIT_CHANGED && e.wParam == kFieldFlashValue &&
                unit != nullptr && e.unit == RefOf(unit)) {
                flashValues.push_back(unit->nFlashValue);
            }
        };
    }

protected:
    bool event(QEvent* e) override {
        if (static_cast<int>(e->type()) == kReceivedNotice) {
            bytesReceived += link.BytesHeld();
        }
        return CSimLinkHarness::event(e);
    }
};

// Sends flash reports for unit A0 and waits until each arrived, in order; false (with a
// failure) when one did not.
bool ReportsArriveInOrder(CSimProcess& sim, CCountingHarness& harness, int count, int first) {
    for (int k = 0; k < count; ++k) {
        const int value = 11 + (first + k) % 71;
        if (sim.Command(QStringLiteral("report A 0 flash %1").arg(value)) != QLatin1String("ok")) {
            ADD_FAILURE() << "the simulator refused the report";
            return false;
        }
        const qsizetype before = harness.flashValues.size();
        if (!WaitUntil(
                [&] {
                    return harness.flashValues.size() > before &&
                           harness.flashValues.back() == value;
                },
                kReplyWait)) {
            ADD_FAILURE() << "report " << k << " (flash " << value << ") never arrived";
            return false;
        }
    }
    return true;
}

// The frame the dying device was sending: a flash power setting of unit 0 to 8.1.
const QByteArray kCutFrame = FromHex("FF 07 13 00 01 51 32");

TEST(Fault, ADeviceVanishingMidFrameLosesOnlyThatFrameAndTheNextConnectionDecodes) {
    CSimProcess sim;
    ASSERT_TRUE(StartSim(sim, QStringLiteral("A:0"))) << qPrintable(sim.StdErr());
    CCountingHarness harness;
    ASSERT_TRUE(harness.Open(sim.DevicePath()));
    ASSERT_EQ(sim.Command(QStringLiteral("status A 0")), QStringLiteral("ok"));
    ASSERT_TRUE(WaitUntil([&] { return harness.Studio(0).UnitAt(0) != nullptr; }, kReplyWait));
    ASSERT_TRUE(ReportsArriveInOrder(sim, harness, 1, 0));

    // Where the frame is cut: after its start byte, its length, its command byte, and one
    // byte before its end.
    int reports = 1;
    for (const int cut : {1, 2, 3, 6}) {
        SCOPED_TRACE(cut);
        {
            CPtyPair dying;
            ASSERT_TRUE(harness.Open(dying.SlavePath()));
            const int closedBefore = harness.Count(kClosedNotice);
            const qint64 bytesBefore = harness.bytesReceived;
            ASSERT_TRUE(dying.Write(kCutFrame.left(cut)));
            ASSERT_TRUE(WaitUntil([&] { return harness.bytesReceived == bytesBefore + cut; }));
            dying.CloseMaster();
            ASSERT_TRUE(
                WaitUntil([&] { return harness.Count(kClosedNotice) == closedBefore + 1; }));
        }
        // The operator connects again; the first frames after it decode whole.
        ASSERT_TRUE(harness.Open(sim.DevicePath()));
        ASSERT_TRUE(ReportsArriveInOrder(sim, harness, 3, reports));
        reports += 3;
        EXPECT_EQ(harness.flashValues.size(), reports) << "the cut frame was never applied";
    }
    EXPECT_FALSE(harness.flashValues.contains(0x51));
    EXPECT_TRUE(harness.alerts.isEmpty());
}

// The far end of a pseudo-terminal, also open on the program's side before the link takes
// the device exclusively, so that the line can be filled.
int OpenSlaveBeforeTheLink(const CPtyPair& pty) {
    return ::open(QFile::encodeName(pty.SlavePath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
}

void FillLine(int fd) {
    const QByteArray chunk(4096, 'x');
    for (int quietRounds = 0; quietRounds < 3;) {
        qsizetype wrote = 0;
        while (::write(fd, chunk.constData(), static_cast<size_t>(chunk.size())) > 0) {
            wrote += chunk.size();
        }
        quietRounds = wrote == 0 ? quietRounds + 1 : 0;
        std::this_thread::sleep_for(20ms);
    }
}

TEST(Fault, WritesToADeviceThatWentAwayReturnWithoutHanging) {
    // Unplugged while idle: every later write comes back at once with nothing written, and
    // the protocol's builders still say they sent (they write and forget).
    {
        CSimProcess sim;
        ASSERT_TRUE(StartSim(sim, QStringLiteral("A:0"))) << qPrintable(sim.StdErr());
        CCountingHarness harness;
        ASSERT_TRUE(harness.Open(sim.DevicePath()));
        ASSERT_EQ(sim.Command(QStringLiteral("unplug")), QStringLiteral("ok"));
        ASSERT_TRUE(WaitUntil([&] { return harness.Count(kClosedNotice) == 1; }, kReplyWait));
        const quint8 frame[] = {0xFF, 0x05, 0x00, 0x00, 0x41};
        for (int k = 0; k < 100; ++k) {
            ASSERT_EQ(harness.link.WritePort(frame, 5), 0);
        }
        EXPECT_TRUE(harness.protocol.SelectStudio(0));
        EXPECT_EQ(sim.WaitForExit(), 0);
    }

    // Unplugged while a write waits for room on a full line with no write timeout (38400
    // baud and above): the write ends with what it got out, instead of waiting for ever.
    CPtyPair pty;
    const int observer = OpenSlaveBeforeTheLink(pty);
    ASSERT_GE(observer, 0);
    CMessageRecorder target;
    CCommThread link(&target);
    ASSERT_TRUE(link.OpenPort(pty.SlavePath(), 38400, 8, 0, 0));
    FillLine(observer);
    std::thread unplug([&] {
        std::this_thread::sleep_for(100ms);
        pty.CloseMaster();
    });
    const quint8 frame[] = {0xFF, 0x07, 0x13, 0x00, 0x01, 0x2D, 0x32};
    QElapsedTimer waited;
    waited.start();
    const int written = link.WritePort(frame, 7);
    const qint64 waitedMs = waited.elapsed();
    unplug.join();
    EXPECT_GE(written, 0);
    EXPECT_LE(written, 7);
    EXPECT_LT(waitedMs, 10000) << "the write hung on a vanished device";
    EXPECT_TRUE(WaitUntil([&] { return target.Count(kClosedNotice) == 1; }));
    EXPECT_EQ(link.WritePort(frame, 7), 0);
    ::close(observer);
}

// Random bytes, 0xFF among them, from the simulator's noise mode, with real reports in
// between; then a clean simulator, whose every frame must decode. TARNEL_NOISE_BYTES sets the
// amount (default 256 KiB; 10485760 for the long run) and TARNEL_NOISE_RATE the bytes a
// second (default 100000).
TEST(Fault, RandomBytesFromTheSimulatorLeaveTheDecoderSound) {
    const qint64 total = qEnvironmentVariableIsSet("TARNEL_NOISE_BYTES")
                             ? qEnvironmentVariable("TARNEL_NOISE_BYTES").toLongLong()
                             : 256 * 1024;
    const qint64 rate = qEnvironmentVariableIsSet("TARNEL_NOISE_RATE")
                            ? qEnvironmentVariable("TARNEL_NOISE_RATE").toLongLong()
                            : 100000;
    ASSERT_GT(total, 0);
    ASSERT_GT(rate, 0);
    CCountingHarness harness;
    int sent = 0;
    {
        CSimProcess noisy;
        ASSERT_TRUE(StartSim(
            noisy, QStringLiteral("A:0"),
            {QStringLiteral("--noise"), QString::number(rate), QStringLiteral("--noise-ff")}))
            << qPrintable(noisy.StdErr());
        ASSERT_TRUE(harness.Open(noisy.DevicePath()));
        ASSERT_EQ(noisy.Command(QStringLiteral("status A 0")), QStringLiteral("ok"));
        ASSERT_TRUE(WaitUntil([&] { return harness.Studio(0).UnitAt(0) != nullptr; }, kReplyWait));
        // A report every 20 ms among the noise until it has all come through.
        const auto limit = std::chrono::milliseconds(total * 1000 / rate * 3 + 30000);
        QElapsedTimer elapsed;
        elapsed.start();
        while (harness.bytesReceived < total && elapsed.elapsed() < limit.count()) {
            const int value = 11 + sent % 71;
            ASSERT_EQ(noisy.Command(QStringLiteral("report A 0 flash %1").arg(value)),
                      QStringLiteral("ok"));
            ++sent;
            PumpEvents(20ms);
        }
        ASSERT_GE(harness.bytesReceived, total) << "the noise did not all come through";
        PumpEvents(100ms);
        std::printf(
            "[          ] %lld bytes received in %.1f s, %d reports among them, %d "
            "decoded, %lld \"Buffer full\" alerts\n",
            static_cast<long long>(harness.bytesReceived),
            static_cast<double>(elapsed.elapsed()) / 1000.0, sent,
            static_cast<int>(harness.flashValues.size()),
            static_cast<long long>(harness.alerts.size()));
        // Stray frames of noise may add changes, but each real report arrived, in order,
        // unless a batch was dropped for a full ring (which the alert says).
        if (harness.alerts.isEmpty()) {
            int next = 0;
            for (const int value : harness.flashValues) {
                next += next < sent && value == 11 + next % 71 ? 1 : 0;
            }
            EXPECT_EQ(next, sent) << "a report among the noise was lost";
        }
    }
    // The noisy device is gone, maybe in the middle of a frame of noise; a clean one follows.
    CSimProcess clean;
    ASSERT_TRUE(StartSim(clean, QStringLiteral("A:0"))) << qPrintable(clean.StdErr());
    ASSERT_TRUE(harness.Open(clean.DevicePath()));
    const qsizetype before = harness.flashValues.size();
    ASSERT_TRUE(ReportsArriveInOrder(clean, harness, 20, sent));
    EXPECT_EQ(harness.flashValues.size(), before + 20) << "nothing but the twenty reports";
}

}  // namespace
