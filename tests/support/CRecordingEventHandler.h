#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include "link/CZbEventHandler.h"

// Records every decoded report in order, as readable text plus the raw arguments, so that
// decoder and assembler tests compare against a table.
class CRecordingEventHandler : public CZbEventHandler {
public:
    struct Call {
        QString text;  // "Status 3 pow=1 flash=45 ...", "Setting 7 0 0x0001", ...
        int unitIndex = 0;
        int nChNum = 0;    // status: the scratch record's unit index at the call
        QByteArray pairs;  // power pairs: bytes 3..22 of the frame handed over
        const StrobeData* status = nullptr;
    };

    int OnStatus(int unitIndex, const StrobeData& status) override;
    int OnSetting(quint8 subCode, quint8 unitIndex, quint16 value, const quint8* frame) override;
    int OnEvent(quint8 subCode, quint8 unitIndex, quint8 value) override;
    int OnReading(quint8 subCode, quint8 unitIndex, quint8 value) override;

    QStringList Texts() const;

    QVector<Call> calls;
};
