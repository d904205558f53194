#include <gtest/gtest.h>

#include <limits>

#include "model/PowerValue.h"

namespace {

TEST(PowerTextTest, FormsOfValuesAndOffsets) {
    EXPECT_EQ(FormatPower(11), "1.1");
    EXPECT_EQ(FormatPower(81), "8.1");
    EXPECT_EQ(FormatPower(45), "4.5");
    EXPECT_EQ(FormatPower(0), "0.0");
    EXPECT_EQ(FormatPowerOffset(0), "0.0");
    EXPECT_EQ(FormatPowerOffset(7), "0.7");
    EXPECT_EQ(FormatPowerOffset(-1), "-0.1");
    EXPECT_EQ(FormatPowerOffset(-15), "-1.5");
    EXPECT_EQ(FormatPowerOffset(-81), "-8.1");
    EXPECT_EQ(FormatPowerOffset(81), "8.1");
    EXPECT_EQ(FormatGridPower(10), "");
    EXPECT_EQ(FormatGridPower(0), "");
    EXPECT_EQ(FormatGridPower(11), "F 1.1");
    // Values no unit holds (damage, a long series of offsets) are worded whole.
    EXPECT_EQ(FormatPower(1234), "123.4");
    EXPECT_EQ(FormatPower(std::numeric_limits<int>::max()), "214748364.7");
    EXPECT_EQ(FormatPowerOffset(std::numeric_limits<int>::min()), "-214748364.8");
    EXPECT_EQ(FormatGridPower(1000), "F 100.0");
}

TEST(PowerStepTest, SpinDirectionFollowsTheSignOfTheChange) {
    EXPECT_EQ(SpinStep(-1), 1);
    EXPECT_EQ(SpinStep(3), -1);
    EXPECT_EQ(SpinStep(0), 0);
}

TEST(PowerStepTest, AtTheBoundNothingMovesNotEvenThePartner) {
    int v = 81, p = 50;
    EXPECT_FALSE(StepPower(v, p, +1, true));
    EXPECT_EQ(v, 81);
    EXPECT_EQ(p, 50);
    v = 11;
    EXPECT_FALSE(StepPower(v, p, -1, true));
    EXPECT_EQ(v, 11);
    EXPECT_EQ(p, 50);
}

TEST(PowerStepTest, PropLinkHoldsThePartnerAtTheBound) {
    int flash = 80, model = 81;
    EXPECT_TRUE(StepPower(flash, model, +1, true));
    EXPECT_EQ(flash, 81);
    EXPECT_EQ(model, 81);
    int f = 12, mdl = 11;
    EXPECT_TRUE(StepPower(f, mdl, -1, true));
    EXPECT_EQ(f, 11);
    EXPECT_EQ(mdl, 11);
    int free = 40, other = 40;
    EXPECT_TRUE(StepPower(free, other, +1, false));
    EXPECT_EQ(other, 40);
}

TEST(PowerStepTest, FreshZeroStepsUpToOneAndNotDown) {
    int v = 0, p = 0;
    EXPECT_TRUE(StepPower(v, p, +1, false));
    EXPECT_EQ(v, 1);
    v = 0;
    EXPECT_FALSE(StepPower(v, p, -1, false));
    EXPECT_EQ(v, 0);
}

TEST(PowerTrackTest, PartnerPushedAgainstTheTopComesBackLower) {
    int flash = 40, model = 70;
    TrackPower(flash, model, 60, true);
    EXPECT_EQ(flash, 60);
    EXPECT_EQ(model, 81);
    TrackPower(flash, model, 40, true);
    EXPECT_EQ(flash, 40);
    EXPECT_EQ(model, 61);
}

TEST(OffsetTest, StepStopsAtTheLimits) {
    int o = 81, p = 0;
    EXPECT_FALSE(StepOffset(o, p, +1, true));
    o = -81;
    EXPECT_FALSE(StepOffset(o, p, -1, true));
    EXPECT_EQ(p, 0);
    int a = 80, b = 81;
    EXPECT_TRUE(StepOffset(a, b, +1, true));
    EXPECT_EQ(a, 81);
    EXPECT_EQ(b, 81);
    int c = -80, d = -81;
    EXPECT_TRUE(StepOffset(c, d, -1, true));
    EXPECT_EQ(c, -81);
    EXPECT_EQ(d, -81);
}

TEST(OffsetTest, TrackMovesPartnerOffsetAndSliderByTheSameDifference) {
    int o = 0, p = 80, pos = OffsetToSlider(80);
    TrackOffset(o, p, pos, OffsetToSlider(5), true);
    EXPECT_EQ(o, 5);
    EXPECT_EQ(p, 81);
    EXPECT_EQ(pos, 163);
    int down = 0, partner = -80, partnerPos = OffsetToSlider(-80);
    TrackOffset(down, partner, partnerPos, OffsetToSlider(-5), true);
    EXPECT_EQ(down, -5);
    EXPECT_EQ(partner, -81);
    EXPECT_EQ(partnerPos, 1);
    int q = 0, r = 0, rpos = 82;
    TrackOffset(q, r, rpos, 90, false);
    EXPECT_EQ(q, 8);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(rpos, 82);
}

TEST(OffsetTest, FirstTrackFromTheCentreTakesBackAnAccidentalPlusOne) {
    COffsetTrackSnap snap;
    EXPECT_EQ(snap.Filter(83, 0), 82);
    EXPECT_EQ(snap.Filter(83, 0), 83);  // later positions are taken as they come
    snap.Reset();
    EXPECT_EQ(snap.Filter(84, 0), 84);
    snap.Reset();
    EXPECT_EQ(snap.Filter(83, 5), 83);  // not at the centre: taken
}

TEST(OffsetTest, ApplyingAnOffsetClampsTheUnitValue) {
    EXPECT_EQ(ApplyPowerOffset(80, 5), 81);
    EXPECT_EQ(ApplyPowerOffset(81, -5), 76);
    EXPECT_EQ(ApplyPowerOffset(12, -5), 11);
    EXPECT_EQ(ClampPower(0), 11);
}

}  // namespace
