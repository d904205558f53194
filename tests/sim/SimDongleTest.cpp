#include <gtest/gtest.h>

#include <QByteArray>
#include <set>

#include "link/CZbFrameText.h"
#include "sim/CSimDongle.h"
#include "sim/CSimOptions.h"

using std::chrono::milliseconds;
using std::chrono::seconds;

namespace {

SimConfig Config(const char* units, std::uint64_t seed = 1) {
    SimConfig config;
    std::string error;
    config.units = *CSimOptions::ParseUnits(units, error);
    config.seed = seed;
    return config;
}

void Send(CSimDongle& dongle, const char* hex, SimTime now) {
    const QByteArray raw = QByteArray::fromHex(hex);
    dongle.Receive(reinterpret_cast<const quint8*>(raw.constData()),
                   static_cast<std::size_t>(raw.size()), now);
}

std::string Hex(const SimEmission& e) {
    return CZbFrameText::Hex(e.bytes.data(), e.bytes.size());
}

// Everything the dongle sends up to the moment until.
std::vector<SimEmission> RunUntil(CSimDongle& dongle, SimTime until) {
    dongle.Advance(until);
    return dongle.TakeEmissions();
}

std::vector<std::string> Frames(const std::vector<SimEmission>& emissions) {
    std::vector<std::string> out;
    for (const SimEmission& e : emissions) {
        out.push_back(Hex(e));
    }
    return out;
}

using Strings = std::vector<std::string>;

}  // namespace

TEST(SimDongle, StudioSelectMakesExactlyThatGroupsUnitsReportWithinTheScan) {
    // Several seeds, so the window is checked for more than one draw of delays.
    for (std::uint64_t seed = 1; seed <= 20; ++seed) {
        CSimDongle dongle(Config("A:0,1;C:0,3,9", seed));
        const SimTime selectAt = seconds(1);
        Send(dongle, "FF 05 00 00 43", selectAt);
        EXPECT_EQ(dongle.CurrentGroup(), 2);
        EXPECT_TRUE(RunUntil(dongle, selectAt + milliseconds(199)).empty());
        const auto sent = RunUntil(dongle, selectAt + seconds(6));
        std::set<int> reported;
        for (const SimEmission& e : sent) {
            ASSERT_EQ(e.bytes.size(), 14u) << Hex(e);
            EXPECT_EQ(e.bytes[2], 0x01);
            EXPECT_GE(e.at, selectAt + milliseconds(200));
            EXPECT_LE(e.at, selectAt + milliseconds(4000));
            reported.insert(e.bytes[3] << 8 | e.bytes[4]);
        }
        EXPECT_EQ(sent.size(), 3u) << "seed " << seed;
        EXPECT_EQ(reported, (std::set<int>{0x0001, 0x0008, 0x1000})) << "seed " << seed;
    }
}

TEST(SimDongle, StatusReportsCarryTheUnitsSettings) {
    CSimDongle dongle(Config("B:3"));
    Send(dongle, "FF 05 00 00 42", SimTime(0));
    const auto sent = RunUntil(dongle, seconds(5));
    ASSERT_EQ(sent.size(), 1u);
    const SimUnit& u = *dongle.Unit(1, 3);
    EXPECT_EQ(sent[0].bytes, CSimEncoder::Status(3, u));
    EXPECT_EQ(sent[0].bytes[6], u.flash);
    EXPECT_EQ(sent[0].bytes[7], u.model);
}

TEST(SimDongle, ASecondSelectSupersedesTheFirstsPendingReports) {
    CSimDongle dongle(Config("A:0,1,2"));
    Send(dongle, "FF 05 00 00 41", SimTime(0));
    Send(dongle, "FF 05 00 00 41", milliseconds(100));
    EXPECT_EQ(RunUntil(dongle, seconds(10)).size(), 3u);
}

TEST(SimDongle, ASelectOfNoGroupChangesNothing) {
    CSimDongle dongle(Config("A:0;B:0"));
    Send(dongle, "FF 05 00 00 46", SimTime(0));  // 'F'
    Send(dongle, "FF 05 00 01 42", SimTime(0));  // byte 3 must be 0
    EXPECT_EQ(dongle.CurrentGroup(), 0);
    EXPECT_TRUE(RunUntil(dongle, seconds(6)).empty());
}

