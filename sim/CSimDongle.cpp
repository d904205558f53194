#include "sim/CSimDongle.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "link/CZbFrameText.h"
#include "link/ZbConstants.h"

namespace {

constexpr int kPowerMin = 11;
constexpr int kPowerMax = 81;
constexpr std::size_t kNoiseTraceBytes = 16;
constexpr std::uint64_t kMaxNoiseBurst = 65536;

bool InPowerRange(int value) {
    return value >= kPowerMin && value <= kPowerMax;
}

std::string UnitName(int group, int index) {
    return std::string(1, static_cast<char>('A' + group)) + std::to_string(index);
}

}  // namespace

CSimDongle::CSimDongle(const SimConfig& config)
    : m_config(config),
      m_group(config.initialGroup),
      m_delayRng(config.seed),
      m_lossRng(config.seed ^ 0x9E3779B97F4A7C15ull),
      m_noiseRng(config.seed + 0x632BE59BD9B4E019ull) {
    for (int g = 0; g < kSimGroupCount; ++g) {
        for (int i = 0; i < kSimSlotCount; ++i) {
            if (config.units[g][i]) {
                AddUnit(g, i);
            }
        }
    }
    if (config.floodHz > 0) {
        Pending flood;
        flood.work = Work::kFlood;
        flood.token = 0;  // frame number k
        Schedule(std::move(flood));
    }
    if (config.noiseBytesPerSec > 0) {
        Pending noise;
        noise.work = Work::kNoise;
        noise.due = kNoiseTick;
        Schedule(std::move(noise));
    }
}

// --- scheduling -------------------------------------------------------------------------

void CSimDongle::Schedule(Pending pending) {
    pending.seq = m_nextSeq++;
    m_queue.push_back(std::move(pending));
    std::push_heap(m_queue.begin(), m_queue.end(), Later{});
}

std::optional<SimTime> CSimDongle::NextDue() const {
    if (m_queue.empty()) {
        return std::nullopt;
    }
    return m_queue.front().due;
}

void CSimDongle::Advance(SimTime now) {
    while (!m_queue.empty() && m_queue.front().due <= now) {
        std::pop_heap(m_queue.begin(), m_queue.end(), Later{});
        Pending pending = std::move(m_queue.back());
        m_queue.pop_back();
        Run(pending);
    }
}

std::vector<SimEmission> CSimDongle::TakeEmissions() {
    std::vector<SimEmission> out;
    out.swap(m_out);
    return out;
}

SimTime CSimDongle::Between(SimTime earliest, SimTime latest) {
    using std::chrono::microseconds;
    std::uniform_int_distribution<long long> pick(
        std::chrono::duration_cast<microseconds>(earliest).count(),
        std::chrono::duration_cast<microseconds>(latest).count());
    return microseconds(pick(m_delayRng));
}

bool CSimDongle::Lost() {
    if (m_config.lossShare <= 0) {
        return false;
    }
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_lossRng) < m_config.lossShare;
}

SimUnit* CSimDongle::Live(int group, int index, std::uint64_t id) {
    if (group < 0 || group >= kSimGroupCount || index < 0 || index >= kSimSlotCount) {
        return nullptr;
    }
    auto& slot = m_units[group][index];
    return slot && slot->id == id ? &*slot : nullptr;
}

void CSimDongle::ScheduleUnitFrame(int group, int index, SimFrame frame, SimTime due) {
    Pending p;
    p.due = due;
    p.work = Work::kUnitFrame;
    p.group = group;
    p.unit = index;
    p.unitId = m_units[group][index]->id;
    p.frame = std::move(frame);
    Schedule(std::move(p));
}

