// The program's frame log: its lines, written through a real file, and its bounded writer
// against a reader that never reads.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <mutex>
#include <thread>

#include "link/CCommThread.h"
#include "link/CFrameTrace.h"
#include "link/CTraceFile.h"
#include "link/CTraceWriter.h"
#include "support/CLossCountingLink.h"
#include "support/CMessageRecorder.h"
#include "support/CPtyPair.h"

namespace {

using namespace std::chrono_literals;

// The lines of a trace without their time stamps, which must all have the same form.
QStringList Untimed(const QByteArray& text) {
    static const QRegularExpression kStamp(QStringLiteral("^ *\\d+\\.\\d{6} "));
    QStringList lines;
    for (const QString& line : QString::fromUtf8(text).split(u'\n', Qt::SkipEmptyParts)) {
        const auto match = kStamp.match(line);
        EXPECT_TRUE(match.hasMatch()) << line.toStdString();
        lines << line.mid(match.capturedLength());
    }
    return lines;
}

// A FIFO with a reader present that does not read until the test says so.
class CStuckFifo {
public:
    explicit CStuckFifo(const QString& path) : m_path(path) {
        EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        m_reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    }
    ~CStuckFifo() { ::close(m_reader); }
    CStuckFifo(const CStuckFifo&) = delete;
    CStuckFifo& operator=(const CStuckFifo&) = delete;

    // Reads until every writer has closed the FIFO.
    QByteArray ReadToEnd() const {
        ::fcntl(m_reader, F_SETFL, 0);
        QByteArray out;
        char buffer[65536];
        for (ssize_t n; (n = ::read(m_reader, buffer, sizeof buffer)) != 0;) {
            if (n > 0) {
                out.append(buffer, n);
            } else if (errno != EINTR) {
                break;
            }
        }
        return out;
    }

private:
    QString m_path;
    int m_reader = -1;
};

// Runs work on a thread of its own, which must end within the limit; a caller held up by the
// trace's reader never would, and the thread could not be taken back: the test program ends.
template <class Work>
void MustEndWithin(std::chrono::seconds limit, const char* what, Work work) {
    auto done = std::async(std::launch::async, work);
    if (done.wait_for(limit) != std::future_status::ready) {
        std::fprintf(stderr, "FAILED: %s\n", what);
        std::fflush(stderr);
        std::_Exit(1);
    }
}

// What the link tells its observer, from both of its threads, as text.
class CRecordingObserver : public CLinkObserver {
public:
    void OnSent(const quint8*, int count, int written) override {
        Add(QStringLiteral("sent %1 of %2").arg(written).arg(count));
    }
    void OnReceived(const quint8*, int count) override {
        const std::lock_guard lock(m_mutex);
        m_received += count;
    }
    void OnEvent(Event event, const QString& detail) override {
        static const char* const kNames[] = {"opened",  "open failed", "closed",
                                             "hung up", "buffer full", "value dropped"};
        Add(QString::fromLatin1(kNames[static_cast<int>(event)]) + QStringLiteral(": ") + detail);
    }
    QStringList Notes() const {
        const std::lock_guard lock(m_mutex);
        return m_notes;
    }
    int Received() const {
        const std::lock_guard lock(m_mutex);
        return m_received;
    }

private:
    void Add(const QString& note) {
        const std::lock_guard lock(m_mutex);
        m_notes << note;
    }
    mutable std::mutex m_mutex;  // guards both below: the watcher and the test write them
    QStringList m_notes;
    int m_received = 0;
};

}  // namespace

TEST(FrameTrace, TheLinkTellsItsObserverEachFrameAndEvent) {
    CPtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    CMessageRecorder target;
    CRecordingObserver observer;
    CLossCountingLink link(&target);
    link.SetObserver(&observer);
    const QByteArray select = QByteArray::fromHex("FF05000043");
    const auto* frame = reinterpret_cast<const quint8*>(select.constData());

    EXPECT_FALSE(link.OpenPort(QString(), 9600, 8, 0, 0));
    EXPECT_EQ(link.WritePort(frame, 5), 0);
    ASSERT_TRUE(link.OpenPort(pty.SlavePath(), 9600, 8, 0, 0));
    EXPECT_EQ(link.WritePort(frame, 5), 5);
    // Nothing drains the ring: the last byte does not fit and waits in the driver, which
    // then counts a byte lost.
    ASSERT_TRUE(pty.Write(QByteArray(4095, 'x')));
    ASSERT_TRUE(WaitUntil([&] { return link.BytesHeld() == 4095; }));
    ASSERT_TRUE(pty.Write("!"));
    PumpEvents(50ms);
    EXPECT_EQ(observer.Received(), 4095);
    link.lost.store(1);
    link.BeginDrain();
    while (link.BytesHeld() > 0) {
        link.TakeByte();
    }
    link.EndDrain();
    ASSERT_TRUE(WaitUntil([&] { return observer.Received() == 4096; }));
    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return observer.Notes().size() == 6; }));
    link.ClosePort();
    const QStringList expected = {"open failed: No port chosen",
                                  "sent 0 of 5",
                                  "opened: " + pty.SlavePath() + " at 9600 baud",
                                  "sent 5 of 5",
                                  "buffer full: Buffer full: 1 bytes lost",
                                  "hung up: " + pty.SlavePath(),
                                  "closed: " + pty.SlavePath()};
    EXPECT_EQ(observer.Notes().join(u'\n').toStdString(), expected.join(u'\n').toStdString());
}