TEST(SimDongle, SingleSettingsChangeTheAddressedUnitsWhichConfirm) {
    CSimDongle dongle(Config("A:0,1,2"));
    const int cellBefore = dongle.Unit(0, 1)->cell;

    // Cell on for units 0 and 2.
    Send(dongle, "FF 07 17 00 05 00 02", SimTime(0));
    EXPECT_EQ(dongle.Unit(0, 0)->cell, 1);
    EXPECT_EQ(dongle.Unit(0, 2)->cell, 1);
    EXPECT_EQ(dongle.Unit(0, 1)->cell, cellBefore);
    EXPECT_TRUE(RunUntil(dongle, milliseconds(19)).empty());
    const Strings cells = Frames(RunUntil(dongle, milliseconds(80)));
    EXPECT_EQ(std::multiset<std::string>(cells.begin(), cells.end()),
              (std::multiset<std::string>{"FF 07 17 00 01 00 02", "FF 07 17 00 04 00 02"}));

    // Flash power for unit 1 takes both powers and confirms them.
    Send(dongle, "FF 07 13 00 02 3C 28", seconds(1));
    EXPECT_EQ(Frames(RunUntil(dongle, seconds(2))), (Strings{"FF 07 13 00 02 3C 28"}));
    EXPECT_EQ(dongle.Unit(0, 1)->flash, 60);
    EXPECT_EQ(dongle.Unit(0, 1)->model, 40);

    // Powers out of 11..81 are not taken; the unit confirms what it kept.
    Send(dongle, "FF 07 14 00 02 05 5A", seconds(3));
    EXPECT_EQ(Frames(RunUntil(dongle, seconds(4))), (Strings{"FF 07 14 00 02 3C 28"}));

    // Model lamp off for all units.
    Send(dongle, "FF 07 1C 80 80 00 00", seconds(5));
    EXPECT_EQ(RunUntil(dongle, seconds(6)).size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(dongle.Unit(0, i)->modelPow, 0);
    }
}

TEST(SimDongle, FullSettingsChangeEveryFieldAndAreConfirmedOneByOne) {
    CSimDongle dongle(Config("A:0"));
    // power on, flash 3.2, model 4.8, cell, sound, Prop, Continous, lamp off
    Send(dongle, "FF 0E 01 00 01 01 20 30 01 01 01 01 00 00", SimTime(0));
    const SimUnit& u = *dongle.Unit(0, 0);
    EXPECT_EQ(u.flash, 0x20);
    EXPECT_EQ(u.model, 0x30);
    EXPECT_EQ(u.cell + u.sound + u.mode1 + u.mode2, 4);
    EXPECT_EQ(u.modelPow, 0);
    EXPECT_EQ(Frames(RunUntil(dongle, seconds(1))), (Strings{
                                                        "FF 07 13 00 01 20 30",
                                                        "FF 07 15 00 01 00 08",
                                                        "FF 07 16 00 01 00 10",
                                                        "FF 07 17 00 01 00 02",
                                                        "FF 07 18 00 01 00 04",
                                                        "FF 07 1C 00 01 00 00",
                                                        "FF 07 1D 00 01 00 01",
                                                    }));
}

