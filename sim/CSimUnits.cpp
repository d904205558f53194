#include "sim/CSimUnits.h"

#include <algorithm>
#include <cstdio>
#include <utility>

bool CSimUnits::InRange(int group, int index) {
    return group >= 0 && group < kSimGroupCount && index >= 0 && index < kSimSlotCount;
}

const SimUnit* CSimUnits::Find(int group, int index) const {
    if (!InRange(group, index)) {
        return nullptr;
    }
    const auto& slot = m_slots[group][index];
    return slot ? &*slot : nullptr;
}

SimUnit* CSimUnits::Find(int group, int index) {
    return const_cast<SimUnit*>(std::as_const(*this).Find(group, index));
}

SimUnit* CSimUnits::Live(int group, int index, std::uint64_t id) {
    SimUnit* unit = Find(group, index);
    return unit != nullptr && unit->id == id ? unit : nullptr;
}

bool CSimUnits::Add(int group, int index) {
    if (!InRange(group, index) || m_slots[group][index]) {
        return false;
    }
    SimUnit unit = MakeDefaultUnit(group, index);
    unit.id = m_nextId++;
    m_slots[group][index] = unit;
    return true;
}

bool CSimUnits::Remove(int group, int index) {
    if (Find(group, index) == nullptr) {
        return false;
    }
    m_slots[group][index].reset();  // its pending work finds no live unit and is dropped
    return true;
}

std::string CSimUnits::Dump(int listenedGroup) const {
    std::string out;
    out.reserve(64 + kSimGroupCount * kSimSlotCount * 112);
    out += "group ";
    out += static_cast<char>('A' + listenedGroup);
    out += '\n';
    char line[160];
    for (int g = 0; g < kSimGroupCount; ++g) {
        for (int i = 0; i < kSimSlotCount; ++i) {
            const SimUnit* u = Find(g, i);
            if (u == nullptr) {
                continue;
            }
            const int n = std::snprintf(
                line, sizeof line,
                "unit %c %d flashpow=%d flash=%d model=%d cell=%d sound=%d mode1=%d mode2=%d "
                "modelpow=%d charge=%d temp=%d\n",
                'A' + g, i, u->flashPow, u->flash, u->model, u->cell, u->sound, u->mode1, u->mode2,
                u->modelPow, u->charge, u->temperature);
            out.append(line, static_cast<std::size_t>(std::min<int>(n, sizeof line - 1)));
        }
    }
    out += "end\n";
    return out;
}
