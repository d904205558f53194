#pragma once

#include <cstdint>
#include <random>

#include "sim/CSimRadio.h"
#include "sim/CSimSchedule.h"
#include "sim/CSimUnits.h"
#include "sim/SimConfig.h"

// The load the command line can put on the program: a flood of unit reports at a fixed rate
// and line noise between the frames. Each keeps itself going through the schedule.
class CSimStress {
public:
    CSimStress(const SimConfig& config, CSimUnits& units, CSimRadio& radio, CSimSchedule& schedule);

    // Schedules the first flood frame and noise tick, for those the configuration turns on.
    void Start();
    // Flood frame k: one unit of the group listened to changes a setting and reports it.
    void Flood(std::uint64_t k, SimTime now);
    void Noise(SimTime now);

    static constexpr SimTime kNoiseTick = std::chrono::milliseconds(10);

private:
    double m_floodHz = 0;
    double m_noiseBytesPerSec = 0;
    bool m_noiseWithStartBytes = false;
    CSimUnits& m_units;
    CSimRadio& m_radio;
    CSimSchedule& m_schedule;
    std::uint64_t m_noiseBytesDue = 0;
    std::mt19937_64 m_noiseRng;
};