TEST(SimDongle, UnitsOfOtherGroupsHearNothing) {
    CSimDongle dongle(Config("A:0;B:0"));
    const SimUnit before = *dongle.Unit(1, 0);
    Send(dongle, "FF 07 17 00 01 00 00", SimTime(0));
    Send(dongle, "FF 07 13 00 01 4B 4B", SimTime(0));
    EXPECT_EQ(dongle.Unit(1, 0)->cell, before.cell);
    EXPECT_EQ(dongle.Unit(1, 0)->flash, before.flash);
    EXPECT_EQ(dongle.Unit(0, 0)->flash, 75);

    // A confirmation still on its way when the dongle switches group is not heard.
    Send(dongle, "FF 07 18 00 01 00 04", seconds(1));
    Send(dongle, "FF 05 00 00 42", seconds(1) + milliseconds(1));
    for (const SimEmission& e : RunUntil(dongle, seconds(8))) {
        EXPECT_EQ(e.bytes[2], 0x01) << "only B's status, not " << Hex(e);
    }
    // Nor is what a unit of another group reports by itself.
    EXPECT_TRUE(dongle.ReportField(0, 0, SimField::kCell, 1, seconds(9)));
    EXPECT_TRUE(dongle.TakeEmissions().empty());
    EXPECT_EQ(dongle.Unit(0, 0)->cell, 1);
}

TEST(SimDongle, PowerPairsChangeUnitsWhosePairHoldsNoZero) {
    CSimDongle dongle(Config("A:0,1,2"));
    const SimUnit one = *dongle.Unit(0, 1);
    const SimUnit two = *dongle.Unit(0, 2);
    // unit 0 (60, 40); unit 1 (0, 40) and unit 2 (30, 0) keep theirs; slot 3 is empty
    Send(dongle, "FF 17 1E 3C 28 00 28 1E 00 14 14 00 00 00 00 00 00 00 00 00 00 00 00",
         SimTime(0));
    EXPECT_EQ(dongle.Unit(0, 0)->flash, 60);
    EXPECT_EQ(dongle.Unit(0, 0)->model, 40);
    EXPECT_EQ(dongle.Unit(0, 1)->flash, one.flash);
    EXPECT_EQ(dongle.Unit(0, 1)->model, one.model);
    EXPECT_EQ(dongle.Unit(0, 2)->flash, two.flash);
    EXPECT_EQ(dongle.Unit(0, 2)->model, two.model);
    EXPECT_EQ(Frames(RunUntil(dongle, seconds(1))),
              (Strings{"FF 17 1E 3C 28 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"}));
}

TEST(SimDongle, TestFlashDrainsRechargesAndWarmsTheUnit) {
    CSimDongle dongle(Config("A:0"));
    const int coldTemperature = dongle.Unit(0, 0)->temperature;
    const int flash = dongle.Unit(0, 0)->flash;
    Send(dongle, "FF 07 1B 00 01 00 00", SimTime(0));
    auto fired = RunUntil(dongle, milliseconds(80));
    ASSERT_EQ(Frames(fired), (Strings{"FF 07 6B 00 01 00 00", "FF 07 61 00 01 00 00"}));
    EXPECT_EQ(dongle.Unit(0, 0)->charge, 0);
    EXPECT_GT(dongle.Unit(0, 0)->temperature, coldTemperature);

    // Recharged 0.3 s + 20 ms per power step after firing, then a reading of the warmth.
    const SimTime rechargedAt = fired[0].at + milliseconds(300) + milliseconds(20) * flash;
    EXPECT_TRUE(RunUntil(dongle, rechargedAt - milliseconds(1)).empty());
    const auto recharged = RunUntil(dongle, rechargedAt);
    ASSERT_EQ(recharged.size(), 2u);
    EXPECT_EQ(Hex(recharged[0]), "FF 07 61 00 01 00 01");
    EXPECT_EQ(recharged[1].bytes[2], 0x3A);
    EXPECT_GT(recharged[1].bytes[6], coldTemperature);
    EXPECT_EQ(dongle.Unit(0, 0)->charge, 1);

    // It cools back to the room's temperature and says so.
    const auto cooling = RunUntil(dongle, seconds(120));
    ASSERT_FALSE(cooling.empty());
    EXPECT_EQ(Hex(cooling.back()), "FF 07 3A 00 01 00 19");  // 25
    EXPECT_EQ(dongle.Unit(0, 0)->temperature, kSimAmbientC);
    EXPECT_FALSE(dongle.NextDue().has_value()) << "nothing left to do once cold";
}