void CSimDongle::Run(Pending& p) {
    switch (p.work) {
        case Work::kUnitFrame:
            if (Live(p.group, p.unit, p.unitId) != nullptr) {
                EmitFromGroup(p.group, std::move(p.frame), p.due);
            }
            break;
        case Work::kGroupFrame:
            EmitFromGroup(p.group, std::move(p.frame), p.due);
            break;
        case Work::kStatus:
            if (SimUnit* unit = Live(p.group, p.unit, p.unitId);
                unit != nullptr && unit->statusToken == p.token) {
                EmitFromGroup(p.group, CSimEncoder::Status(p.unit, *unit), p.due);
            }
            break;
        case Work::kFire:
            if (Live(p.group, p.unit, p.unitId) != nullptr) {
                Fire(p.group, p.unit, p.due);
            }
            break;
        case Work::kRecharge:
            if (SimUnit* unit = Live(p.group, p.unit, p.unitId); unit != nullptr) {
                unit->recharging = false;
                unit->charge = 1;
                EmitFromGroup(p.group, CSimEncoder::Event(ZB_CHARGE, p.unit, 1), p.due);
                EmitReading(p.group, p.unit, *unit, p.due);
            }
            break;
        case Work::kCooling:
            m_coolingScheduled = false;
            Cool(p.due);
            break;
        case Work::kFlood:
            Flood(p.token, p.due);
            break;
        case Work::kNoise:
            Noise(p.due);
            break;
    }
}

// --- what the program sends ---------------------------------------------------------------

void CSimDongle::Receive(const quint8* bytes, std::size_t count, SimTime now) {
    m_chunks.clear();
    m_parser.Feed(bytes, count, m_chunks);
    for (ZbChunk& chunk : m_chunks) {
        if (!chunk.isFrame) {
            m_counters.junkBytesIn += chunk.bytes.size();
            Trace(now, "in ", chunk.bytes.data(), chunk.bytes.size(),
                  CZbFrameText::Junk(chunk.bytes.size()));
            continue;
        }
        ++m_counters.framesIn;
        if (Lost()) {
            ++m_counters.lostIn;
            Trace(now, "in ", chunk.bytes.data(), chunk.bytes.size(),
                  "LOST " + CZbFrameText::Describe(chunk.bytes.data(), chunk.bytes.size()));
            continue;
        }
        Trace(now, "in ", chunk.bytes.data(), chunk.bytes.size(),
              CZbFrameText::Describe(chunk.bytes.data(), chunk.bytes.size()));
        HandleFrame(chunk.bytes, now);
    }
}

void CSimDongle::HandleFrame(const SimFrame& f, SimTime now) {
    const quint8 command = f[2];
    if (command == ZB_TYPE_SELECT && f.size() == ZB_SELECT_LEN) {
        HandleSelect(f, now);
    } else if (command == ZB_TYPE_STATUS && f.size() == ZB_SETTINGS_LEN) {
        HandleFullSettings(f, now);
    } else if ((command == (ZB_TYPE_SETTING | ZB_FLASH_TABLE) ||
                command == (ZB_TYPE_SETTING | ZB_MODEL_TABLE)) &&
               f.size() == ZB_PAIRS_LEN) {
        HandlePairs(f, now);
    } else if ((command & 0xF0) == ZB_TYPE_SETTING && f.size() == ZB_COMMAND_LEN) {
        HandleSetting(f, now);
    } else {
        Note(now, "frame not understood, ignored");
    }
}

void CSimDongle::HandleSelect(const SimFrame& f, SimTime now) {
    const int group = f[4] - 'A';
    if (f[3] != 0 || group < 0 || group >= kSimGroupCount) {
        Note(now, "select of no group, ignored");
        return;
    }
    m_group = group;
    for (int i = 0; i < kSimSlotCount; ++i) {
        auto& unit = m_units[group][i];
        if (!unit) {
            continue;
        }
        // A second select supersedes the status still pending from the first.
        Pending p;
        p.due = now + Between(kStatusEarliest, kStatusLatest);
        p.work = Work::kStatus;
        p.group = group;
        p.unit = i;
        p.unitId = unit->id;
        p.token = ++unit->statusToken;
        Schedule(std::move(p));
    }
}

