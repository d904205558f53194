// OSC on loopback through the whole program: the real main frame on the offscreen platform,
// connected through its Com dialog to a pseudo-terminal in the dongle's place, with the OSC
// service attached. Two figures, each as p50 / p99 / max over its samples:
//   - a message from a surface (UDP on loopback) to its 7-byte frame readable at the
//     pseudo-terminal;
//   - a unit's report written at the pseudo-terminal to its feedback message read by a
//     subscribed client, samples spaced wider than the feedback's 30-a-second pace, and back
//     to back (where a change waits for the pace's next slot).
//
//   bench_osc [--samples N]    (default 1000 messages, 200 reports each way)
#include <poll.h>

#include <lo/lo.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkDatagram>
#include <QTreeWidget>
#include <QUdpSocket>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "link/UnitMask.h"
#include "model/StudioManager.h"
#include "osc/COscAttach.h"
#include "osc/COscFeedback.h"
#include "osc/COscServer.h"
#include "shell/CMainFrame.h"
#include "support/BenchStats.h"
#include "support/CBenchSession.h"
#include "support/CPtyPair.h"

namespace {

using Clock = std::chrono::steady_clock;
using BenchStats::Percentile;

constexpr int kFrameBytes = 7;
constexpr auto kGiveUp = std::chrono::seconds(2);

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs the UI thread's events until done() or the give-up time.
template <class Done>
bool Spin(Done done) {
    const auto start = Clock::now();
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (Clock::now() - start > kGiveUp) {
            return false;
        }
    }
    return true;
}

bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

QByteArray FlashMessage(float value) {
    lo_message m = lo_message_new();
    lo_message_add_float(m, value);
    size_t size = 0;
    void* bytes = lo_message_serialise(m, "/tarnel/A/CH-01/flash", nullptr, &size);
    QByteArray out(static_cast<const char*>(bytes), static_cast<qsizetype>(size));
    std::free(bytes);
    lo_message_free(m);
    return out;
}

void Print(const char* what, const std::vector<double>& ms) {
    std::printf("%-44s p50 %.3f  p99 %.3f  max %.3f ms  (%zu samples)\n", what, Percentile(ms, 0.5),
                Percentile(ms, 0.99), Percentile(ms, 1.0), ms.size());
}

}  // namespace

