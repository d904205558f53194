#pragma once

#include <QtGlobal>
#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include "sim/CSimDongle.h"
#include "sim/CSimPort.h"
#include "sim/SimConfig.h"

// The simulator's I/O: one thread polls the pseudo-terminal, standard input (the control
// channel), a signal descriptor for SIGINT/SIGTERM/SIGHUP and the dongle's next due moment, and
// moves bytes between them and the dongle.
class CSimLoop {
public:
    explicit CSimLoop(const SimConfig& config);
    // Runs until a signal, "quit", "unplug" or a fatal port error; returns the exit code.
    int Run();

    // Frames waiting for the program beyond this are dropped: nobody is reading, and a real
    // dongle would not keep them either (the pseudo-terminal itself buffers some more).
    static constexpr std::size_t kMaxPendingBytes = 64 * 1024;

private:
    // The stop-signal descriptor once the port is published; -1 when that failed.
    int Open();
    // One look at everything the loop polls; false when the loop ends.
    bool Turn(int stopFd);
    // False when nothing is scheduled, so the poll waits for input alone.
    bool WaitForNextDue(timespec& wait) const;
    SimTime Now() const;
    void Collect();
    bool FlushPort();
    void ReadPort();
    // False when the control channel asked to stop.
    bool ReadControl();
    void Reply(const std::string& text);

    SimConfig m_config;
    CSimDongle m_dongle;
    CSimPort m_port;
    std::chrono::steady_clock::time_point m_start;
    std::vector<quint8> m_pending;  // bytes for the program not yet written
    std::size_t m_pendingOffset = 0;
    std::uint64_t m_droppedFrames = 0;
    std::string m_controlLine;
    int m_controlFd = 0;  // -1 once standard input has ended
    int m_exitCode = 0;
    bool m_unplug = false;
};
