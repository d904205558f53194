#pragma once

#include <chrono>
#include <utility>
#include <vector>

// Figures for the benchmark programs.
namespace BenchStats {
// The value below which the given fraction of the samples lie (nearest rank).
double Percentile(std::vector<double> samples, double fraction);
inline double Median(std::vector<double> samples) {
    return Percentile(std::move(samples), 0.5);
}
// CPU time this process used so far, every thread, user and system.
std::chrono::duration<double> CpuTime();
// Resident memory of this process in kB.
long ResidentKb();
}  // namespace BenchStats
