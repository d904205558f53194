#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sim/SimUnit.h"

// Which unit slots are occupied, per radio group A..E.
using SimLayout = std::array<std::array<bool, kSimSlotCount>, kSimGroupCount>;

// Everything the command line decides.
struct SimConfig {
    SimLayout units{};
    std::uint64_t seed = 1;
    int initialGroup = 0;  // the group the dongle listens to before any studio select
    bool trace = false;
    double noiseBytesPerSec = 0;  // 0: no noise
    bool noiseWithStartBytes = false;
    double lossShare = 0;  // 0..1, applied to every frame in each direction
    double floodHz = 0;    // 0: no flood
    std::string linkPath;  // empty: the per-user simulator folder
};
