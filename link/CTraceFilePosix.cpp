#include "link/CTraceFile.h"

#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>

namespace {

QString SystemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

std::unique_ptr<CTraceFile> CTraceFile::Open(const QString& path, QString* error) {
    const QByteArray name = QFile::encodeName(path);
    // Without O_NONBLOCK a FIFO nobody reads would hold the program up before it starts.
    const int fd =
        name.isEmpty()
            ? -1
            : ::open(name.constData(),
                     O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) {
        const int why = name.isEmpty() ? ENOENT : errno;
        if (error != nullptr) {
            *error = why == ENXIO ? QStringLiteral("no program reads that FIFO") : SystemText(why);
        }
        return nullptr;
    }
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (error != nullptr) {
            *error = SystemText(errno);
        }
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<CTraceFile>(new CTraceFile(fd, wake[0], wake[1]));
}

CTraceFile::CTraceFile(int fd, int wakeRead, int wakeWrite)
    : m_fd(fd), m_wakeRead(wakeRead), m_wakeWrite(wakeWrite) {}

CTraceFile::~CTraceFile() {
    ::close(m_fd);
    ::close(m_wakeRead);
    ::close(m_wakeWrite);
}

void CTraceFile::PrepareWriterThread() {
    // SIGPIPE raised by a write is sent to the writing thread: blocked there, it stays pending
    // and the write fails with EPIPE instead.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
}

bool CTraceFile::Write(std::string_view text, std::optional<Clock::time_point> deadline,
                       QString* error) {
    while (!text.empty()) {
        const ssize_t n = ::write(m_fd, text.data(), text.size());
        if (n > 0) {
            text.remove_prefix(static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            if (error != nullptr) {
                *error = SystemText(errno);
            }
            return false;
        }
        int waitMs = -1;
        if (deadline) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
            if (left <= 0) {
                return false;
            }
            waitMs = static_cast<int>(left);
        }
        pollfd fds[2] = {{m_fd, POLLOUT, 0}, {m_wakeRead, POLLIN, 0}};
        if (::poll(fds, 2, waitMs) < 0 && errno != EINTR) {
            return false;
        }
        // The wake-up byte stays in the pipe, so every later write returns at once too.
        if (fds[1].revents != 0) {
            return false;
        }
    }
    return true;
}

void CTraceFile::Interrupt() {
    const char one = 1;
    // A full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t n = ::write(m_wakeWrite, &one, 1);
}

#endif  // _WIN32
