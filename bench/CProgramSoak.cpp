#include "CProgramSoak.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>
#include <array>
#include <cstdio>

#include "control/CUnitControl.h"
#include "link/AppMessages.h"
#include "link/CCommThread.h"
#include "link/CZbProtocol.h"
#include "shell/CMainFrame.h"
#include "support/BenchStats.h"
#include "support/CBenchSession.h"
#include "support/CSimProcess.h"

namespace {

using namespace std::chrono_literals;

constexpr int kStudioB = 1;  // the studio with the units
constexpr int kStudioC = 2;  // no units: selecting it stops the flood
// The program must be back within this after the device came back (the goal is 1.5 s).
constexpr auto kReplugLimit = 10s;

void RunFor(std::chrono::milliseconds time) {
    QEventLoop loop;
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until pred() holds or the limit passes.
template <typename Pred>
bool RunUntil(Pred pred, std::chrono::milliseconds limit) {
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > limit.count()) {
            return false;
        }
        RunFor(1ms);
    }
    return true;
}

int CountEntries(const char* dir) {
    return static_cast<int>(
        QDir(QString::fromLatin1(dir)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
}

}  // namespace

// What the simulator's trace says of one of its lives: the setting reports it wrote between
// the first studio select of B it took and the first of C after it, those it dropped, and
// whether the first select of B was dropped. Read as the file grows, a line at a time, so
// that the soak's own memory stays flat.
class CProgramSoak::CTraceCount {
public:
    explicit CTraceCount(const QString& path) : m_file(path) { m_file.open(QIODevice::ReadOnly); }
    void ReadNew() {
        while (m_file.isOpen()) {
            const qint64 n = m_file.readLine(m_line.data(), static_cast<qint64>(m_line.size()));
            if (n <= 0) {
                return;
            }
            m_partial.append(m_line.data(), static_cast<qsizetype>(n));
            if (m_partial.endsWith('\n')) {
                Count(m_partial);
                m_partial.clear();
            }
        }
    }
    qint64 sent = 0;
    qint64 lost = 0;
    bool sawB = false;
    bool sawC = false;
    bool selectBLost = false;

private:
    void Count(const QByteArray& line) {
        const bool in = line.contains(" in ");
        const bool dropped = line.contains("LOST");
        if (in && line.contains("select group B")) {
            selectBLost = selectBLost || (dropped && !sawB);
            sawB = sawB || !dropped;
        } else if (in && line.contains("select group C") && sawB && !dropped) {
            sawC = true;
        } else if (sawB && !sawC && line.contains(" out ") && !line.contains("| status") &&
                   !line.contains("noise")) {
            ++(dropped ? lost : sent);
        }
    }

    QFile m_file;
    std::array<char, 4096> m_line{};
    QByteArray m_partial;
};

namespace {}  // namespace

CProgramSoak::CProgramSoak(CBenchSession& session, CMainFrame& frame, Options options)
    : m_session(session),
      m_frame(frame),
      m_options(options),
      m_linkPath(QDir(session.Folder()).filePath(QStringLiteral("strobe-sim/soak-dongle"))) {
    connect(&frame.Control(), &CUnitControl::unitChanged, this, [this] {
        ++m_applied;
        if (m_firstReportNs < 0) {
            m_firstReportNs = m_clock.nsecsElapsed();
        }
    });
    m_frame.SetMessageBoxHandler([this](const QString& text, const QString&, bool) {
        m_alerts.push_back(text);
        return true;
    });
    m_clock.start();
}

CProgramSoak::~CProgramSoak() = default;

bool CProgramSoak::StartSim(int seed) {
    m_sim = std::make_unique<CSimProcess>();
    const QStringList args = {"--units",
                              "B:0-9",
                              "--group",
                              "A",
                              "--seed",
                              QString::number(seed),
                              "--trace",
                              "--noise",
                              QString::number(m_options.noiseBytesPerSec),
                              "--loss",
                              QString::number(m_options.loss),
                              "--flood",
                              QString::number(m_options.floodHz),
                              "--link",
                              m_linkPath};
    m_firstReportNs = -1;
    m_appliedAtStart = m_applied;
    m_trace.reset();
    if (!m_session.StartSim(*m_sim, args)) {
        return false;
    }
    m_trace = std::make_unique<CTraceCount>(m_sim->StdErrPath());
    return true;
}

bool CProgramSoak::FirstConnection() {
    QDir().mkpath(QFileInfo(m_linkPath).path());
    if (!StartSim(1) || !CBenchSession::Connect(m_frame, *m_sim)) {
        std::fprintf(stderr, "bench_soak: cannot connect to strobe-sim\n");
        return false;
    }
    const int units = CBenchSession::ScanStudio(m_frame, kStudioB);
    std::printf("connected to %s, Studio B scanned: %d units\n", qPrintable(m_linkPath), units);
    // The scan's own reports are not counted: every cycle starts with a reconnection.
    m_frame.Protocol().SelectStudio(kStudioC);
    RunFor(500ms);
    Cycle first;
    return units == 10 && Unplug(first) && Replug(first, 2);
}

bool CProgramSoak::FloodWindow(Cycle& cycle) {
    const auto flood = m_options.cycle - 3s;
    RunFor(std::chrono::duration_cast<std::chrono::milliseconds>(flood) / 2);
    m_trace->ReadNew();
    cycle.rssKb = BenchStats::ResidentKb();
    cycle.descriptors = CountEntries("/proc/self/fd");
    cycle.threads = CountEntries("/proc/self/task");
    RunFor(std::chrono::duration_cast<std::chrono::milliseconds>(flood) / 2);
    m_trace->ReadNew();
    // As an operator choosing another studio would: the flood stops. The simulator may drop
    // this select too; it is sent again until the trace shows it taken.
    CTraceCount& count = *m_trace;
    for (int tries = 0; tries < 5 && !count.sawC; ++tries) {
        m_frame.Protocol().SelectStudio(kStudioC);
        RunFor(500ms);
        count.ReadNew();
    }
    cycle.applied = m_applied - m_appliedAtStart;
    cycle.selectLost = count.selectBLost;
    if (!count.sawC) {
        return false;
    }
    cycle.sent = count.sent;
    cycle.lostBySim = count.lost;
    return true;
}

bool CProgramSoak::Unplug(Cycle& cycle) {
    QLabel* status = m_frame.StatusPane(1);
    QElapsedTimer clock;
    clock.start();
    m_sim->Send(QStringLiteral("unplug"));
    if (!RunUntil([&] { return status->text() == QStringLiteral("Zigbee disconnected"); }, 5s)) {
        return false;
    }
    cycle.unplugToStatusMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    return m_sim->WaitForExit() == 0;
}

bool CProgramSoak::Replug(Cycle& cycle, int seed) {
    RunFor(1s);  // the cable is out for a moment
    if (!StartSim(seed)) {
        return false;
    }
    const qint64 pluggedNs = m_clock.nsecsElapsed();
    const bool back = RunUntil([this] { return m_firstReportNs >= 0; }, kReplugLimit);
    if (back) {
        cycle.replugToReportMs = static_cast<double>(m_firstReportNs - pluggedNs) / 1e6;
        return true;
    }
    // No report: the simulator may have dropped the program's studio select (its --loss), as
    // the trace tells; an operator would scan again, which the soak does for them.
    m_trace->ReadNew();
    if (!m_trace->selectBLost || !m_frame.IsConnected()) {
        return false;
    }
    m_frame.Protocol().SelectStudio(kStudioB);
    return RunUntil([this] { return m_firstReportNs >= 0; }, kReplugLimit);
}

void CProgramSoak::Print(int index, const Cycle& c) const {
    std::printf(
        "cycle %2d: sent %6lld applied %6lld (dropped by the simulator %4lld)%s  unplug to "
        "status %6.2f ms  replug to first report %7.1f ms  rss %ld kB  fds %d  threads %d\n",
        index + 1, static_cast<long long>(c.sent), static_cast<long long>(c.applied),
        static_cast<long long>(c.lostBySim), c.selectLost ? "  select lost, sent again" : "",
        c.unplugToStatusMs, c.replugToReportMs, c.rssKb, c.descriptors, c.threads);
    std::fflush(stdout);
}

int CProgramSoak::Run() {
    if (!FirstConnection()) {
        return 1;
    }
    const int cycles = static_cast<int>(m_options.total / m_options.cycle);
    int failures = 0;
    for (int i = 0; i < cycles; ++i) {
        Cycle cycle;
        bool ok = FloodWindow(cycle);
        ok = Unplug(cycle) && ok;
        // The last cycle ends with the device back and a report applied too.
        ok = Replug(cycle, i + 3) && ok;
        failures += ok && cycle.sent == cycle.applied ? 0 : 1;
        m_cycles.push_back(cycle);
        Print(i, cycle);
    }
    return Summary() + failures;
}

int CProgramSoak::Summary() const {
    if (m_cycles.size() < 2) {
        return 1;
    }
    std::vector<double> unplug;
    std::vector<double> replug;
    qint64 sent = 0;
    qint64 applied = 0;
    int equalCycles = 0;
    for (const Cycle& c : m_cycles) {
        unplug.push_back(c.unplugToStatusMs);
        replug.push_back(c.replugToReportMs);
        sent += c.sent;
        applied += c.applied;
        equalCycles += c.sent == c.applied ? 1 : 0;
    }
    // From the end of the first cycle (caches, fonts and the heap warmed up) to the last.
    const Cycle& first = m_cycles.front();
    const Cycle& last = m_cycles.back();
    const long growthKb = last.rssKb - first.rssKb;
    const bool flat =
        growthKb < 1024 && last.descriptors == first.descriptors && last.threads == first.threads;
    std::printf(
        "%zu cycles: %lld reports sent, %lld applied; every report applied in %d of %zu "
        "cycles; %zu boxes shown\n"
        "unplug to \"Zigbee disconnected\": median %.2f ms, max %.2f ms; replug to the first "
        "report applied: median %.1f ms, max %.1f ms\n"
        "resident memory %ld kB -> %ld kB (%+ld kB), descriptors %d -> %d, threads %d -> %d\n",
        m_cycles.size(), static_cast<long long>(sent), static_cast<long long>(applied), equalCycles,
        m_cycles.size(), m_alerts.size(), BenchStats::Median(unplug),
        BenchStats::Percentile(unplug, 1.0), BenchStats::Median(replug),
        BenchStats::Percentile(replug, 1.0), first.rssKb, last.rssKb, growthKb, first.descriptors,
        last.descriptors, first.threads, last.threads);
    return flat && m_alerts.empty() ? 0 : 1;
}
