#include "link/CCommThread.h"

#include <QCoreApplication>
#include <algorithm>
#include <functional>
#include <system_error>

#include "link/AppMessages.h"
#include "link/CLinkObserver.h"
#include "link/CSerialDevice.h"

namespace {

void PostWatcherAlert(QObject* target, const QString& text, std::function<void()> closed = {}) {
    if (target != nullptr) {
        QCoreApplication::postEvent(
            target, new CAlertMessage(text, QStringLiteral("CCommThread"), std::move(closed)));
    }
}

}  // namespace

CCommThread::CCommThread(QObject* notifyTarget) : m_notifyTarget(notifyTarget) {}

CCommThread::~CCommThread() {
    ClosePort();
}

QString CCommThread::DevicePathFor(const QString& portName) {
#ifdef _WIN32
    return QStringLiteral("\\\\.\\") + portName;
#else
    if (portName.startsWith(QLatin1Char('/'))) {
        return portName;
    }
    if (portName.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
        const QString digits = portName.mid(3);
        bool ok = false;
        const uint number = digits.toUInt(&ok);
        if (ok && number >= 1 && digits.at(0).isDigit() && digits.at(0) != QLatin1Char('0')) {
            return QStringLiteral("/dev/ttyS%1").arg(number - 1);
        }
    }
    // Any other plain name lives in the device directory, as it would in the device namespace
    // of the original platform; a name that would climb out of it names no device.
    if (portName.isEmpty() || portName.contains(QLatin1Char('/')) ||
        portName == QLatin1String(".") || portName == QLatin1String("..")) {
        return {};
    }
    return QStringLiteral("/dev/") + portName;
#endif
}

int CCommThread::WriteTimeoutPerByteMs(quint32 baud) {
    return baud == 0 ? 0 : static_cast<int>(19200 / baud);
}

bool CCommThread::OpenPort(const QString& portName, quint32 baud, quint8 dataBits,
                           quint8 stopBitsCode, quint8 parityCode, PortFailure* failure) {
    // A device and watcher left from an earlier opening (also one whose watcher ended when the
    // device went away) are released first, so that nothing leaks.
    ClosePort();

    sDevicePath = DevicePathFor(portName);
    CLinkObserver* observer = m_observer.load();
    PortFailure why;
    auto port = std::make_unique<CSerialDevice>();
    if (!port->Open(sDevicePath, &why) ||
        !port->Configure(baud, dataBits, stopBitsCode, parityCode, &why)) {
        if (sDevicePath.isEmpty() && !portName.isEmpty()) {
            why.text = QStringLiteral("Cannot open %1: no such port").arg(portName);
        }
        if (observer != nullptr) {
            observer->OnEvent(CLinkObserver::Event::kOpenFailed, why.text);
        }
        if (failure != nullptr) {
            *failure = why;
        }
        return false;
    }
    // After the line settings took, so that nothing received in the driver's old mode is left.
    port->Purge();
    m_writeTimeoutPerByteMs = WriteTimeoutPerByteMs(baud);
    hPort = std::move(port);
    ++m_generation;
    // A notice of an earlier opening may have been discarded unhandled (its target cleared
    // its queue): the new watcher must be free to post.
    m_noticePending.store(false, std::memory_order_relaxed);
    bOpen.store(1);
    try {
        hWatcher = std::thread(&CCommThread::ThreadWatchComm, this, hPort.get(), m_generation,
                               sDevicePath);
    } catch (const std::system_error&) {
        ClosePort();
        if (failure != nullptr) {
            *failure = {PortFailure::Cause::kOther, 0,
                        QStringLiteral("Cannot watch %1: no thread").arg(sDevicePath)};
        }
        return false;
    }
    if (observer != nullptr) {
        const QString device = portName == sDevicePath
                                   ? sDevicePath
                                   : QStringLiteral("%1 (%2)").arg(portName, sDevicePath);
        observer->OnEvent(CLinkObserver::Event::kOpened,
                          QStringLiteral("%1 at %2 baud").arg(device).arg(baud));
    }
    return true;
}

void CCommThread::ClosePort() {
    // Sequentially consistent: the watcher's wake-up channel relies on it (see CSerialDevice).
    bOpen.store(0);
    CLinkObserver* observer = hPort ? m_observer.load() : nullptr;
    ReleaseDevice();
    if (observer != nullptr) {
        observer->OnEvent(CLinkObserver::Event::kClosed, sDevicePath);
    }
}

void CCommThread::ReleaseDevice() {
    if (hPort) {
        hPort->Wake();
    }
    // The watcher blocks on nothing but its wait, which the wake-up ends, so this returns at
    // once; only then may the descriptor be closed, or the watcher could wait on a reused one.
    if (hWatcher.joinable()) {
        hWatcher.join();
    }
    if (hPort) {
        hPort->Purge();
        hPort.reset();
    }
}

int CCommThread::WritePort(const quint8* bytes, int count) {
    if (bytes == nullptr || count <= 0) {
        return 0;
    }
    int written = 0;
    if (bOpen.load() != 0 && hPort) {
        std::optional<std::chrono::milliseconds> timeout;
        if (m_writeTimeoutPerByteMs > 0) {
            timeout = std::chrono::milliseconds(qint64{count} * m_writeTimeoutPerByteMs);
        }
        written = hPort->Write(bytes, count, timeout);
    }
    // Also a frame written while the port is closed: support sees what the program meant to
    // send.
    if (CLinkObserver* observer = m_observer.load()) {
        observer->OnSent(bytes, count, written);
    }
    return written;
}

