#include "link/CCommThread.h"

#include <QCoreApplication>
#include <functional>
#include <system_error>

#include "link/AppMessages.h"
#include "link/CLinkObserver.h"
#include "link/CSerialDevice.h"

namespace {

// The ring's indices publish the bytes they cover: stored with release, loaded with acquire.
// A throw-away build may weaken them to relaxed to prove that the threaded stress test and
// ThreadSanitizer catch the race that follows; no shipped build defines this.
#ifdef TARNEL_RING_RELAXED_FOR_MUTATION_TEST
constexpr std::memory_order kRingPublish = std::memory_order_relaxed;
constexpr std::memory_order kRingObserve = std::memory_order_relaxed;
#else
constexpr std::memory_order kRingPublish = std::memory_order_release;
constexpr std::memory_order kRingObserve = std::memory_order_acquire;
#endif

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
    const int head = nHead.load(kRingObserve);
    const int tail = nTail.load(kRingObserve);
    return (head - tail + kRingSize) % kRingSize;
}

int CCommThread::BeginDrain() {
    // Cleared before the head is read: either this exchange sees the watcher's newest notice
    // (and with it every byte stored before it), or the watcher's next exchange sees the
    // clear and posts again. No byte is left without a notice.
    m_noticePending.exchange(false, std::memory_order_acq_rel);
    return BytesHeld();
}

quint8 CCommThread::TakeByte() {
    const int tail = nTail.load(std::memory_order_relaxed);
    // Taking from an empty ring would move the tail past the head and make the ring look full.
    if (nHead.load(kRingObserve) == tail) {
        return 0;
    }
    const quint8 byte = ring[static_cast<size_t>(tail)];
    nTail.store((tail + 1) % kRingSize, kRingPublish);
    return byte;
}

int CCommThread::ReadPort(CSerialDevice& port, quint8* buffer) {
    return port.Read(buffer, kReadChunk);
}

bool CCommThread::DrainPort(CSerialDevice& port, std::array<quint8, kReadChunk>& buffer) {
    bool alerted = false;
    int taken = 0;
    // A peer that never pauses must not hold the notification back for ever (nor keep a
    // closing link waiting): after a ring's worth the burst ends, and the next wait returns at
    // once for the rest.
    while (bOpen.load() == 1 && taken < kRingSize) {
        const int n = ReadPort(port, buffer.data());
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
        int head = nHead.load(std::memory_order_relaxed);
        const int held = (head - nTail.load(kRingObserve) + kRingSize) % kRingSize;
        if (CLinkObserver* observer = m_observer.load(); observer && kRingSize - held <= n) {
            observer->OnEvent(CLinkObserver::Event::kBufferFull,
                              QStringLiteral("Buffer full: %1 bytes lost").arg(n));
        }
        if (kRingSize - held > n) {
            for (int i = 0; i < n; ++i) {
                ring[static_cast<size_t>(head)] = buffer[static_cast<size_t>(i)];
                head = (head + 1) % kRingSize;
            }
            nHead.store(head, kRingPublish);
        } else if (!alerted) {
            // The batch is lost. The UI thread tells the operator; this thread goes on reading
            // instead of waiting for the box to be closed. While one box waits or is shown no
            // other is asked for: a long stall would otherwise stack one box per burst.
            alerted = true;
            if (!m_bufferFullAlert.exchange(true, std::memory_order_acq_rel)) {
                PostWatcherAlert(m_notifyTarget, QStringLiteral("Buffer full"), [this] {
                    m_bufferFullAlert.store(false, std::memory_order_release);
                });
            }
        }
    }
    return true;
}

void CCommThread::NotifyReceived() {
    if (!m_noticePending.exchange(true, std::memory_order_acq_rel)) {
        m_noticesPosted.fetch_add(1, std::memory_order_relaxed);
        PostAppMessage(m_notifyTarget, WM_ZB_RECEIVED);
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
    while (bOpen.load() == 1) {
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
    PostAppMessage(m_notifyTarget, WM_ZB_CLOSED, static_cast<qintptr>(generation));
}
