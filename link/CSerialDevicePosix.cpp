#include "link/CSerialDevice.h"

#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/serial.h>
#endif

#include <QFile>
#include <cerrno>
#include <cstring>

namespace {

int Fd(std::intptr_t handle) {
    return static_cast<int>(handle);
}

// Only the rates termios names. 230000, which the settings list offers, is taken as 230400,
// the nearest rate a POSIX driver knows (0.2 % off, well inside a UART's tolerance).
std::optional<speed_t> SpeedFor(quint32 baud) {
    switch (baud) {
        case 110:
            return B110;
        case 134:
            return B134;
        case 150:
            return B150;
        case 200:
            return B200;
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 1800:
            return B1800;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230000:
        case 230400:
            return B230400;
        default:
            return std::nullopt;
    }
}

std::optional<tcflag_t> CharSizeFor(quint8 dataBits) {
    switch (dataBits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        case 8:
            return CS8;
        default:
            return std::nullopt;  // 4 data bits exist on no POSIX driver
    }
}

#ifdef CMSPAR
constexpr tcflag_t kStickParity = CMSPAR;
#else
constexpr tcflag_t kStickParity = 0;
#endif

// The parity bits of c_cflag for a parity code.
std::optional<tcflag_t> ParityFor(quint8 parityCode) {
    switch (parityCode) {
        case 0:
            return tcflag_t{0};
        case 1:
            return tcflag_t{PARENB | PARODD};
        case 2:
            return tcflag_t{PARENB};
        case 3:  // mark: the parity bit always 1
            return kStickParity != 0 ? std::optional<tcflag_t>(PARENB | PARODD | kStickParity)
                                     : std::nullopt;
        case 4:  // space: the parity bit always 0
            return kStickParity != 0 ? std::optional<tcflag_t>(PARENB | kStickParity)
                                     : std::nullopt;
        default:
            return std::nullopt;
    }
}

// One and a half stop bits do not exist on POSIX; two is the nearest that keeps a receiver
// in step.
std::optional<tcflag_t> StopBitsFor(quint8 stopBitsCode) {
    switch (stopBitsCode) {
        case 0:
            return tcflag_t{0};
        case 1:
        case 2:
            return tcflag_t{CSTOPB};
        default:
            return std::nullopt;
    }
}

bool Fail(PortFailure* failure, PortFailure::Cause cause, int errorCode, const QString& text) {
    if (failure != nullptr) {
        *failure = {cause, errorCode, text};
    }
    return false;
}

bool Fail(PortFailure* failure, const PortFailure& why) {
    return Fail(failure, why.cause, why.errorCode, why.text);
}

QString LineSettingsText(quint32 baud, quint8 dataBits, quint8 stopBitsCode, quint8 parityCode) {
    static const char* const kParity[] = {"no", "odd", "even", "mark", "space"};
    static const char* const kStopBits[] = {"1 stop bit", "1.5 stop bits", "2 stop bits"};
    return QStringLiteral("%1 baud, %2 data bits, %3 parity, %4")
        .arg(baud)
        .arg(dataBits)
        .arg(QString::fromLatin1(parityCode < 5 ? kParity[parityCode] : "unknown"),
             QString::fromLatin1(stopBitsCode < 3 ? kStopBits[stopBitsCode] : "unknown stop bits"));
}

void CloseFd(std::intptr_t& handle) {
    if (handle >= 0) {
        ::close(Fd(handle));
        handle = -1;
    }
}

}  // namespace

CSerialDevice::~CSerialDevice() {
    Close();
}

