#include "support/CPtyPair.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

CPtyPair::CPtyPair() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0) {
        return;
    }
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        CloseMaster();
        return;
    }
    char name[128] = {};
    if (ptsname_r(m_master, name, sizeof name) != 0) {
        CloseMaster();
        return;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    // The master side is raw too, so that what the test writes arrives byte for byte.
    termios tio{};
    if (tcgetattr(m_master, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_master, TCSANOW, &tio);
    }
}

CPtyPair::~CPtyPair() {
    CloseMaster();
}

void CPtyPair::CloseMaster() {
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

bool CPtyPair::Write(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size() && m_master >= 0) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, bytes.size() - done);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        pollfd p{m_master, POLLOUT, 0};
        ::poll(&p, 1, 100);
    }
    return done == bytes.size();
}

QByteArray CPtyPair::Read(int count, std::chrono::milliseconds timeout) {
    QByteArray out;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (out.size() < count && m_master >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char buf[4096];
        const ssize_t n =
            ::read(m_master, buf, std::min<qsizetype>(sizeof buf, count - out.size()));
        if (n > 0) {
            out.append(buf, n);
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            break;
        }
    }
    return out;
}

QByteArray CPtyPair::ReadAvailable(std::chrono::milliseconds quiet) {
    QByteArray out;
    while (m_master >= 0) {
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(quiet.count())) <= 0) {
            break;
        }
        char buf[4096];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0) {
            break;
        }
        out.append(buf, n);
    }
    return out;
}

QString HexBytes(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QByteArray FromHex(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}

QByteArray StatusReport(quint16 mask, int flash, int model) {
    QByteArray bytes = FromHex("FF 0E 01");
    bytes += static_cast<char>(mask >> 8);
    bytes += static_cast<char>(mask & 0xFF);
    for (int b : {1, flash, model, 0, 0, 0, 0, 1, 0}) {
        bytes += static_cast<char>(b);
    }
    return bytes;
}
