#pragma once

#include <QByteArray>
#include <QVector>

#include "link/CPortWriter.h"

// A byte sink for the command builders: keeps each WritePort call as one entry, so a test
// sees both the bytes and that a frame went out in a single write.
class CCapturingPortWriter : public CPortWriter {
public:
    int WritePort(const quint8* bytes, int count) override;

    QVector<QByteArray> writes;
    // What WritePort reports; 0 plays a closed port. -1 reports every byte as written.
    int reportedResult = -1;
};
