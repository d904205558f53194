#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>

// A real pseudo-terminal: the program's link opens SlavePath() as its serial device and the
// test plays the dongle on the master side.
class CPtyPair {
public:
    CPtyPair();
    ~CPtyPair();
    CPtyPair(const CPtyPair&) = delete;
    CPtyPair& operator=(const CPtyPair&) = delete;

    bool IsValid() const { return m_master >= 0; }
    QString SlavePath() const { return m_slavePath; }
    int MasterFd() const { return m_master; }

    // Writes all bytes to the master side (what the dongle sends).
    bool Write(const QByteArray& bytes);
    // Reads what the program wrote, until count bytes arrived or the timeout passed.
    QByteArray Read(int count, std::chrono::milliseconds timeout = std::chrono::seconds(2));
    // Reads whatever arrives within the quiet period (nothing arriving ends it early).
    QByteArray ReadAvailable(std::chrono::milliseconds quiet = std::chrono::milliseconds(100));
    // Closes the master side: to the program the device has gone away.
    void CloseMaster();

private:
    int m_master = -1;
    QString m_slavePath;
};

// Hex text of bytes, "FF 07 17 02 00 00 02", for readable test failures.
QString HexBytes(const QByteArray& bytes);
// Bytes from hex text "FF 07 17 ...".
QByteArray FromHex(const char* text);
// A full status report of the units in mask (FF 0E 01 mask, then power 1, flash, model, cell
// and sound off, modes 0, model lamp on, 00), as the dongle passes one on.
QByteArray StatusReport(quint16 mask, int flash, int model);
