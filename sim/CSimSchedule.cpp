#include "sim/CSimSchedule.h"

#include <algorithm>

void CSimSchedule::Add(Item item) {
    m_heap.push_back({std::move(item), m_nextSeq++});
    std::push_heap(m_heap.begin(), m_heap.end(), Later{});
}

std::optional<SimTime> CSimSchedule::NextDue() const {
    if (m_heap.empty()) {
        return std::nullopt;
    }
    return m_heap.front().item.due;
}

std::optional<CSimSchedule::Item> CSimSchedule::TakeDue(SimTime now) {
    if (m_heap.empty() || m_heap.front().item.due > now) {
        return std::nullopt;
    }
    std::pop_heap(m_heap.begin(), m_heap.end(), Later{});
    Item item = std::move(m_heap.back().item);
    m_heap.pop_back();
    return item;
}