void CSimDongle::HandleFullSettings(const SimFrame& f, SimTime now) {
    const quint16 mask = static_cast<quint16>(f[3] << 8 | f[4]);
    for (const int i : CSimEncoder::UnitsOf(mask)) {
        auto& slot = m_units[m_group][i];
        if (!slot) {
            continue;
        }
        SimUnit& u = *slot;
        u.flashPow = f[5] != 0 ? 1 : 0;
        if (InPowerRange(f[6])) {
            u.flash = f[6];
        }
        if (InPowerRange(f[7])) {
            u.model = f[7];
        }
        u.cell = f[8] != 0 ? 1 : 0;
        u.sound = f[9] != 0 ? 1 : 0;
        u.mode1 = f[10] != 0 ? 1 : 0;
        u.mode2 = f[11] != 0 ? 1 : 0;
        u.modelPow = f[12] != 0 ? 1 : 0;
        // The unit confirms each setting as it takes it.
        const SimFrame replies[] = {
            CSimEncoder::PowerReport(ZB_FLASH_POWER, i, u.flash, u.model),
            CSimEncoder::SwitchReport(ZB_MODEL_MODE1, i, u.mode1 != 0),
            CSimEncoder::SwitchReport(ZB_MODEL_MODE2, i, u.mode2 != 0),
            CSimEncoder::SwitchReport(ZB_FLASH_CELL, i, u.cell != 0),
            CSimEncoder::SwitchReport(ZB_FLASH_SOUND, i, u.sound != 0),
            CSimEncoder::SwitchReport(ZB_MODEL_POW, i, u.modelPow != 0),
            CSimEncoder::SwitchReport(ZB_FLASH_POW, i, u.flashPow != 0),
        };
        SimTime due = now + Between(kReplyEarliest, kReplyLatest);
        for (const SimFrame& reply : replies) {
            ScheduleUnitFrame(m_group, i, reply, due);
            due += kReplySpacing;
        }
    }
}

void CSimDongle::HandleSetting(const SimFrame& f, SimTime now) {
    const quint8 sub = f[2] & 0x0F;
    const quint16 mask = static_cast<quint16>(f[3] << 8 | f[4]);
    const bool known = sub == ZB_FLASH_POWER || sub == ZB_MODEL_POWER || sub == ZB_TEST ||
                       CSimEncoder::SwitchBit(sub) != 0;
    if (!known) {
        Note(now, "setting the units do not know, ignored");
        return;
    }
    for (const int i : CSimEncoder::UnitsOf(mask)) {
        auto& slot = m_units[m_group][i];
        if (!slot) {
            continue;
        }
        SimUnit& u = *slot;
        const SimTime due = now + Between(kReplyEarliest, kReplyLatest);
        if (sub == ZB_TEST) {
            Pending p;
            p.due = due;
            p.work = Work::kFire;
            p.group = m_group;
            p.unit = i;
            p.unitId = u.id;
            Schedule(std::move(p));
            continue;
        }
        if (sub == ZB_FLASH_POWER || sub == ZB_MODEL_POWER) {
            // Both powers travel together; a value out of range is not taken.
            if (InPowerRange(f[5])) {
                u.flash = f[5];
            }
            if (InPowerRange(f[6])) {
                u.model = f[6];
            }
            ScheduleUnitFrame(m_group, i, CSimEncoder::PowerReport(sub, i, u.flash, u.model), due);
            continue;
        }
        const int on = f[6] != 0 ? 1 : 0;
        switch (sub) {
            case ZB_MODEL_MODE1:
                u.mode1 = on;
                break;
            case ZB_MODEL_MODE2:
                u.mode2 = on;
                break;
            case ZB_FLASH_CELL:
                u.cell = on;
                break;
            case ZB_FLASH_SOUND:
                u.sound = on;
                break;
            case ZB_MODEL_POW:
                u.modelPow = on;
                break;
            case ZB_FLASH_POW:
                u.flashPow = on;
                break;
            default:
                break;
        }
        ScheduleUnitFrame(m_group, i, CSimEncoder::SwitchReport(sub, i, on != 0), due);
    }
}

