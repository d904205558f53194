#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>

#include "link/CZbProtocol.h"
#include "link/UnitMask.h"
#include "link/ZbConstants.h"
#include "model/StudioManager.h"
#include "support/CCapturingPortWriter.h"
#include "support/CPtyPair.h"
#include "support/CRecordingEventHandler.h"

namespace {

TEST(UnitMaskTest, IndexToMaskTable) {
    struct Row {
        int index;
        quint16 mask;
    };
    const Row rows[] = {
        {0, 0x0001},        // first unit of the low byte
        {4, 0x0010},        // last unit of the low byte
        {5, 0x0100},        // first unit of the high byte, bits 5..7 skipped
        {9, 0x1000},        // last unit
        {11, 0x8080},       // all units
        {10, 0x0000},       // index 10 does not exist
        {12, 0x0000},       // beyond the all-units code
        {-1, 0x0000},       // negative
        {INT_MIN, 0x0000},  // shifts must not be attempted on wild values
        {INT_MAX, 0x0000},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(UnitMaskOf(r.index), r.mask) << "index " << r.index;
    }
}

TEST(UnitMaskTest, MaskToIndexTable) {
    struct Row {
        quint16 mask;
        int index;
    };
    const Row rows[] = {
        {0x0011, 0},                 // several units: the lowest one
        {0x1000, 9},                 // highest unit alone
        {0x1800, 8},                 // two units of the high byte
        {0x0110, 4},                 // low byte ranks before the high byte
        {0x8080, 11},                // all units
        {0x0080, 11},                // either all-units bit alone
        {0x8000, 11}, {0x8081, 0},   // a real unit beats the all-units bits
        {0x0020, -1},                // unused bits 5, 6, 13, 14
        {0x6060, -1}, {0x0000, -1},  // nobody
    };
    for (const Row& r : rows) {
        EXPECT_EQ(UnitIndexOf(r.mask), r.index) << "mask " << std::hex << r.mask;
    }
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11}) {
        EXPECT_EQ(UnitIndexOf(UnitMaskOf(i)), i);
    }
}

// Builders against a byte sink that keeps one entry per WritePort call.
class ProtocolBuilderTest : public ::testing::Test {
protected:
    StrobeData* Place(int slot, int studio = 0) {
        return PlaceUnit(manager, studio, slot, std::make_unique<StrobeData>());
    }

    StudioManager manager;
    CCapturingPortWriter port;
    CRecordingEventHandler handler;
    CZbProtocol protocol{handler, port};
};

