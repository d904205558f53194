#pragma once

#include <chrono>
#include <cstdint>

// Simulated time: nanoseconds since the simulator started. The core never reads a clock of
// its own, so tests drive it through any sequence of moments.
using SimTime = std::chrono::nanoseconds;

inline constexpr int kSimGroupCount = 5;  // radio groups A..E
inline constexpr int kSimSlotCount = 10;  // unit indexes 0..9 per group
inline constexpr int kSimAmbientC = 25;   // a cold unit's temperature
inline constexpr int kSimOverheatC = 60;  // the program shows this and above as overheated
inline constexpr int kSimMaxTemperatureC = 150;

// What a unit can be told to report from the control channel, by name.
enum class SimField { kFlash, kModel, kCell, kSound, kMode1, kMode2, kModelPow, kFlashPow };

// One simulated strobe unit: its nine settings (charge included) and its temperature, plus
// the bookkeeping that the dongle's scheduled work checks against.
struct SimUnit {
    int flashPow = 1;
    int flash = 45;
    int model = 50;
    int cell = 0;
    int sound = 0;
    int mode1 = 0;
    int mode2 = 0;
    int modelPow = 1;
    int charge = 1;
    int temperature = kSimAmbientC;

    // Identity of this unit's life: work scheduled for a unit that was removed (and perhaps
    // added again) meanwhile is recognised as stale and dropped.
    std::uint64_t id = 0;
    // Only the newest scheduled status report of a unit is sent.
    std::uint64_t statusToken = 0;
    bool recharging = false;
    SimTime lastReadingAt{0};
    int lastReportedTemperature = kSimAmbientC;
};

// The varied settings a unit starts with, so that units of a demo studio look different.
SimUnit MakeDefaultUnit(int group, int index);

int SimFieldValue(const SimUnit& unit, SimField field);
// Power fields take the value as it is; switches become 0 or 1.
void SetSimField(SimUnit& unit, SimField field, int value);
