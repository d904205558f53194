// A report flood through the whole program: the real main frame on the offscreen platform,
// connected through its Com dialog to strobe-sim (a child process) flooding setting reports
// at a line's frame rate, with Studio A's ten units in the navigation grid.
//
// Each run has two windows of the same length. The first runs a 1 ms heartbeat timer on the
// UI thread and takes its lateness (the UI thread's stalls); the second runs without it and
// takes the program's CPU share. Both count the reports the simulator sent (from its trace)
// against the ones the program applied (the core's unitChanged), the "Buffer full" alerts, the
// most kReceivedNotice notices waiting at once, and how much of the grid each paint covers.
// The simulator floods between a studio select of A (window start) and one of B, which has
// no units (window end); after each window the program drains until quiet. At the end the
// simulator's units must equal the program's records. Prints each run and the medians.
//
//   bench_flood [--rate HZ] [--seconds S] [--runs N] [--trace FILE] [--osc-clients N]
// Instructions of the flood windows alone (every thread), for comparisons on a busy machine:
//   valgrind --tool=callgrind --collect-atstart=no bench_flood --rate 400 --seconds 5 --runs 1
// Default: 1650 Hz (115200 baud, 10 bits a byte, 7 bytes a frame), 10 s, 3 runs. With --trace
// the program keeps its frame log in FILE (a FIFO nobody reads makes a sink that never drains).
// With --osc-clients the OSC server runs with N feedback clients listed (loopback sockets that
// nobody reads), so the flood's reports go out as feedback too.

#include <fcntl.h>
#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPaintEvent>
#include <QTimer>
#include <QUdpSocket>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

#include "control/CUnitControl.h"
#include "link/AppMessages.h"
#include "link/CCommThread.h"
#include "link/CFrameTrace.h"
#include "link/CTraceFile.h"
#include "link/CZbProtocol.h"
#include "model/StudioManager.h"
#include "osc/COscAttach.h"
#include "osc/COscServer.h"
#include "shell/CMainFrame.h"
#include "support/BenchStats.h"
#include "support/CBenchSession.h"
#include "support/CSimProcess.h"
#include "widgets/CGridCtrl.h"

namespace {

using namespace std::chrono_literals;
using BenchStats::Median;
using BenchStats::Percentile;

// One frame of a 60 Hz display.
constexpr double kFrameMs = 1000.0 / 60.0;

struct Options {
    double rateHz = 115200.0 / 10.0 / 7.0;
    int seconds = 10;
    int runs = 3;
    QString trace;
    int oscClients = 0;
};

// Watches what reaches the main frame and what the grid paints.
class CFloodObserver : public QObject {
public:
    CFloodObserver(CMainFrame& frame, QWidget* gridViewport)
        : m_frame(frame), m_viewport(gridViewport) {
        frame.installEventFilter(this);
        // Every report the program applied, as the core says it.
        connect(&frame.Control(), &CUnitControl::unitChanged, this, [this] { ++changed; });
        if (m_viewport != nullptr) {
            m_viewport->installEventFilter(this);
        }
    }

    // Only when quiet: no notice is waiting then, so every one posted so far was delivered.
    void Reset() {
        m_delivered = m_frame.Link().NoticesPosted();
        changed = 0;
        mostWaiting = 0;
        paints = 0;
        paintedShare = 0;
        lastNoticeAt.restart();
    }

    qint64 changed = 0;
    quint64 mostWaiting = 0;
    qint64 paints = 0;
    double paintedShare = 0;  // sum over paints of painted area / viewport area
    QElapsedTimer lastNoticeAt;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        const int type = static_cast<int>(e->type());
        if (watched == &m_frame && type == kReceivedNotice) {
            ++m_delivered;
            // This notice and any others still queued behind it.
            const quint64 waiting = m_frame.Link().NoticesPosted() - m_delivered + 1;
            mostWaiting = std::max(mostWaiting, waiting);
            lastNoticeAt.restart();
        } else if (watched == m_viewport && e->type() == QEvent::Paint) {
            const QRect all = m_viewport->rect();
            qint64 area = 0;
            for (const QRect& r : static_cast<QPaintEvent*>(e)->region()) {
                area += qint64{r.width()} * r.height();
            }
            ++paints;
            if (!all.isEmpty()) {
                paintedShare += static_cast<double>(area) / (qint64{all.width()} * all.height());
            }
        }
        return false;
    }

private:
    CMainFrame& m_frame;
    QWidget* m_viewport;
    quint64 m_delivered = 0;  // notices delivered, counted as the link counts them
};