TEST_F(ProtocolBuilderTest, FramesByteForByte) {
    StrobeData* u0 = Place(0);
    u0->nFlashValue = 45;
    u0->nModelValue = 50;
    StrobeData* u3 = Place(3);
    u3->nFlashValue = 45;
    u3->nModelValue = 50;
    u3->bFlashCell = 1;
    u3->nModelMode1 = 1;
    u3->bFlashCharge = 0;  // reported by the unit, never sent
    StrobeData* u6 = Place(6);
    u6->bFlashCell = 1;
    StrobeData* on = Place(9);  // every switch on, with values no unit can hold
    on->nModelMode1 = 1;
    on->nModelMode2 = 1;
    on->bFlashCell = 5;
    on->bFlashSnd = 1;
    on->bModelPow = 1;
    on->bFlashPow = 1;
    on->nFlashValue = 0x12D;  // its low byte would read 4.5
    StrobeData* off = Place(1);
    off->bModelPow = 0;
    off->bFlashPow = 0;

    struct Row {
        const char* what;
        std::function<bool()> call;
        const char* bytes;
    };
    const Row rows[] = {
        // FF 05 00 00 41: studio A
        {"select A", [&] { return protocol.SelectStudio(0); }, "FF 05 00 00 41"},
        // FF 05 00 00 43: studio C
        {"select C", [&] { return protocol.SelectStudio(2); }, "FF 05 00 00 43"},
        // FF 05 00 00 45: studio E
        {"select E", [&] { return protocol.SelectStudio(4); }, "FF 05 00 00 45"},
        // FF 0E 01 00 08 | pow 01, flash 2D, model 32, cell 01, snd 00, m1 01, m2 00, lamp 01 | 00
        {"settings, own mask", [&] { return protocol.SendUnitSettings(0, u3); },
         "FF 0E 01 00 08 01 2D 32 01 00 01 00 01 00"},
        // the caller's mask wins over the unit's own
        {"settings, all units", [&] { return protocol.SendUnitSettings(0x8080, u3); },
         "FF 0E 01 80 80 01 2D 32 01 00 01 00 01 00"},
        // FF 07 13 00 01 2D 32: flash power carries both powers
        {"flash power", [&] { return protocol.SendUnitCommand(ZB_FLASH_POWER, 0, u0); },
         "FF 07 13 00 01 2D 32"},
        // FF 07 14 00 01 2D 32: model power carries both powers too
        {"model power", [&] { return protocol.SendUnitCommand(ZB_MODEL_POWER, 0, u0); },
         "FF 07 14 00 01 2D 32"},
        // FF 07 15 ... 08: Prop
        {"mode1 on", [&] { return protocol.SendUnitCommand(ZB_MODEL_MODE1, 0, on); },
         "FF 07 15 10 00 00 08"},
        // FF 07 15 ... 00: Free
        {"mode1 off", [&] { return protocol.SendUnitCommand(ZB_MODEL_MODE1, 0, off); },
         "FF 07 15 00 02 00 00"},
        // FF 07 16 ... 10: Continous
        {"mode2 on", [&] { return protocol.SendUnitCommand(ZB_MODEL_MODE2, 0, on); },
         "FF 07 16 10 00 00 10"},
        // FF 07 17 02 00 00 02: cell of the unit in slot 6
        {"cell slot 6", [&] { return protocol.SendUnitCommand(ZB_FLASH_CELL, 0, u6); },
         "FF 07 17 02 00 00 02"},
        // a non-zero switch other than 1 still sends the switch's bit
        {"cell 5", [&] { return protocol.SendUnitCommand(ZB_FLASH_CELL, 0, on); },
         "FF 07 17 10 00 00 02"},
        // FF 07 18 ... 04: sound
        {"sound on", [&] { return protocol.SendUnitCommand(ZB_FLASH_SOUND, 0, on); },
         "FF 07 18 10 00 00 04"},
        // FF 07 1B 80 80 00 00: test flash on every unit
        {"test all", [&] { return protocol.SendUnitCommand(ZB_TEST, 0x8080, u6); },
         "FF 07 1B 80 80 00 00"},
        // FF 07 1C ... 01 / 00: model lamp
        {"lamp on", [&] { return protocol.SendUnitCommand(ZB_MODEL_POW, 0, on); },
         "FF 07 1C 10 00 00 01"},
        {"lamp off", [&] { return protocol.SendUnitCommand(ZB_MODEL_POW, 0, off); },
         "FF 07 1C 00 02 00 00"},
        // FF 07 1D ... 01 / 00: unit power
        {"power on", [&] { return protocol.SendUnitCommand(ZB_FLASH_POW, 0, on); },
         "FF 07 1D 10 00 00 01"},
        {"power off", [&] { return protocol.SendUnitCommand(ZB_FLASH_POW, 0x0003, off); },
         "FF 07 1D 00 03 00 00"},
        // FF 17 1E | 2D 32 (slot 0), 00 00 (slots 1, 2), 2D 32 (slot 3), ... 00 00 (slot 9,
        // whose flash 0x12D no unit can hold: the pair of an empty slot, not its low byte)
        {"flash table",
         [&] { return protocol.SendPowerPairs(ZB_FLASH_TABLE, manager.studios[0].get()); },
         "FF 17 1E 2D 32 00 00 00 00 2D 32 00 00 00 00 00 00 00 00 00 00 00 00"},
        // FF 17 1F and twenty zeros: an empty studio
        {"model table, empty",
         [&] { return protocol.SendPowerPairs(ZB_MODEL_TABLE, manager.studios[1].get()); },
         "FF 17 1F 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"},
    };
    for (const Row& r : rows) {
        port.writes.clear();
        EXPECT_TRUE(r.call()) << r.what;
        ASSERT_EQ(port.writes.size(), 1) << r.what << ": one frame, one write";
        EXPECT_EQ(HexBytes(port.writes[0]), r.bytes) << r.what;
    }
}

