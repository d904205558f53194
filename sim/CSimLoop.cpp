#include "sim/CSimLoop.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sim/CSimControl.h"
#include "sim/CSimOptions.h"

namespace {

// The stop signals never run a handler: they stay blocked and wait in a descriptor that the
// loop polls with everything else. A handler that only wakes the poll can lose its wake-up
// when the signal lands between the loop's last look and the poll (a sanitizer that defers
// handlers to its own safe points makes that window wide); a pending signal cannot be lost.
int OpenStopSignals() {
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGHUP);  // its terminal closed: still clean up the link
    if (sigprocmask(SIG_BLOCK, &stop, nullptr) != 0) {
        return -1;
    }
    signal(SIGPIPE, SIG_IGN);  // a closed stdout must not kill us mid-write
    return signalfd(-1, &stop, SFD_CLOEXEC | SFD_NONBLOCK);
}

void WriteErr(const std::string& line) {
    std::string text = line;
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stderr);
}

}  // namespace

CSimLoop::CSimLoop(const SimConfig& config)
    : m_config(config), m_dongle(config), m_start(std::chrono::steady_clock::now()) {
    if (config.trace) {
        m_dongle.SetTraceSink(WriteErr);
    }
}

SimTime CSimLoop::Now() const {
    return std::chrono::duration_cast<SimTime>(std::chrono::steady_clock::now() - m_start);
}

void CSimLoop::Reply(const std::string& text) {
    if (!text.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    }
}

void CSimLoop::Collect() {
    for (SimEmission& e : m_dongle.TakeEmissions()) {
        if (m_pending.size() - m_pendingOffset + e.bytes.size() > kMaxPendingBytes) {
            if (m_droppedFrames++ == 0 && m_config.trace) {
                WriteErr("strobe-sim: the program is not reading; dropping what it would get");
            }
            continue;
        }
        m_pending.insert(m_pending.end(), e.bytes.begin(), e.bytes.end());
    }
}

bool CSimLoop::FlushPort() {
    while (m_pendingOffset < m_pending.size()) {
        const ssize_t n = ::write(m_port.MasterFd(), m_pending.data() + m_pendingOffset,
                                  m_pending.size() - m_pendingOffset);
        if (n > 0) {
            m_pendingOffset += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            return true;  // the rest goes when the port can take it
        }
        WriteErr(std::string("strobe-sim: writing to the port failed: ") + std::strerror(errno));
        return false;
    }
    m_pending.clear();
    m_pendingOffset = 0;
    return true;
}

void CSimLoop::ReadPort() {
    quint8 buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_port.MasterFd(), buffer, sizeof buffer);
        if (n <= 0) {
            return;  // EAGAIN: all taken; EIO cannot happen while we hold the slave
        }
        m_dongle.Receive(buffer, static_cast<std::size_t>(n), Now());
    }
}

bool CSimLoop::ReadControl() {
    char buffer[4096];
    const ssize_t n = ::read(m_controlFd, buffer, sizeof buffer);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
        m_controlFd = -1;  // no more commands; keep running until a signal
        return true;
    }
    if (n < 0) {
        return true;
    }
    m_controlLine.append(buffer, static_cast<std::size_t>(n));
    std::size_t start = 0;
    for (std::size_t end; (end = m_controlLine.find('\n', start)) != std::string::npos;
         start = end + 1) {
        const std::string line = m_controlLine.substr(start, end - start);
        const SimTime now = Now();
        m_dongle.Advance(now);  // whatever was due happens before the command
        const CSimControl::Result result = CSimControl::Execute(line, m_dongle, now);
        Reply(result.reply);
        if (result.action != CSimControl::Action::kContinue) {
            m_unplug = result.action == CSimControl::Action::kUnplug;
            m_controlLine.clear();
            return false;
        }
    }
    m_controlLine.erase(0, start);
    return true;
}

int CSimLoop::Run() {
    const int stopFd = Open();
    if (stopFd < 0) {
        return 1;
    }
    while (Turn(stopFd)) {
    }
    if (m_unplug) {
        // The device vanishes: whatever was not yet written is lost with it.
        WriteErr("strobe-sim: unplugged");
    }
    m_port.Close();
    ::close(stopFd);
    if (m_droppedFrames > 0) {
        WriteErr("strobe-sim: " + std::to_string(m_droppedFrames) +
                 " frames dropped while the program was not reading");
    }
    return m_exitCode;
}

int CSimLoop::Open() {
    std::string error;
    const int stopFd = OpenStopSignals();
    if (stopFd < 0) {
        WriteErr(std::string("strobe-sim: cannot install signal handling: ") +
                 std::strerror(errno));
        return -1;
    }
    if (!m_port.Open(error) || !m_port.Publish(m_config.linkPath, error)) {
        WriteErr("strobe-sim: " + error);
        ::close(stopFd);
        return -1;
    }
    // The first line of standard output is the device path, for scripts and tests.
    Reply(m_port.SlavePath() + "\n");
    WriteErr("strobe-sim: port " + m_port.SlavePath() + ", link " + m_port.LinkPath() + ", units " +
             CSimOptions::FormatUnits(m_config.units) + ", seed " + std::to_string(m_config.seed));
    return stopFd;
}

bool CSimLoop::Turn(int stopFd) {
    m_dongle.Advance(Now());
    Collect();
    if (!FlushPort()) {
        m_exitCode = 1;
        return false;
    }
    pollfd fds[3] = {
        {stopFd, POLLIN, 0},
        {m_port.MasterFd(), static_cast<short>(POLLIN | (m_pending.empty() ? 0 : POLLOUT)), 0},
        {m_controlFd, POLLIN, 0},
    };
    timespec wait{};
    const bool due = WaitForNextDue(wait);
    if (ppoll(fds, 3, due ? &wait : nullptr, nullptr) < 0) {
        if (errno == EINTR) {
            return true;
        }
        WriteErr(std::string("strobe-sim: poll failed: ") + std::strerror(errno));
        m_exitCode = 1;
        return false;
    }
    if (fds[0].revents != 0) {
        return false;  // SIGINT, SIGTERM or SIGHUP
    }
    if ((fds[1].revents & (POLLERR | POLLNVAL)) != 0) {
        WriteErr("strobe-sim: the port failed");
        m_exitCode = 1;
        return false;
    }
    if ((fds[1].revents & POLLIN) != 0) {
        ReadPort();
    }
    if ((fds[2].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
        return ReadControl();
    }
    if ((fds[2].revents & POLLNVAL) != 0) {
        m_controlFd = -1;
    }
    return true;
}

bool CSimLoop::WaitForNextDue(timespec& wait) const {
    const auto due = m_dongle.NextDue();
    if (!due) {
        return false;
    }
    const SimTime left = std::max(SimTime(0), *due - Now());
    wait.tv_sec = static_cast<time_t>(left.count() / 1'000'000'000);
    wait.tv_nsec = static_cast<long>(left.count() % 1'000'000'000);
    return true;
}
