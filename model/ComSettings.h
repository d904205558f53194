#pragma once

#include <QString>
#include <QtGlobal>

// The serial settings the main frame holds; only the port and the baud rate are stored.
struct ComSettings {
    QString sComPort;
    int nBaud = 9600;
    quint8 nDataBits = 8;
    quint8 nStopBits = 0;  // 0 one, 1 one and a half, 2 two
    quint8 nParity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
};

// The settings before Option.xml is read.
inline ComSettings DefaultComSettings() {
    ComSettings s;
    s.sComPort = QStringLiteral("COM2");
    return s;
}
