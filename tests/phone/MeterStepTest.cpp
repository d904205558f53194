// The light meter's arithmetic: readings as meters show them, to the flash power to set.
#include <gtest/gtest.h>

#include "control/MeterStep.h"
#include "model/PowerValue.h"

namespace {

TEST(MeterStep, AperturesReadAsMetersShowThem) {
    const struct {
        const char* text;
        int tenths;  // of a stop above f/1; -1: refused
    } rows[] = {
        {"8", 60},         // a full stop
        {"8.0", 60},       // as meters write it
        {"f/8", 60},       // with its prefix
        {"F8", 60},        // without the slash
        {"5.6", 50},       // the marked 5.6 is the stop 2^2.5, not 4.97 stops
        {"11", 70},        // 6.92 stops: the stop it stands for
        {"22", 90},        // likewise
        {"1.4", 10},       // likewise
        {"8.0 +0.3", 63},  // the meter's tenths above the stop
        {"8.0+0.3", 63},   // without the blank
        {"11 0.7", 77},    // unsigned tenths
        {"5.6 -0.2", 48},  // a meter that counts down
        {"7.1", 57},       // a third stop below f/8, to its nearest tenth
        {"6.3", 53},       // a third above f/5.6
        {"1", 0},          // f/1 itself
        {"0.4", -1},       // below any lens
        {"200", -1},       // above any lens
        {"eight", -1},     // not a number
        {"8 +1.3", -1},    // a whole stop is not a meter's tenth
        {"", -1},          // nothing
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const auto tenths = ApertureTenths(QString::fromLatin1(row.text));
        if (row.tenths < 0) {
            EXPECT_FALSE(tenths.has_value());
        } else {
            ASSERT_TRUE(tenths.has_value());
            EXPECT_EQ(*tenths, row.tenths);
        }
    }
}

TEST(MeterStep, PowerMovesByTheDifferenceInStopsWithinTheLimits) {
    const struct {
        int flash, reading, wanted;  // tenths
        int power, shortBy;
        const char* text;
    } rows[] = {
        {45, 60, 70, 55, 0, "CH-03 at 5.5 for f/11"},                 // one stop up
        {45, 70, 60, 35, 0, "CH-03 at 3.5 for f/11"},                 // one stop down
        {45, 63, 70, 52, 0, "CH-03 at 5.2 for f/11"},                 // the meter's tenths
        {45, 60, 60, 45, 0, "CH-03 at 4.5 for f/11"},                 // already right
        {77, 60, 70, 81, 6, "CH-03 at 8.1, 0.6 stop short of f/11"},  // clamped at the top
        {15, 70, 30, 11, -36, "CH-03 at 1.1, 3.6 stop over f/11"},    // clamped at the bottom
        {81, 60, 70, POWER_MAX, 10, "CH-03 at 8.1, 1.0 stop short of f/11"},  // at the top already
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const MeterStep step = MeterPower(row.flash, row.reading, row.wanted);
        EXPECT_EQ(step.flashTenths, row.power);
        EXPECT_EQ(step.shortTenths, row.shortBy);
        EXPECT_EQ(MeterText(QStringLiteral("CH-03"), step, QStringLiteral("11")), row.text);
    }
}

}  // namespace
