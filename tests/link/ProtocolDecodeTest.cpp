#include <gtest/gtest.h>

#include <QStringList>
#include <array>

#include "link/CZbProtocol.h"
#include "link/ZbConstants.h"
#include "support/CCapturingPortWriter.h"
#include "support/CPtyPair.h"
#include "support/CRecordingEventHandler.h"

namespace {

// An assembled frame as the reader hands it over: its bytes, zero to the buffer's end.
std::array<quint8, ZB_FRAME_MAX> Frame(const char* hex) {
    std::array<quint8, ZB_FRAME_MAX> frame{};
    const QByteArray bytes = FromHex(hex);
    std::copy(bytes.begin(), bytes.end(), frame.begin());
    return frame;
}

class ProtocolDecodeTest : public ::testing::Test {
protected:
    CCapturingPortWriter port;
    CRecordingEventHandler handler;
    CZbProtocol protocol{handler, port};
};

TEST_F(ProtocolDecodeTest, ReportTable) {
    struct Row {
        const char* frame;
        quint8 type;
        bool decoded;
        QStringList calls;
    };
    const Row rows[] = {
        // status to units 1 and 3: twice the same eight settings, in unit order
        {"FF 0E 01 00 0A 01 2D 32 00 01 01 00 01 00",
         ZB_TYPE_STATUS,
         true,
         {"Status 1 pow=1 flash=45 model=50 cell=0 snd=1 m1=1 m2=0 lamp=1 charge=1",
          "Status 3 pow=1 flash=45 model=50 cell=0 snd=1 m1=1 m2=0 lamp=1 charge=1"}},
        // status bytes are kept as they came, not reduced to 0/1
        {"FF 0E 01 10 00 05 51 0B 02 03 04 06 07 00",
         ZB_TYPE_STATUS,
         true,
         {"Status 9 pow=5 flash=81 model=11 cell=2 snd=3 m1=4 m2=6 lamp=7 charge=1"}},
        // status to all units alone: nobody
        {"FF 0E 01 80 80 01 2D 32 00 01 01 00 01 00", ZB_TYPE_STATUS, true, {}},
        // units 0 and 6 among the unused and all-units bits (E2 E1): only the two units
        {"FF 0E 01 E2 E1 00 00 00 00 00 00 00 00 00",
         ZB_TYPE_STATUS,
         true,
         {"Status 0 pow=0 flash=0 model=0 cell=0 snd=0 m1=0 m2=0 lamp=0 charge=1",
          "Status 6 pow=0 flash=0 model=0 cell=0 snd=0 m1=0 m2=0 lamp=0 charge=1"}},
        // cell setting for unit 0, value byte5*256 + byte6
        {"FF 07 17 00 01 00 01", ZB_TYPE_SETTING, true, {"Setting 7 0 0x0001"}},
        // flash power for units 5 and 0: flash in the high byte, model in the low byte
        {"FF 07 13 01 01 2D 32",
         ZB_TYPE_SETTING,
         true,
         {"Setting 3 0 0x2d32", "Setting 3 5 0x2d32"}},
        // a sub-code without a meaning still reaches the handler
        {"FF 07 19 00 04 00 01", ZB_TYPE_SETTING, true, {"Setting 9 2 0x0001"}},
        // setting to all units alone: nobody
        {"FF 07 17 80 80 00 01", ZB_TYPE_SETTING, true, {}},
        // flash table: once, with the frame, whatever bytes 3-4 hold
        {"FF 17 1E 2D 32 00 28 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0B 51",
         ZB_TYPE_SETTING,
         true,
         {"Setting 14 0 0x0000 frame"}},
        // model table
        {"FF 17 1F 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01",
         ZB_TYPE_SETTING,
         true,
         {"Setting 15 0 0x0000 frame"}},
        // charge event for units 0 and 1: value is byte 6, byte 5 is not used
        {"FF 07 61 00 03 AA 00", ZB_TYPE_EVENT, true, {"Event 1 0 0", "Event 1 1 0"}},
        // test-flash event
        {"FF 07 6B 02 00 00 00", ZB_TYPE_EVENT, true, {"Event 11 6 0"}},
        // temperature 75 from unit 9
        {"FF 07 3A 10 00 00 4B", ZB_TYPE_READING, true, {"Reading 10 9 75"}},
        // studio select echoed: no decoder
        {"FF 05 00 00 41", ZB_TYPE_SELECT, false, {}},
        // type 0x02: accepted by the assembler, no decoder
        {"FF 07 02 00 01 00 01", ZB_TYPE_IGNORED, false, {}},
        // a type the assembler never hands over
        {"FF 07 25 00 01 00 01", ZB_TYPE_NONE, false, {}},
    };
    for (const Row& r : rows) {
        handler.calls.clear();
        const auto frame = Frame(r.frame);
        EXPECT_EQ(protocol.DecodeFrame(frame.data(), r.type), r.decoded) << r.frame;
        EXPECT_EQ(handler.Texts(), r.calls) << r.frame;
    }
    EXPECT_TRUE(port.writes.isEmpty());
}

TEST_F(ProtocolDecodeTest, StatusScratchCarriesUnitIndexAndPairsCarryTheFrame) {
    const auto status = Frame("FF 0E 01 01 10 01 2D 32 00 00 00 00 01 00");
    protocol.DecodeFrame(status.data(), ZB_TYPE_STATUS);
    ASSERT_EQ(handler.calls.size(), 2);
    EXPECT_EQ(handler.calls[0].nChNum, 4);
    EXPECT_EQ(handler.calls[1].nChNum, 5);
    // One scratch record, owned by the protocol, handed on every time.
    EXPECT_EQ(handler.calls[0].status, handler.calls[1].status);

    handler.calls.clear();
    const auto pairs =
        Frame("FF 17 1E 2D 32 00 28 0B 51 00 00 00 00 00 00 00 00 00 00 00 00 1E 14");
    protocol.DecodeFrame(pairs.data(), ZB_TYPE_SETTING);
    ASSERT_EQ(handler.calls.size(), 1);
    EXPECT_EQ(HexBytes(handler.calls[0].pairs),
              "2D 32 00 28 0B 51 00 00 00 00 00 00 00 00 00 00 00 00 1E 14");
}

}  // namespace
