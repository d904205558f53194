// Reports from a dongle on a real pseudo-terminal travel the serial link's ring, the
// assembler, the decoder and the report handler into the model; commands travel back.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>

#include "link/AppMessages.h"
#include "link/CLinkObserver.h"
#include "link/CReconnector.h"
#include "link/CZbFrameReader.h"
#include "link/CZbProtocol.h"
#include "link/ZbConstants.h"
#include "model/FieldCode.h"
#include "model/StudioManager.h"
#include "support/CPtyPair.h"
#include "support/CSimLinkHarness.h"

namespace {

using namespace std::chrono_literals;

// The main frame's part in the road of a report: the program's radio session.
class CoreEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.IsValid());
        manager.currentNode = manager.studios[0].get();
        ASSERT_TRUE(frame.Open(pty.SlavePath()));
    }
    void TearDown() override {
        frame.session.Close();
        WaitUntil([this] { return frame.Count(kClosedNotice) > 0; });
        QCoreApplication::removePostedEvents(&frame);
    }

    QVector<qintptr> ChangedCodes() const {
        QVector<qintptr> codes;
        for (const auto& e : frame.Of(WM_ZB_UNIT_CHANGED)) {
            codes.push_back(e.wParam);
        }
        // The temperature is posted, so where it lands depends on how the line split the burst.
        std::sort(codes.begin(), codes.end());
        return codes;
    }

    CPtyPair pty;
    QTemporaryDir folder;
    CSimLinkHarness frame;
    StudioManager& manager = frame.manager;
    CZbProtocol& protocol = frame.protocol;
    const CZbFrameReader& reader = frame.session.Reader();
};

TEST_F(CoreEndToEndTest, ReportsReachTheModelAndCommandsReachTheDongle) {
    // Scan: the studio select goes out on the line.
    EXPECT_TRUE(protocol.SelectStudio(0));
    EXPECT_EQ(HexBytes(pty.Read(5)), "FF 05 00 00 41");

    // A stray byte, then status reports of units 1 and 3 in one frame.
    ASSERT_TRUE(pty.Write(FromHex("12 FF 0E 01 00 0A 01 2D 32 00 00 00 00 01 00")));
    ASSERT_TRUE(WaitUntil([this] { return frame.Count(WM_ZB_NEW_UNIT) == 2; }));
    StudioData& studio = *manager.studios[0];
    EXPECT_EQ(studio.nChItemCnt, 2);
    StrobeData* unit1 = studio.UnitAt(1);
    StrobeData* unit3 = studio.UnitAt(3);
    ASSERT_NE(unit1, nullptr);
    ASSERT_NE(unit3, nullptr);
    EXPECT_EQ(unit1->sChName, "CH-02");
    EXPECT_EQ(unit3->nFlashValue, 45);
    const auto added = frame.Of(WM_ZB_NEW_UNIT);
    EXPECT_EQ(added[0].wParam, 1);
    EXPECT_EQ(added[0].unit, RefOf(unit1));
    EXPECT_EQ(added[1].wParam, 3);
    EXPECT_EQ(added[1].unit, RefOf(unit3));

    // A cell report cut in two by the line: decoded once, after its second part.
    ASSERT_TRUE(pty.Write(FromHex("FF 07 17")));
    ASSERT_TRUE(WaitUntil([this] { return reader.nCount == 3; }));
    EXPECT_EQ(frame.Count(WM_ZB_UNIT_CHANGED), 0);
    ASSERT_TRUE(pty.Write(FromHex("00 02 00 01")));
    ASSERT_TRUE(WaitUntil([this] { return frame.Count(WM_ZB_UNIT_CHANGED) == 1; }));
    EXPECT_EQ(unit1->bFlashCell, 1);

    // Charge event, temperature reading and a flash table, in one burst.
    ASSERT_TRUE(
        pty.Write(FromHex("FF 07 61 00 08 00 00 "
                          "FF 07 3A 00 02 00 4B "
                          "FF 17 1E 00 00 1E 28 00 00 00 28 00 00 00 00 00 00 00 00 "
                          "00 00 00 00")));
    ASSERT_TRUE(WaitUntil([this] { return frame.Count(WM_ZB_UNIT_CHANGED) == 4; }));
    EXPECT_EQ(ChangedCodes(), (QVector<qintptr>{kFieldFlashValue, kFieldFlashCell,
                                                kFieldFlashCharge, kFieldTemperature}));
    EXPECT_EQ(unit3->bFlashCharge, 0);
    EXPECT_EQ(unit1->nTemperature, 75);
    EXPECT_EQ(unit1->nFlashValue, 30);
    EXPECT_EQ(unit1->nModelValue, 40);
    EXPECT_EQ(unit3->nFlashValue, 45);  // its pair (0, 40) holds a zero

    // The operator's change goes out as one command frame.
    unit3->nFlashValue = 60;
    EXPECT_TRUE(protocol.SendUnitCommand(ZB_FLASH_POWER, 0, unit3));
    EXPECT_EQ(HexBytes(pty.Read(7)), "FF 07 13 00 08 3C 32");
}

}  // namespace

