#pragma once

#include <QtGlobal>

#include "link/CZbFrameCutter.h"

class CZbProtocol;
class CCommThread;

// The program's assembler: cuts the received byte stream into frames and has the decoder
// decode each; its state survives between deliveries and across closing and reopening the
// port. UI thread only.
class CZbFrameReader : public CZbFrameCutter {
public:
    explicit CZbFrameReader(CZbProtocol& decoder);

    void Feed(quint8 byte);
    void Feed(const quint8* bytes, int count);
    // Once per kReceivedNotice: takes exactly the bytes the ring holds now; bytes arriving
    // meanwhile wait for the next notification.
    void FeedFromRing(CCommThread& link);

private:
    CZbProtocol* m_decoder;
};