TEST(FrameTrace, WritesEachFrameAndEventAsOneReadableLine) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("trace.log"));
    QString error;
    {
        CFrameTrace trace(CTraceFile::Open(path, &error));
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        const struct {
            const char* bytes;
            int written;  // sent frames: what the port took; -1: received bytes
        } rows[] = {
            {"FF 05 00 00 43", 5},            // a studio select, written whole
            {"FF 07 13 00 05 2D 32", 7},      // flash and model power for units 0 and 2
            {"FF 07 1B 80 80 00 00", 0},      // a test flash while the port is closed
            {"FF 07 17 02 00 00 02", 3},      // a write cut short by the timeout
            {"12 FF 07 61 00 04 00 01", -1},  // a stray byte, then a charge event
            {"FF 07 3A 08", -1},              // a reading split over two reads ...
            {"00 00 4B", -1},                 // ... is one line
            {"FF 05 00 00 46", -1},           // a select of a letter that is no group
            {"FF 06 17 00 01 02", -1},        // a setting frame of the wrong length
            {"FF 07 25 00 01 00 00", -1},     // no known type: ignored, as the program does
            {"FF 0E 01 00 11 01 2D 32", -1},  // a status report cut short by ...
            {"FF 07 18 00 01 00 01", -1},     // ... the next start byte
        };
        for (const auto& row : rows) {
            const QByteArray raw = QByteArray::fromHex(row.bytes);
            const auto* data = reinterpret_cast<const quint8*>(raw.constData());
            const int count = static_cast<int>(raw.size());
            if (row.written >= 0) {
                trace.OnSent(data, count, row.written);
            } else {
                trace.OnReceived(data, count);
            }
        }
        trace.OnEvent(CLinkObserver::Event::kBufferFull,
                      QStringLiteral("Buffer full: 96 bytes lost"));
        trace.OnEvent(CLinkObserver::Event::kHungUp, QStringLiteral("/dev/ttyUSB0"));
        trace.OnEvent(CLinkObserver::Event::kValueDropped,
                      QStringLiteral("CH-02 flash 154 of a status report ignored"));
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = Untimed(file.readAll());
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.first().startsWith(QStringLiteral("--     | ")))
        << lines.first().toStdString();
    EXPECT_EQ(lines.mid(1),
              QStringList({
                  "out  FF 05 00 00 43  | select group C",
                  "out  FF 07 13 00 05 2D 32  | flash-power units 0,2 flash=45 model=50",
                  "out  FF 07 1B 80 80 00 00  | test units all (not written)",
                  "out  FF 07 17 02 00 00 02  | cell units 6 value=2 (on) (only 3 of 7 bytes "
                  "written)",
                  "in   12  | junk (1 byte outside any frame)",
                  "in   FF 07 61 00 04 00 01  | event charge units 2 value=1",
                  "in   FF 07 3A 08 00 00 4B  | reading temperature units 8 value=75",
                  "in   FF 05 00 00 46  | select of no group (46)",
                  "in   FF 06 17 00 01 02  | cell: length 6, expected 7",
                  "in   FF 07 25 00 01 00 00  | junk (7 bytes outside any frame)",
                  "in   FF 0E 01 00 11 01 2D 32  | junk (8 bytes outside any frame)",
                  "in   FF 07 18 00 01 00 01  | sound units 0 value=1 (on)",
                  "--     | Buffer full: 96 bytes lost",
                  "--     | hang-up: the device has gone: /dev/ttyUSB0",
                  "--     | dropped: CH-02 flash 154 of a status report ignored",
              }));
}

