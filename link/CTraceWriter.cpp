#include "link/CTraceWriter.h"

#include <QLoggingCategory>
#include <cstdio>

#include "link/CTraceFile.h"
#include "link/CZbFrameText.h"
#include "link/TraceCategories.h"

CTraceWriter::CTraceWriter(std::unique_ptr<CTraceFile> file, Clock::time_point epoch,
                           std::size_t capacityLines)
    : m_file(std::move(file)),
      m_epoch(epoch),
      m_capacity(capacityLines),
      m_thread(&CTraceWriter::Run, this) {}

CTraceWriter::~CTraceWriter() {
    std::unique_lock lock(m_mutex);
    m_stopping = true;
    m_wake.notify_all();
    // The queue gets a moment to reach the reader; a reader that takes no more is not waited
    // for, or the program could never end.
    if (!m_wake.wait_for(lock, kFinalFlushLimit, [this] { return m_finished; }) && m_file) {
        m_file->Interrupt();
    }
    lock.unlock();
    m_thread.join();
}

void CTraceWriter::Add(Channel channel, std::string line) {
    const std::lock_guard lock(m_mutex);
    if (m_queue.size() >= m_capacity) {
        if (m_droppedNow++ == 0) {
            m_firstDropAt = Clock::now();
        }
        ++m_droppedTotal;
        return;
    }
    m_queue.push_back({channel, std::move(line)});
    if (m_queue.size() == 1) {
        m_wake.notify_all();
    }
}

quint64 CTraceWriter::Dropped() const {
    const std::lock_guard lock(m_mutex);
    return m_droppedTotal;
}

void CTraceWriter::Run() {
    CTraceFile::PrepareWriterThread();
    std::vector<Entry> batch;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return !m_queue.empty() || m_droppedNow > 0 || m_stopping; });
        if (m_queue.empty() && m_droppedNow == 0) {
            break;  // stopping, and nothing is left
        }
        batch.swap(m_queue);
        // What was dropped came after everything queued before it.
        if (m_droppedNow > 0) {
            batch.push_back({Channel::kLink,
                             CZbFrameText::Line(m_firstDropAt - m_epoch, "-- ", "",
                                                std::to_string(m_droppedNow) + " lines dropped")});
            m_droppedNow = 0;
        }
        lock.unlock();
        Emit(batch);
        batch.clear();
        lock.lock();
    }
    m_finished = true;
    m_wake.notify_all();
}

void CTraceWriter::Emit(std::vector<Entry>& batch) {
    std::string text;
    for (const Entry& e : batch) {
        const QLoggingCategory& category =
            e.channel == Channel::kLink ? lcTarnelLink() : lcTarnelFrames();
        if (category.isDebugEnabled()) {
            QMessageLogger(nullptr, 0, nullptr, category.categoryName()).debug().noquote()
                << QString::fromStdString(e.line);
        }
        if (m_file && !m_fileFailed) {
            text += e.line;
            text += '\n';
        }
    }
    if (text.empty()) {
        return;
    }
    QString error;
    if (!m_file->Write(text, std::nullopt, &error) && !error.isEmpty()) {
        // The reader went away or the disk is full: the trace ends here, the program goes on.
        m_fileFailed = true;
        std::fprintf(stderr, "tarnel-remote: the trace stops: %s\n", qPrintable(error));
    }
}
