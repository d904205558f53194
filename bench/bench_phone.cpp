// The phone remote's figures, through the real main frame (offscreen) and real sockets on
// loopback, with paired pages played by QWebSockets in this process:
//   bench_phone                      command to frame, report to every page, first load,
//                                    memory per device (the dongle: a pseudo-terminal)
//   bench_phone --flood N [--rate HZ] [--seconds S]
//                                    strobe-sim flooding Studio A's ten units with N pages
//                                    paired (in a child process); prints the reports applied.
//                                    Instructions per report, N = 0 against N = 8 in one sitting:
//   valgrind --tool=callgrind --collect-atstart=no bench_phone --flood 8 --rate 400 --seconds 5
#include <poll.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWebSocket>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "control/CUnitControl.h"
#include "link/UnitMask.h"
#include "model/StudioManager.h"
#include "navigation/CStudioListFormView.h"
#include "phone/CPhoneRemote.h"
#include "phone/CPhoneServer.h"
#include "shell/CComSettingDlg.h"
#include "shell/CMainFrame.h"
#include "support/BenchStats.h"
#include "support/CBenchSession.h"
#include "support/CMessageRecorder.h"
#include "support/CPtyPair.h"
#include "support/CSimProcess.h"
#include "support/WhenModal.h"

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

namespace {

using namespace std::chrono_literals;
using BenchStats::Median;
using BenchStats::Percentile;

double MsSince(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// A paired page: counts the unit updates it was sent.
struct Page {
    explicit Page(const QString& origin) : socket(origin) {}
    QWebSocket socket;
    int units = 0;
    bool paired = false;
};

std::unique_ptr<Page> Pair(CPhoneServer& server) {
    auto page = std::make_unique<Page>(QStringLiteral("http://127.0.0.1:%1").arg(server.Port()));
    Page* p = page.get();
    QObject::connect(&p->socket, &QWebSocket::textMessageReceived, [p](const QString& text) {
        p->paired = p->paired || text.contains(QLatin1String("\"paired\""));
        p->units += text.startsWith(QLatin1String("{\"type\":\"units\"")) ? 1 : 0;
    });
    QObject::connect(&p->socket, &QWebSocket::connected, [p, &server] {
        p->socket.sendTextMessage(QStringLiteral(R"({"type":"hello","code":"%1","name":"bench"})")
                                      .arg(server.Pairing().Code()));
    });
    p->socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/socket").arg(server.Port())));
    WaitUntil([p] { return p->paired; }, 5s);
    return page;
}

// The frame connected to link through its Com dialog, Studio A clicked in the list.
bool Connect(CMainFrame& frame, const QString& link) {
    WhenModal<CComSettingDlg>(&frame, [link](CComSettingDlg* dialog) {
        dialog->PortList()->setCurrentIndex(dialog->PortList()->findText(link));
        QTest::mouseClick(dialog->findChild<QPushButton*>("ok"), Qt::LeftButton);
    });
    frame.OnCom();
    QTreeWidget& tree = frame.StudioList().Tree();
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {},
                      tree.visualItemRect(frame.StudioList().StudioItem(0)).center());
    return frame.IsConnected();
}

bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

void Report(const char* what, std::vector<double> ms) {
    std::printf("%-44s median %.3f ms  p99 %.3f ms  (%zu)\n", what, Median(ms),
                Percentile(ms, 0.99), ms.size());
}

void CommandToFrame(CPtyPair& pty, std::vector<std::unique_ptr<Page>>& pages) {
    std::vector<double> ms;
    for (int i = 0; i < 2000; ++i) {
        const double delta = i % 2 == 0 ? 0.1 : -0.1;
        Page& page = *pages[static_cast<size_t>(i) % pages.size()];
        QElapsedTimer timer;
        timer.start();
        page.socket.sendTextMessage(
            QStringLiteral(
                R"({"id":%1,"cmd":"step","studio":"A","unit":"CH-01","power":"flash","delta":%2})")
                .arg(i)
                .arg(delta));
        while (!Readable(pty.MasterFd()) && timer.elapsed() < 1000) {
            QCoreApplication::processEvents();
        }
        ms.push_back(MsSince(timer));
        pty.Read(7, 100ms);
        PumpEvents(1ms);
    }
    Report("command at a page to its frame at the dongle", ms);
}

// quiet: how long the link was quiet before each report (a report right after the last push
// waits for the push spacing; one after a quiet spell only for the push delay).
void ReportToPages(CPtyPair& pty, std::vector<std::unique_ptr<Page>>& pages, int count,
                   std::chrono::milliseconds quiet, const char* what) {
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        PumpEvents(quiet);
        for (auto& page : pages) {
            page->units = 0;
        }
        QElapsedTimer timer;
        timer.start();
        pty.Write(StatusReport(UnitMaskOf(1), 40 + i % 2, 30));
        const auto allGot = [&] {
            for (auto& page : pages) {
                if (page->units == 0) {
                    return false;
                }
            }
            return true;
        };
        while (!allGot() && timer.elapsed() < 1000) {
            QCoreApplication::processEvents();
        }
        ms.push_back(MsSince(timer));
    }
    Report(what, ms);
}

