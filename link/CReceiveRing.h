#pragma once

#include <QtGlobal>
#include <array>
#include <atomic>

// The bytes between the link's watcher thread (the one producer) and the UI thread (the one
// consumer). It never overwrites: the producer stores at most Free() bytes and, when the ring
// is full, waits for room instead of dropping what the driver still holds. After each batch
// it took the consumer calls RoomMade, which says whether the producer asked for room with
// WantRoom and must now be woken.
class CReceiveRing {
public:
    static constexpr int kSize = 4096;
    // One slot stays empty, so that a full ring is told apart from an empty one.
    static constexpr int kCapacity = kSize - 1;
    // Either thread.
    int Held() const;
    int Free() const { return kCapacity - Held(); }

    // Producer: stores count bytes, count <= Free().
    void Put(const quint8* bytes, int count);
    // Producer, with the ring full: asks to be woken once the consumer has made room. False
    // when the room is there already (no wait, and no wake-up will come for this request).
    bool WantRoom();

    // Consumer: the oldest byte, 0 when the ring is empty.
    quint8 Take();
    // Consumer, after a batch of Take: true when the producer waits for room and must be woken
    // (once per request).
    bool RoomMade();

private:
    std::array<quint8, kSize> m_bytes{};  // published by m_head and m_tail
    std::atomic<int> m_head{0};           // producer stores (release), consumer loads (acquire)
    std::atomic<int> m_tail{0};           // consumer stores (release), producer loads (acquire)
    // The producer sets it and then loads the tail; the consumer touches the tail and then
    // exchanges it, all sequentially consistent: either the producer sees the room or the
    // consumer sees the request.
    std::atomic<bool> m_roomWanted{false};
};
