// The program's radio road (serial link, assembler, protocol, report handler, model) against
// the real simulator in a child process, over the pseudo-terminal it publishes.
#include <gtest/gtest.h>

#include <QDir>

#include <unistd.h>

#include "link/AppMessages.h"
#include "link/ZbConstants.h"
#include "model/FieldCode.h"
#include "support/CSimLinkHarness.h"
#include "support/CSimProcess.h"

using namespace std::chrono_literals;

namespace {

// Generous: waiting ends as soon as the condition holds.
constexpr auto kReplyWait = 10s;

QString UnitKey(int studio, int index) {
    return QString(QChar('A' + studio)) + QString::number(index);
}

class SimEndToEnd : public ::testing::Test {
protected:
    // Starts a simulator with these units and opens the program's link on its port.
    void Connect(CSimProcess& sim, const QString& units, QStringList extra = {}) {
        extra << QStringLiteral("--units") << units << QStringLiteral("--seed")
              << QStringLiteral("7") << QStringLiteral("--link") << LinkPath();
        ASSERT_TRUE(sim.Start(extra)) << qPrintable(sim.StdErr());
        ASSERT_TRUE(harness.Open(sim.DevicePath()));
    }
    static QString LinkPath() {
        static int n = 0;
        return QDir::tempPath() + QStringLiteral("/strobe-sim-e2e-%1-%2").arg(::getpid()).arg(++n);
    }
    // Makes units of the current studio report themselves now, without a six-second scan.
    void Announce(CSimProcess& sim, int studio, std::initializer_list<int> units) {
        for (const int i : units) {
            ASSERT_EQ(sim.Command(QStringLiteral("status %1 %2").arg(QChar('A' + studio)).arg(i)),
                      QStringLiteral("ok"));
        }
        ASSERT_TRUE(WaitUntil(
            [&] { return harness.Studio(studio).nChItemCnt == static_cast<int>(units.size()); },
            kReplyWait));
    }
    // The fields of the simulated unit equal the program's record of it.
    static bool Same(const QMap<QString, int>& sim, const StrobeData& unit) {
        return sim.value("flashpow") == unit.bFlashPow && sim.value("flash") == unit.nFlashValue &&
               sim.value("model") == unit.nModelValue && sim.value("cell") == unit.bFlashCell &&
               sim.value("sound") == unit.bFlashSnd && sim.value("mode1") == unit.nModelMode1 &&
               sim.value("mode2") == unit.nModelMode2 && sim.value("modelpow") == unit.bModelPow;
    }
    int Changed(const StrobeData* unit, int field) const {
        int n = 0;
        for (const auto& e : harness.Of(WM_ZB_UNIT_CHANGED)) {
            n += e.wParam == field && e.unit == RefOf(unit) ? 1 : 0;
        }
        return n;
    }

    CSimLinkHarness harness;
};

}  // namespace

TEST_F(SimEndToEnd, AStudioSelectBringsExactlyThatGroupsUnitsWithinTheScan) {
    CSimProcess sim;
    Connect(sim, QStringLiteral("A:0,2;C:1,4,9"));
    harness.MakeCurrent(2);
    ASSERT_TRUE(harness.protocol.SelectStudio(2));
    // The scan lasts six seconds: that is the limit, not a margin.
    EXPECT_TRUE(WaitUntil([&] { return harness.Studio(2).nChItemCnt == 3; }, 6s));
    const StudioData& studio = harness.Studio(2);
    for (int i = 0; i < kSlotCount; ++i) {
        EXPECT_EQ(studio.UnitAt(i) != nullptr, i == 1 || i == 4 || i == 9) << "slot " << i;
    }
    EXPECT_EQ(harness.Count(WM_ZB_NEW_UNIT), 3);
    EXPECT_EQ(harness.Studio(0).nChItemCnt, 0);
    // What the program now shows is what the units hold.
    const auto dump = sim.Dump();
    for (const int i : {1, 4, 9}) {
        ASSERT_NE(studio.UnitAt(i), nullptr);
        EXPECT_TRUE(Same(dump.value(UnitKey(2, i)), *studio.UnitAt(i))) << "unit " << i;
    }
}

