#include "sim/CSimStress.h"

#include <algorithm>
#include <cmath>

#include "link/ZbConstants.h"
#include "sim/CSimEncoder.h"

namespace {

constexpr int kPowerMin = 11;
constexpr int kPowerMax = 81;
constexpr int kPowerSpan = kPowerMax - kPowerMin + 1;
constexpr std::uint64_t kMaxNoiseBurst = 65536;

// The power stepped by step within the range, wrapping round.
int StepPower(int power, int step) {
    return kPowerMin + (std::clamp(power, kPowerMin, kPowerMax) - kPowerMin + step) % kPowerSpan;
}

}  // namespace

CSimStress::CSimStress(const SimConfig& config, CSimUnits& units, CSimRadio& radio,
                       CSimSchedule& schedule)
    : m_floodHz(config.floodHz),
      m_noiseBytesPerSec(config.noiseBytesPerSec),
      m_noiseWithStartBytes(config.noiseWithStartBytes),
      m_units(units),
      m_radio(radio),
      m_schedule(schedule),
      m_noiseRng(config.seed + 0x632BE59BD9B4E019ull) {}

void CSimStress::Start() {
    if (m_floodHz > 0) {
        CSimSchedule::Item flood;
        flood.work = CSimSchedule::Work::kFlood;
        flood.token = 0;  // frame number k
        m_schedule.Add(std::move(flood));
    }
    if (m_noiseBytesPerSec > 0) {
        CSimSchedule::Item noise;
        noise.work = CSimSchedule::Work::kNoise;
        noise.due = kNoiseTick;
        m_schedule.Add(std::move(noise));
    }
}

void CSimStress::Flood(std::uint64_t k, SimTime now) {
    // Absolute schedule: frame k is due at k / rate, so the rate holds however late the
    // loop runs any single frame.
    CSimSchedule::Item next;
    next.work = CSimSchedule::Work::kFlood;
    next.token = k + 1;
    next.due = SimTime(
        static_cast<std::int64_t>(std::llround(static_cast<double>(k + 1) * 1e9 / m_floodHz)));
    m_schedule.Add(std::move(next));

    const int group = m_radio.Group();
    int present[kSimSlotCount];
    int count = 0;
    for (int i = 0; i < kSimSlotCount; ++i) {
        if (m_units.Find(group, i) != nullptr) {
            present[count++] = i;
        }
    }
    if (count == 0) {
        return;
    }
    const int index = present[k % static_cast<std::uint64_t>(count)];
    SimUnit& u = *m_units.Find(group, index);
    switch (static_cast<int>((k / static_cast<std::uint64_t>(count)) % 4)) {
        case 0:
            u.flash = StepPower(u.flash, 7);
            m_radio.EmitFromGroup(
                group, CSimEncoder::PowerReport(ZB_FLASH_POWER, index, u.flash, u.model), now);
            break;
        case 1:
            u.model = StepPower(u.model, 5);
            m_radio.EmitFromGroup(
                group, CSimEncoder::PowerReport(ZB_MODEL_POWER, index, u.flash, u.model), now);
            break;
        case 2:
            u.cell = 1 - u.cell;
            m_radio.EmitFromGroup(
                group, CSimEncoder::SwitchReport(ZB_FLASH_CELL, index, u.cell != 0), now);
            break;
        default:
            u.sound = 1 - u.sound;
            m_radio.EmitFromGroup(
                group, CSimEncoder::SwitchReport(ZB_FLASH_SOUND, index, u.sound != 0), now);
            break;
    }
}

void CSimStress::Noise(SimTime now) {
    CSimSchedule::Item next;
    next.work = CSimSchedule::Work::kNoise;
    next.due = now + kNoiseTick;
    m_schedule.Add(std::move(next));

    const auto due =
        static_cast<std::uint64_t>(m_noiseBytesPerSec * static_cast<double>(now.count()) / 1e9);
    if (due <= m_noiseBytesDue) {
        return;
    }
    const std::uint64_t count = std::min(due - m_noiseBytesDue, kMaxNoiseBurst);
    m_noiseBytesDue = due;
    // Without --noise-ff the noise never holds a start byte, so it cannot begin a frame.
    std::uniform_int_distribution<int> pick(0, m_noiseWithStartBytes ? 0xFF : 0xFE);
    SimEmission noise;
    noise.at = now;
    noise.isFrame = false;
    noise.bytes.resize(count);
    for (auto& b : noise.bytes) {
        b = static_cast<quint8>(pick(m_noiseRng));
    }
    m_radio.EmitNoise(std::move(noise));
}