TEST(SimDongle, RepeatedFlashesOverheatTheUnit) {
    CSimDongle dongle(Config("A:0"));
    int hottest = 0;
    SimTime now(0);
    for (int flash = 0; flash < 12; ++flash) {
        Send(dongle, "FF 07 1B 00 01 00 00", now);
        now += seconds(2);  // long enough to recharge at any power
        for (const SimEmission& e : RunUntil(dongle, now)) {
            if (e.bytes[2] == 0x3A) {
                hottest = std::max<int>(hottest, e.bytes[6]);
            }
        }
    }
    EXPECT_GE(hottest, kSimOverheatC);
}

TEST(SimDongle, AUnitFiresOnlyWhenSwitchedOnAndCharged) {
    CSimDongle dongle(Config("A:0"));
    // Switched off: confirmed, and it still takes settings.
    Send(dongle, "FF 07 1D 00 01 00 00", SimTime(0));
    EXPECT_EQ(Frames(RunUntil(dongle, milliseconds(100))), (Strings{"FF 07 1D 00 01 00 00"}));
    const int temperature = dongle.Unit(0, 0)->temperature;
    Send(dongle, "FF 07 1B 00 01 00 00", milliseconds(200));
    EXPECT_TRUE(RunUntil(dongle, seconds(3)).empty());
    EXPECT_EQ(dongle.Unit(0, 0)->charge, 1);
    EXPECT_EQ(dongle.Unit(0, 0)->temperature, temperature);
    Send(dongle, "FF 07 18 00 01 00 04", seconds(3));
    EXPECT_EQ(Frames(RunUntil(dongle, seconds(4))), (Strings{"FF 07 18 00 01 00 04"}));

    // Switched on again, a second test while it recharges does not fire.
    Send(dongle, "FF 07 1D 00 01 00 01", seconds(5));
    Send(dongle, "FF 07 1B 00 01 00 00", seconds(6));
    Send(dongle, "FF 07 1B 00 01 00 00", seconds(6) + milliseconds(200));
    int drained = 0;
    for (const SimEmission& e : RunUntil(dongle, seconds(9))) {
        drained += e.bytes[2] == 0x61 && e.bytes[6] == 0 ? 1 : 0;
    }
    EXPECT_EQ(drained, 1);
}

TEST(SimDongle, JunkAndMalformedFramesAreIgnored) {
    CSimDongle dongle(Config("A:0"));
    const SimUnit before = *dongle.Unit(0, 0);
    Send(dongle, "00 11 13 FE", SimTime(0));              // junk
    Send(dongle, "FF 06 17 00 01 02", SimTime(0));        // setting one byte short
    Send(dongle, "FF 07 25 00 01 00 02", SimTime(0));     // no such type: junk
    Send(dongle, "FF 07 19 00 01 00 02", SimTime(0));     // sub-code 9 is no setting
    Send(dongle, "FF 07 17 00 01 FF 07 17", SimTime(0));  // cut short by a start byte
    EXPECT_TRUE(RunUntil(dongle, seconds(1)).empty());
    EXPECT_EQ(dongle.Unit(0, 0)->cell, before.cell);
    EXPECT_EQ(dongle.Stats().junkBytesIn, 4u + 7u + 5u);
    // The start byte that cut the last frame begins one that can still complete.
    Send(dongle, "00 01 00 00", seconds(1));
    EXPECT_EQ(Frames(RunUntil(dongle, seconds(2))), (Strings{"FF 07 17 00 01 00 00"}));
}

TEST(SimDongle, TheSameSeedGivesTheSameAnswers) {
    auto run = [](std::uint64_t seed) {
        SimConfig config = Config("A:0-9", seed);
        config.lossShare = 0.3;
        CSimDongle dongle(config);
        Send(dongle, "FF 05 00 00 41", SimTime(0));
        Send(dongle, "FF 07 1B 80 80 00 00", seconds(5));
        std::vector<std::pair<long long, std::string>> out;
        for (const SimEmission& e : RunUntil(dongle, seconds(10))) {
            out.emplace_back(e.at.count(), Hex(e));
        }
        return out;
    };
    EXPECT_EQ(run(7), run(7));
    EXPECT_NE(run(7), run(8));
}

