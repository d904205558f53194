// The session bus under the whole program: the real main frame (offscreen) connected through
// its Com dialog to a pseudo-terminal in the dongle's place, serving its desk on a private
// dbus-daemon. Measures, as a script sees them:
//   set     tarnelctl set A CH-03 flash ... from the process start to its frame read at the
//           pseudo-terminal;
//   stamp   tarnelctl stamp IMG from the process start to its exit (the sidecar was renamed
//           into place before it exits);
//   second  a second start of tarnel-remote in the same folder from its start until the first
//           window was raised and the second has exited.
//
//   bench_bus [--runs N]   (default 31 of each)

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bus/CBusService.h"
#include "model/StudioManager.h"
#include "navigation/CStudioListFormView.h"
#include "shell/CComSettingDlg.h"
#include "shell/CMainFrame.h"
#include "support/BenchStats.h"
#include "support/CBenchSession.h"
#include "support/CPtyPair.h"

namespace {

using BenchStats::Median;
using BenchStats::Percentile;

QString Built(const char* path) {
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QLatin1String(path));
}

// A bus of our own, so that the figures do not depend on the desktop's.
bool StartBus(QProcess& daemon) {
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"),
                  QStringLiteral("--print-address")});
    if (!daemon.waitForStarted()) {
        return false;
    }
    while (!daemon.canReadLine() && daemon.waitForReadyRead(5000)) {
    }
    const QByteArray address = daemon.readLine().trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    return !address.isEmpty();
}

// The Com dialog connects the frame to the device behind link.
bool Connect(CMainFrame& frame, const QString& link) {
    auto* poll = new QTimer(&frame);
    QObject::connect(poll, &QTimer::timeout, &frame, [poll, link] {
        auto* dialog = qobject_cast<CComSettingDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        const int index = dialog->PortList()->findText(link);
        dialog->PortList()->setCurrentIndex(index);
        index >= 0 ? dialog->accept() : dialog->reject();
    });
    poll->start(5);
    frame.OnCom();
    return frame.IsConnected();
}

bool WaitFor(const std::function<bool()>& done, int limitMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

void Print(const char* what, const std::vector<double>& ms) {
    std::printf("%-7s median %.1f ms, p90 %.1f ms, worst %.1f ms (%zu runs)\n", what, Median(ms),
                Percentile(ms, 0.9), Percentile(ms, 1.0), ms.size());
}

// Runs program to its end, the event loop turning; ms from its start, -1 for a failure.
// frameFrom: the pseudo-terminal whose first 7 bytes end the time instead.
double Timed(const QString& program, const QStringList& args, const QString& folder,
             CPtyPair* frameFrom = nullptr, const std::function<bool()>& alsoDone = {}) {
    QProcess child;
    child.setWorkingDirectory(folder);
    QElapsedTimer clock;
    clock.start();
    child.start(program, args);
    double ms = -1;
    QByteArray bytes;
    const bool ended = WaitFor([&] {
        if (frameFrom != nullptr && ms < 0) {
            bytes += frameFrom->ReadAvailable(std::chrono::milliseconds(0));
            if (bytes.size() >= 7) {
                ms = clock.nsecsElapsed() / 1e6;
            }
        }
        const bool exited = child.state() == QProcess::NotRunning;
        if (frameFrom == nullptr && exited && ms < 0 && (!alsoDone || alsoDone())) {
            ms = clock.nsecsElapsed() / 1e6;
        }
        return exited && ms >= 0;
    });
    return ended && child.exitCode() == 0 ? ms : -1;
}

// The frame connected to the pseudo-terminal behind link, Studio A shown and its unit CH-03
// reported by the "dongle" (flash 4.5, model 3.0).
bool Stage(CMainFrame& frame, CPtyPair& pty, const QString& link) {
    if (!Connect(frame, link)) {
        std::fprintf(stderr, "bench_bus: cannot connect\n");
        return false;
    }
    auto& list = *qobject_cast<CStudioListFormView*>(frame.StudioListPane());
    list.Tree().setCurrentItem(list.StudioItem(0));
    pty.Write(QByteArray::fromHex("FF0E01 0004 01 2D 1E 00000000 01 00"));
    if (!WaitFor([&] { return frame.Manager().StudioAt(0)->nChItemCnt == 1; })) {
        std::fprintf(stderr, "bench_bus: the unit did not appear\n");
        return false;
    }
    pty.ReadAvailable(std::chrono::milliseconds(50));
    return true;
}

struct Samples {
    std::vector<double> set, stamp, second;
};

// Each round: a set, a stamp, a second start; false when any of them failed.
bool Measure(int runs, CMainFrame& frame, CBusService& bus, CPtyPair& pty, const QString& folder,
             Samples& out) {
    const QString ctl = Built("../tools/tarnelctl/tarnelctl");
    const QStringList folderArgs{QStringLiteral("--folder"), folder};
    QFile(folder + QStringLiteral("/IMG_0001.CR2")).open(QIODevice::WriteOnly);
    int raised = 0;
    QObject::connect(&bus, &CBusService::raiseRequested, [&raised] { ++raised; });
    for (int i = 0; i < runs; ++i) {
        const QString power = i % 2 == 0 ? QStringLiteral("5.0") : QStringLiteral("6.0");
        out.set.push_back(
            Timed(ctl,
                  folderArgs + QStringList{QStringLiteral("set"), QStringLiteral("A"),
                                           QStringLiteral("CH-03"), QStringLiteral("flash"), power},
                  folder, &pty));
        out.stamp.push_back(Timed(
            ctl, folderArgs + QStringList{QStringLiteral("stamp"), QStringLiteral("IMG_0001.CR2")},
            folder));
        frame.showMinimized();
        const int before = raised;
        out.second.push_back(Timed(Built("../shell/tarnel-remote"), {}, folder, nullptr,
                                   [&] { return raised > before && !frame.isMinimized(); }));
    }
    for (const auto& [what, samples] :
         {std::pair{"set", &out.set}, {"stamp", &out.stamp}, {"second", &out.second}}) {
        for (double ms : *samples) {
            if (ms < 0) {
                std::fprintf(stderr, "bench_bus: a %s run failed\n", what);
                return false;
            }
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QProcess daemon;
    if (!StartBus(daemon)) {
        std::fprintf(stderr, "bench_bus: cannot start dbus-daemon\n");
        return 1;
    }
    QApplication app(argc, argv);
    int runs = 31;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0) {
        runs = std::atoi(argv[2]);
    } else if (argc != 1) {
        runs = 0;
    }
    if (runs <= 0) {
        std::fprintf(stderr, "usage: bench_bus [--runs N]\n");
        return 2;
    }

    CBenchSession session;
    CPtyPair pty;
    const QString folder = session.Folder();
    QDir().mkpath(folder + QStringLiteral("/strobe-sim"));
    const QString link = folder + QStringLiteral("/strobe-sim/sim-bench");
    QFile::link(pty.SlavePath(), link);
    CMainFrame frame(folder);
    frame.SetMessageBoxHandler([](const QString&, const QString&, bool) { return true; });
    frame.show();
    CBusService bus(folder);
    bus.Serve(frame.Desk(), frame, frame);
    Samples samples;
    if (!Stage(frame, pty, link) || !Measure(runs, frame, bus, pty, folder, samples)) {
        return 1;
    }
    Print("set", samples.set);
    Print("stamp", samples.stamp);
    Print("second", samples.second);
    daemon.kill();
    daemon.waitForFinished();
    return 0;
}
