#pragma once

#include <QtGlobal>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "link/CZbFrameSplitter.h"
#include "sim/CSimEncoder.h"
#include "sim/SimConfig.h"
#include "sim/SimUnit.h"

// Bytes the dongle hands to the port at a moment: a whole frame, or noise.
struct SimEmission {
    SimTime at{0};
    bool isFrame = true;
    std::vector<quint8> bytes;
};

// The dongle and the units behind it, without any I/O: bytes from the program go in with
// the moment they arrived, scheduled work runs when Advance is given a later moment, and
// what the dongle sends comes out of TakeEmissions stamped with its due time. With the same
// seed, inputs and moments it always answers the same. Single-threaded.
class CSimDongle {
public:
    explicit CSimDongle(const SimConfig& config);

    void Receive(const quint8* bytes, std::size_t count, SimTime now);
    // Runs, in time order, all scheduled work due at or before now.
    void Advance(SimTime now);
    std::optional<SimTime> NextDue() const;
    std::vector<SimEmission> TakeEmissions();

    // Each trace line (no newline) goes here; nothing is traced without a sink.
    void SetTraceSink(std::function<void(const std::string&)> sink) { m_trace = std::move(sink); }

    // The control channel. A unit is named by group 0..4 and index 0..9. The Report*
    // operations and SendStatus change the unit at once; its frame reaches the program only
    // when its group is the one the dongle listens to. They return false for no such unit.
    int CurrentGroup() const { return m_group; }
    const SimUnit* Unit(int group, int index) const;
    bool AddUnit(int group, int index);
    bool RemoveUnit(int group, int index);
    bool ReportField(int group, int index, SimField field, int value, SimTime now);
    bool ReportCharge(int group, int index, int charge, SimTime now);
    bool ReportTemperature(int group, int index, int value, SimTime now);
    bool SendStatus(int group, int index, SimTime now);
    // "group A", then per unit "unit A 0 flashpow=1 flash=45 ... charge=1 temp=25", then
    // "end", each line ending in '\n'.
    std::string Dump() const;

    struct Counters {
        std::uint64_t framesIn = 0;
        std::uint64_t junkBytesIn = 0;
        std::uint64_t lostIn = 0;
        std::uint64_t framesOut = 0;
        std::uint64_t lostOut = 0;
        std::uint64_t noiseBytesOut = 0;
    };
    const Counters& Stats() const { return m_counters; }

    static constexpr SimTime kStatusEarliest = std::chrono::milliseconds(200);
    static constexpr SimTime kStatusLatest = std::chrono::milliseconds(4000);
    static constexpr SimTime kReplyEarliest = std::chrono::milliseconds(20);
    static constexpr SimTime kReplyLatest = std::chrono::milliseconds(80);
    static constexpr SimTime kReplySpacing = std::chrono::milliseconds(2);
    static constexpr SimTime kRechargeBase = std::chrono::milliseconds(300);
    static constexpr SimTime kRechargePerPowerStep = std::chrono::milliseconds(20);
    static constexpr SimTime kCoolingTick = std::chrono::seconds(1);
    static constexpr SimTime kReadingInterval = std::chrono::seconds(5);
    static constexpr SimTime kNoiseTick = std::chrono::milliseconds(10);

private:
    enum class Work {
        kUnitFrame,
        kGroupFrame,
        kStatus,
        kFire,
        kRecharge,
        kCooling,
        kFlood,
        kNoise
    };
    struct Pending {
        SimTime due{0};
        std::uint64_t seq = 0;
        Work work = Work::kUnitFrame;
        int group = -1;
        int unit = -1;
        std::uint64_t unitId = 0;
        std::uint64_t token = 0;  // the status report it sends, or the flood frame number
        SimFrame frame;
    };
    struct Later {
        bool operator()(const Pending& a, const Pending& b) const {
            return a.due != b.due ? a.due > b.due : a.seq > b.seq;
        }
    };

    void Schedule(Pending pending);
    void Run(Pending& pending);
    void HandleFrame(const SimFrame& frame, SimTime now);
    void HandleSelect(const SimFrame& frame, SimTime now);
    void HandleFullSettings(const SimFrame& frame, SimTime now);
    void HandleSetting(const SimFrame& frame, SimTime now);
    void HandlePairs(const SimFrame& frame, SimTime now);
    void Fire(int group, int index, SimTime now);
    void Cool(SimTime now);
    void Flood(std::uint64_t k, SimTime now);
    void Noise(SimTime now);
    void EnsureCooling(SimTime now);

    // A frame a unit of group sends: heard only when the dongle listens to that group.
    bool EmitFromGroup(int group, SimFrame frame, SimTime at);
    void EmitFrame(SimFrame frame, SimTime at);
    void ScheduleUnitFrame(int group, int index, SimFrame frame, SimTime due);
    void EmitReading(int group, int index, SimUnit& unit, SimTime at);
    SimUnit* Live(int group, int index, std::uint64_t id);
    SimTime Between(SimTime earliest, SimTime latest);
    bool Lost();
    void Trace(SimTime at, const char* direction, const quint8* bytes, std::size_t count,
               const std::string& meaning);
    void Note(SimTime at, const std::string& text);

    SimConfig m_config;
    int m_group = 0;
    std::array<std::array<std::optional<SimUnit>, kSimSlotCount>, kSimGroupCount> m_units;
    std::uint64_t m_nextUnitId = 1;
    std::vector<Pending> m_queue;  // a heap ordered by Later
    std::uint64_t m_nextSeq = 0;
    bool m_coolingScheduled = false;
    std::uint64_t m_noiseBytesDue = 0;
    CZbFrameSplitter m_parser;
    std::vector<ZbChunk> m_chunks;
    std::vector<SimEmission> m_out;
    // Separate streams, so that for example turning noise on does not shift reply delays.
    std::mt19937_64 m_delayRng;
    std::mt19937_64 m_lossRng;
    std::mt19937_64 m_noiseRng;
    std::function<void(const std::string&)> m_trace;
    Counters m_counters;
};
