#pragma once

#include <QString>
#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>

#include "link/PortFailure.h"

// One opened serial device: the few platform calls the link needs and nothing more. Every
// call into the operating system's serial API lives in this class's platform file.
//
// Threads: the owner opens, configures, writes and closes; one watcher thread may read and
// wait between a successful Open and Close. Close must not run while the watcher waits:
// wake it and join it first.
class CSerialDevice {
public:
    struct WaitResult {
        bool readable = false;  // bytes (or an end-of-file) can be read without blocking
        bool woken = false;     // Wake() was called
        bool gone = false;      // the device hung up, reported an error, or the wait failed
    };

    CSerialDevice() = default;
    ~CSerialDevice();
    CSerialDevice(const CSerialDevice&) = delete;
    CSerialDevice& operator=(const CSerialDevice&) = delete;

    // Opens the device for reading and writing without blocking, exclusively: a second
    // opening, from this process or another, fails until Close. On failure, says why.
    bool Open(const QString& devicePath, PortFailure* failure = nullptr);
    // Raw binary line (no echo, no line editing, no character translation, no software flow
    // control) with the given baud rate, data bits (5..8), stop-bits code (0 one, 1 one and a
    // half, 2 two) and parity code (0 none, 1 odd, 2 even, 3 mark, 4 space). Every other
    // setting stays as the driver had it. False, saying why, for a value the platform or the
    // device cannot do.
    bool Configure(quint32 baud, quint8 dataBits, quint8 stopBitsCode, quint8 parityCode,
                   PortFailure* failure = nullptr);
    // Discards what is queued in both directions.
    void Purge();
    // Reads what is there, up to capacity bytes, without waiting: the count read, 0 when
    // nothing is queued, -1 when the device has gone away or failed.
    int Read(quint8* buffer, int capacity);
    // Writes all bytes, waiting for room up to the timeout (no limit without one); returns the
    // number of bytes written, which is short of count after a timeout or a failure.
    int Write(const quint8* bytes, int count, std::optional<std::chrono::milliseconds> timeout);
    // Number of received bytes the driver holds, -1 when it cannot tell.
    int BytesQueued() const;
    // Received bytes the driver and the hardware dropped since the device appeared (its
    // overrun counts); none when the driver keeps no such count (a pseudo-terminal, which
    // never drops, is one).
    std::optional<quint64> LostCount() const;

    // Watcher thread, once before its first WaitReadable: sets up the wake-up channel.
    bool PrepareWait();
    // Watcher thread: blocks until the device is readable, hangs up, or Wake() is called.
    WaitResult WaitReadable();
    // Watcher thread: waits for the timeout to pass, or less when Wake() is called; true when
    // woken.
    bool WaitWoken(std::chrono::microseconds timeout);
    // Watcher thread: blocks until Wake() is called or the device hangs up, however much it
    // holds to be read.
    WaitResult WaitWokenOrGone();
    // Any thread: makes a pending or the next WaitReadable (or WaitWoken) return with woken set.
    void Wake();

    // Owner: closes the device and the wake-up channel. The watcher must have ended.
    void Close();
    bool IsOpen() const { return m_port >= 0; }

private:
    // Watcher thread: polls the port for portEvents (and always its hang-up) and the wake-up.
    WaitResult Wait(short portEvents);

    QString m_path;                 // owner only: the path of the open device, for reasons
    std::intptr_t m_port = -1;      // owner sets it before the watcher starts, clears it after
    std::intptr_t m_wakeRead = -1;  // watcher sets it in PrepareWait; owner closes it after
    // PrepareWait (watcher) stores it and Wake (any thread) loads it, both sequentially
    // consistent: a Wake that finds no channel yet is followed by the watcher's check of the
    // open flag, which the waker cleared before waking.
    std::atomic<std::intptr_t> m_wake{-1};
};
