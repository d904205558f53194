#pragma once

#include <QtGlobal>
#include <cstddef>
#include <vector>

#include "link/CZbFrameCutter.h"

// A piece of a byte stream: a whole frame, or bytes that belong to none.
struct ZbChunk {
    bool isFrame = false;
    std::vector<quint8> bytes;
};

// The frames and the junk of a byte stream as pieces, for the simulator and for traces. The
// cutting is the program's own (CZbFrameCutter), so a trace shows the frames the program
// decodes: bytes outside a frame, a frame cut short, a frame with an impossible length and one
// of no known type come out as junk.
class CZbFrameSplitter {
public:
    // Appends to out what these bytes complete; junk is flushed at the end of every call so
    // that it can be shown when it arrived. A frame left unfinished waits for the next call.
    void Feed(const quint8* bytes, std::size_t count, std::vector<ZbChunk>& out);
    bool InFrame() const { return m_cutter.InFrame(); }

private:
    CZbFrameCutter m_cutter;
};
