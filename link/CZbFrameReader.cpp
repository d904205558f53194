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
    if (byte == ZB_START) {
        // Whatever was being collected is abandoned; a short frame reads zeros beyond its end.
        // Only the first nCount bytes were ever written since the last clear, so zeroing them
        // leaves the whole buffer zero.
        std::fill_n(frame.begin(), nCount, quint8{0});
        nState = 1;
        nFrameType = ZB_TYPE_NONE;
        nFrameLen = 0;
        nCount = 0;
        frame[nCount++] = byte;
        return;
    }
    switch (nState) {
        case 1:
            nFrameLen = byte;
            frame[nCount++] = byte;
            nState = 2;
            return;
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
            return;
        }
        case 3:
            if (nFrameType == ZB_TYPE_NONE) {
                return;
            }
            frame[nCount++] = byte;
            if (nCount == nFrameLen) {
                nState = 0;
                m_decoder->DecodeFrame(frame.data(), nFrameType);
            }
            return;
        default:
            return;
    }
}

void CZbFrameReader::Feed(const quint8* bytes, int count) {
    // The same machine as byte by byte, with the two long runs taken at once: the body of a
    // frame is copied up to its end or the next start byte, and dropped bytes are skipped to
    // the next start byte.
    int i = 0;
    while (i < count) {
        const quint8* rest = bytes + i;
        const int left = count - i;
        if (nState == 3 && nFrameType != ZB_TYPE_NONE) {
            // Frames are a few bytes long: a plain loop beats memchr and memcpy here.
            const int want = std::min(left, nFrameLen - nCount);
            int run = 0;
            while (run < want && rest[run] != ZB_START) {
                frame[nCount + run] = rest[run];
                ++run;
            }
            nCount += run;
            i += run;
            if (nCount == nFrameLen) {
                nState = 0;
                m_decoder->DecodeFrame(frame.data(), nFrameType);
            } else if (i < count) {
                Feed(bytes[i++]);  // a start byte cut the frame short
            }
            continue;
        }
        if (nState == 0 || nState == 3) {
            int skip = 0;
            while (skip < left && rest[skip] != ZB_START) {
                ++skip;
            }
            i += skip;
            if (i == count) {
                return;
            }
        }
        Feed(bytes[i++]);
    }
}

void CZbFrameReader::FeedFromRing(CCommThread& link) {
    // Bytes arriving while these are decoded wait for the watcher's next notification.
    const int held = link.BytesHeld();
    for (int i = 0; i < held; ++i) {
        Feed(link.TakeByte());
    }
}