void FirstLoad(CPhoneServer& server) {
    QNetworkAccessManager net;
    std::vector<double> ms;
    for (int i = 0; i < 30; ++i) {
        QElapsedTimer timer;
        timer.start();
        int done = 0;
        for (const char* file : {"/", "/style.css", "/app.js"}) {
            QNetworkReply* reply = net.get(QNetworkRequest(
                QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server.Port()).arg(file))));
            QObject::connect(reply, &QNetworkReply::finished, [&done, reply] {
                ++done;
                reply->deleteLater();
            });
        }
        WaitUntil([&] { return done == 3; }, 5s);
        // Then the page's socket, paired, to its first state.
        auto page = Pair(server);
        ms.push_back(MsSince(timer));
        page.reset();
        PumpEvents(5ms);
    }
    Report("first load: three files, pairing, first state", ms);
}

void MemoryPerDevice(CPhoneServer& server) {
    constexpr int kDevices = CPhoneServer::kMaxDevices;
    PumpEvents(50ms);
    const long before = BenchStats::ResidentKb();
    std::vector<std::unique_ptr<Page>> pages;
    for (int i = 0; i < kDevices; ++i) {
        pages.push_back(Pair(server));
    }
    PumpEvents(200ms);
    const long after = BenchStats::ResidentKb();
    std::printf("memory per paired device (page side included): %.1f kB (%ld kB for %d)\n",
                static_cast<double>(after - before) / kDevices, after - before, kDevices);
}

int Figures() {
    QTemporaryDir dir;
    qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    CPtyPair pty;
    QDir(dir.path()).mkpath(QStringLiteral("strobe-sim"));
    const QString link = dir.filePath(QStringLiteral("strobe-sim/sim-bench"));
    QFile::link(pty.SlavePath(), link);
    CMainFrame frame(dir.path());
    frame.SetMessageBoxHandler([](const QString&, const QString&, bool) { return true; });
    frame.show();
    CPhoneRemote remote(frame.Desk(), &frame);
    if (!Connect(frame, link)) {
        std::fprintf(stderr, "bench_phone: cannot connect\n");
        return 1;
    }
    pty.Write(StatusReport(UnitMaskOf(0) | UnitMaskOf(1), 45, 30));
    WaitUntil([&] { return frame.Manager().StudioAt(0)->UnitAt(1) != nullptr; });
    pty.ReadAvailable(50ms);
    remote.Server().Start(0, QHostAddress::LocalHost);
    MemoryPerDevice(remote.Server());  // its pages leave before the next figures
    FirstLoad(remote.Server());
    std::vector<std::unique_ptr<Page>> pages;
    for (int i = 0; i < CPhoneServer::kMaxDevices; ++i) {
        pages.push_back(Pair(remote.Server()));
    }
    CommandToFrame(pty, pages);
    ReportToPages(pty, pages, 500, 2ms, "report to all 8 pages, reports back to back");
    ReportToPages(pty, pages, 100, 150ms, "report to all 8 pages, after a quiet spell");
    return 0;
}

constexpr std::chrono::milliseconds kBeat{2};

// The UI thread's stalls: how late a 2 ms heartbeat comes, from construction on.
class StallMeter {
public:
    StallMeter() {
        m_beat.setTimerType(Qt::PreciseTimer);
        m_beat.setInterval(kBeat);
        QObject::connect(&m_beat, &QTimer::timeout, [this] {
            m_lateMs.push_back(
                std::max(0.0, MsSince(m_since) - static_cast<double>(kBeat.count())));
            m_since.start();
        });
        m_since.start();
        m_beat.start();
    }
    void Print() {
        m_beat.stop();
        std::printf(
            "UI stall beyond a 2 ms heartbeat: median %.3f ms  p99 %.3f ms  worst %.3f ms\n",
            Median(m_lateMs), Percentile(m_lateMs, 0.99),
            m_lateMs.empty() ? 0.0 : *std::max_element(m_lateMs.begin(), m_lateMs.end()));
    }

private:
    QTimer m_beat;
    QElapsedTimer m_since;
    std::vector<double> m_lateMs;
};

