// Command latency: from a Remote Control panel handler (a flash spin step) to the 7-byte
// frame being readable at the far end of a pseudo-terminal, through the real protocol and
// serial link. Reports the median and the 99th percentile in microseconds.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "model/StudioManager.h"
#include "panels/CControlFormView.h"
#include "panels/CPowerControlSet.h"
#include "support/CTestFrameHost.h"
#include "widgets/CFlatSpinButtonCtrl.h"

namespace {

constexpr int kCommandFrameBytes = 7;

double Percentile(std::vector<double> samples, double fraction) {
    if (samples.empty()) {
        return 0.0;
    }
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<size_t>(fraction * static_cast<double>(samples.size() - 1));
    return samples[index];
}

void BM_SpinStepToPort(benchmark::State& state) {
    CTestFrameHost host;
    if (!host.OpenLink()) {
        state.SkipWithError("cannot open the pseudo-terminal link");
        return;
    }
    CControlFormView view(host);
    host.control = &view;
    view.OnInitialUpdate();
    auto unit = std::make_unique<StrobeData>();
    unit->nFlashValue = 40;
    unit->nModelValue = 40;
    host.manager.currentNode = PlaceUnit(host.manager, 0, 0, std::move(unit));
    view.OnUnitPicked();
    CFlatSpinButtonCtrl* spin = view.Controls().flashSpin;

    std::vector<double> latenciesUs;
    latenciesUs.reserve(static_cast<size_t>(state.max_iterations));
    int change = -1;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        emit spin->deltaPos(change);
        const QByteArray frame = host.pty.Read(kCommandFrameBytes);
        const auto end = std::chrono::steady_clock::now();
        if (frame.size() != kCommandFrameBytes) {
            state.SkipWithError("the frame did not arrive");
            break;
        }
        const std::chrono::duration<double, std::micro> elapsed = end - start;
        state.SetIterationTime(elapsed.count() / 1e6);
        latenciesUs.push_back(elapsed.count());
        change = -change;  // up, down, up: the value stays inside its range

        state.PauseTiming();
        // Deliver the grid notifications the handler posted.
        QCoreApplication::processEvents();
        host.navigationRecorder.Clear();
        state.ResumeTiming();
    }
    state.counters["median_us"] = Percentile(latenciesUs, 0.5);
    state.counters["p99_us"] = Percentile(latenciesUs, 0.99);
}

BENCHMARK(BM_SpinStepToPort)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(5000);

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
