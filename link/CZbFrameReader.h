#pragma once

#include <QtGlobal>
#include <array>

#include "link/ZbConstants.h"

class CZbProtocol;
class CCommThread;

// Cuts the received byte stream into frames; its state survives between deliveries and
// across closing and reopening the port. UI thread only.
class CZbFrameReader {
public:
    explicit CZbFrameReader(CZbProtocol& decoder);

    void Feed(quint8 byte);
    void Feed(const quint8* bytes, int count);
    // Once per WM_ZB_RECEIVED: takes exactly the bytes the ring holds now; bytes arriving
    // meanwhile wait for the next notification.
    void FeedFromRing(CCommThread& link);

    std::array<quint8, ZB_FRAME_MAX> frame{};
    int nState = 0;  // 0 wait start, 1 start seen, 2 length seen, 3 collecting
    quint8 nFrameType = ZB_TYPE_NONE;
    int nFrameLen = 0;
    int nCount = 0;

private:
    CZbProtocol* m_decoder;
};
