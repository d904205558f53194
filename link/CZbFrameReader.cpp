#include "link/CZbFrameReader.h"

#include <array>

#include "link/CCommThread.h"
#include "link/CReceiveRing.h"
#include "link/CZbProtocol.h"

namespace {

// Bytes outside frames are of no use to the program: only whole frames go on.
struct DecoderSink {
    static constexpr bool kWantsJunk = false;
    void Frame(const quint8* bytes, int /*length*/, quint8 type) {
        decoder.DecodeFrame(bytes, type);
    }
    CZbProtocol& decoder;
};

}  // namespace

CZbFrameReader::CZbFrameReader(CZbProtocol& decoder) : m_decoder(&decoder) {}

void CZbFrameReader::Feed(quint8 byte) {
    Feed(&byte, 1);
}

void CZbFrameReader::Feed(const quint8* bytes, int count) {
    DecoderSink sink{*m_decoder};
    Cut(bytes, count, sink);
}

void CZbFrameReader::FeedFromRing(CCommThread& link) {
    // Re-arms the watcher's notice first: bytes arriving while these are decoded bring the
    // next one.
    const int held = link.BeginDrain();
    // Exactly what a full ring holds: a copy that ran past the drain's count would take a byte
    // meant for the next notice, and with the ring full it runs off this array, where a build
    // with bounds checks stops it.
    std::array<quint8, CReceiveRing::kCapacity> bytes;
    for (int i = 0; i < held; ++i) {
        bytes[static_cast<size_t>(i)] = link.TakeByte();
    }
    // The ring is free again before the decoding starts: a watcher that waited for room reads
    // on meanwhile.
    link.EndDrain();
    Feed(bytes.data(), held);
}
