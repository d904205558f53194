#pragma once

#include <QtGlobal>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CTraceFile;

// Lines of a trace, handed over by any thread and written by a thread of its own, so that a
// slow disk or a reader that stops reading never holds up the caller. At most a fixed number
// of lines wait; beyond that lines are dropped and counted, and the count follows in the
// trace as a line of its own ("-- 1234 lines dropped") once there is room again.
//
// Each line goes to the file, when there is one, and to its logging category (tarnel.link or
// tarnel.frames) when that category is enabled for debug messages.
class CTraceWriter {
public:
    using Clock = std::chrono::steady_clock;
    enum class Channel { kLink, kFrames };

    static constexpr std::size_t kDefaultCapacityLines = 8192;
    // At the end, what is still queued gets this long to reach a stuck reader.
    static constexpr std::chrono::milliseconds kFinalFlushLimit{500};

    // epoch: the moment the trace's times count from.
    CTraceWriter(std::unique_ptr<CTraceFile> file, Clock::time_point epoch,
                 std::size_t capacityLines = kDefaultCapacityLines);
    ~CTraceWriter();
    CTraceWriter(const CTraceWriter&) = delete;
    CTraceWriter& operator=(const CTraceWriter&) = delete;

    // Any thread; takes the queue's lock only, never waits for the file.
    void Add(Channel channel, std::string line);
    // Lines dropped so far because the queue was full.
    quint64 Dropped() const;

private:
    struct Entry {
        Channel channel;
        std::string line;
    };

    void Run();
    void Emit(std::vector<Entry>& batch);

    const std::unique_ptr<CTraceFile> m_file;  // written by the writer thread only
    const Clock::time_point m_epoch;
    const std::size_t m_capacity;

    mutable std::mutex m_mutex;  // guards everything below
    std::condition_variable m_wake;
    std::vector<Entry> m_queue;
    quint64 m_droppedNow = 0;  // since the last marker
    Clock::time_point m_firstDropAt;
    quint64 m_droppedTotal = 0;
    bool m_stopping = false;
    bool m_finished = false;

    bool m_fileFailed = false;  // writer thread only
    std::thread m_thread;       // last: starts once everything above exists
};
