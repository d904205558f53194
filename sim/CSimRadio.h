#pragma once

#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "link/CZbFrameSplitter.h"
#include "sim/CSimEncoder.h"
#include "sim/SimConfig.h"

// Bytes the dongle hands to the port at a moment: a whole frame, or noise.
struct SimEmission {
    SimTime at{0};
    bool isFrame = true;
    std::vector<quint8> bytes;
};

// The dongle's radio and its wire to the program: the group it listens to, the loss that
// strikes frames both ways, the trace of everything that passes and the bytes waiting for the
// port. Frames in and out draw their loss from one stream, in the order they pass.
class CSimRadio {
public:
    struct Counters {
        std::uint64_t framesIn = 0;
        std::uint64_t junkBytesIn = 0;
        std::uint64_t lostIn = 0;
        std::uint64_t framesOut = 0;
        std::uint64_t lostOut = 0;
        std::uint64_t noiseBytesOut = 0;
    };

    CSimRadio(std::uint64_t seed, double lossShare, int group);

    int Group() const { return m_group; }
    void Listen(int group) { m_group = group; }

    // Traces and counts a piece of what the program sent; true for a frame that arrived.
    bool Hear(const ZbChunk& chunk, SimTime now);
    // A frame a unit of group sends: heard only when the radio listens to that group.
    bool EmitFromGroup(int group, SimFrame frame, SimTime at);
    void EmitNoise(SimEmission noise);
    std::vector<SimEmission> TakeEmissions();

    void SetTraceSink(std::function<void(const std::string&)> sink) { m_trace = std::move(sink); }
    void Note(SimTime at, const std::string& text);
    const Counters& Stats() const { return m_counters; }

private:
    bool Lost();
    void EmitFrame(SimFrame frame, SimTime at);
    void Trace(SimTime at, const char* direction, const quint8* bytes, std::size_t count,
               const std::string& meaning);

    double m_lossShare = 0;
    int m_group = 0;
    std::mt19937_64 m_lossRng;
    std::vector<SimEmission> m_out;
    std::function<void(const std::string&)> m_trace;
    Counters m_counters;
};
