// Two soaks.
//
// The report road: millions of reports through the assembler, the decoder, the report
// handler, a live model and a receiving object, with a scan's clearing of the studio every so
// often (units destroyed and made again by status reports). Prints the resident memory at
// every million reports: it must stay flat. Run it under valgrind or heaptrack with a smaller
// count to see that nothing leaks.
//
//   bench_soak [--reports N]   (default 10000000)
//
// The whole program against strobe-sim with noise and lost frames, the dongle unplugged and
// plugged in again every cycle (CProgramSoak):
//
//   bench_soak --program [--minutes M] [--cycle-seconds S] [--flood HZ] [--loss P]
//   (default 30 minutes, 60 s cycles, 200 reports/s, 1 % of the frames lost)

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "CProgramSoak.h"
#include "control/CUnitControl.h"
#include "link/AppMessages.h"
#include "link/CRadioSession.h"
#include "link/CZbFrameReader.h"
#include "link/UnitMask.h"
#include "link/ZbConstants.h"
#include "model/StudioManager.h"
#include "shell/CMainFrame.h"
#include "support/BenchStats.h"
#include "support/CBenchSession.h"

namespace {

// Stands in for the views: hears every notice of the unit core and reads the unit it names
// when the unit still lives, as the real views must for a queued one.
class CReceiver : public QObject {
public:
    CReceiver(const StudioManager& manager, const CUnitControl& core) : m_manager(manager) {
        // As the views listen: a change at once, the rest after a trip through the queue.
        connect(&core, &CUnitControl::unitChanged, this,
                [this](const UnitRef& unit) { Take(unit); });
        connect(
            &core, &CUnitControl::unitRead, this, [this](const UnitRef& unit) { Take(unit); },
            Qt::QueuedConnection);
        for (auto signal : {&CUnitControl::unitAdded, &CUnitControl::unitReported}) {
            connect(&core, signal, this, &CReceiver::Take, Qt::QueuedConnection);
        }
    }
    quint64 messages = 0;
    quint64 sum = 0;

private:
    void Take(const UnitRef& ref) {
        ++messages;
        if (const StrobeData* unit = m_manager.Resolve(ref)) {
            sum += static_cast<quint64>(unit->nFlashValue);
        }
    }