void CSimDongle::HandlePairs(const SimFrame& f, SimTime now) {
    std::array<std::pair<quint8, quint8>, 10> confirmed{};
    bool any = false;
    for (int i = 0; i < kSimSlotCount; ++i) {
        auto& slot = m_units[m_group][i];
        const int flash = f[3 + 2 * i];
        const int model = f[4 + 2 * i];
        if (!slot || flash == 0 || model == 0) {
            continue;  // a pair holding 0 leaves the unit as it is
        }
        if (InPowerRange(flash)) {
            slot->flash = flash;
        }
        if (InPowerRange(model)) {
            slot->model = model;
        }
        confirmed[i] = {static_cast<quint8>(slot->flash), static_cast<quint8>(slot->model)};
        any = true;
    }
    if (!any) {
        return;
    }
    Pending p;
    p.due = now + Between(kReplyEarliest, kReplyLatest);
    p.work = Work::kGroupFrame;
    p.group = m_group;
    p.frame = CSimEncoder::Pairs(f[2] & 0x0F, confirmed);
    Schedule(std::move(p));
}

// --- the units' own life ------------------------------------------------------------------

void CSimDongle::Fire(int group, int index, SimTime now) {
    SimUnit& u = *m_units[group][index];
    if (u.flashPow == 0) {
        Note(now, "unit " + UnitName(group, index) + " is switched off and does not fire");
        return;
    }
    if (u.charge == 0) {
        Note(now, "unit " + UnitName(group, index) + " is not charged and does not fire");
        return;
    }
    EmitFromGroup(group, CSimEncoder::Event(ZB_TEST, index, 0), now);
    u.charge = 0;
    u.recharging = true;
    EmitFromGroup(group, CSimEncoder::Event(ZB_CHARGE, index, 0), now);
    u.temperature = std::min(kSimMaxTemperatureC, u.temperature + 3 + u.flash / 10);
    Pending p;
    p.due = now + kRechargeBase + kRechargePerPowerStep * u.flash;
    p.work = Work::kRecharge;
    p.group = group;
    p.unit = index;
    p.unitId = u.id;
    Schedule(std::move(p));
    EnsureCooling(now);
}

void CSimDongle::EnsureCooling(SimTime now) {
    if (!m_coolingScheduled) {
        m_coolingScheduled = true;
        Pending p;
        p.due = now + kCoolingTick;
        p.work = Work::kCooling;
        Schedule(std::move(p));
    }
}

void CSimDongle::Cool(SimTime now) {
    bool settling = false;
    for (int g = 0; g < kSimGroupCount; ++g) {
        for (int i = 0; i < kSimSlotCount; ++i) {
            auto& slot = m_units[g][i];
            if (!slot) {
                continue;
            }
            SimUnit& u = *slot;
            if (u.temperature != kSimAmbientC) {
                u.temperature += u.temperature > kSimAmbientC ? -1 : 1;
            }
            // Readings now and then while the unit settles, and one when it has settled.
            if (u.temperature != u.lastReportedTemperature &&
                (now - u.lastReadingAt >= kReadingInterval || u.temperature == kSimAmbientC)) {
                EmitReading(g, i, u, now);
            }
            settling = settling || u.temperature != kSimAmbientC;
        }
    }
    if (settling) {
        EnsureCooling(now);
    }
}

void CSimDongle::EmitReading(int group, int index, SimUnit& unit, SimTime at) {
    if (EmitFromGroup(
            group,
            CSimEncoder::Reading(ZB_TEMPERATURE, index,
                                 static_cast<quint8>(std::clamp(unit.temperature, 0, 255))),
            at)) {
        unit.lastReadingAt = at;
        unit.lastReportedTemperature = unit.temperature;
    }
}