TEST_F(SimEndToEnd, CommandsChangeTheSimulatedUnitsAndTheirConfirmationsComeBack) {
    CSimProcess sim;
    Connect(sim, QStringLiteral("A:0,2,7"));
    Announce(sim, 0, {0, 2, 7});
    StudioData& studio = harness.Studio(0);
    StrobeData* unit = studio.UnitAt(2);
    ASSERT_NE(unit, nullptr);

    // One setting: the unit takes it, and its report comes back into the model.
    unit->bFlashCell = unit->bFlashCell != 0 ? 0 : 1;
    ASSERT_TRUE(harness.protocol.SendUnitCommand(ZB_FLASH_CELL, 0, unit));
    EXPECT_TRUE(WaitUntil([&] { return Changed(unit, kFieldFlashCell) == 1; }, kReplyWait));
    EXPECT_EQ(sim.Dump().value(UnitKey(0, 2)).value("cell"), unit->bFlashCell);

    // A power the program shows wrongly is put right by the unit's confirmation.
    unit->nFlashValue = 66;
    unit->nModelValue = 22;
    ASSERT_TRUE(harness.protocol.SendUnitCommand(ZB_FLASH_POWER, 0, unit));
    unit->nFlashValue = 11;  // as if the display had slipped meanwhile
    EXPECT_TRUE(WaitUntil([&] { return unit->nFlashValue == 66; }, kReplyWait));
    EXPECT_EQ(unit->nModelValue, 22);

    // Full settings for unit 7: every field lands in the simulator and is confirmed.
    StrobeData wanted;
    wanted.nChNum = 7;
    wanted.bFlashPow = 1;
    wanted.nFlashValue = 33;
    wanted.nModelValue = 44;
    wanted.bFlashCell = 1;
    wanted.bFlashSnd = 1;
    wanted.nModelMode1 = 1;
    wanted.nModelMode2 = 1;
    wanted.bModelPow = 0;
    ASSERT_TRUE(harness.protocol.SendUnitSettings(0, &wanted));
    StrobeData* seven = studio.UnitAt(7);
    EXPECT_TRUE(WaitUntil([&] { return Changed(seven, kFieldFlashPow) == 1; }, kReplyWait));
    EXPECT_TRUE(Same(sim.Dump().value(UnitKey(0, 7)), wanted));
    EXPECT_TRUE(Same(sim.Dump().value(UnitKey(0, 7)), *seven));

    // Power pairs for the whole studio; a unit whose pair holds 0 keeps its values.
    studio.UnitAt(0)->nFlashValue = 51;
    studio.UnitAt(0)->nModelValue = 52;
    studio.UnitAt(2)->nFlashValue = 0;
    const int twoBefore = sim.Dump().value(UnitKey(0, 2)).value("flash");
    ASSERT_TRUE(harness.protocol.SendPowerPairs(ZB_FLASH_TABLE, &studio));
    studio.UnitAt(0)->nFlashValue = 11;
    EXPECT_TRUE(WaitUntil([&] { return studio.UnitAt(0)->nFlashValue == 51; }, kReplyWait));
    const auto dump = sim.Dump();
    EXPECT_EQ(dump.value(UnitKey(0, 0)).value("flash"), 51);
    EXPECT_EQ(dump.value(UnitKey(0, 0)).value("model"), 52);
    EXPECT_EQ(dump.value(UnitKey(0, 2)).value("flash"), twoBefore);
}

TEST_F(SimEndToEnd, ChangesMadeAtAUnitReachTheModel) {
    CSimProcess sim;
    Connect(sim, QStringLiteral("A:3"));
    Announce(sim, 0, {3});
    StrobeData* unit = harness.Studio(0).UnitAt(3);
    ASSERT_EQ(sim.Command(QStringLiteral("report A 3 model 77")), QStringLiteral("ok"));
    ASSERT_EQ(sim.Command(QStringLiteral("report A 3 mode2 1")), QStringLiteral("ok"));
    ASSERT_EQ(sim.Command(QStringLiteral("temp A 3 75")), QStringLiteral("ok"));
    EXPECT_TRUE(WaitUntil([&] { return unit->nTemperature == 75; }, kReplyWait));
    EXPECT_EQ(unit->nModelValue, 77);
    EXPECT_EQ(unit->nModelMode2, 1);
    // A unit of a group the dongle does not listen to is not heard.
    ASSERT_EQ(sim.Command(QStringLiteral("add B 3")), QStringLiteral("ok"));
    ASSERT_EQ(sim.Command(QStringLiteral("report B 3 model 12")), QStringLiteral("ok"));
    ASSERT_EQ(sim.Command(QStringLiteral("report A 3 model 78")), QStringLiteral("ok"));
    EXPECT_TRUE(WaitUntil([&] { return unit->nModelValue == 78; }, kReplyWait));
    EXPECT_EQ(Changed(unit, kFieldModelValue), 2);
}

