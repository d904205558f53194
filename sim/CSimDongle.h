#pragma once

#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "link/CZbFrameSplitter.h"
#include "sim/CSimEncoder.h"
#include "sim/CSimRadio.h"
#include "sim/CSimSchedule.h"
#include "sim/CSimStress.h"
#include "sim/CSimUnits.h"
#include "sim/SimConfig.h"
#include "sim/SimUnit.h"

// The dongle and the units behind it, without any I/O: bytes from the program go in with
// the moment they arrived, scheduled work runs when Advance is given a later moment, and
// what the dongle sends comes out of TakeEmissions stamped with its due time. With the same
// seed, inputs and moments it always answers the same. Single-threaded.
class CSimDongle {
public:
    using Counters = CSimRadio::Counters;

    explicit CSimDongle(const SimConfig& config);
    // Its parts refer to one another, so a copy would act on the original's units.
    CSimDongle(const CSimDongle&) = delete;
    CSimDongle& operator=(const CSimDongle&) = delete;

    void Receive(const quint8* bytes, std::size_t count, SimTime now);
    // Runs, in time order, all scheduled work due at or before now.
    void Advance(SimTime now);
    std::optional<SimTime> NextDue() const { return m_schedule.NextDue(); }
    std::vector<SimEmission> TakeEmissions() { return m_radio.TakeEmissions(); }

    // Each trace line (no newline) goes here; nothing is traced without a sink.
    void SetTraceSink(std::function<void(const std::string&)> sink) {
        m_radio.SetTraceSink(std::move(sink));
    }

    // The control channel. A unit is named by group 0..4 and index 0..9. The Report*
    // operations and SendStatus change the unit at once; its frame reaches the program only
    // when its group is the one the dongle listens to. They return false for no such unit.
    int CurrentGroup() const { return m_radio.Group(); }
    const SimUnit* Unit(int group, int index) const { return m_units.Find(group, index); }
    bool AddUnit(int group, int index) { return m_units.Add(group, index); }
    bool RemoveUnit(int group, int index) { return m_units.Remove(group, index); }
    bool ReportField(int group, int index, SimField field, int value, SimTime now);
    bool ReportCharge(int group, int index, int charge, SimTime now);
    bool ReportTemperature(int group, int index, int value, SimTime now);
    bool SendStatus(int group, int index, SimTime now);
    // "group A", then per unit "unit A 0 flashpow=1 flash=45 ... charge=1 temp=25", then
    // "end", each line ending in '\n'.
    std::string Dump() const { return m_units.Dump(m_radio.Group()); }

    const Counters& Stats() const { return m_radio.Stats(); }

    static constexpr SimTime kStatusEarliest = std::chrono::milliseconds(200);
    static constexpr SimTime kStatusLatest = std::chrono::milliseconds(4000);
    static constexpr SimTime kReplyEarliest = std::chrono::milliseconds(20);
    static constexpr SimTime kReplyLatest = std::chrono::milliseconds(80);
    static constexpr SimTime kReplySpacing = std::chrono::milliseconds(2);
    static constexpr SimTime kRechargeBase = std::chrono::milliseconds(300);
    static constexpr SimTime kRechargePerPowerStep = std::chrono::milliseconds(20);
    static constexpr SimTime kCoolingTick = std::chrono::seconds(1);
    static constexpr SimTime kReadingInterval = std::chrono::seconds(5);
    static constexpr SimTime kNoiseTick = CSimStress::kNoiseTick;

private:
    using Work = CSimSchedule::Work;
    using Pending = CSimSchedule::Item;

    void Run(Pending& pending);
    void HandleFrame(const SimFrame& frame, SimTime now);
    void HandleSelect(const SimFrame& frame, SimTime now);
    void HandleFullSettings(const SimFrame& frame, SimTime now);
    void HandleSetting(const SimFrame& frame, SimTime now);
    void HandlePairs(const SimFrame& frame, SimTime now);
    void Fire(int group, int index, SimTime now);
    void Recharge(int group, int index, SimUnit& unit, SimTime now);
    void Cool(SimTime now);
    void EnsureCooling(SimTime now);

    // Work for one unit's life: dropped when that unit is gone by the time it is due.
    void ScheduleForUnit(Work work, int group, int index, SimTime due, SimFrame frame = {});
    void EmitReading(int group, int index, SimUnit& unit, SimTime at);
    SimTime Between(SimTime earliest, SimTime latest);

    CSimRadio m_radio;
    CSimSchedule m_schedule;
    CSimUnits m_units;
    CSimStress m_stress;
    bool m_coolingScheduled = false;
    CZbFrameSplitter m_parser;
    std::vector<ZbChunk> m_chunks;
    // A stream of its own, so that for example turning noise on does not shift reply delays.
    std::mt19937_64 m_delayRng;
};
