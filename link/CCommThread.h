#pragma once

#include <QString>
#include <QtGlobal>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>

#include "link/CPortWriter.h"
#include "link/CReceiveRing.h"
#include "link/PortFailure.h"

class QObject;
class CLinkObserver;
class CSerialDevice;

// The serial link to the dongle: opens the port, writes frames synchronously, and runs a
// watcher thread that moves received bytes into the receive ring and posts kReceivedNotice and
// kClosedNotice (once, when it ends; wParam = the opening's generation) to the notified
// object. kReceivedNotice is coalesced: while one is queued and not yet taken up by
// BeginDrain, the watcher posts no other, so a flood never piles notices up. The watcher
// reads no more than the ring has room for: with the ring full it waits, without spinning,
// until EndDrain tells it the UI thread took bytes, and the driver holds the rest meanwhile.
// "Buffer full" is asked for only when the driver itself counted bytes lost.
class CCommThread : public CPortWriter {
public:
    static constexpr int kRingSize = CReceiveRing::kSize;
    static constexpr int kReadChunk = 2048;
    // Bursts closer together than this are gathered into one: under a flood of reports the UI
    // thread takes them in batches, decoding and repainting at most a few hundred times a
    // second, while a lone report is still announced at once.
    static constexpr std::chrono::microseconds kMinBurstInterval{5000};

    explicit CCommThread(QObject* notifyTarget);
    ~CCommThread() override;
    CCommThread(const CCommThread&) = delete;
    CCommThread& operator=(const CCommThread&) = delete;

    // UI thread. Releases a device and watcher left from an earlier opening first. On failure
    // says why in failure, when given.
    bool OpenPort(const QString& portName, quint32 baud, quint8 dataBits, quint8 stopBitsCode,
                  quint8 parityCode, PortFailure* failure = nullptr);
    // UI thread. Wakes the watcher, which then posts kClosedNotice, and joins it before the
    // device is closed (the watcher waits on nothing but the port, so this is immediate).
    // Does not reset the ring and posts nothing itself.
    void ClosePort();
    int WritePort(const quint8* bytes, int count) override;

    // Ring access for the UI thread's receive handler.
    int BytesHeld() const;
    quint8 TakeByte();
    // UI thread, on kReceivedNotice: lets the watcher post its next notice, then returns the
    // bytes held. Bytes stored after this call always bring a notice of their own.
    int BeginDrain();
    // UI thread, after taking bytes: wakes a watcher that waits for room in the ring.
    void EndDrain();
    // kReceivedNotice notices posted so far, for measuring how many wait in the queue.
    quint64 NoticesPosted() const { return m_noticesPosted.load(std::memory_order_relaxed); }

    // UI thread, while the port is closed: who sees the frames and events (none: nullptr).
    void SetObserver(CLinkObserver* observer) { m_observer.store(observer); }

    bool IsOpen() const { return bOpen.load(std::memory_order_acquire) != 0; }
    // Generation of the current (or last) opening; kClosedNotice carries it in wParam.
    quint32 Generation() const { return m_generation; }
    QString DevicePath() const { return sDevicePath; }

    // "COMn" maps to /dev/ttyS{n-1}; a name starting with '/' is used as it is; another plain
    // name is taken from /dev; an empty name, or one that would leave /dev, gives no path.
    static QString DevicePathFor(const QString& portName);
    // Write timeout per byte: 19200 / baud in integer division (0 at 38400 and above).
    static int WriteTimeoutPerByteMs(quint32 baud);

protected:
    // Watcher thread: the driver's count of received bytes it lost, none when it keeps none.
    virtual std::optional<quint64> DriverLostCount(const CSerialDevice& port) const;
    // Watcher thread: asks for one "Buffer full" box unless one waits or is shown.
    void AlertLost(quint64 lost);

private:
    // The watcher thread; its arguments are copies, so it shares only the ring and bOpen.
    void ThreadWatchComm(CSerialDevice* port, quint32 generation, QString devicePath);
    // Watcher thread: up to capacity bytes into buffer; 0 when none, -1 when the device has
    // gone.
    int ReadPort(CSerialDevice& port, quint8* buffer, int capacity);
    // Watcher thread: moves one burst into the ring, as far as it has room; false when the
    // device has gone.
    bool DrainPort(CSerialDevice& port, std::array<quint8, kReadChunk>& buffer);
    // Watcher thread, with the ring full: waits until the UI thread made room or the link
    // closes; false when the device went away meanwhile.
    bool WaitForRoom(CSerialDevice& port);
    // Watcher thread: alerts when the driver's loss count grew past lastLost.
    void CheckDriverLoss(const CSerialDevice& port, std::optional<quint64>& lastLost);
    // Watcher thread: posts kReceivedNotice unless one is still waiting to be taken up.
    void NotifyReceived();
    void ReleaseDevice();

    QObject* m_notifyTarget;               // fixed at construction
    std::unique_ptr<CSerialDevice> hPort;  // UI thread owns; the watcher reads through it
    QString sDevicePath;                   // UI thread only
    std::atomic<int> bOpen{0};             // UI thread stores, watcher loads
    std::thread hWatcher;                  // UI thread only
    quint32 m_generation = 0;              // UI thread only
    int m_writeTimeoutPerByteMs = 0;       // UI thread only
    CReceiveRing m_ring;                   // watcher produces, UI thread consumes
    // Set by the watcher when it posts kReceivedNotice, cleared by BeginDrain; both sides
    // exchange it (acq_rel), which orders the clear against the watcher's newest nHead.
    std::atomic<bool> m_noticePending{false};
    std::atomic<quint64> m_noticesPosted{0};          // watcher adds, anyone loads (a statistic)
    std::atomic<CLinkObserver*> m_observer{nullptr};  // UI thread stores, both threads load
    // A "Buffer full" box is waiting or shown: the watcher sets it (exchange, acq_rel) when it
    // asks for the box, the UI thread clears it (release) once the operator closed the box.
    std::atomic<bool> m_bufferFullAlert{false};
};
