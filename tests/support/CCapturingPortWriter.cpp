#include "support/CCapturingPortWriter.h"

int CCapturingPortWriter::WritePort(const quint8* bytes, int count) {
    writes.push_back(QByteArray(reinterpret_cast<const char*>(bytes), count));
    return reportedResult < 0 ? count : reportedResult;
}
