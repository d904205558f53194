#include "link/CFrameTrace.h"

#include <QCoreApplication>
#include <QDateTime>
#include <algorithm>

#include "link/CTraceFile.h"
#include "link/CZbFrameText.h"
#include "link/TraceCategories.h"

namespace {

constexpr std::size_t kJunkShownBytes = 32;

const char* EventName(CLinkObserver::Event event) {
    switch (event) {
        case CLinkObserver::Event::kOpened:
            return "opened ";
        case CLinkObserver::Event::kOpenFailed:
            return "open failed: ";
        case CLinkObserver::Event::kClosed:
            return "closed ";
        case CLinkObserver::Event::kHungUp:
            return "hang-up: the device has gone: ";
        case CLinkObserver::Event::kBufferFull:
            return "";
        case CLinkObserver::Event::kValueDropped:
            return "dropped: ";
        case CLinkObserver::Event::kRemote:
            return "remote: ";
    }
    return "";
}

}  // namespace

CFrameTrace::CFrameTrace(std::unique_ptr<CTraceFile> file, std::size_t capacityLines)
    : m_epoch(CTraceWriter::Clock::now()), m_writer(std::move(file), m_epoch, capacityLines) {
    const QString program = QCoreApplication::applicationName();
    const QString version = QCoreApplication::applicationVersion();
    m_writer.Add(
        CTraceWriter::Channel::kLink,
        CZbFrameText::Line(
            std::chrono::nanoseconds(0), "-- ", "",
            QStringLiteral("%1 %2 trace started %3; out: to the dongle, in: from it")
                .arg(program, version, QDateTime::currentDateTime().toString(Qt::ISODateWithMs))
                .simplified()
                .toStdString()));
}

bool CFrameTrace::CategoriesEnabled() {
    return lcTarnelLink().isDebugEnabled() || lcTarnelFrames().isDebugEnabled();
}

std::chrono::nanoseconds CFrameTrace::Now() const {
    return CTraceWriter::Clock::now() - m_epoch;
}

std::string CFrameTrace::FrameLine(std::chrono::nanoseconds at, const char* direction,
                                   const quint8* bytes, int count, const std::string& note) {
    const auto n = static_cast<std::size_t>(count);
    return CZbFrameText::Line(at, direction, CZbFrameText::Hex(bytes, n),
                              CZbFrameText::Describe(bytes, n) + note);
}

void CFrameTrace::OnSent(const quint8* bytes, int count, int written) {
    std::string note;
    if (written == 0) {
        note = " (not written)";
    } else if (written < count) {
        note = " (only " + std::to_string(written) + " of " + std::to_string(count) +
               " bytes written)";
    }
    m_writer.Add(CTraceWriter::Channel::kFrames, FrameLine(Now(), "out", bytes, count, note));
}

void CFrameTrace::OnReceived(const quint8* bytes, int count) {
    const auto at = Now();
    m_chunks.clear();
    m_received.Feed(bytes, static_cast<std::size_t>(count), m_chunks);
    for (const ZbChunk& chunk : m_chunks) {
        const int size = static_cast<int>(chunk.bytes.size());
        if (chunk.isFrame) {
            m_writer.Add(CTraceWriter::Channel::kFrames,
                         FrameLine(at, "in ", chunk.bytes.data(), size));
            continue;
        }
        // Line noise can run to thousands of bytes: its start and its length tell enough.
        std::string hex =
            CZbFrameText::Hex(chunk.bytes.data(), std::min(chunk.bytes.size(), kJunkShownBytes));
        if (chunk.bytes.size() > kJunkShownBytes) {
            hex += " ...";
        }
        m_writer.Add(CTraceWriter::Channel::kFrames,
                     CZbFrameText::Line(at, "in ", hex, CZbFrameText::Junk(chunk.bytes.size())));
    }
}

void CFrameTrace::OnEvent(Event event, const QString& detail) {
    m_writer.Add(CTraceWriter::Channel::kLink,
                 CZbFrameText::Line(Now(), "-- ", "", EventName(event) + detail.toStdString()));
}
