#include "link/CReceiveRing.h"

namespace {

// The ring's indices publish the bytes they cover: stored with release, loaded with acquire.
// A throw-away build may weaken them to relaxed to prove that the threaded stress test and
// ThreadSanitizer catch the race that follows; no shipped build defines this.
#ifdef TARNEL_RING_RELAXED_FOR_MUTATION_TEST
constexpr std::memory_order kRingPublish = std::memory_order_relaxed;
constexpr std::memory_order kRingObserve = std::memory_order_relaxed;
#else
constexpr std::memory_order kRingPublish = std::memory_order_release;
constexpr std::memory_order kRingObserve = std::memory_order_acquire;
#endif

constexpr int Next(int index) {
    return (index + 1) % CReceiveRing::kSize;
}

}  // namespace

int CReceiveRing::Held() const {
    const int head = m_head.load(kRingObserve);
    const int tail = m_tail.load(kRingObserve);
    return (head - tail + kSize) % kSize;
}

void CReceiveRing::Put(const quint8* bytes, int count) {
    int head = m_head.load(std::memory_order_relaxed);
    for (int i = 0; i < count; ++i) {
        m_bytes[static_cast<size_t>(head)] = bytes[i];
        head = Next(head);
    }
    m_head.store(head, kRingPublish);
}

bool CReceiveRing::WantRoom() {
    m_roomWanted.store(true, std::memory_order_seq_cst);
    const int tail = m_tail.load(std::memory_order_seq_cst);
    const int head = m_head.load(std::memory_order_relaxed);
    if ((head - tail + kSize) % kSize < kCapacity) {
        // Room came meanwhile. A wake-up may still follow; it only costs the producer a look.
        return false;
    }
    return true;
}

quint8 CReceiveRing::Take() {
    const int tail = m_tail.load(std::memory_order_relaxed);
    // Taking from an empty ring would move the tail past the head and make the ring look full.
    if (m_head.load(kRingObserve) == tail) {
        return 0;
    }
    const quint8 byte = m_bytes[static_cast<size_t>(tail)];
    m_tail.store(Next(tail), kRingPublish);
    return byte;
}

bool CReceiveRing::RoomMade() {
    // A read-modify-write puts the newest tail in the single order that WantRoom's loads
    // follow, without making every Take pay for it.
    m_tail.fetch_add(0, std::memory_order_seq_cst);
    return m_roomWanted.exchange(false, std::memory_order_seq_cst);
}
