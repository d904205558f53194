#pragma once

#include <QString>
#include <chrono>
#include <memory>
#include <optional>
#include <string_view>

// Where a frame log goes: a file appended to, or a FIFO or terminal that someone reads. A
// write waits for room as long as that reader takes; Interrupt() ends the wait from another
// thread, so a reader that stops reading can hold up nothing but the trace.
class CTraceFile {
public:
    using Clock = std::chrono::steady_clock;

    // Opens path for appending, creating it; never waits for a reader to appear. Null, with the
    // reason in error, when it cannot be written.
    static std::unique_ptr<CTraceFile> Open(const QString& path, QString* error);
    ~CTraceFile();
    CTraceFile(const CTraceFile&) = delete;
    CTraceFile& operator=(const CTraceFile&) = delete;

    // The thread that will write, once: a reader that goes away must fail the write, not end
    // the program with a signal.
    static void PrepareWriterThread();
    // Writer thread: writes all of text, waiting for room until the deadline (none: no limit).
    // False when interrupted, past the deadline, or when the file failed; error then says why.
    bool Write(std::string_view text, std::optional<Clock::time_point> deadline, QString* error);
    // Any thread: makes a waiting Write, and every later one, return false at once.
    void Interrupt();

private:
    CTraceFile(int fd, int wakeRead, int wakeWrite);

    // Fixed from Open to the destructor; the wake-up pipe is what Interrupt and Write share.
    int m_fd;
    int m_wakeRead;
    int m_wakeWrite;
};
