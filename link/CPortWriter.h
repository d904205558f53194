#pragma once

#include <QtGlobal>

// Where the command builders write a frame. The serial link is the one real writer.
class CPortWriter {
public:
    virtual ~CPortWriter() = default;
    // Returns the number of bytes written; 0 when not connected or on failure.
    virtual int WritePort(const quint8* bytes, int count) = 0;
};