TEST(FrameTrace, AnUnwritablePathSaysWhyAndGivesNoFile) {
    QTemporaryDir dir;
    const struct {
        QString path;
        const char* why;
    } rows[] = {
        {dir.filePath(QStringLiteral("no-such-folder/trace.log")), "No such file or directory"},
        {dir.path(), "Is a directory"},
        {QString(), "No such file or directory"},
        // a FIFO that nobody reads would otherwise hold the program up before it starts
        {dir.filePath(QStringLiteral("fifo")), "no program reads that FIFO"},
    };
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo"))).constData(), 0600),
              0);
    for (const auto& row : rows) {
        QString error;
        EXPECT_EQ(CTraceFile::Open(row.path, &error), nullptr) << row.path.toStdString();
        EXPECT_EQ(error, QString::fromLatin1(row.why)) << row.path.toStdString();
    }
}

TEST(TraceWriter, AReaderThatNeverReadsHoldsUpNeitherTheCallerNorTheEnd) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    constexpr int kLines = 20000;  // far more than the FIFO and the queue hold
    constexpr std::size_t kCapacity = 500;
    const std::string padding(60, '.');

    // The reader never reads: adding lines and ending the writer both come back.
    {
        const QString path = dir.filePath(QStringLiteral("stuck"));
        CStuckFifo fifo(path);
        QString error;
        auto file = CTraceFile::Open(path, &error);
        ASSERT_NE(file, nullptr) << error.toStdString();
        MustEndWithin(20s, "the caller waited for a reader that never reads", [&] {
            CTraceWriter writer(std::move(file), CTraceWriter::Clock::now(), kCapacity);
            for (int i = 0; i < kLines; ++i) {
                writer.Add(CTraceWriter::Channel::kFrames, padding);
            }
            EXPECT_GT(writer.Dropped(), 0u);
        });
    }

    // A reader that reads only once the queue has overflowed gets the lines in order, and where
    // some were dropped, a line that counts exactly those; the last line, added once there was
    // room again, is there too.
    const QString path = dir.filePath(QStringLiteral("late"));
    CStuckFifo fifo(path);
    QString error;
    auto file = CTraceFile::Open(path, &error);
    ASSERT_NE(file, nullptr) << error.toStdString();
    quint64 dropped = 0;
    int tries = 0;
    std::future<QByteArray> read;
    const auto numbered = [&padding](int i) {
        return QStringLiteral("line %1 ").arg(i, 5, 10, QLatin1Char('0')).toStdString() + padding;
    };
    MustEndWithin(20s, "the caller waited for a reader that reads late", [&] {
        CTraceWriter writer(std::move(file), CTraceWriter::Clock::now(), kCapacity);
        for (int i = 0; i < kLines; ++i) {
            writer.Add(CTraceWriter::Channel::kFrames, numbered(i));
        }
        EXPECT_GT(writer.Dropped(), 0u);
        read = std::async(std::launch::async, [&fifo] { return fifo.ReadToEnd(); });
        // Dropped too while the queue is still full: tried until it is taken.
        for (quint64 before = 0; ++tries, before = writer.Dropped(), true;) {
            writer.Add(CTraceWriter::Channel::kLink, "after");
            if (writer.Dropped() == before) {
                break;
            }
            std::this_thread::sleep_for(1ms);
        }
        dropped = writer.Dropped();
    });
    const QStringList lines = QString::fromUtf8(read.get()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.last(), "after");
    static const QRegularExpression kNumbered(QStringLiteral("^line (\\d+) "));
    static const QRegularExpression kMarker(
        QStringLiteral("^ *\\d+\\.\\d{6} --     \\| (\\d+) lines dropped$"));
    quint64 next = 0;     // the line that follows when nothing is dropped
    quint64 counted = 0;  // dropped, as the markers since the last line say
    quint64 markers = 0;
    quint64 total = 0;
    for (int i = 0; i < lines.size() - 1; ++i) {
        if (const auto marker = kMarker.match(lines[i]); marker.hasMatch()) {
            counted += marker.captured(1).toULongLong();
            total += marker.captured(1).toULongLong();
            ++markers;
            continue;
        }
        const auto line = kNumbered.match(lines[i]);
        ASSERT_TRUE(line.hasMatch()) << "line " << i << ": " << lines[i].toStdString();
        const quint64 number = line.captured(1).toULongLong();
        ASSERT_EQ(number - next, counted) << "before line " << number;
        next = number + 1;
        counted = 0;
    }
    EXPECT_GT(markers, 0u);
    EXPECT_EQ(total, dropped);
    EXPECT_EQ(kLines - next + static_cast<quint64>(tries - 1), counted) << "after the last line";
}
