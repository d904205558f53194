#pragma once

#include <QString>
#include <optional>

// The light-meter mode's arithmetic. Power values are stops, so a reading off by so many
// stops is put right by moving the flash power by the same amount, in tenths.

// An aperture as meters show it, in tenths of a stop above f/1: "8", "f/8", "8.0 +0.3",
// "5.6", "11 0.7". The marked full stops (1.4, 2.8, 5.6, 11, 22, 45) count as the stops they
// stand for, not as their rounded values; a third stop ("6.3", "7.1") as its nearest tenth.
// Nothing for text that is not one, or lies outside f/0.5 .. f/128.
std::optional<int> ApertureTenths(const QString& text);

struct MeterStep {
    int flashTenths = 0;  // the power to set, within the unit's limits
    // What the limits left undone, in tenths of a stop: above zero the light stays short of
    // the aperture wanted, below zero it stays over it.
    int shortTenths = 0;
};

// From the flash power the reading was taken at, the reading and the aperture wanted (all
// in tenths) to the power to set, clamped to POWER_MIN .. POWER_MAX.
MeterStep MeterPower(int flashTenths, int readingTenths, int wantedTenths);

// What the remote answers: "CH-03 at 6.5 for f/11", "CH-03 at 8.1, 0.4 stop short of f/11",
// "CH-03 at 1.1, 0.3 stop over f/2.8". wanted is the aperture as the photographer typed it.
QString MeterText(const QString& unit, const MeterStep& step, const QString& wanted);