int Flood(int pageCount, double rateHz, int seconds) {
    CBenchSession session;
    CSimProcess sim;
    if (!session.StartSim(sim, {"--units", "A:0-9", "--group", "B", "--seed", "5", "--flood",
                                QString::number(rateHz, 'f', 1)})) {
        std::fprintf(stderr, "bench_phone: cannot start strobe-sim\n");
        return 1;
    }
    CMainFrame frame(session.Folder());
    frame.SetMessageBoxHandler([](const QString&, const QString&, bool) { return true; });
    frame.show();
    CPhoneRemote remote(frame.Desk(), &frame);
    if (!CBenchSession::Connect(frame, sim) || CBenchSession::ScanStudioA(frame) == 0) {
        std::fprintf(stderr, "bench_phone: no units\n");
        return 1;
    }
    remote.Server().Start(0, QHostAddress::LocalHost);
    // The pages in a process of their own, so that only the program's work is counted.
    QProcess pages;
    pages.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--pages-client")});
    if (!pages.waitForStarted()) {
        return 1;
    }
    for (int i = 0; i < pageCount; ++i) {
        pages.write(remote.Server().Address().toUtf8() + '\n');
        if (!WaitUntil([&] { return remote.Server().Devices().size() == i + 1; }, 10s)) {
            std::fprintf(stderr, "bench_phone: page %d did not pair\n", i + 1);
            return 1;
        }
    }
    long applied = 0;
    QObject::connect(&frame.Control(), &CUnitControl::unitChanged, [&applied] { ++applied; });
    StallMeter stalls;
    const auto cpuBefore = BenchStats::CpuTime();
    CALLGRIND_TOGGLE_COLLECT;
    PumpEvents(std::chrono::seconds(seconds));
    CALLGRIND_TOGGLE_COLLECT;
    const auto cpu = BenchStats::CpuTime() - cpuBefore;
    stalls.Print();
    std::printf("program's CPU time per applied report (every thread): %.1f us\n",
                1e6 * cpu.count() / static_cast<double>(std::max(1L, applied)));
    pages.closeWriteChannel();
    pages.waitForFinished(10000);
    std::printf(
        "flood at %.0f frames/s for %d s with %d pages: %ld reports applied; the pages "
        "got %s",
        rateHz, seconds, pageCount, applied, pages.readAllStandardOutput().constData());
    return 0;
}

// The pages of --flood: one paired page per address read on standard input; at its end, how
// many updates they got.
int PagesClient() {
    std::vector<std::unique_ptr<Page>> pages;
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        std::string line;
        if (!std::getline(std::cin, line)) {
            input.setEnabled(false);
            long got = 0;
            for (auto& page : pages) {
                got += page->units;
            }
            std::printf("%ld unit pushes (%zu pages)\n", got, pages.size());
            QCoreApplication::quit();
            return;
        }
        const QUrl url(QString::fromStdString(line));
        auto page =
            std::make_unique<Page>(QStringLiteral("http://%1:%2").arg(url.host()).arg(url.port()));
        Page* p = page.get();
        const QString code = url.fragment();
        QObject::connect(&p->socket, &QWebSocket::textMessageReceived, [p](const QString& text) {
            p->units += text.startsWith(QLatin1String("{\"type\":\"units\"")) ? 1 : 0;
        });
        QObject::connect(&p->socket, &QWebSocket::connected, [p, code] {
            p->socket.sendTextMessage(
                QStringLiteral(R"({"type":"hello","code":"%1","name":"bench"})").arg(code));
        });
        p->socket.open(QUrl(QStringLiteral("ws://%1:%2/socket").arg(url.host()).arg(url.port())));
        pages.push_back(std::move(page));
    });
    return QCoreApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--pages-client") == 0) {
        return PagesClient();
    }
    if (argc > 1 && std::strcmp(argv[1], "--pages-client") == 0) {
        return PagesClient();
    }
    int pages = -1;
    double rate = 1646;
    int seconds = 10;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--flood") == 0) {
            pages = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--rate") == 0) {
            rate = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--seconds") == 0) {
            seconds = std::atoi(argv[++i]);
        }
    }
    return pages >= 0 ? Flood(pages, rate, seconds) : Figures();
}
