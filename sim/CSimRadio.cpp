#include "sim/CSimRadio.h"

#include <algorithm>

#include "link/CZbFrameText.h"

namespace {

constexpr std::size_t kNoiseTraceBytes = 16;

}  // namespace

CSimRadio::CSimRadio(std::uint64_t seed, double lossShare, int group)
    : m_lossShare(lossShare), m_group(group), m_lossRng(seed ^ 0x9E3779B97F4A7C15ull) {}

bool CSimRadio::Hear(const ZbChunk& chunk, SimTime now) {
    if (!chunk.isFrame) {
        m_counters.junkBytesIn += chunk.bytes.size();
        Trace(now, "in ", chunk.bytes.data(), chunk.bytes.size(),
              CZbFrameText::Junk(chunk.bytes.size()));
        return false;
    }
    ++m_counters.framesIn;
    if (Lost()) {
        ++m_counters.lostIn;
        Trace(now, "in ", chunk.bytes.data(), chunk.bytes.size(),
              "LOST " + CZbFrameText::Describe(chunk.bytes.data(), chunk.bytes.size()));
        return false;
    }
    Trace(now, "in ", chunk.bytes.data(), chunk.bytes.size(),
          CZbFrameText::Describe(chunk.bytes.data(), chunk.bytes.size()));
    return true;
}

bool CSimRadio::EmitFromGroup(int group, SimFrame frame, SimTime at) {
    if (group != m_group) {
        return false;  // the dongle listens to another group now
    }
    EmitFrame(std::move(frame), at);
    return true;
}

void CSimRadio::EmitFrame(SimFrame frame, SimTime at) {
    if (Lost()) {
        ++m_counters.lostOut;
        Trace(at, "out", frame.data(), frame.size(),
              "LOST " + CZbFrameText::Describe(frame.data(), frame.size()));
        return;
    }
    ++m_counters.framesOut;
    Trace(at, "out", frame.data(), frame.size(),
          CZbFrameText::Describe(frame.data(), frame.size()));
    m_out.push_back({at, true, std::move(frame)});
}

void CSimRadio::EmitNoise(SimEmission noise) {
    const std::size_t count = noise.bytes.size();
    m_counters.noiseBytesOut += count;
    if (m_trace) {
        std::string hex =
            CZbFrameText::Hex(noise.bytes.data(), std::min<std::size_t>(count, kNoiseTraceBytes));
        if (count > kNoiseTraceBytes) {
            hex += " ...";
        }
        m_trace(CZbFrameText::Line(noise.at, "out", hex,
                                   "noise (" + std::to_string(count) + " bytes)"));
    }
    m_out.push_back(std::move(noise));
}

std::vector<SimEmission> CSimRadio::TakeEmissions() {
    std::vector<SimEmission> out;
    out.swap(m_out);
    return out;
}

bool CSimRadio::Lost() {
    if (m_lossShare <= 0) {
        return false;
    }
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_lossRng) < m_lossShare;
}

void CSimRadio::Trace(SimTime at, const char* direction, const quint8* bytes, std::size_t count,
                      const std::string& meaning) {
    if (m_trace) {
        m_trace(CZbFrameText::Line(at, direction, CZbFrameText::Hex(bytes, count), meaning));
    }
}

void CSimRadio::Note(SimTime at, const std::string& text) {
    if (m_trace) {
        m_trace(CZbFrameText::Line(at, "-- ", "", text));
    }
}