namespace {

// The moments the link failed to open a device.
class COpenFailures : public CLinkObserver {
public:
    void OnSent(const quint8*, int, int) override {}
    void OnReceived(const quint8*, int) override {}
    void OnEvent(Event event, const QString&) override {
        if (event == Event::kOpenFailed) {
            times.push_back(std::chrono::steady_clock::now());
        }
    }
    std::vector<std::chrono::steady_clock::time_point> times;  // UI thread only
};

}  // namespace

// The device went away and a file that is no device took its place: the openings back off
// (here a tenth of the real 1 s, 2 s, 5 s, then 5 s). A device published anew is tried at once
// and opened. One that goes away after the owner closed the link is never opened again.
TEST_F(CoreEndToEndTest, ADeviceThatComesBackIsOpenedAgainAfterFailuresBackOff) {
    const QString link = folder.filePath(QStringLiteral("dongle"));
    frame.session.Close();
    ASSERT_TRUE(WaitUntil([this] { return frame.Count(kClosedNotice) > 0; }));
    ASSERT_TRUE(QFile::link(pty.SlavePath(), link));
    COpenFailures failures;
    frame.session.SetObserver(&failures);
    frame.session.SetReconnectSchedule({100ms, 200ms, 500ms}, 10ms);
    ASSERT_TRUE(frame.Open(link));
    protocol.SelectStudio(2);
    manager.activeStudio = manager.studios[2].get();
    EXPECT_EQ(HexBytes(pty.Read(5)), "FF 05 00 00 43");

    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([this] { return !frame.session.IsConnected(); }));
    ASSERT_TRUE(QFile::remove(link));
    {
        QFile notADevice(link);
        ASSERT_TRUE(notADevice.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(WaitUntil([&] { return failures.times.size() >= 5; }));
    const std::chrono::milliseconds waits[] = {100ms, 200ms, 500ms, 500ms};
    for (size_t i = 0; i < std::size(waits); ++i) {
        EXPECT_GE(failures.times[i + 1] - failures.times[i], waits[i]) << "after failure " << i + 1;
    }
    EXPECT_TRUE(frame.session.IsReconnecting());
    const CReconnector::Schedule real;
    EXPECT_EQ(real.RetryAfter(1), 1s);
    EXPECT_EQ(real.RetryAfter(2), 2s);
    EXPECT_EQ(real.RetryAfter(3), 5s);
    EXPECT_EQ(real.RetryAfter(9), 5s);

    CPtyPair again;
    ASSERT_TRUE(QFile::remove(link));
    ASSERT_TRUE(QFile::link(again.SlavePath(), link));
    ASSERT_TRUE(WaitUntil([this] { return frame.session.IsConnected(); }));
    EXPECT_FALSE(frame.session.IsReconnecting());
    EXPECT_EQ(HexBytes(again.Read(5)), "FF 05 00 00 43") << "studio C selected again";
    const qsizetype failed = failures.times.size();

    // Closed by the owner, then the device goes and comes back: left closed.
    frame.session.Close();
    again.CloseMaster();
    ASSERT_TRUE(QFile::remove(link));
    PumpEvents(50ms);
    CPtyPair third;
    ASSERT_TRUE(QFile::link(third.SlavePath(), link));
    PumpEvents(300ms);
    EXPECT_FALSE(frame.session.IsConnected());
    EXPECT_FALSE(frame.session.IsReconnecting());
    EXPECT_EQ(failures.times.size(), failed);
    frame.session.SetObserver(nullptr);
}