TEST_F(SimEndToEnd, ATestFlashDrainsTheChargeThenRestoresIt) {
    CSimProcess sim;
    Connect(sim, QStringLiteral("A:1,5"));
    Announce(sim, 0, {1, 5});
    StrobeData* one = harness.Studio(0).UnitAt(1);
    StrobeData* five = harness.Studio(0).UnitAt(5);
    // "Test" to every unit at once.
    ASSERT_TRUE(harness.protocol.SendUnitCommand(ZB_TEST, ZB_ALL_UNITS_MASK, one));
    EXPECT_TRUE(WaitUntil(
        [&] {
            return Changed(one, kFieldFlashCharge) == 2 && Changed(five, kFieldFlashCharge) == 2;
        },
        kReplyWait));
    for (const StrobeData* unit : {one, five}) {
        EXPECT_EQ(unit->bFlashCharge, 1);
        int drainedAt = -1;
        int restoredAt = -1;
        const auto changed = harness.Of(WM_ZB_UNIT_CHANGED);
        for (int k = 0; k < changed.size(); ++k) {
            if (changed[k].unit == RefOf(unit) && changed[k].wParam == kFieldFlashCharge) {
                (drainedAt < 0 ? drainedAt : restoredAt) = k;
            }
        }
        EXPECT_LT(drainedAt, restoredAt);
        // The flash warmed it, and it said so.
        EXPECT_TRUE(WaitUntil([&] { return unit->nTemperature > 25; }, kReplyWait));
    }
    EXPECT_EQ(sim.Dump().value(UnitKey(0, 1)).value("charge"), 1);
}

TEST_F(SimEndToEnd, NoiseBetweenFramesLosesNoFrame) {
    CSimProcess sim;
    Connect(sim, QStringLiteral("A:0"), {QStringLiteral("--noise"), QStringLiteral("10000")});
    Announce(sim, 0, {0});
    StrobeData* unit = harness.Studio(0).UnitAt(0);
    // The ring holds 0.4 s of this noise. sim.Command() would stop this thread draining it while
    // the simulator answers (slowly, under the sanitizers on a busy machine); the program's own
    // UI thread never waits on the simulator, so this test goes on draining meanwhile.
    const auto commandDraining = [&sim](const QString& line) {
        QString answer;
        if (sim.Send(line)) {
            WaitUntil([&] { return !(answer = sim.ReadLine(1ms)).isEmpty(); }, kReplyWait);
        }
        return answer;
    };
    constexpr int kReports = 60;
    for (int k = 0; k < kReports; ++k) {
        const int value = 11 + k;
        ASSERT_EQ(commandDraining(QStringLiteral("report A 0 flash %1").arg(value)),
                  QStringLiteral("ok"));
        PumpEvents(5ms);  // lets noise in before the next report
    }
    EXPECT_TRUE(WaitUntil([&] { return Changed(unit, kFieldFlashValue) == kReports; }, kReplyWait));
    EXPECT_EQ(unit->nFlashValue, 11 + kReports - 1);
    EXPECT_EQ(harness.alerts.size(), 0)
        << qPrintable(harness.alerts.isEmpty() ? QString() : harness.alerts.front().text);
}

TEST_F(SimEndToEnd, UnpluggingEndsTheLinkOnceAndAFreshSimulatorConnects) {
    {
        CSimProcess sim;
        Connect(sim, QStringLiteral("A:0"));
        Announce(sim, 0, {0});
        const quint32 generation = harness.link.Generation();
        ASSERT_EQ(sim.Command(QStringLiteral("unplug")), QStringLiteral("ok"));
        EXPECT_TRUE(WaitUntil([&] { return harness.Count(kClosedNotice) == 1; }, kReplyWait));
        EXPECT_EQ(sim.WaitForExit(), 0);
        PumpEvents(200ms);
        ASSERT_EQ(harness.Count(kClosedNotice), 1);
        EXPECT_EQ(harness.Of(kClosedNotice)[0].wParam, static_cast<qintptr>(generation));
    }
    CSimProcess fresh;
    Connect(fresh, QStringLiteral("A:0,6"));
    ASSERT_EQ(fresh.Command(QStringLiteral("status A 6")), QStringLiteral("ok"));
    ASSERT_EQ(fresh.Command(QStringLiteral("status A 0")), QStringLiteral("ok"));
    // Unit 0 was known from the first simulator: it is refreshed, unit 6 is new.
    EXPECT_TRUE(WaitUntil(
        [&] { return harness.Count(WM_ZB_UNIT_STATUS) == 1 && harness.Count(WM_ZB_NEW_UNIT) == 2; },
        kReplyWait));
    EXPECT_EQ(harness.Studio(0).nChItemCnt, 2);
    // Commands reach the new simulator too.
    StrobeData* six = harness.Studio(0).UnitAt(6);
    six->bFlashSnd = six->bFlashSnd != 0 ? 0 : 1;
    ASSERT_TRUE(harness.protocol.SendUnitCommand(ZB_FLASH_SOUND, 0, six));
    EXPECT_TRUE(WaitUntil([&] { return Changed(six, kFieldFlashSound) == 1; }, kReplyWait));
    EXPECT_EQ(fresh.Dump().value(UnitKey(0, 6)).value("sound"), six->bFlashSnd);
}
