// Reports from a dongle on a real pseudo-terminal travel the serial link's ring, the
// assembler, the decoder and the report handler into the model; commands travel back.
#include <gtest/gtest.h>

#include <algorithm>

#include "link/AppMessages.h"
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
        WaitUntil([this] { return frame.Count(WM_ZB_CLOSED) > 0; });
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