int CCommThread::BytesHeld() const {
    return m_ring.Held();
}

int CCommThread::BeginDrain() {
    // Cleared before the head is read: either this exchange sees the watcher's newest notice
    // (and with it every byte stored before it), or the watcher's next exchange sees the
    // clear and posts again. No byte is left without a notice.
    m_noticePending.exchange(false, std::memory_order_acq_rel);
    return BytesHeld();
}

void CCommThread::EndDrain() {
    if (m_ring.RoomMade() && hPort) {
        hPort->Wake();
    }
}

quint8 CCommThread::TakeByte() {
    return m_ring.Take();
}

int CCommThread::ReadPort(CSerialDevice& port, quint8* buffer, int capacity) {
    return port.Read(buffer, capacity);
}

bool CCommThread::DrainPort(CSerialDevice& port, std::array<quint8, kReadChunk>& buffer) {
    int taken = 0;
    // A peer that never pauses must not hold the notification back for ever (nor keep a
    // closing link waiting): after a ring's worth the burst ends, and the next wait returns at
    // once for the rest. Only what fits is read: the rest waits in the driver.
    while (bOpen.load() == 1 && taken < kRingSize) {
        const int room = std::min(m_ring.Free(), kReadChunk);
        if (room == 0) {
            break;
        }
        const int n = ReadPort(port, buffer.data(), room);
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            break;
        }
        if (CLinkObserver* observer = m_observer.load()) {
            observer->OnReceived(buffer.data(), n);
        }
        taken += n;
        m_ring.Put(buffer.data(), n);
    }
    return true;
}

bool CCommThread::WaitForRoom(CSerialDevice& port) {
    while (bOpen.load() == 1 && m_ring.WantRoom()) {
        if (port.WaitWokenOrGone().gone) {
            return false;
        }
    }
    return true;
}

std::optional<quint64> CCommThread::DriverLostCount(const CSerialDevice& port) const {
    return port.LostCount();
}

void CCommThread::CheckDriverLoss(const CSerialDevice& port, std::optional<quint64>& lastLost) {
    const std::optional<quint64> lost = DriverLostCount(port);
    if (lost && lastLost && *lost > *lastLost) {
        AlertLost(*lost - *lastLost);
    }
    if (lost) {
        lastLost = lost;
    }
}

void CCommThread::AlertLost(quint64 lost) {
    if (CLinkObserver* observer = m_observer.load()) {
        observer->OnEvent(CLinkObserver::Event::kBufferFull,
                          QStringLiteral("Buffer full: %1 bytes lost").arg(lost));
    }
    // The UI thread tells the operator; this thread goes on reading instead of waiting for
    // the box to be closed. While one box waits or is shown no other is asked for: a long
    // stall would otherwise stack one box per burst.
    if (!m_bufferFullAlert.exchange(true, std::memory_order_acq_rel)) {
        PostWatcherAlert(m_notifyTarget, QStringLiteral("Buffer full"),
                         [this] { m_bufferFullAlert.store(false, std::memory_order_release); });
    }
}

void CCommThread::NotifyReceived() {
    if (!m_noticePending.exchange(true, std::memory_order_acq_rel)) {
        m_noticesPosted.fetch_add(1, std::memory_order_relaxed);
        PostAppMessage(m_notifyTarget, kReceivedNotice);
    }
}

void CCommThread::ThreadWatchComm(CSerialDevice* port, quint32 generation, QString devicePath) {
    if (!port->PrepareWait()) {
        PostWatcherAlert(m_notifyTarget,
                         QStringLiteral("Error while creating ThreadWatchComm, ") + devicePath);
        return;
    }
    using Clock = std::chrono::steady_clock;
    std::array<quint8, kReadChunk> buffer{};
    auto lastBurst = Clock::now() - kMinBurstInterval;
    // Losses the driver counted before this opening are not this link's.
    std::optional<quint64> lastLost = DriverLostCount(*port);
    while (bOpen.load() == 1) {
        if (m_ring.Free() == 0 && !WaitForRoom(*port)) {
            break;
        }
        const CSerialDevice::WaitResult events = port->WaitReadable();
        if (events.readable) {
            const auto since = Clock::now() - lastBurst;
            if (!events.gone && since < kMinBurstInterval &&
                port->WaitWoken(std::chrono::duration_cast<std::chrono::microseconds>(
                    kMinBurstInterval - since))) {
                continue;  // woken to close: the loop's test ends it
            }
            lastBurst = Clock::now();
            const bool present = DrainPort(*port, buffer);
            CheckDriverLoss(*port, lastLost);
            NotifyReceived();
            if (!present) {
                break;
            }
        }
        // A vanished device keeps reporting its hang-up: leaving here is what keeps this
        // thread from spinning on it.
        if (events.gone) {
            break;
        }
    }
    if (bOpen.load() == 1) {
        if (CLinkObserver* observer = m_observer.load()) {
            observer->OnEvent(CLinkObserver::Event::kHungUp, devicePath);
        }
    }
    PostAppMessage(m_notifyTarget, kClosedNotice, static_cast<qintptr>(generation));
}
