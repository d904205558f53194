#include "link/CZbFrameReader.h"

#include <algorithm>

#include "link/CCommThread.h"
#include "link/CZbProtocol.h"

namespace {

// The first three bytes are stored before the length is checked, so a frame shorter than
// four bytes could never complete, and one longer than the buffer would overrun it.
constexpr int kMinFrameLen = 4;

bool IsKnownType(quint8 type) {
    switch (type) {
        case ZB_TYPE_SELECT:
        case ZB_TYPE_STATUS:
        case ZB_TYPE_IGNORED:
        case ZB_TYPE_SETTING:
        case ZB_TYPE_READING:
        case ZB_TYPE_EVENT:
            return true;
        default:
            return false;
    }
}

}  // namespace

CZbFrameReader::CZbFrameReader(CZbProtocol& decoder) : m_decoder(&decoder) {}

void CZbFrameReader::Feed(quint8 byte) {
    Feed(&byte, 1);
}

void CZbFrameReader::Feed(const quint8* bytes, int count) {
    int i = 0;
    while (i < count) {
        const quint8 byte = bytes[i];
        if (byte == ZB_START) {
            // Whatever was being collected is abandoned; a short frame reads zeros beyond its
            // end.
            nState = 1;
            nFrameType = ZB_TYPE_NONE;
            nFrameLen = 0;
            nCount = 0;
            frame.fill(0);
            frame[nCount++] = byte;
            ++i;
            continue;
        }
        switch (nState) {
            case 1:
                nFrameLen = byte;
                frame[nCount++] = byte;
                nState = 2;
                ++i;
                continue;
            case 2: {
                quint8 type = byte & 0xF0;
                if (type == 0) {
                    type = byte;
                }
                if (!IsKnownType(type) || nFrameLen < kMinFrameLen || nFrameLen > ZB_FRAME_MAX) {
                    type = ZB_TYPE_NONE;
                }
                nFrameType = type;
                frame[nCount++] = byte;
                nState = 3;
                ++i;
                continue;
            }
            case 3:
                if (nFrameType != ZB_TYPE_NONE) {
                    // The body is taken as one run, up to the frame's end or a start byte.
                    // Locals, because stores into the byte buffer may alias the counters.
                    const int end = i + std::min(count - i, nFrameLen - nCount);
                    int stored = nCount;
                    int at = i;
                    while (at < end && bytes[at] != ZB_START) {
                        frame[stored++] = bytes[at++];
                    }
                    nCount = stored;
                    i = at;
                    if (nCount == nFrameLen) {
                        nState = 0;
                        m_decoder->DecodeFrame(frame.data(), nFrameType);
                    }
                    continue;
                }
                break;
            default:
                break;
        }
        // Waiting for a start byte, or in a frame being ignored: drop up to the next one.
        while (i < count && bytes[i] != ZB_START) {
            ++i;
        }
    }
}

void CZbFrameReader::FeedFromRing(CCommThread& link) {
    // Re-arms the watcher's notice first: bytes arriving while these are decoded bring the
    // next one.
    const int held = link.BeginDrain();
    std::array<quint8, CCommThread::kRingSize> bytes;
    for (int i = 0; i < held; ++i) {
        bytes[static_cast<size_t>(i)] = link.TakeByte();
    }
    // The ring is free again before the decoding starts: a watcher that waited for room reads
    // on meanwhile.
    link.EndDrain();
    Feed(bytes.data(), held);
}
