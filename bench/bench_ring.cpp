// The serial link's receive road across its two threads: bytes written at the far end of a
// pseudo-terminal, moved by the watcher into the ring, announced by kReceivedNotice and taken
// by the UI thread's event loop; and how long ClosePort keeps the UI thread waiting for the
// watcher to end.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <thread>

#include "link/AppMessages.h"
#include "link/CCommThread.h"
#include "support/CPtyPair.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kGiveUp = std::chrono::seconds(10);

// Stands in for the main frame's receive handler: drains exactly what the ring holds.
class CRingDrain : public QObject {
public:
    CCommThread* link = nullptr;
    std::atomic<qint64> taken{0};  // UI thread stores, a producer thread may load
    quint8 checksum = 0;           // UI thread only; keeps the reads from being optimised out

protected:
    bool event(QEvent* e) override {
        if (static_cast<int>(e->type()) != kReceivedNotice) {
            return QObject::event(e);
        }
        int n = link->BeginDrain();
        taken.fetch_add(n, std::memory_order_release);
        while (n-- > 0) {
            checksum = static_cast<quint8>(checksum + link->TakeByte());
        }
        return true;
    }
};

// Runs the UI thread's event loop until the drain has taken the wanted count.
bool PumpUntilTaken(CRingDrain& drain, qint64 wanted) {
    const auto deadline = Clock::now() + kGiveUp;
    while (drain.taken.load(std::memory_order_acquire) < wanted) {
        if (Clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    return true;
}

// One burst of the given size, from the far end's write to the last byte taken. The bursts are
// spaced beyond the watcher's gathering interval, as lone reports come, so that each is
// measured without the wait that gathers a flood.
void BM_BurstThroughRing(benchmark::State& state) {
    const auto size = static_cast<int>(state.range(0));
    CPtyPair pty;
    CRingDrain drain;
    CCommThread link(&drain);
    drain.link = &link;
    if (!pty.IsValid() || !link.OpenPort(pty.SlavePath(), 9600, 8, 0, 0)) {
        state.SkipWithError("cannot open a pseudo-terminal link");
        return;
    }
    const QByteArray burst(size, '\x5A');
    qint64 wanted = 0;
    for (auto _ : state) {
        std::this_thread::sleep_for(CCommThread::kMinBurstInterval);
        wanted += size;
        const auto start = Clock::now();
        pty.Write(burst);
        if (!PumpUntilTaken(drain, wanted)) {
            state.SkipWithError("bytes were lost on the way");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.SetBytesProcessed(state.iterations() * size);
    benchmark::DoNotOptimize(drain.checksum);
    link.ClosePort();
}
BENCHMARK(BM_BurstThroughRing)
    ->Arg(7)
    ->Arg(23)
    ->Arg(256)
    ->Arg(2048)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// A steady stream: a producer thread keeps at most kWindow bytes in flight (in the terminal and
// the ring together), so a batch always fits and nothing is dropped. The watcher gathers the
// stream's bursts, at most one drain per gathering interval, which bounds this figure.
void BM_StreamThroughRing(benchmark::State& state) {
    constexpr int kChunk = 256;
    constexpr qint64 kWindow = 2048;
    constexpr qint64 kPerIteration = 256 * 1024;
    CPtyPair pty;
    CRingDrain drain;
    CCommThread link(&drain);
    drain.link = &link;
    if (!pty.IsValid() || !link.OpenPort(pty.SlavePath(), 230400, 8, 0, 0)) {
        state.SkipWithError("cannot open a pseudo-terminal link");
        return;
    }
    const QByteArray chunk(kChunk, '\x33');
    qint64 wanted = 0;
    for (auto _ : state) {
        const qint64 start = wanted;
        wanted += kPerIteration;
        std::thread producer([&] {
            for (qint64 written = start; written < wanted; written += kChunk) {
                while (written + kChunk - drain.taken.load(std::memory_order_acquire) > kWindow) {
                    std::this_thread::yield();
                }
                pty.Write(chunk);
            }
        });
        const bool complete = PumpUntilTaken(drain, wanted);
        producer.join();
        if (!complete) {
            state.SkipWithError("bytes were lost on the way");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * kPerIteration);
    benchmark::DoNotOptimize(drain.checksum);
    link.ClosePort();
}
BENCHMARK(BM_StreamThroughRing)->Unit(benchmark::kMillisecond);

// ClosePort wakes the watcher and joins it before the descriptor is closed: this is the time
// the UI thread waits, with the watcher idle in its wait as it is between bursts.
void BM_ClosePortToWatcherEnded(benchmark::State& state) {
    CPtyPair pty;
    CCommThread link(nullptr);
    if (!pty.IsValid()) {
        state.SkipWithError("cannot open a pseudo-terminal");
        return;
    }
    for (auto _ : state) {
        if (!link.OpenPort(pty.SlavePath(), 9600, 8, 0, 0)) {
            state.SkipWithError("cannot open the link");
            break;
        }
        // Let the watcher reach its wait, so that the close measures the wake-up and join.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const auto start = Clock::now();
        link.ClosePort();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}
BENCHMARK(BM_ClosePortToWatcherEnded)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
