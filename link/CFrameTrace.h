#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "link/CLinkObserver.h"
#include "link/CTraceWriter.h"
#include "link/CZbFrameSplitter.h"

class CTraceFile;

// The program's frame log: every frame in both directions and the link's events, one
// time-stamped line each in the simulator's trace format ("out" to the dongle, "in" from
// it, "--" for events), written by a CTraceWriter so that no caller waits for the file.
class CFrameTrace : public CLinkObserver {
public:
    // file may be null: the lines then go only to the enabled logging categories.
    explicit CFrameTrace(std::unique_ptr<CTraceFile> file,
                         std::size_t capacityLines = CTraceWriter::kDefaultCapacityLines);

    // Whether QT_LOGGING_RULES (or the like) asked for tarnel.link or tarnel.frames.
    static bool CategoriesEnabled();

    void OnSent(const quint8* bytes, int count, int written) override;
    void OnReceived(const quint8* bytes, int count) override;
    void OnEvent(Event event, const QString& detail) override;

    // The line for a frame, as OnSent and OnReceived write it.
    static std::string FrameLine(std::chrono::nanoseconds at, const char* direction,
                                 const quint8* bytes, int count, const std::string& note = {});
    quint64 Dropped() const { return m_writer.Dropped(); }

private:
    std::chrono::nanoseconds Now() const;

    const CTraceWriter::Clock::time_point m_epoch;
    CTraceWriter m_writer;
    // Watcher thread only (one watcher at a time; the next starts after the last was joined).
    CZbFrameSplitter m_received;
    std::vector<ZbChunk> m_chunks;
};
