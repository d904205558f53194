#include "sim/CSimDongle.h"

#include <algorithm>

#include "link/ZbConstants.h"

namespace {

constexpr int kPowerMin = 11;
constexpr int kPowerMax = 81;

bool InPowerRange(int value) {
    return value >= kPowerMin && value <= kPowerMax;
}

// Both powers travel together; a value out of range is not taken.
void TakePowers(SimUnit& u, int flash, int model) {
    if (InPowerRange(flash)) {
        u.flash = flash;
    }
    if (InPowerRange(model)) {
        u.model = model;
    }
}

void SetSwitch(SimUnit& u, quint8 subCode, int on) {
    switch (subCode) {
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
}

// The report a unit sends when one of its settings changes.
SimFrame FieldReport(SimField field, int index, const SimUnit& u) {
    switch (field) {
        case SimField::kFlash:
            return CSimEncoder::PowerReport(ZB_FLASH_POWER, index, u.flash, u.model);
        case SimField::kModel:
            return CSimEncoder::PowerReport(ZB_MODEL_POWER, index, u.flash, u.model);
        case SimField::kCell:
            return CSimEncoder::SwitchReport(ZB_FLASH_CELL, index, u.cell != 0);
        case SimField::kSound:
            return CSimEncoder::SwitchReport(ZB_FLASH_SOUND, index, u.sound != 0);
        case SimField::kMode1:
            return CSimEncoder::SwitchReport(ZB_MODEL_MODE1, index, u.mode1 != 0);
        case SimField::kMode2:
            return CSimEncoder::SwitchReport(ZB_MODEL_MODE2, index, u.mode2 != 0);
        case SimField::kModelPow:
            return CSimEncoder::SwitchReport(ZB_MODEL_POW, index, u.modelPow != 0);
        case SimField::kFlashPow:
            break;
    }
    return CSimEncoder::SwitchReport(ZB_FLASH_POW, index, u.flashPow != 0);
}

std::string UnitName(int group, int index) {
    return std::string(1, static_cast<char>('A' + group)) + std::to_string(index);
}

}  // namespace

CSimDongle::CSimDongle(const SimConfig& config)
    : m_radio(config.seed, config.lossShare, config.initialGroup),
      m_stress(config, m_units, m_radio, m_schedule),
      m_delayRng(config.seed) {
    for (int g = 0; g < kSimGroupCount; ++g) {
        for (int i = 0; i < kSimSlotCount; ++i) {
            if (config.units[g][i]) {
                m_units.Add(g, i);
            }
        }
    }
    m_stress.Start();
}

// --- scheduling -------------------------------------------------------------------------

void CSimDongle::Advance(SimTime now) {
    while (std::optional<Pending> pending = m_schedule.TakeDue(now)) {
        Run(*pending);
    }
}

SimTime CSimDongle::Between(SimTime earliest, SimTime latest) {
    using std::chrono::microseconds;
    std::uniform_int_distribution<long long> pick(
        std::chrono::duration_cast<microseconds>(earliest).count(),
        std::chrono::duration_cast<microseconds>(latest).count());
    return microseconds(pick(m_delayRng));
}

void CSimDongle::ScheduleForUnit(Work work, int group, int index, SimTime due, SimFrame frame) {
    Pending p;
    p.due = due;
    p.work = work;
    p.group = group;
    p.unit = index;
    p.unitId = m_units.Find(group, index)->id;
    p.frame = std::move(frame);
    m_schedule.Add(std::move(p));
}

void CSimDongle::Run(Pending& p) {
    SimUnit* unit = m_units.Live(p.group, p.unit, p.unitId);
    switch (p.work) {
        case Work::kUnitFrame:
            if (unit != nullptr) {
                m_radio.EmitFromGroup(p.group, std::move(p.frame), p.due);
            }
            break;
        case Work::kGroupFrame:
            m_radio.EmitFromGroup(p.group, std::move(p.frame), p.due);
            break;
        case Work::kStatus:
            if (unit != nullptr && unit->statusToken == p.token) {
                m_radio.EmitFromGroup(p.group, CSimEncoder::Status(p.unit, *unit), p.due);
            }
            break;
        case Work::kFire:
            if (unit != nullptr) {
                Fire(p.group, p.unit, p.due);
            }
            break;
        case Work::kRecharge:
            if (unit != nullptr) {
                Recharge(p.group, p.unit, *unit, p.due);
            }
            break;
        case Work::kCooling:
            m_coolingScheduled = false;
            Cool(p.due);
            break;
        case Work::kFlood:
            m_stress.Flood(p.token, p.due);
            break;
        case Work::kNoise:
            m_stress.Noise(p.due);
            break;
    }
}

// --- what the program sends ---------------------------------------------------------------

void CSimDongle::Receive(const quint8* bytes, std::size_t count, SimTime now) {
    m_chunks.clear();
    m_parser.Feed(bytes, count, m_chunks);
    for (const ZbChunk& chunk : m_chunks) {
        if (m_radio.Hear(chunk, now)) {
            HandleFrame(chunk.bytes, now);
        }
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
        m_radio.Note(now, "frame not understood, ignored");
    }
}

void CSimDongle::HandleSelect(const SimFrame& f, SimTime now) {
    const int group = f[4] - 'A';
    if (f[3] != 0 || group < 0 || group >= kSimGroupCount) {
        m_radio.Note(now, "select of no group, ignored");
        return;
    }
    m_radio.Listen(group);
    for (int i = 0; i < kSimSlotCount; ++i) {
        SimUnit* unit = m_units.Find(group, i);
        if (unit == nullptr) {
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
        m_schedule.Add(std::move(p));
    }
}

void CSimDongle::HandleFullSettings(const SimFrame& f, SimTime now) {
    const int group = m_radio.Group();
    const quint16 mask = static_cast<quint16>(f[3] << 8 | f[4]);
    for (const int i : CSimEncoder::UnitsOf(mask)) {
        SimUnit* unit = m_units.Find(group, i);
        if (unit == nullptr) {
            continue;
        }
        SimUnit& u = *unit;
        u.flashPow = f[5] != 0 ? 1 : 0;
        TakePowers(u, f[6], f[7]);
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
            ScheduleForUnit(Work::kUnitFrame, group, i, due, reply);
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
        m_radio.Note(now, "setting the units do not know, ignored");
        return;
    }
    const int group = m_radio.Group();
    for (const int i : CSimEncoder::UnitsOf(mask)) {
        SimUnit* unit = m_units.Find(group, i);
        if (unit == nullptr) {
            continue;
        }
        const SimTime due = now + Between(kReplyEarliest, kReplyLatest);
        if (sub == ZB_TEST) {
            ScheduleForUnit(Work::kFire, group, i, due);
        } else if (sub == ZB_FLASH_POWER || sub == ZB_MODEL_POWER) {
            TakePowers(*unit, f[5], f[6]);
            ScheduleForUnit(Work::kUnitFrame, group, i, due,
                            CSimEncoder::PowerReport(sub, i, unit->flash, unit->model));
        } else {
            const int on = f[6] != 0 ? 1 : 0;
            SetSwitch(*unit, sub, on);
            ScheduleForUnit(Work::kUnitFrame, group, i, due,
                            CSimEncoder::SwitchReport(sub, i, on != 0));
        }
    }
}

void CSimDongle::HandlePairs(const SimFrame& f, SimTime now) {
    const int group = m_radio.Group();
    std::array<std::pair<quint8, quint8>, 10> confirmed{};
    bool any = false;
    for (int i = 0; i < kSimSlotCount; ++i) {
        SimUnit* unit = m_units.Find(group, i);
        const int flash = f[3 + 2 * i];
        const int model = f[4 + 2 * i];
        if (unit == nullptr || flash == 0 || model == 0) {
            continue;  // a pair holding 0 leaves the unit as it is
        }
        TakePowers(*unit, flash, model);
        confirmed[i] = {static_cast<quint8>(unit->flash), static_cast<quint8>(unit->model)};
        any = true;
    }
    if (!any) {
        return;
    }
    Pending p;
    p.due = now + Between(kReplyEarliest, kReplyLatest);
    p.work = Work::kGroupFrame;
    p.group = group;
    p.frame = CSimEncoder::Pairs(f[2] & 0x0F, confirmed);
    m_schedule.Add(std::move(p));
}

// --- the units' own life ------------------------------------------------------------------

void CSimDongle::Fire(int group, int index, SimTime now) {
    SimUnit& u = *m_units.Find(group, index);
    if (u.flashPow == 0) {
        m_radio.Note(now, "unit " + UnitName(group, index) + " is switched off and does not fire");
        return;
    }
    if (u.charge == 0) {
        m_radio.Note(now, "unit " + UnitName(group, index) + " is not charged and does not fire");
        return;
    }
    m_radio.EmitFromGroup(group, CSimEncoder::Event(ZB_TEST, index, 0), now);
    u.charge = 0;
    u.recharging = true;
    m_radio.EmitFromGroup(group, CSimEncoder::Event(ZB_CHARGE, index, 0), now);
    u.temperature = std::min(kSimMaxTemperatureC, u.temperature + 3 + u.flash / 10);
    ScheduleForUnit(Work::kRecharge, group, index,
                    now + kRechargeBase + kRechargePerPowerStep * u.flash);
    EnsureCooling(now);
}

void CSimDongle::Recharge(int group, int index, SimUnit& unit, SimTime now) {
    unit.recharging = false;
    unit.charge = 1;
    m_radio.EmitFromGroup(group, CSimEncoder::Event(ZB_CHARGE, index, 1), now);
    EmitReading(group, index, unit, now);
}

void CSimDongle::EnsureCooling(SimTime now) {
    if (!m_coolingScheduled) {
        m_coolingScheduled = true;
        Pending p;
        p.due = now + kCoolingTick;
        p.work = Work::kCooling;
        m_schedule.Add(std::move(p));
    }
}

void CSimDongle::Cool(SimTime now) {
    bool settling = false;
    for (int g = 0; g < kSimGroupCount; ++g) {
        for (int i = 0; i < kSimSlotCount; ++i) {
            SimUnit* unit = m_units.Find(g, i);
            if (unit == nullptr) {
                continue;
            }
            SimUnit& u = *unit;
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
    if (m_radio.EmitFromGroup(
            group,
            CSimEncoder::Reading(ZB_TEMPERATURE, index,
                                 static_cast<quint8>(std::clamp(unit.temperature, 0, 255))),
            at)) {
        unit.lastReadingAt = at;
        unit.lastReportedTemperature = unit.temperature;
    }
}

// --- control channel ----------------------------------------------------------------------

bool CSimDongle::ReportField(int group, int index, SimField field, int value, SimTime now) {
    SimUnit* unit = m_units.Find(group, index);
    if (unit == nullptr) {
        return false;
    }
    SetSimField(*unit, field, value);
    m_radio.EmitFromGroup(group, FieldReport(field, index, *unit), now);
    return true;
}

bool CSimDongle::ReportCharge(int group, int index, int charge, SimTime now) {
    SimUnit* unit = m_units.Find(group, index);
    if (unit == nullptr) {
        return false;
    }
    unit->charge = charge != 0 ? 1 : 0;
    m_radio.EmitFromGroup(
        group, CSimEncoder::Event(ZB_CHARGE, index, static_cast<quint8>(unit->charge)), now);
    return true;
}

bool CSimDongle::ReportTemperature(int group, int index, int value, SimTime now) {
    SimUnit* unit = m_units.Find(group, index);
    if (unit == nullptr) {
        return false;
    }
    unit->temperature = std::clamp(value, 0, 255);
    EmitReading(group, index, *unit, now);
    EnsureCooling(now);
    return true;
}

bool CSimDongle::SendStatus(int group, int index, SimTime now) {
    const SimUnit* unit = m_units.Find(group, index);
    if (unit == nullptr) {
        return false;
    }
    m_radio.EmitFromGroup(group, CSimEncoder::Status(index, *unit), now);
    return true;
}
