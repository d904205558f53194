#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "sim/SimConfig.h"
#include "sim/SimUnit.h"

// The units behind the dongle, by group 0..4 and index 0..9. Each unit added gets an identity
// of its own, so that work scheduled for a unit since removed is told from work for its
// successor in the same slot.
class CSimUnits {
public:
    // Null for no such unit, including a group or index out of range.
    const SimUnit* Find(int group, int index) const;
    SimUnit* Find(int group, int index);
    // The unit only while it is still the life that id names.
    SimUnit* Live(int group, int index, std::uint64_t id);

    // False for a slot out of range or taken.
    bool Add(int group, int index);
    bool Remove(int group, int index);

    // "group A" (the group listened to), then per unit "unit A 0 flashpow=1 flash=45 ...
    // charge=1 temp=25", then "end", each line ending in '\n'.
    std::string Dump(int listenedGroup) const;

private:
    static bool InRange(int group, int index);

    std::array<std::array<std::optional<SimUnit>, kSimSlotCount>, kSimGroupCount> m_slots;
    std::uint64_t m_nextId = 1;
};