void CSimDongle::Flood(std::uint64_t k, SimTime now) {
    // Absolute schedule: frame k is due at k / rate, so the rate holds however late the
    // loop runs any single frame.
    Pending next;
    next.work = Work::kFlood;
    next.token = k + 1;
    next.due = SimTime(static_cast<std::int64_t>(
        std::llround(static_cast<double>(k + 1) * 1e9 / m_config.floodHz)));
    Schedule(std::move(next));

    int present[kSimSlotCount];
    int count = 0;
    for (int i = 0; i < kSimSlotCount; ++i) {
        if (m_units[m_group][i]) {
            present[count++] = i;
        }
    }
    if (count == 0) {
        return;
    }
    const int index = present[k % static_cast<std::uint64_t>(count)];
    SimUnit& u = *m_units[m_group][index];
    const auto step = static_cast<int>((k / static_cast<std::uint64_t>(count)) % 4);
    constexpr int kSpan = kPowerMax - kPowerMin + 1;
    switch (step) {
        case 0:
            u.flash =
                kPowerMin + (std::clamp(u.flash, kPowerMin, kPowerMax) - kPowerMin + 7) % kSpan;
            EmitFromGroup(m_group,
                          CSimEncoder::PowerReport(ZB_FLASH_POWER, index, u.flash, u.model), now);
            break;
        case 1:
            u.model =
                kPowerMin + (std::clamp(u.model, kPowerMin, kPowerMax) - kPowerMin + 5) % kSpan;
            EmitFromGroup(m_group,
                          CSimEncoder::PowerReport(ZB_MODEL_POWER, index, u.flash, u.model), now);
            break;
        case 2:
            u.cell = 1 - u.cell;
            EmitFromGroup(m_group, CSimEncoder::SwitchReport(ZB_FLASH_CELL, index, u.cell != 0),
                          now);
            break;
        default:
            u.sound = 1 - u.sound;
            EmitFromGroup(m_group, CSimEncoder::SwitchReport(ZB_FLASH_SOUND, index, u.sound != 0),
                          now);
            break;
    }
}

void CSimDongle::Noise(SimTime now) {
    Pending next;
    next.work = Work::kNoise;
    next.due = now + kNoiseTick;
    Schedule(std::move(next));

    const auto due = static_cast<std::uint64_t>(m_config.noiseBytesPerSec *
                                                static_cast<double>(now.count()) / 1e9);
    if (due <= m_noiseBytesDue) {
        return;
    }
    const std::uint64_t count = std::min(due - m_noiseBytesDue, kMaxNoiseBurst);
    m_noiseBytesDue = due;
    // Without --noise-ff the noise never holds a start byte, so it cannot begin a frame.
    std::uniform_int_distribution<int> pick(0, m_config.noiseWithStartBytes ? 0xFF : 0xFE);
    SimEmission e;
    e.at = now;
    e.isFrame = false;
    e.bytes.resize(count);
    for (auto& b : e.bytes) {
        b = static_cast<quint8>(pick(m_noiseRng));
    }
    m_counters.noiseBytesOut += count;
    if (m_trace) {
        std::string hex =
            CZbFrameText::Hex(e.bytes.data(), std::min<std::size_t>(count, kNoiseTraceBytes));
        if (count > kNoiseTraceBytes) {
            hex += " ...";
        }
        m_trace(CZbFrameText::Line(now, "out", hex, "noise (" + std::to_string(count) + " bytes)"));
    }
    m_out.push_back(std::move(e));
}

// --- output -------------------------------------------------------------------------------

bool CSimDongle::EmitFromGroup(int group, SimFrame frame, SimTime at) {
    if (group != m_group) {
        return false;  // the dongle listens to another group now
    }
    EmitFrame(std::move(frame), at);
    return true;
}