TEST_F(ProtocolBuilderTest, NothingWrittenForUnknownSubCodesOrAbsentRecords) {
    StrobeData* unit = Place(2);
    struct Row {
        const char* what;
        std::function<bool()> call;
        bool result;
    };
    const Row rows[] = {
        // sub-codes without a single-setting frame: silently nothing, still true
        {"command 0", [&] { return protocol.SendUnitCommand(0, 0, unit); }, true},
        {"command 1", [&] { return protocol.SendUnitCommand(ZB_CHARGE, 0, unit); }, true},
        {"command 2", [&] { return protocol.SendUnitCommand(2, 0, unit); }, true},
        {"command 9", [&] { return protocol.SendUnitCommand(9, 0, unit); }, true},
        {"command 10", [&] { return protocol.SendUnitCommand(ZB_TEMPERATURE, 0, unit); }, true},
        {"command 14", [&] { return protocol.SendUnitCommand(ZB_FLASH_TABLE, 0, unit); }, true},
        {"command 15", [&] { return protocol.SendUnitCommand(ZB_MODEL_TABLE, 0, unit); }, true},
        {"command 0x23", [&] { return protocol.SendUnitCommand(0x23, 0, unit); }, true},
        {"pairs 13",
         [&] { return protocol.SendPowerPairs(ZB_FLASH_POW, manager.studios[0].get()); }, true},
        {"pairs 0", [&] { return protocol.SendPowerPairs(0, manager.studios[0].get()); }, true},
        // absent records: false, whatever the sub-code
        {"settings, no unit", [&] { return protocol.SendUnitSettings(0x0001, nullptr); }, false},
        {"command, no unit", [&] { return protocol.SendUnitCommand(ZB_TEST, 0x8080, nullptr); },
         false},
        {"command 9, no unit", [&] { return protocol.SendUnitCommand(9, 0, nullptr); }, false},
        {"pairs, no studio", [&] { return protocol.SendPowerPairs(ZB_FLASH_TABLE, nullptr); },
         false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.call(), r.result) << r.what;
    }
    EXPECT_TRUE(port.writes.isEmpty());
}

