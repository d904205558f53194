// Feedback: a surface that subscribed, or that the operator listed, hears every change of a
// unit from any source, and under a report flood the latest value of each address, not a
// backlog.
#include <QElapsedTimer>

#include "OscFixture.h"
#include "widgets/CFlatSpinButtonCtrl.h"

namespace {

// The last value each address had among the messages; "" for none.
std::string Last(const std::vector<Received>& messages, const std::string& path) {
    std::string value;
    for (const Received& r : messages) {
        if (r.path == path) {
            value = r.value;
        }
    }
    return value;
}

int Count(const std::vector<Received>& messages, const std::string& path) {
    int n = 0;
    for (const Received& r : messages) {
        n += r.path == path ? 1 : 0;
    }
    return n;
}

}  // namespace

class OscFeedbackTest : public COscTest {
protected:
    void Subscribe() {
        const size_t before = osc->Feedback().Clients().size();
        Send("/tarnel/subscribe", {I(surface.localPort())});
        ASSERT_EQ(osc->Feedback().Clients().size(), before + 1);
    }
};

TEST_F(OscFeedbackTest, EveryChangeOfAUnitArrives) {
    ASSERT_NO_FATAL_FAILURE(StartOsc({1}));
    ASSERT_NO_FATAL_FAILURE(Subscribe());
    // A new client is told everything once.
    const std::vector<Received> snapshot = RepliesUntil(
        [](const std::vector<Received>& got) { return !Last(got, "/tarnel/connection").empty(); });
    EXPECT_EQ(Last(snapshot, "/tarnel/A/CH-02/flash"), "4.5");
    EXPECT_EQ(Last(snapshot, "/tarnel/A/CH-02/model"), "3");
    EXPECT_EQ(Last(snapshot, "/tarnel/A/CH-02/mode"), "Free");
    EXPECT_EQ(Last(snapshot, "/tarnel/A/CH-02/power"), "1");
    EXPECT_EQ(Last(snapshot, "/tarnel/connection"), "1");
    EXPECT_FALSE(Last(snapshot, "/tarnel/A/CH-02/status").empty());

    const struct {
        const char* what;
        std::function<void()> change;
        std::vector<Received> expected;
    } rows[] = {
        // The operator steps the panel's flash spin of the unit picked at the desktop; a dial
        // on the current unit shows it too.
        {"panel",
         [&] {
             ClickBlock(0);
             emit single().flashSpin->deltaPos(1);
         },
         {{"/tarnel/A/CH-02/flash", "4.4"}, {"/tarnel/current/flash", "4.4"}}},
        // The unit's own report.
        {"report",
         [&] { ASSERT_TRUE(pty.Write(StatusReport(UnitMaskOf(1), 60, 30))); },
         {{"/tarnel/A/CH-02/flash", "6"}}},
        // A command from a surface comes back as the value it set.
        {"osc",
         [&] { Send("/tarnel/A/CH-02/mode", {S("Prop")}); },
         {{"/tarnel/A/CH-02/mode", "Prop"}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        row.change();
        const std::vector<Received> got = RepliesUntil([&](const std::vector<Received>& so) {
            for (const Received& want : row.expected) {
                if (Last(so, want.path) != want.value) {
                    return false;
                }
            }
            return true;
        });
        for (const Received& want : row.expected) {
            EXPECT_EQ(Last(got, want.path), want.value) << want.path;
        }
    }
    // Nothing more goes out while nothing changes.
    EXPECT_TRUE(Replies(100ms).empty());
}

// 1000 reports as fast as the line carries them: each client gets a few updates, each with
// the latest values, at most 30 a second, and ends on the last report's value. The listed
// client gets the same without subscribing; an unreachable one slows nothing.
TEST_F(OscFeedbackTest, AReportBurstArrivesCoalesced) {
    ASSERT_NO_FATAL_FAILURE(StartOsc({1}));
    QUdpSocket listed;
    ASSERT_TRUE(listed.bind(QHostAddress::LocalHost, 0));
    QUdpSocket gone;  // bound for a free port, then closed: nobody listens there
    ASSERT_TRUE(gone.bind(QHostAddress::LocalHost, 0));
    const quint16 gonePort = gone.localPort();
    gone.close();
    QString error;
    ASSERT_TRUE(osc->SaveLists(
        QStringLiteral("127.0.0.0/8"),
        QStringLiteral("127.0.0.1:%1\n127.0.0.1:%2").arg(listed.localPort()).arg(gonePort), &error))
        << error.toStdString();
    ASSERT_NO_FATAL_FAILURE(Subscribe());
    Replies(100ms);
    Replies(10ms, &listed);

    constexpr int kReports = 1000;
    QByteArray burst;
    for (int i = 0; i < kReports - 1; ++i) {
        burst += StatusReport(UnitMaskOf(1), 11 + i % 70, 30);
    }
    burst += StatusReport(UnitMaskOf(1), 70, 30);
    const quint64 flushesBefore = osc->Feedback().Flushes();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(pty.Write(burst));
    ASSERT_TRUE(WaitUntil([&] { return unit(1)->nFlashValue == 70; }, 20s));
    const std::vector<Received> subscribed = RepliesUntil(
        [](const std::vector<Received>& got) { return Last(got, "/tarnel/A/CH-02/flash") == "7"; });
    const std::vector<Received> configured = Replies(10ms, &listed);
    const double seconds = clock.elapsed() / 1000.0;
    for (const auto* messages : {&subscribed, &configured}) {
        EXPECT_EQ(Last(*messages, "/tarnel/A/CH-02/flash"), "7");
        const int updates = Count(*messages, "/tarnel/A/CH-02/flash");
        EXPECT_GE(updates, 1);
        EXPECT_LE(updates, 30 * seconds + 2) << seconds << " s";
        EXPECT_LT(updates, kReports / 10);
    }
    EXPECT_LE(osc->Feedback().Flushes() - flushesBefore, 30 * seconds + 2);
    Sent();
}
