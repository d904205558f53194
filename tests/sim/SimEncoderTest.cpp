#include <gtest/gtest.h>

#include <QByteArray>

#include "link/CZbFrameText.h"
#include "sim/CSimEncoder.h"

namespace {

std::string Hex(const SimFrame& frame) {
    return CZbFrameText::Hex(frame.data(), frame.size());
}

SimUnit UnitWith(int flashPow, int flash, int model, int cell, int sound, int mode1, int mode2,
                 int modelPow) {
    SimUnit u;
    u.flashPow = flashPow;
    u.flash = flash;
    u.model = model;
    u.cell = cell;
    u.sound = sound;
    u.mode1 = mode1;
    u.mode2 = mode2;
    u.modelPow = modelPow;
    return u;
}

}  // namespace

TEST(SimEncoder, MasksPlaceUnitsOnTheirRadioBits) {
    struct Row {
        int unit;
        quint16 mask;
    };
    const Row rows[] = {
        {0, 0x0001},   // first of the low byte
        {4, 0x0010},   // last of the low byte
        {5, 0x0100},   // first of the high byte
        {9, 0x1000},   // last of the high byte
        {10, 0x0000},  // no such unit
        {-1, 0x0000},  // no such unit
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CSimEncoder::MaskOf(row.unit), row.mask) << "unit " << row.unit;
    }
}

TEST(SimEncoder, ReceivedMasksNameTheUnitsTheyAddress) {
    EXPECT_EQ(CSimEncoder::UnitsOf(0x0011), (std::vector<int>{0, 4}));
    EXPECT_EQ(CSimEncoder::UnitsOf(0x1201), (std::vector<int>{0, 6, 9}));
    // Either all-units bit alone addresses all ten.
    EXPECT_EQ(CSimEncoder::UnitsOf(0x8080).size(), 10u);
    EXPECT_EQ(CSimEncoder::UnitsOf(0x0080).size(), 10u);
    // The unused bits 5, 6, 13, 14 address nobody.
    EXPECT_TRUE(CSimEncoder::UnitsOf(0x6060).empty());
}

TEST(SimEncoder, ReportsMatchTheFrameTables) {
    struct Row {
        SimFrame frame;
        const char* bytes;
    };
    const Row rows[] = {
        // full status of unit 6: settings in the order of the full-settings command, then 00
        {CSimEncoder::Status(6, UnitWith(1, 45, 50, 1, 0, 1, 0, 1)),
         "FF 0E 01 02 00 01 2D 32 01 00 01 00 01 00"},
        // full status of a switched-off unit 0 with every switch off
        {CSimEncoder::Status(0, UnitWith(0, 81, 11, 0, 0, 0, 0, 0)),
         "FF 0E 01 00 01 00 51 0B 00 00 00 00 00 00"},
        // flash power of unit 0 carries both powers: flash high, model low
        {CSimEncoder::PowerReport(3, 0, 45, 50), "FF 07 13 00 01 2D 32"},
        // model power of unit 9
        {CSimEncoder::PowerReport(4, 9, 11, 81), "FF 07 14 10 00 0B 51"},
        // switches carry their own bit when on
        {CSimEncoder::SwitchReport(5, 1, true), "FF 07 15 00 02 00 08"},   // Prop
        {CSimEncoder::SwitchReport(6, 1, true), "FF 07 16 00 02 00 10"},   // Continous
        {CSimEncoder::SwitchReport(7, 6, true), "FF 07 17 02 00 00 02"},   // cell
        {CSimEncoder::SwitchReport(8, 2, true), "FF 07 18 00 04 00 04"},   // sound
        {CSimEncoder::SwitchReport(12, 3, true), "FF 07 1C 00 08 00 01"},  // model lamp
        {CSimEncoder::SwitchReport(13, 4, true), "FF 07 1D 00 10 00 01"},  // unit power
        // and 0 when off
        {CSimEncoder::SwitchReport(7, 6, false), "FF 07 17 02 00 00 00"},
        // charge drained, charged again, test fired
        {CSimEncoder::Event(1, 2, 0), "FF 07 61 00 04 00 00"},
        {CSimEncoder::Event(1, 2, 1), "FF 07 61 00 04 00 01"},
        {CSimEncoder::Event(11, 5, 0), "FF 07 6B 01 00 00 00"},
        // temperature reading 75 of unit 8
        {CSimEncoder::Reading(10, 8, 75), "FF 07 3A 08 00 00 4B"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Hex(row.frame), row.bytes);
    }
}

TEST(SimEncoder, PowerPairsPutEachUnitAtItsPosition) {
    std::array<std::pair<quint8, quint8>, 10> pairs{};
    pairs[0] = {45, 50};
    pairs[9] = {81, 11};
    EXPECT_EQ(Hex(CSimEncoder::Pairs(14, pairs)),
              "FF 17 1E 2D 32 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 51 0B");
    EXPECT_EQ(CSimEncoder::Pairs(15, pairs)[2], 0x1F);
}