void CSimDongle::EmitFrame(SimFrame frame, SimTime at) {
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

void CSimDongle::Trace(SimTime at, const char* direction, const quint8* bytes, std::size_t count,
                       const std::string& meaning) {
    if (m_trace) {
        m_trace(CZbFrameText::Line(at, direction, CZbFrameText::Hex(bytes, count), meaning));
    }
}

void CSimDongle::Note(SimTime at, const std::string& text) {
    if (m_trace) {
        m_trace(CZbFrameText::Line(at, "-- ", "", text));
    }
}

// --- control channel ----------------------------------------------------------------------

const SimUnit* CSimDongle::Unit(int group, int index) const {
    if (group < 0 || group >= kSimGroupCount || index < 0 || index >= kSimSlotCount) {
        return nullptr;
    }
    const auto& slot = m_units[group][index];
    return slot ? &*slot : nullptr;
}

bool CSimDongle::AddUnit(int group, int index) {
    if (group < 0 || group >= kSimGroupCount || index < 0 || index >= kSimSlotCount ||
        m_units[group][index]) {
        return false;
    }
    SimUnit unit = MakeDefaultUnit(group, index);
    unit.id = m_nextUnitId++;
    m_units[group][index] = unit;
    return true;
}

bool CSimDongle::RemoveUnit(int group, int index) {
    if (Unit(group, index) == nullptr) {
        return false;
    }
    m_units[group][index].reset();  // its pending work finds no live unit and is dropped
    return true;
}

bool CSimDongle::ReportField(int group, int index, SimField field, int value, SimTime now) {
    if (Unit(group, index) == nullptr) {
        return false;
    }
    SimUnit& u = *m_units[group][index];
    SetSimField(u, field, value);
    switch (field) {
        case SimField::kFlash:
            EmitFromGroup(group, CSimEncoder::PowerReport(ZB_FLASH_POWER, index, u.flash, u.model),
                          now);
            break;
        case SimField::kModel:
            EmitFromGroup(group, CSimEncoder::PowerReport(ZB_MODEL_POWER, index, u.flash, u.model),
                          now);
            break;
        case SimField::kCell:
            EmitFromGroup(group, CSimEncoder::SwitchReport(ZB_FLASH_CELL, index, u.cell != 0), now);
            break;
        case SimField::kSound:
            EmitFromGroup(group, CSimEncoder::SwitchReport(ZB_FLASH_SOUND, index, u.sound != 0),
                          now);
            break;
        case SimField::kMode1:
            EmitFromGroup(group, CSimEncoder::SwitchReport(ZB_MODEL_MODE1, index, u.mode1 != 0),
                          now);
            break;
        case SimField::kMode2:
            EmitFromGroup(group, CSimEncoder::SwitchReport(ZB_MODEL_MODE2, index, u.mode2 != 0),
                          now);
            break;
        case SimField::kModelPow:
            EmitFromGroup(group, CSimEncoder::SwitchReport(ZB_MODEL_POW, index, u.modelPow != 0),
                          now);
            break;
        case SimField::kFlashPow:
            EmitFromGroup(group, CSimEncoder::SwitchReport(ZB_FLASH_POW, index, u.flashPow != 0),
                          now);
            break;
    }
    return true;
}

bool CSimDongle::ReportCharge(int group, int index, int charge, SimTime now) {
    if (Unit(group, index) == nullptr) {
        return false;
    }
    SimUnit& u = *m_units[group][index];
    u.charge = charge != 0 ? 1 : 0;
    EmitFromGroup(group, CSimEncoder::Event(ZB_CHARGE, index, static_cast<quint8>(u.charge)), now);
    return true;
}

bool CSimDongle::ReportTemperature(int group, int index, int value, SimTime now) {
    if (Unit(group, index) == nullptr) {
        return false;
    }
    SimUnit& u = *m_units[group][index];
    u.temperature = std::clamp(value, 0, 255);
    EmitReading(group, index, u, now);
    EnsureCooling(now);
    return true;
}

bool CSimDongle::SendStatus(int group, int index, SimTime now) {
    if (Unit(group, index) == nullptr) {
        return false;
    }
    EmitFromGroup(group, CSimEncoder::Status(index, *m_units[group][index]), now);
    return true;
}

std::string CSimDongle::Dump() const {
    std::string out;
    out.reserve(64 + kSimGroupCount * kSimSlotCount * 112);
    out += "group ";
    out += static_cast<char>('A' + m_group);
    out += '\n';
    char line[160];
    for (int g = 0; g < kSimGroupCount; ++g) {
        for (int i = 0; i < kSimSlotCount; ++i) {
            const auto& slot = m_units[g][i];
            if (!slot) {
                continue;
            }
            const SimUnit& u = *slot;
            const int n = std::snprintf(
                line, sizeof line,
                "unit %c %d flashpow=%d flash=%d model=%d cell=%d sound=%d mode1=%d mode2=%d "
                "modelpow=%d charge=%d temp=%d\n",
                'A' + g, i, u.flashPow, u.flash, u.model, u.cell, u.sound, u.mode1, u.mode2,
                u.modelPow, u.charge, u.temperature);
            out.append(line, static_cast<std::size_t>(std::min<int>(n, sizeof line - 1)));
        }
    }
    out += "end\n";
    return out;
}
