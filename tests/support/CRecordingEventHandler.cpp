#include "support/CRecordingEventHandler.h"

#include <QStringList>

#include "model/StrobeData.h"

int CRecordingEventHandler::OnStatus(int unitIndex, const StrobeData& status) {
    Call c;
    c.text = QStringLiteral(
                 "Status %1 pow=%2 flash=%3 model=%4 cell=%5 snd=%6 m1=%7 m2=%8 "
                 "lamp=%9 charge=%10")
                 .arg(unitIndex)
                 .arg(status.bFlashPow)
                 .arg(status.nFlashValue)
                 .arg(status.nModelValue)
                 .arg(status.bFlashCell)
                 .arg(status.bFlashSnd)
                 .arg(status.nModelMode1)
                 .arg(status.nModelMode2)
                 .arg(status.bModelPow)
                 .arg(status.bFlashCharge);
    c.unitIndex = unitIndex;
    c.nChNum = status.nChNum;
    c.status = &status;
    calls.push_back(c);
    return 1;
}

int CRecordingEventHandler::OnSetting(quint8 subCode, quint8 unitIndex, quint16 value,
                                      const quint8* frame) {
    Call c;
    c.text = QStringLiteral("Setting %1 %2 0x%3%4")
                 .arg(subCode)
                 .arg(unitIndex)
                 .arg(value, 4, 16, QChar('0'))
                 .arg(frame != nullptr ? QStringLiteral(" frame") : QString());
    c.unitIndex = unitIndex;
    if (frame != nullptr) {
        c.pairs = QByteArray(reinterpret_cast<const char*>(frame) + 3, 20);
    }
    calls.push_back(c);
    return 1;
}

int CRecordingEventHandler::OnEvent(quint8 subCode, quint8 unitIndex, quint8 value) {
    Call c;
    c.text = QStringLiteral("Event %1 %2 %3").arg(subCode).arg(unitIndex).arg(value);
    c.unitIndex = unitIndex;
    calls.push_back(c);
    return 1;
}

int CRecordingEventHandler::OnReading(quint8 subCode, quint8 unitIndex, quint8 value) {
    Call c;
    c.text = QStringLiteral("Reading %1 %2 %3").arg(subCode).arg(unitIndex).arg(value);
    c.unitIndex = unitIndex;
    calls.push_back(c);
    return 1;
}

QStringList CRecordingEventHandler::Texts() const {
    QStringList out;
    for (const auto& c : calls) {
        out << c.text;
    }
    return out;
}