namespace {

// Whether a datagram is the flash feedback of CH-01 with value tenths.
bool IsFlash(QByteArray datagram, int tenths) {
    if (!datagram.startsWith("/tarnel/A/CH-01/flash")) {
        return false;
    }
    int result = 0;
    lo_message m =
        lo_message_deserialise(datagram.data(), static_cast<size_t>(datagram.size()), &result);
    if (m == nullptr) {
        return false;
    }
    float value = 0;
    const bool isFloat = lo_message_get_argc(m) == 1 && lo_message_get_types(m)[0] == 'f';
    if (isFloat) {
        std::memcpy(&value, lo_message_get_argv(m)[0], sizeof value);  // may sit unaligned
    }
    const bool match = isFloat && std::lround(value * 10) == tenths;
    lo_message_free(m);
    return match;
}

std::vector<double> MessageToFrame(CPtyPair& pty, QUdpSocket& surface, quint16 port, int samples) {
    std::vector<double> ms;
    for (int i = 0; i < samples; ++i) {
        const QByteArray message = FlashMessage(i % 2 == 0 ? 5.0f : 5.1f);
        const auto start = Clock::now();
        surface.writeDatagram(message, QHostAddress::LocalHost, port);
        if (!Spin([&] { return Readable(pty.MasterFd()); })) {
            std::fprintf(stderr, "bench_osc: no frame for message %d\n", i);
            break;
        }
        const QByteArray frame = pty.Read(kFrameBytes, kGiveUp);
        ms.push_back(MsSince(start));
        if (frame.size() != kFrameBytes) {
            std::fprintf(stderr, "bench_osc: a short frame\n");
            break;
        }
    }
    return ms;
}

std::vector<double> ReportToFeedback(CPtyPair& pty, QUdpSocket& client, int samples,
                                     std::chrono::milliseconds spacing) {
    std::vector<double> ms;
    for (int i = 0; i < samples; ++i) {
        const int tenths = i % 2 == 0 ? 60 : 61;
        const auto start = Clock::now();
        pty.Write(StatusReport(UnitMaskOf(0), tenths, 30));
        bool arrived = false;
        Spin([&] {
            while (client.hasPendingDatagrams() && !arrived) {
                QByteArray datagram(static_cast<qsizetype>(client.pendingDatagramSize()), '\0');
                client.readDatagram(datagram.data(), datagram.size());
                arrived = IsFlash(datagram, tenths);
            }
            return arrived;
        });
        if (!arrived) {
            std::fprintf(stderr, "bench_osc: no feedback for report %d\n", i);
            break;
        }
        ms.push_back(MsSince(start));
        const auto rest = Clock::now();
        Spin([&] { return Clock::now() - rest >= spacing; });
    }
    return ms;
}

// The frame shown, connected to the pseudo-terminal, with Studio A's unit CH-01 reported.
bool Stage(CMainFrame& frame, CPtyPair& pty) {
    frame.SetMessageBoxHandler([](const QString&, const QString&, bool) { return true; });
    frame.show();
    if (!CBenchSession::Connect(frame, pty.SlavePath())) {
        std::fprintf(stderr, "bench_osc: cannot connect to the pseudo-terminal\n");
        return false;
    }
    auto* tree = qobject_cast<QWidget*>(frame.StudioListPane())->findChild<QTreeWidget*>();
    tree->setCurrentItem(tree->topLevelItem(0));
    pty.Write(StatusReport(UnitMaskOf(0), 45, 30));
    if (!Spin([&] { return frame.Manager().StudioAt(0)->UnitAt(0) != nullptr; })) {
        std::fprintf(stderr, "bench_osc: the unit did not appear\n");
        return false;
    }
    Spin([] { return false; });  // settle: the start-up's own frames
    pty.ReadAvailable(std::chrono::milliseconds(50));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    int samples = 1000;
    if (argc == 3 && std::strcmp(argv[1], "--samples") == 0) {
        samples = std::max(10, std::atoi(argv[2]));
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: bench_osc [--samples N]\n");
        return 2;
    }
    CBenchSession session;
    CPtyPair pty;
    QDir(session.Folder()).mkpath(QStringLiteral("strobe-sim"));
    if (!session.IsValid() || !pty.IsValid() ||
        !QFile::link(pty.SlavePath(), session.Folder() + QStringLiteral("/strobe-sim/bench"))) {
        std::fprintf(stderr, "bench_osc: cannot make the pseudo-terminal\n");
        return 1;
    }
    CMainFrame frame(session.Folder());
    if (!Stage(frame, pty)) {
        return 1;
    }

    auto osc = std::make_unique<COscAttach>(frame, session.Folder());
    QUdpSocket surface;
    QUdpSocket client;
    surface.bind(QHostAddress::LocalHost, 0);
    client.bind(QHostAddress::LocalHost, 0);
    bool started = false;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
        QUdpSocket probe;
        probe.bind(QHostAddress::Any, 0);
        const int port = probe.localPort();
        probe.close();
        started = osc->Start(port);
    }
    if (!started) {
        std::fprintf(stderr, "bench_osc: no free port for the server\n");
        return 1;
    }
    const auto port = static_cast<quint16>(osc->Server().Port());
    osc->Feedback().Subscribe(QHostAddress::LocalHost, client.localPort());
    Spin([] { return false; });
    while (client.hasPendingDatagrams()) {
        client.receiveDatagram();
    }

    Print("OSC message to its frame at the pty", MessageToFrame(pty, surface, port, samples));
    pty.ReadAvailable(std::chrono::milliseconds(50));
    const int reports = std::max(10, samples / 5);
    Print("report to feedback, 60 ms apart",
          ReportToFeedback(pty, client, reports, std::chrono::milliseconds(60)));
    Print("report to feedback, back to back",
          ReportToFeedback(pty, client, reports, std::chrono::milliseconds(0)));
    osc.reset();
    return 0;
}