TEST(SimDongle, LossDropsFramesInEachDirection) {
    SimConfig config = Config("A:0");
    config.lossShare = 1.0;
    CSimDongle dongle(config);
    const int cell = dongle.Unit(0, 0)->cell;
    Send(dongle, "FF 07 17 00 01 00 02", SimTime(0));
    EXPECT_EQ(dongle.Unit(0, 0)->cell, cell) << "the command was lost on its way";
    EXPECT_TRUE(dongle.ReportField(0, 0, SimField::kFlash, 50, SimTime(0)));
    EXPECT_TRUE(RunUntil(dongle, seconds(1)).empty()) << "the report was lost on its way";
    EXPECT_EQ(dongle.Stats().lostIn, 1u);
    EXPECT_EQ(dongle.Stats().lostOut, 1u);
}

TEST(SimDongle, NoiseKeepsItsRateAndNeverHoldsAStartByte) {
    SimConfig config = Config("");
    config.noiseBytesPerSec = 2000;
    CSimDongle dongle(config);
    std::size_t bytes = 0;
    for (SimTime now(0); now < seconds(3) + milliseconds(33); now += milliseconds(33)) {
        for (const SimEmission& e : RunUntil(dongle, std::min<SimTime>(now, seconds(3)))) {
            EXPECT_FALSE(e.isFrame);
            for (const quint8 b : e.bytes) {
                ASSERT_NE(b, 0xFF);
            }
            bytes += e.bytes.size();
        }
    }
    EXPECT_EQ(bytes, 6000u);  // 3 s at 2000 bytes/s

    config.noiseWithStartBytes = true;
    CSimDongle withStarts(config);
    bool sawStart = false;
    for (const SimEmission& e : RunUntil(withStarts, seconds(3))) {
        for (const quint8 b : e.bytes) {
            sawStart = sawStart || b == 0xFF;
        }
    }
    EXPECT_TRUE(sawStart);
}

TEST(SimDongle, FloodHoldsItsRateWithWellFormedInRangeReports) {
    SimConfig config = Config("A:0,5,9");
    config.floodHz = 1000;
    CSimDongle dongle(config);
    std::vector<SimEmission> sent;
    // Irregular, late wake-ups must not change how many frames are due or when.
    for (SimTime now(0); now < seconds(1); now += milliseconds(37)) {
        for (SimEmission& e : RunUntil(dongle, now)) {
            sent.push_back(std::move(e));
        }
    }
    for (SimEmission& e : RunUntil(dongle, seconds(1))) {
        sent.push_back(std::move(e));
    }
    ASSERT_EQ(sent.size(), 1001u);  // frames 0..1000, one every millisecond
    for (std::size_t k = 0; k < sent.size(); ++k) {
        const SimEmission& e = sent[k];
        EXPECT_EQ(e.at, milliseconds(static_cast<long long>(k)));
        ASSERT_EQ(e.bytes.size(), 7u);
        EXPECT_EQ(e.bytes[0], 0xFF);
        EXPECT_EQ(e.bytes[1], 0x07);
        const int sub = e.bytes[2] & 0x0F;
        const int mask = e.bytes[3] << 8 | e.bytes[4];
        EXPECT_TRUE(mask == 0x0001 || mask == 0x0100 || mask == 0x1000) << Hex(e);
        if (sub == 3 || sub == 4) {
            EXPECT_GE(e.bytes[5], 11);
            EXPECT_LE(e.bytes[5], 81);
            EXPECT_GE(e.bytes[6], 11);
            EXPECT_LE(e.bytes[6], 81);
        } else {
            EXPECT_TRUE(sub == 7 || sub == 8) << Hex(e);
        }
    }
    // The units hold what they last reported.
    const SimUnit& u = *dongle.Unit(0, 9);
    for (auto it = sent.rbegin(); it != sent.rend(); ++it) {
        if (it->bytes[3] == 0x10 && (it->bytes[2] & 0x0F) <= 4) {
            EXPECT_EQ(it->bytes[5], u.flash);
            EXPECT_EQ(it->bytes[6], u.model);
            break;
        }
    }
}
