// Undo: from the operator's Undo of a whole-studio Business Memory apply (ten units) to the
// last of its ten frames being readable at the far end of a pseudo-terminal, through the real
// main frame (the studio list and the grid rebuild before the frames go out, as they do for
// the apply); and the heap that 200 steps of history hold.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QUndoStack>
#include <chrono>
#include <memory>
#include <vector>

#include "control/CUnitControl.h"
#include "link/CRadioSession.h"
#include "link/UnitMask.h"
#include "model/ComSettings.h"
#include "model/StudioManager.h"
#include "navigation/CStudioListFormView.h"
#include "panels/CControlFormView.h"
#include "panels/CPowerControlSet.h"
#include "shell/CMainFrame.h"
#include "shell/CUndoHistory.h"
#include "support/BenchStats.h"
#include "support/CMessageRecorder.h"
#include "support/CPtyPair.h"
#include "widgets/CFlatSpinButtonCtrl.h"

namespace {

constexpr int kUnits = 10;
constexpr int kSettingsFrameBytes = 14;
constexpr int kCommandFrameBytes = 7;

// The main frame on a pseudo-terminal with Studio A shown and its ten units reported.
struct Stage {
    QTemporaryDir dir;
    CPtyPair pty;
    std::unique_ptr<CMainFrame> frame;

    bool SetUp() {
        frame = std::make_unique<CMainFrame>(dir.path());
        frame->SetMessageBoxHandler([](const QString&, const QString&, bool) { return true; });
        frame->show();
        ComSettings settings = DefaultComSettings();
        settings.sComPort = pty.SlavePath();
        if (!frame->Session().Open(settings)) {
            return false;
        }
        auto& list = *dynamic_cast<CStudioListFormView*>(frame->StudioListPane());
        list.Tree().setCurrentItem(list.StudioItem(0));
        quint16 mask = 0;
        for (int slot = 0; slot < kUnits; ++slot) {
            mask |= UnitMaskOf(slot);
        }
        QByteArray report = QByteArray::fromHex("FF0E01");
        report += static_cast<char>(mask >> 8);
        report += static_cast<char>(mask & 0xFF);
        report += QByteArray::fromHex(
            "012D1E0000000001"
            "00");
        pty.Write(report);
        StudioData& studio = *frame->Manager().StudioAt(0);
        if (!WaitUntil([&] { return studio.nChItemCnt == kUnits; })) {
            return false;
        }
        pty.ReadAvailable(std::chrono::milliseconds(20));
        return true;
    }

    // A memory of ten units, each another flash than the studio's.
    void FillMemory() {
        StudioManager& manager = frame->Manager();
        for (int slot = 0; slot < kUnits; ++slot) {
            auto unit = std::make_unique<StrobeData>();
            unit->nChNum = slot;
            unit->nFlashValue = 50 + slot;
            unit->nModelValue = 30;
            PlaceUnit(*manager.memoryStudio, slot, std::move(unit));
        }
    }
};

void BM_UndoWholeApply(benchmark::State& state) {
    Stage stage;
    if (!stage.SetUp()) {
        state.SkipWithError("the stage did not come up");
        return;
    }
    stage.FillMemory();
    StudioManager& manager = stage.frame->Manager();
    StudioData& studio = *manager.StudioAt(0);
    std::vector<double> latenciesUs;
    for (auto _ : state) {
        state.PauseTiming();
        stage.frame->Control().ApplyMemory(studio, *manager.memoryStudio, QStringLiteral("Bench"));
        QCoreApplication::processEvents();
        stage.pty.Read(kUnits * kSettingsFrameBytes);
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        const bool undone = stage.frame->History().Undo();
        const QByteArray frames = stage.pty.Read(kUnits * kSettingsFrameBytes);
        const auto end = std::chrono::steady_clock::now();
        if (!undone || frames.size() != kUnits * kSettingsFrameBytes) {
            state.SkipWithError("the undo did not send the ten frames");
            break;
        }
        const std::chrono::duration<double, std::micro> elapsed = end - start;
        state.SetIterationTime(elapsed.count() / 1e6);
        latenciesUs.push_back(elapsed.count());
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["median_us"] = BenchStats::Median(latenciesUs);
    state.counters["p99_us"] = BenchStats::Percentile(latenciesUs, 0.99);
}

// The heap the history holds for 200 steps: state.range(0) 0 for spin steps of one unit, 1
// for whole-studio applies (the largest step there is); 2 is the same applies with no history
// recording them, for what the rest of the program keeps meanwhile.
void BM_HistoryHeap(benchmark::State& state) {
    Stage stage;
    if (!stage.SetUp()) {
        state.SkipWithError("the stage did not come up");
        return;
    }
    stage.FillMemory();
    StudioManager& manager = stage.frame->Manager();
    StudioData& studio = *manager.StudioAt(0);
    CUnitControl& control = stage.frame->Control();
    QUndoStack& stack = *stage.frame->History().StackOf(0);
    if (state.range(0) == 2) {
        QObject::disconnect(&control, &CUnitControl::changed, &stage.frame->History(), nullptr);
    }
    double kB = 0;
    for (auto _ : state) {
        stack.clear();
        QCoreApplication::processEvents();
        const size_t before = mallinfo2().uordblks;
        for (int step = 0; step < CUndoHistory::kStepLimit; ++step) {
            // The frames are read as they go, so that no write waits in the link's queue.
            if (state.range(0) == 0) {
                StrobeData& unit = *studio.UnitAt(0);
                control.SetPower(unit, CUnitControl::Power::kFlash, 40 + step % 2, 30, false);
                stage.pty.Read(kCommandFrameBytes);
            } else {
                control.ApplyMemory(studio, *manager.memoryStudio, QStringLiteral("Bench"));
                stage.pty.Read(kUnits * kSettingsFrameBytes);
            }
            // What the views posted themselves and put off deleting is done with, as the
            // event loop would between two of the operator's commands.
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        const size_t after = mallinfo2().uordblks;
        kB = static_cast<double>(after - before) / 1024.0;
        state.PauseTiming();
        QCoreApplication::processEvents();
        stage.pty.ReadAvailable(std::chrono::milliseconds(20));
        state.ResumeTiming();
    }
    state.counters["steps"] = stack.count();
    state.counters["heap_kB"] = kB;
}

// A flash spin step of the real frame's panel, through the unit core and the history to the
// frame read at the peer: run under callgrind with --toggle-collect on the panel's handler,
// it counts what one step costs with the history recording it.
void BM_SpinStepInTheFrame(benchmark::State& state) {
    Stage stage;
    if (!stage.SetUp()) {
        state.SkipWithError("the stage did not come up");
        return;
    }
    CMainFrame& frame = *stage.frame;
    frame.Manager().currentNode = frame.Manager().StudioAt(0)->UnitAt(0);
    auto* panel = dynamic_cast<CControlFormView*>(frame.ControlPane());
    panel->OnUnitPicked();
    CFlatSpinButtonCtrl* spin = panel->Controls().flashSpin;
    int change = -1;
    for (auto _ : state) {
        emit spin->deltaPos(change);
        if (stage.pty.Read(kCommandFrameBytes).size() != kCommandFrameBytes) {
            state.SkipWithError("the frame did not arrive");
            break;
        }
        change = -change;
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_SpinStepInTheFrame)->Iterations(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UndoWholeApply)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);
BENCHMARK(BM_HistoryHeap)->Arg(0)->Arg(1)->Arg(2)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