// A 1 ms timer on the UI thread; each gap beyond the interval is a stall of the thread.
// With each gap it takes how long the thread sat on a run queue meanwhile (the scheduler's
// own account in /proc/thread-self/schedstat): a long beat spent waiting is another
// process's CPU time, not ours.
class CHeartbeat : public QObject {
public:
    CHeartbeat() : m_schedstat(::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC)) {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            const qint64 waited = RunQueueWaitNs();
            m_gapsMs.push_back(static_cast<double>(now - m_last) / 1e6 - 1.0);
            m_waitedMs.push_back(static_cast<double>(waited - m_lastWaited) / 1e6);
            m_last = now;
            m_lastWaited = waited;
        });
    }
    ~CHeartbeat() override {
        if (m_schedstat >= 0) {
            ::close(m_schedstat);
        }
    }
    void Start() {
        m_gapsMs.clear();
        m_waitedMs.clear();
        m_clock.start();
        m_last = 0;
        m_lastWaited = RunQueueWaitNs();
        m_timer.start();
    }
    std::vector<double> Stop() {
        m_timer.stop();
        return m_gapsMs;
    }
    // Beats longer than a display frame, and how many of them waited for a CPU more than
    // half their length; the longest beat and its wait.
    struct LongBeats {
        int count = 0;
        int waiting = 0;
        double worstMs = 0;
        double worstWaitedMs = 0;
    };
    LongBeats Long(double thresholdMs) const {
        LongBeats beats;
        for (size_t i = 0; i < m_gapsMs.size(); ++i) {
            if (m_gapsMs[i] > thresholdMs) {
                ++beats.count;
                beats.waiting += m_waitedMs[i] * 2 > m_gapsMs[i] ? 1 : 0;
            }
            if (m_gapsMs[i] > beats.worstMs) {
                beats.worstMs = m_gapsMs[i];
                beats.worstWaitedMs = m_waitedMs[i];
            }
        }
        return beats;
    }

private:
    qint64 RunQueueWaitNs() const {
        char text[128];
        const ssize_t n = m_schedstat >= 0 ? ::pread(m_schedstat, text, sizeof text - 1, 0) : -1;
        if (n <= 0) {
            return 0;
        }
        text[n] = '\0';
        long long running = 0;
        long long waiting = 0;
        return std::sscanf(text, "%lld %lld", &running, &waiting) == 2 ? waiting : 0;
    }

    int m_schedstat;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_lastWaited = 0;
    std::vector<double> m_gapsMs;
    std::vector<double> m_waitedMs;
};

void RunFor(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until no notice came for a while and the ring is empty.
bool WaitQuiet(CMainFrame& frame, CFloodObserver& observer) {
    QElapsedTimer limit;
    limit.start();
    while (limit.elapsed() < 30000) {
        RunFor(50ms);
        if (observer.lastNoticeAt.elapsed() > 500 && frame.Link().BytesHeld() == 0) {
            return true;
        }
    }
    return false;
}

struct Window {
    CHeartbeat::LongBeats longBeats;
    qint64 applied = 0;
    quint64 mostWaiting = 0;
    double cpuShare = 0;
    double paintsPerSec = 0;
    double paintedShare = 0;
    std::vector<double> stallsMs;
};

Window Flood(CMainFrame& frame, CFloodObserver& observer, CHeartbeat* heartbeat,
             std::chrono::seconds length) {
    Window w;
    observer.Reset();
    if (heartbeat != nullptr) {
        heartbeat->Start();
    }
    QElapsedTimer wall;
    wall.start();
    const auto cpuBefore = BenchStats::CpuTime();
    frame.Protocol().SelectStudio(0);  // the simulator floods Studio A's units
    // Under callgrind --collect-atstart=no, only the flood windows are counted.
    CALLGRIND_TOGGLE_COLLECT;
    RunFor(length);
    CALLGRIND_TOGGLE_COLLECT;
    frame.Protocol().SelectStudio(1);  // Studio B has none: the flood stops
    const double wallSeconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    w.cpuShare = (BenchStats::CpuTime() - cpuBefore).count() / wallSeconds;
    if (heartbeat != nullptr) {
        w.stallsMs = heartbeat->Stop();
        w.longBeats = heartbeat->Long(kFrameMs);
    }
    w.paintsPerSec = static_cast<double>(observer.paints) / wallSeconds;
    w.paintedShare =
        observer.paints > 0 ? observer.paintedShare / static_cast<double>(observer.paints) : 0;
    if (!WaitQuiet(frame, observer)) {
        std::fprintf(stderr, "bench_flood: the program never went quiet\n");
    }
    w.applied = observer.changed;
    w.mostWaiting = observer.mostWaiting;
    return w;
}

// Setting reports the simulator sent in each flood window: the frames it traced going out
// between a studio select of A and the next one of B (the first A is the scan's).
std::vector<qint64> SentPerWindow(const QString& trace) {
    std::vector<qint64> sent;
    int selectsOfA = 0;
    bool flooding = false;
    for (const QStringView line : QStringView(trace).split(u'\n')) {
        if (line.contains(u" in ") && line.contains(u"select group A")) {
            flooding = ++selectsOfA > 1;
            if (flooding) {
                sent.push_back(0);
            }
        } else if (line.contains(u" in ") && line.contains(u"select group B")) {
            flooding = false;
        } else if (flooding && line.contains(u" out ") && !line.contains(u"| status")) {
            ++sent.back();
        }
    }
    return sent;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--rate") == 0 && hasValue) {
            options.rateHz = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--seconds") == 0 && hasValue) {
            options.seconds = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--runs") == 0 && hasValue) {
            options.runs = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--trace") == 0 && hasValue) {
            options.trace = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--osc-clients") == 0 && hasValue) {
            options.oscClients = std::atoi(argv[++i]);
        } else {
            return false;
        }
    }
    return options.rateHz > 0 && options.seconds > 0 && options.runs > 0 && options.oscClients >= 0;
}

