#pragma once

#include <QtGlobal>
#include <algorithm>
#include <array>

#include "link/ZbConstants.h"

// The one place that decides where a received frame begins and ends: the program's assembler,
// the frame log and the simulator all cut with it, so a trace shows what the program decoded.
// Every start byte begins a frame (one being collected is given up); the length byte says where
// it ends. A frame whose command byte names no known type, or whose length is below 4 or above
// the buffer, is ignored up to the next start byte. Its state survives between deliveries.
//
// Cut() hands each whole frame to sink.Frame(bytes, length, type); a sink whose kWantsJunk is
// true also gets sink.Junk(bytes, count) for every run of bytes that belongs to no frame, in
// order. The program's sink takes no junk, so its per-byte work is the bare state machine.
class CZbFrameCutter {
public:
    template <class Sink>
    void Cut(const quint8* bytes, int count, Sink& sink);

    // Whether a frame has begun and may still complete.
    bool InFrame() const { return nState != 0 && !(nState == 3 && nFrameType == ZB_TYPE_NONE); }

    std::array<quint8, ZB_FRAME_MAX> frame{};
    int nState = 0;  // 0 wait start, 1 start seen, 2 length seen, 3 collecting
    quint8 nFrameType = ZB_TYPE_NONE;
    int nFrameLen = 0;
    int nCount = 0;

private:
    // The first three bytes are stored before the length is checked, so a frame shorter than
    // four bytes could never complete, and one longer than the buffer would overrun it.
    static constexpr int kMinFrameLen = 4;

    static quint8 TypeOf(quint8 command, int frameLen);
    template <class Sink>
    void BeginFrame(Sink& sink);
};

inline quint8 CZbFrameCutter::TypeOf(quint8 command, int frameLen) {
    quint8 type = command & 0xF0;
    if (type == 0) {
        type = command;
    }
    if (frameLen < kMinFrameLen || frameLen > ZB_FRAME_MAX) {
        return ZB_TYPE_NONE;
    }
    switch (type) {
        case ZB_TYPE_SELECT:
        case ZB_TYPE_STATUS:
        case ZB_TYPE_IGNORED:
        case ZB_TYPE_SETTING:
        case ZB_TYPE_READING:
        case ZB_TYPE_EVENT:
            return type;
        default:
            return ZB_TYPE_NONE;
    }
}

template <class Sink>
void CZbFrameCutter::BeginFrame(Sink& sink) {
    if constexpr (Sink::kWantsJunk) {
        if (InFrame()) {
            sink.Junk(frame.data(), nCount);  // cut short
        }
    }
    // Whatever was being collected is abandoned; a short frame reads zeros beyond its end.
    nState = 1;
    nFrameType = ZB_TYPE_NONE;
    nFrameLen = 0;
    nCount = 0;
    frame.fill(0);
    frame[nCount++] = ZB_START;
}

template <class Sink>
void CZbFrameCutter::Cut(const quint8* bytes, int count, Sink& sink) {
    int i = 0;
    while (i < count) {
        const quint8 byte = bytes[i];
        if (byte == ZB_START) {
            BeginFrame(sink);
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
            case 2:
                nFrameType = TypeOf(byte, nFrameLen);
                frame[nCount++] = byte;
                nState = 3;
                ++i;
                if constexpr (Sink::kWantsJunk) {
                    if (nFrameType == ZB_TYPE_NONE) {
                        sink.Junk(frame.data(), nCount);
                    }
                }
                continue;
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
                        sink.Frame(frame.data(), nFrameLen, nFrameType);
                    }
                    continue;
                }
                break;
            default:
                break;
        }
        // Waiting for a start byte, or in a frame being ignored: drop up to the next one.
        const int from = i;
        while (i < count && bytes[i] != ZB_START) {
            ++i;
        }
        if constexpr (Sink::kWantsJunk) {
            sink.Junk(bytes + from, i - from);
        }
    }
}