    const StudioManager& m_manager;
};

// One block of reports: every kind the units send, each once per unit, plus a frame cut
// short by the next start byte and a few stray bytes. Returns the block and its report count.
std::vector<quint8> ReportBlock(int& reports) {
    std::vector<quint8> out;
    reports = 0;
    auto frame = [&](std::initializer_list<quint8> bytes) {
        out.insert(out.end(), bytes.begin(), bytes.end());
        ++reports;
    };
    auto command = [](quint8 type, quint8 sub) { return static_cast<quint8>(type | sub); };
    for (int unit = 0; unit < 10; ++unit) {
        const quint16 mask = UnitMaskOf(unit);
        const auto hi = static_cast<quint8>(mask >> 8);
        const auto lo = static_cast<quint8>(mask);
        const auto power = static_cast<quint8>(11 + 7 * unit);
        const auto on = static_cast<quint8>(unit & 1);
        frame({0xFF, 0x0E, ZB_TYPE_STATUS, hi, lo, 1, power, power, 0, 1, 0, 1, 1, 0});
        for (const quint8 sub : {ZB_FLASH_POWER, ZB_MODEL_POWER}) {
            frame({0xFF, 0x07, command(ZB_TYPE_SETTING, sub), hi, lo, power, 40});
        }
        for (const quint8 sub : {ZB_MODEL_MODE1, ZB_MODEL_MODE2, ZB_FLASH_CELL, ZB_FLASH_SOUND,
                                 ZB_MODEL_POW, ZB_FLASH_POW}) {
            frame({0xFF, 0x07, command(ZB_TYPE_SETTING, sub), hi, lo, 0, on});
        }
        frame({0xFF, 0x07, command(ZB_TYPE_EVENT, ZB_CHARGE), hi, lo, 0, 0});  // drained
        frame({0xFF, 0x07, command(ZB_TYPE_EVENT, ZB_CHARGE), hi, lo, 0, 1});  // charged
        frame({0xFF, 0x07, command(ZB_TYPE_READING, ZB_TEMPERATURE), hi, lo, 0,
               static_cast<quint8>(30 + unit)});
    }
    out.insert(out.end(), {0xFF, 0x07, 0x13, 0x00});  // cut short by the next frame
    frame({0xFF, 0x07, 0x13, 0x80, 0x80, 50, 50});    // all units
    out.insert(out.end(), {0x00, 0x12, 0x7F});        // stray bytes
    return out;
}

int ProgramSoak(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    CProgramSoak::Options options;
    bool bad = argc % 2 != 0;
    for (int i = 2; i + 1 < argc; i += 2) {
        const double value = std::atof(argv[i + 1]);
        if (std::strcmp(argv[i], "--minutes") == 0) {
            options.total = std::chrono::seconds(static_cast<long long>(value * 60));
        } else if (std::strcmp(argv[i], "--cycle-seconds") == 0) {
            options.cycle = std::chrono::seconds(static_cast<long long>(value));
        } else if (std::strcmp(argv[i], "--flood") == 0) {
            options.floodHz = value;
        } else if (std::strcmp(argv[i], "--loss") == 0) {
            options.loss = value;
        } else {
            bad = true;
        }
    }
    if (bad || options.cycle < std::chrono::seconds(5) || options.total < 2 * options.cycle) {
        std::fprintf(stderr,
                     "usage: bench_soak --program [--minutes M] [--cycle-seconds S >= 5] "
                     "[--flood HZ] [--loss P]   (at least two cycles)\n");
        return 2;
    }
    CBenchSession session;
    CMainFrame frame(session.Folder());
    frame.show();
    CProgramSoak soak(session, frame, options);
    return soak.Run();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--program") == 0) {
        return ProgramSoak(argc, argv);
    }
    QCoreApplication app(argc, argv);
    qint64 wanted = 10'000'000;
    if (argc == 3 && std::strcmp(argv[1], "--reports") == 0) {
        wanted = std::atoll(argv[2]);
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: bench_soak [--reports N] | --program [...]\n");
        return 2;
    }

    StudioManager manager;
    manager.currentNode = manager.studios[0].get();
    StudioData& studio = *manager.studios[0];
    CUnitControl core(manager);
    CReceiver frame(manager, core);
    CRadioSession session(&frame, manager, core);
    CZbFrameReader& reader = session.Reader();

    int perBlock = 0;
    const std::vector<quint8> block = ReportBlock(perBlock);
    constexpr qint64 kStep = 1'000'000;
    constexpr int kBlocksPerScan = 1000;  // a scan clears the studio now and then
    std::printf("%12s %10s %12s\n", "reports", "rss_kB", "messages");
    std::printf("%12d %10ld %12d\n", 0, BenchStats::ResidentKb(), 0);
    qint64 done = 0;
    qint64 nextPrint = kStep;
    long firstRss = -1;
    long lastRss = -1;
    for (int blocks = 1; done < wanted; ++blocks) {
        reader.Feed(block.data(), static_cast<int>(block.size()));
        // Posted messages (new units, statuses, temperatures) are delivered as the event
        // loop would between deliveries: for every receiver, which also lets Qt compact its
        // queue (a delivery to one receiver only leaves the delivered entries' slots behind).
        QCoreApplication::sendPostedEvents();
        done += perBlock;
        if (blocks % kBlocksPerScan == 0) {
            ClearStudio(manager, studio);
        }
        if (done >= nextPrint) {
            lastRss = BenchStats::ResidentKb();
            firstRss = firstRss < 0 ? lastRss : firstRss;
            std::printf("%12lld %10ld %12llu\n", static_cast<long long>(done), lastRss,
                        static_cast<unsigned long long>(frame.messages));
            std::fflush(stdout);
            nextPrint += kStep;
        }
    }
    std::printf(
        "resident memory from the first million to the end: %ld kB -> %ld kB (%+ld kB); "
        "units now %d, checksum %llu\n",
        firstRss, lastRss, lastRss - firstRss, studio.nChItemCnt,
        static_cast<unsigned long long>(frame.sum));
    return 0;
}