// No frame carries a byte its field does not allow, whatever path built the unit's values
// (a damaged memory, junk on the line, a wild caller): the frame is not written at all, and
// above all no low byte of a wild value, which could read as a setting or as 0xFF, the start
// of a frame.
TEST_F(ProtocolBuilderTest, NoFrameCarriesAByteItsFieldDoesNotAllow) {
    StrobeData* unit = Place(1);
    const auto good = [&] {
        ResetStrobeData(*unit);
        unit->nChNum = 1;
        unit->nFlashValue = 45;
        unit->nModelValue = 30;
    };
    struct Row {
        const char* what;
        std::function<void()> damage;
        std::function<bool()> call;
        const char* bytes;  // what is written: nothing, or the frame with the bad value left out
    };
    const Row rows[] = {
        // flash 256 and model 300 would go out as 0 and 4.4 (FF 0E 01 00 02 01 00 2C ...)
        {"settings, flash 256",
         [&] {
             unit->nFlashValue = 256;
             unit->nModelValue = 300;
         },
         [&] { return protocol.SendUnitSettings(0, unit); }, ""},
        {"settings, flash 999", [&] { unit->nFlashValue = 999; },
         [&] { return protocol.SendUnitSettings(0, unit); }, ""},
        {"settings, model 0xFF", [&] { unit->nModelValue = 0xFF; },
         [&] { return protocol.SendUnitSettings(0, unit); }, ""},
        {"settings, model -5", [&] { unit->nModelValue = -5; },
         [&] { return protocol.SendUnitSettings(0, unit); }, ""},
        {"settings, flash 10", [&] { unit->nFlashValue = 10; },
         [&] { return protocol.SendUnitSettings(0, unit); }, ""},
        {"settings, model 82", [&] { unit->nModelValue = 82; },
         [&] { return protocol.SendUnitSettings(0, unit); }, ""},
        {"settings, cell 5", [&] { unit->bFlashCell = 5; },
         [&] { return protocol.SendUnitSettings(0, unit); }, ""},
        {"settings, mode2 255", [&] { unit->nModelMode2 = 255; },
         [&] { return protocol.SendUnitSettings(0, unit); }, ""},
        {"settings, power -1", [&] { unit->bFlashPow = -1; },
         [&] { return protocol.SendUnitSettings(0, unit); }, ""},
        {"settings, lamp 2", [&] { unit->bModelPow = 2; },
         [&] { return protocol.SendUnitSettings(0, unit); }, ""},
        // the charge is never sent, so its value does not stop the frame
        {"settings, charge 7", [&] { unit->bFlashCharge = 7; },
         [&] { return protocol.SendUnitSettings(0, unit); },
         "FF 0E 01 00 02 01 2D 1E 00 00 00 00 01 00"},
        {"settings, mask bit 6", [] {}, [&] { return protocol.SendUnitSettings(0x0040, unit); },
         ""},
        {"flash power, model 0", [&] { unit->nModelValue = 0; },
         [&] { return protocol.SendUnitCommand(ZB_FLASH_POWER, 0, unit); }, ""},
        {"model power, flash 0x1FF", [&] { unit->nFlashValue = 0x1FF; },
         [&] { return protocol.SendUnitCommand(ZB_MODEL_POWER, 0, unit); }, ""},
        {"cell, mask 0xFFFF", [] {},
         [&] { return protocol.SendUnitCommand(ZB_FLASH_CELL, 0xFFFF, unit); }, ""},
        // a switch command sends the switch's bit for any value: the powers do not matter
        {"cell, flash 999", [&] { unit->nFlashValue = 999; },
         [&] { return protocol.SendUnitCommand(ZB_FLASH_CELL, 0, unit); }, "FF 07 17 00 02 00 00"},
        {"pairs, flash 300", [&] { unit->nFlashValue = 300; },
         [&] { return protocol.SendPowerPairs(ZB_FLASH_TABLE, manager.studios[0].get()); },
         "FF 17 1E 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"},
        {"select studio 5", [] {}, [&] { return protocol.SelectStudio(5); }, ""},
        {"select studio 190", [] {}, [&] { return protocol.SelectStudio(190); }, ""},
        {"select studio -1", [] {}, [&] { return protocol.SelectStudio(-1); }, ""},
    };
    for (const Row& r : rows) {
        good();
        r.damage();
        port.writes.clear();
        const bool written = r.call();
        if (std::string(r.bytes).empty()) {
            EXPECT_FALSE(written) << r.what;
            EXPECT_TRUE(port.writes.isEmpty()) << r.what;
        } else {
            EXPECT_TRUE(written) << r.what;
            ASSERT_EQ(port.writes.size(), 1) << r.what;
            EXPECT_EQ(HexBytes(port.writes[0]), r.bytes) << r.what;
        }
    }
}

TEST_F(ProtocolBuilderTest, ClosedPortStillCountsAsSentAndUnitIsUntouched) {
    port.reportedResult = 0;  // what the link reports while the port is closed
    StrobeData* unit = Place(4);
    unit->nFlashValue = 30;
    unit->nModelValue = 30;
    EXPECT_TRUE(protocol.SelectStudio(1));
    EXPECT_TRUE(protocol.SendUnitSettings(0, unit));
    EXPECT_TRUE(protocol.SendUnitCommand(ZB_FLASH_POWER, 0, unit));
    EXPECT_TRUE(protocol.SendPowerPairs(ZB_MODEL_TABLE, manager.studios[0].get()));
    EXPECT_EQ(port.writes.size(), 4);  // each tried exactly once, no retry
    EXPECT_EQ(unit->nFlashValue, 30);
    EXPECT_TRUE(handler.calls.isEmpty());
}

}  // namespace
