#include "link/CZbFrameSplitter.h"

namespace {

// Runs of junk that follow one another make one piece, but every start byte begins a new one:
// a frame given up is shown apart from the noise before it.
struct ChunkSink {
    static constexpr bool kWantsJunk = true;
    void Frame(const quint8* bytes, int length, quint8 /*type*/) {
        FlushJunk();
        out.push_back({true, std::vector<quint8>(bytes, bytes + length)});
    }
    void Junk(const quint8* bytes, int count) {
        if (bytes[0] == ZB_START) {
            FlushJunk();
        }
        junk.insert(junk.end(), bytes, bytes + count);
    }
    void FlushJunk() {
        if (!junk.empty()) {
            out.push_back({false, std::move(junk)});
            junk.clear();
        }
    }
    std::vector<ZbChunk>& out;
    std::vector<quint8> junk;
};

}  // namespace

void CZbFrameSplitter::Feed(const quint8* bytes, std::size_t count, std::vector<ZbChunk>& out) {
    ChunkSink sink{out, {}};
    m_cutter.Cut(bytes, static_cast<int>(count), sink);
    sink.FlushJunk();
}
