#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "sim/CSimEncoder.h"
#include "sim/SimConfig.h"

// The dongle's work to come, in time order; work due at the same moment runs in the order it
// was scheduled, so a run never depends on how the heap happens to break ties.
class CSimSchedule {
public:
    enum class Work {
        kUnitFrame,
        kGroupFrame,
        kStatus,
        kFire,
        kRecharge,
        kCooling,
        kFlood,
        kNoise
    };
    struct Item {
        SimTime due{0};
        Work work = Work::kUnitFrame;
        int group = -1;
        int unit = -1;
        std::uint64_t unitId = 0;
        std::uint64_t token = 0;  // the status report it sends, or the flood frame number
        SimFrame frame;
    };

    void Add(Item item);
    std::optional<SimTime> NextDue() const;
    // The earliest item due at or before now, taken off the schedule.
    std::optional<Item> TakeDue(SimTime now);

private:
    struct Entry {
        Item item;
        std::uint64_t seq = 0;
    };
    struct Later {
        bool operator()(const Entry& a, const Entry& b) const {
            return a.item.due != b.item.due ? a.item.due > b.item.due : a.seq > b.seq;
        }
    };

    std::vector<Entry> m_heap;  // ordered by Later
    std::uint64_t m_nextSeq = 0;
};