bool CSerialDevice::Open(const QString& devicePath, PortFailure* failure) {
    using Cause = PortFailure::Cause;
    if (IsOpen()) {
        return Fail(failure, Cause::kOther, 0,
                    CannotOpenText(devicePath, QStringLiteral("already open")));
    }
    if (devicePath.isEmpty()) {
        return Fail(failure, Cause::kNoDevice, 0, QStringLiteral("No port chosen"));
    }
    const QByteArray path = QFile::encodeName(devicePath);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return Fail(failure, OpenFailure(devicePath, errno));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
        ::close(fd);
        return Fail(failure, Cause::kNotSerial, 0,
                    CannotOpenText(devicePath, QStringLiteral("not a serial device")));
    }
    // TIOCEXCL keeps other openers out, but not a privileged one; the lock stops a second
    // link of any privilege. TIOCEXCL also fails on anything that is not a terminal.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return Fail(failure, BusyFailure(devicePath, error));
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        const int error = errno;
        ::close(fd);
        return error == ENOTTY
                   ? Fail(failure, Cause::kNotSerial, error,
                          CannotOpenText(devicePath, QStringLiteral("not a serial device")))
                   : Fail(failure, OpenFailure(devicePath, error));
    }
    m_port = fd;
    m_path = devicePath;
    return true;
}

bool CSerialDevice::Configure(quint32 baud, quint8 dataBits, quint8 stopBitsCode, quint8 parityCode,
                              PortFailure* failure) {
    const auto speed = SpeedFor(baud);
    const auto charSize = CharSizeFor(dataBits);
    const auto parity = ParityFor(parityCode);
    const auto stopBits = StopBitsFor(stopBitsCode);
    const auto refused = [&](int error) {
        const QString settings = LineSettingsText(baud, dataBits, stopBitsCode, parityCode);
        return Fail(
            failure, PortFailure::Cause::kSetting, error,
            error == 0
                ? QStringLiteral("Cannot use %1: %2 cannot be set here").arg(m_path, settings)
                : QStringLiteral("Cannot use %1: the device refuses %2 (%3)")
                      .arg(m_path, settings, QString::fromLocal8Bit(std::strerror(error))));
    };
    if (!IsOpen()) {
        return Fail(failure, PortFailure::Cause::kOther, 0, QStringLiteral("No port open"));
    }
    if (!speed || !charSize || !parity || !stopBits) {
        return refused(0);
    }
    termios tio{};
    if (::tcgetattr(Fd(m_port), &tio) != 0) {
        return refused(errno);
    }
    // A binary protocol: 0x0A, 0x0D, 0x11 and 0x13 are frame bytes like any other.
    tio.c_iflag &=
        ~tcflag_t{IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY};
    tio.c_oflag &= ~tcflag_t{OPOST};
    tio.c_lflag &= ~tcflag_t{ECHO | ECHONL | ICANON | ISIG | IEXTEN};
    tio.c_cflag &= ~tcflag_t{CSIZE | PARENB | PARODD | CSTOPB | kStickParity};
    tio.c_cflag |= *charSize | *parity | *stopBits | CREAD;
    // A read returns what is there; with nothing there it reports "would block", so that a
    // read of 0 bytes can only mean the device has gone.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, *speed) != 0 || ::cfsetospeed(&tio, *speed) != 0 ||
        ::tcsetattr(Fd(m_port), TCSANOW, &tio) != 0) {
        return refused(errno);
    }
    // tcsetattr succeeds when any of the changes took: check the ones every device honours
    // (a pseudo-terminal, for one, always keeps 8 data bits without parity).
    termios now{};
    if (::tcgetattr(Fd(m_port), &now) != 0 || ::cfgetospeed(&now) != *speed ||
        (now.c_lflag & (ICANON | ECHO)) != 0 || (now.c_iflag & (IXON | IXOFF)) != 0 ||
        (now.c_oflag & OPOST) != 0) {
        return refused(EINVAL);
    }
    return true;
}

void CSerialDevice::Purge() {
    if (IsOpen()) {
        ::tcflush(Fd(m_port), TCIOFLUSH);
    }
}

int CSerialDevice::Read(quint8* buffer, int capacity) {
    if (!IsOpen()) {
        return -1;
    }
    const ssize_t n = ::read(Fd(m_port), buffer, static_cast<size_t>(capacity));
    if (n > 0) {
        return static_cast<int>(n);
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        return 0;
    }
    return -1;  // end of file (hang-up) or an error such as EIO from a vanished device
}