// The OSC service on the frame with clients feedback clients on loopback sockets that are
// never read (the kernel drops what fills them); null when it cannot start.
std::unique_ptr<COscAttach> AttachOsc(CMainFrame& frame, const QString& folder, int clients,
                                      std::vector<std::unique_ptr<QUdpSocket>>& sockets) {
    auto osc = std::make_unique<COscAttach>(frame, folder);
    QUdpSocket probe;
    probe.bind(QHostAddress::Any, 0);
    const int port = probe.localPort();
    probe.close();
    QStringList lines;
    for (int i = 0; i < clients; ++i) {
        sockets.push_back(std::make_unique<QUdpSocket>());
        sockets.back()->bind(QHostAddress::LocalHost, 0);
        lines << QStringLiteral("127.0.0.1:%1").arg(sockets.back()->localPort());
    }
    QString error;
    if (!osc->Start(port) ||
        !osc->SaveLists(osc->Server().Allowed().Text(), lines.join(u'\n'), &error)) {
        return nullptr;
    }
    return osc;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: bench_flood [--rate HZ] [--seconds S] [--runs N] [--trace FILE] "
                     "[--osc-clients N]\n");
        return 2;
    }

    CBenchSession session;
    CSimProcess sim;
    // Group B first: no units there, so nothing floods until the scan selects Studio A.
    if (!session.IsValid() ||
        !session.StartSim(sim, {"--units", "A:0-9", "--group", "B", "--seed", "5", "--trace",
                                "--flood", QString::number(options.rateHz, 'f', 1)})) {
        std::fprintf(stderr, "bench_flood: cannot start strobe-sim (%s)\n",
                     qPrintable(CSimProcess::Program()));
        return 1;
    }
    std::unique_ptr<CFrameTrace> trace;
    if (!options.trace.isEmpty()) {
        QString error;
        auto file = CTraceFile::Open(options.trace, &error);
        if (!file) {
            std::fprintf(stderr, "bench_flood: cannot write the trace: %s\n", qPrintable(error));
            return 1;
        }
        trace = std::make_unique<CFrameTrace>(std::move(file));
    }
    std::vector<QString> alerts;
    int failures = 0;
    {
        CMainFrame frame(session.Folder());
        frame.SetLinkObserver(trace.get());
        frame.SetMessageBoxHandler([&alerts](const QString& text, const QString&, bool) {
            alerts.push_back(text);
            return true;
        });
        frame.show();
        if (!CBenchSession::Connect(frame, sim)) {
            std::fprintf(stderr, "bench_flood: cannot connect to %s\n",
                         qPrintable(sim.DevicePath()));
            return 1;
        }
        std::vector<std::unique_ptr<QUdpSocket>> oscSockets;
        std::unique_ptr<COscAttach> osc;
        if (options.oscClients > 0 &&
            !(osc = AttachOsc(frame, session.Folder(), options.oscClients, oscSockets))) {
            std::fprintf(stderr, "bench_flood: cannot start the OSC server\n");
            return 1;
        }
        const int units = CBenchSession::ScanStudioA(frame);
        auto* grid = qobject_cast<QWidget*>(frame.NavigationPane())->findChild<CGridCtrl*>();
        CFloodObserver observer(frame, grid ? grid->viewport() : nullptr);
        CHeartbeat heartbeat;
        frame.Protocol().SelectStudio(1);
        WaitQuiet(frame, observer);
        std::printf("flood at %.0f frames/s, %d s windows, %d units in the grid, %d OSC clients\n",
                    options.rateHz, options.seconds, units, options.oscClients);

        std::vector<Window> stallWindows;
        std::vector<Window> cpuWindows;
        for (int run = 0; run < options.runs; ++run) {
            stallWindows.push_back(
                Flood(frame, observer, &heartbeat, std::chrono::seconds(options.seconds)));
            cpuWindows.push_back(
                Flood(frame, observer, nullptr, std::chrono::seconds(options.seconds)));
        }

        // The simulator's units against the program's records.
        const auto dump = sim.Dump();
        const StudioData* a = frame.Manager().StudioAt(0);
        int differing = 0;
        for (int i = 0; i < kSlotCount; ++i) {
            const StrobeData* unit = a->UnitAt(i);
            const auto simUnit = dump.value(QStringLiteral("A%1").arg(i));
            if (unit == nullptr || simUnit.isEmpty() ||
                simUnit.value("flash") != unit->nFlashValue ||
                simUnit.value("model") != unit->nModelValue ||
                simUnit.value("cell") != unit->bFlashCell ||
                simUnit.value("sound") != unit->bFlashSnd) {
                ++differing;
            }
        }
        sim.Terminate();
        const std::vector<qint64> sent = SentPerWindow(sim.StdErr());

        std::vector<double> p50, p99, worst, cpuWith, cpuWithout, paints, share;
        for (int run = 0; run < options.runs; ++run) {
            for (int k = 0; k < 2; ++k) {
                const Window& w = k == 0 ? stallWindows[run] : cpuWindows[run];
                const size_t index = static_cast<size_t>(2 * run + k);
                const qint64 sentHere = index < sent.size() ? sent[index] : -1;
                failures += sentHere != w.applied || w.mostWaiting > 1 ? 1 : 0;
                std::printf(
                    "run %d %-9s sent %lld applied %lld  most notices waiting %llu  cpu %.1f %%  "
                    "grid paints %.0f/s covering %.1f %% each",
                    run + 1, k == 0 ? "heartbeat" : "quiet", static_cast<long long>(sentHere),
                    static_cast<long long>(w.applied),
                    static_cast<unsigned long long>(w.mostWaiting), 100 * w.cpuShare,
                    w.paintsPerSec, 100 * w.paintedShare);
                if (k == 0) {
                    std::printf("  stall p50 %.2f p99 %.2f max %.2f ms (%zu beats)",
                                Percentile(w.stallsMs, 0.5), Percentile(w.stallsMs, 0.99),
                                Percentile(w.stallsMs, 1.0), w.stallsMs.size());
                    std::printf(
                        "; %d over a frame, %d of them mostly waiting for a CPU; the worst "
                        "waited %.1f ms",
                        w.longBeats.count, w.longBeats.waiting, w.longBeats.worstWaitedMs);
                    p50.push_back(Percentile(w.stallsMs, 0.5));
                    p99.push_back(Percentile(w.stallsMs, 0.99));
                    worst.push_back(Percentile(w.stallsMs, 1.0));
                    cpuWith.push_back(100 * w.cpuShare);
                } else {
                    cpuWithout.push_back(100 * w.cpuShare);
                    paints.push_back(w.paintsPerSec);
                    share.push_back(100 * w.paintedShare);
                }
                std::printf("\n");
            }
        }
        std::printf(
            "median over %d runs: UI stall p50 %.2f ms, p99 %.2f ms, max %.2f ms; "
            "CPU %.1f %% of a core (%.1f %% with the heartbeat); grid %.0f paints/s, "
            "%.1f %% of the grid each\n",
            options.runs, Median(p50), Median(p99), Median(worst), Median(cpuWithout),
            Median(cpuWith), Median(paints), Median(share));
        std::printf(
            "alerts %zu%s; units differing from the simulator %d of %d\n", alerts.size(),
            alerts.empty() ? "" : qPrintable(QStringLiteral(" (first: \"%1\")").arg(alerts[0])),
            differing, units);
        failures += differing + static_cast<int>(alerts.size());
        if (trace) {
            std::printf("frame log: %llu lines dropped\n",
                        static_cast<unsigned long long>(trace->Dropped()));
        }
    }
    std::printf("%s\n", failures == 0 ? "every report applied" : "FAILED: see above");
    return failures == 0 ? 0 : 1;
}
