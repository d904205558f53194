#pragma once

#include <QtGlobal>
#include <cstddef>
#include <vector>

// A piece of a byte stream: a whole frame, or bytes that belong to none.
struct ZbChunk {
    bool isFrame = false;
    std::vector<quint8> bytes;
};

// Cuts a byte stream into frames the way a reader of the wire sees them, for the simulator
// and for traces (the program's own assembler is CZbFrameReader). Every 0xFF begins a frame
// (one that was being collected is given up as junk); the length byte, 4..50, says where it
// ends. Bytes outside a frame, a frame cut short and a frame with an impossible length come
// out as junk.
class CZbFrameSplitter {
public:
    static constexpr int kMinFrameLen = 4;
    static constexpr int kMaxFrameLen = 50;

    // Appends to out what these bytes complete; junk is flushed at the end of every call so
    // that it can be shown when it arrived. A frame left unfinished waits for the next call.
    void Feed(const quint8* bytes, std::size_t count, std::vector<ZbChunk>& out);
    bool InFrame() const { return !m_frame.empty(); }

private:
    void FlushJunk(std::vector<ZbChunk>& out);

    std::vector<quint8> m_frame;
    std::vector<quint8> m_junk;
};