int CSerialDevice::Write(const quint8* bytes, int count,
                         std::optional<std::chrono::milliseconds> timeout) {
    using Clock = std::chrono::steady_clock;
    if (!IsOpen() || count <= 0) {
        return 0;
    }
    const auto deadline = timeout ? Clock::now() + *timeout : Clock::time_point::max();
    int done = 0;
    while (done < count) {
        const ssize_t n = ::write(Fd(m_port), bytes + done, static_cast<size_t>(count - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            break;
        }
        int waitMs = -1;
        if (timeout) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                break;
            }
            waitMs = static_cast<int>(left.count());
        }
        pollfd p{Fd(m_port), POLLOUT, 0};
        const int r = ::poll(&p, 1, waitMs);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            break;
        }
        // r == 0 is the timeout: the loop's deadline check ends it after one more try.
    }
    return done;
}

int CSerialDevice::BytesQueued() const {
    int queued = 0;
    if (!IsOpen() || ::ioctl(Fd(m_port), FIONREAD, &queued) != 0) {
        return -1;
    }
    return queued;
}

std::optional<quint64> CSerialDevice::LostCount() const {
#if defined(__linux__) && defined(TIOCGICOUNT)
    serial_icounter_struct counts{};
    if (IsOpen() && ::ioctl(Fd(m_port), TIOCGICOUNT, &counts) == 0) {
        return static_cast<quint64>(counts.overrun) + static_cast<quint64>(counts.buf_overrun);
    }
#endif
    return std::nullopt;
}

bool CSerialDevice::PrepareWait() {
    int fds[2];
    if (!IsOpen() || ::pipe(fds) != 0) {
        return false;
    }
    for (const int fd : fds) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    m_wakeRead = fds[0];
    m_wake.store(fds[1], std::memory_order_seq_cst);
    return true;
}

CSerialDevice::WaitResult CSerialDevice::WaitReadable() {
    return Wait(POLLIN);
}

CSerialDevice::WaitResult CSerialDevice::WaitWokenOrGone() {
    // No POLLIN: bytes waiting in the driver must not end the wait, a hang-up (always
    // reported) must.
    return Wait(0);
}

CSerialDevice::WaitResult CSerialDevice::Wait(short portEvents) {
    WaitResult result;
    pollfd fds[2] = {{Fd(m_port), portEvents, 0}, {Fd(m_wakeRead), POLLIN, 0}};
    int r;
    do {
        r = ::poll(fds, 2, -1);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
        result.gone = true;
        return result;
    }
    result.readable = (fds[0].revents & POLLIN) != 0;
    result.gone = (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    if (fds[1].revents != 0) {
        result.woken = true;
        char sink[64];
        while (::read(Fd(m_wakeRead), sink, sizeof sink) > 0) {
        }
    }
    return result;
}

bool CSerialDevice::WaitWoken(std::chrono::microseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    pollfd wake{Fd(m_wakeRead), POLLIN, 0};
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        const timespec wait{static_cast<time_t>(left.count() / 1'000'000'000),
                            static_cast<long>(left.count() % 1'000'000'000)};
        const int r = ::ppoll(&wake, 1, &wait, nullptr);
        if (r > 0) {
            // Left in the pipe: the next WaitReadable sees the wake-up too.
            return true;
        }
        if (r < 0 && errno != EINTR) {
            return false;
        }
    }
}

void CSerialDevice::Wake() {
    const std::intptr_t fd = m_wake.load(std::memory_order_seq_cst);
    if (fd >= 0) {
        const char one = 1;
        // A full pipe already holds a wake-up: nothing is lost when this write fails.
        [[maybe_unused]] const ssize_t n = ::write(Fd(fd), &one, 1);
    }
}

void CSerialDevice::Close() {
    if (m_port >= 0) {
        ::ioctl(Fd(m_port), TIOCNXCL);
        ::flock(Fd(m_port), LOCK_UN);
        CloseFd(m_port);
        m_path.clear();
    }
    std::intptr_t wake = m_wake.exchange(-1);
    CloseFd(wake);
    CloseFd(m_wakeRead);
}

#endif  // _WIN32
