// The dongle pulled out under the whole program: the real main frame on the offscreen
// platform, connected through its Com dialog to strobe-sim (a child process), which is told to
// "unplug" on its standard input: its device vanishes and it ends. Measures the time from
// that command to the status bar reading "Zigbee disconnected" (an upper bound of the time
// from the device vanishing, as it includes the simulator's own reaction), then the program's
// CPU share over the idle seconds that follow. Each run connects to a fresh simulator.
//
//   bench_unplug [--runs N] [--idle-seconds S]   (default 9 runs, 2 s)

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <vector>

#include "shell/CMainFrame.h"
#include "support/BenchStats.h"
#include "support/CBenchSession.h"
#include "support/CSimProcess.h"

namespace {

using BenchStats::Median;
using BenchStats::Percentile;

void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    int runs = 9;
    int idleSeconds = 2;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0) {
            runs = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--idle-seconds") == 0) {
            idleSeconds = std::atoi(argv[i + 1]);
        }
    }
    if (runs <= 0 || idleSeconds <= 0 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: bench_unplug [--runs N] [--idle-seconds S]\n");
        return 2;
    }

    CBenchSession session;
    CMainFrame frame(session.Folder());
    frame.SetMessageBoxHandler([](const QString& text, const QString&, bool) {
        std::fprintf(stderr, "bench_unplug: message box \"%s\"\n", qPrintable(text));
        return true;
    });
    frame.show();
    QLabel* status = frame.StatusPane(1);
    const QString disconnected = QStringLiteral("Zigbee disconnected");

    std::vector<double> latenciesMs;
    std::vector<double> idleCpu;
    int failures = 0;
    for (int run = 0; run < runs; ++run) {
        CSimProcess sim;
        if (!session.StartSim(sim, {"--units", "A:0-9", "--seed", "3"}) ||
            !CBenchSession::Connect(frame, sim)) {
            std::fprintf(stderr, "bench_unplug: cannot connect to strobe-sim\n");
            return 1;
        }
        RunFor(100);  // the watcher reaches its wait
        if (status->text() == disconnected) {
            ++failures;
        }

        // Watch the status text every millisecond from the moment the command goes out.
        QElapsedTimer clock;
        qint64 seenNs = -1;
        QEventLoop loop;
        QTimer watch;
        watch.setTimerType(Qt::PreciseTimer);
        QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
            if (status->text() == disconnected) {
                seenNs = clock.nsecsElapsed();
                loop.quit();
            }
        });
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        clock.start();
        sim.Send(QStringLiteral("unplug"));
        watch.start(1);
        loop.exec();
        watch.stop();
        if (seenNs < 0) {
            std::printf("run %d: the status bar never said \"%s\"\n", run + 1,
                        qPrintable(disconnected));
            ++failures;
            continue;
        }
        latenciesMs.push_back(static_cast<double>(seenNs) / 1e6);

        // The program alone, idle after the loss.
        QElapsedTimer wall;
        wall.start();
        const auto cpuBefore = BenchStats::CpuTime();
        RunFor(idleSeconds * 1000);
        const double share = (BenchStats::CpuTime() - cpuBefore).count() /
                             (static_cast<double>(wall.nsecsElapsed()) / 1e9);
        idleCpu.push_back(100 * share);
        std::printf("run %d: unplug to \"%s\" %.2f ms, then CPU %.2f %% of a core over %d s\n",
                    run + 1, qPrintable(disconnected), latenciesMs.back(), idleCpu.back(),
                    idleSeconds);
        if (sim.WaitForExit() != 0) {
            ++failures;
        }
    }
    std::printf(
        "median over %d runs: unplug to status text %.2f ms (max %.2f ms); idle CPU "
        "afterwards %.2f %% (max %.2f %%)\n",
        runs, Median(latenciesMs), Percentile(latenciesMs, 1.0), Median(idleCpu),
        Percentile(idleCpu, 1.0));
    return failures == 0 ? 0 : 1;
}
