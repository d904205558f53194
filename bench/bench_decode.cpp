// Receive-side throughput: the assembler and decoder alone, and the whole report road into a
// live model with the handler's messages delivered.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <cstdint>
#include <memory>
#include <vector>

#include "control/CUnitControl.h"
#include "link/AppMessages.h"
#include "link/CPortWriter.h"
#include "link/CRadioSession.h"
#include "link/CZbEventHandler.h"
#include "link/CZbFrameReader.h"
#include "link/CZbProtocol.h"
#include "link/UnitMask.h"
#include "model/StudioManager.h"

namespace {

class CNullPort : public CPortWriter {
public:
    int WritePort(const quint8*, int count) override { return count; }
};

class CCountingHandler : public CZbEventHandler {
public:
    int OnStatus(int unitIndex, const StrobeData& status) override {
        sum += unitIndex + status.nFlashValue;
        return 1;
    }
    int OnSetting(quint8 subCode, quint8 unitIndex, quint16 value, const quint8* frame) override {
        sum += subCode + unitIndex + value + (frame != nullptr ? frame[3] : 0);
        return 1;
    }
    int OnEvent(quint8 subCode, quint8 unitIndex, quint8 value) override {
        sum += subCode + unitIndex + value;
        return 1;
    }
    int OnReading(quint8 subCode, quint8 unitIndex, quint8 value) override {
        sum += subCode + unitIndex + value;
        return 1;
    }
    std::uint64_t sum = 0;
};

// Stands in for the views: hears every notice of the unit core, and checks that the unit
// still lives before reading it, as the real views must.
class CReceiver : public QObject {
public:
    CReceiver(const StudioManager& manager, const CUnitControl& core) : m_manager(manager) {
        // As the views listen: a change at once, the rest after a trip through the queue.
        connect(&core, &CUnitControl::unitChanged, this, &CReceiver::Take);
        connect(&core, &CUnitControl::unitRead, this, &CReceiver::Take, Qt::QueuedConnection);
        for (auto signal : {&CUnitControl::unitAdded, &CUnitControl::unitReported}) {
            connect(
                &core, signal, this, [this](const UnitRef& unit) { Take(unit, kFieldNone); },
                Qt::QueuedConnection);
        }
    }
    std::uint64_t sum = 0;

private:
    void Take(const UnitRef& ref, FieldCode field) {
        if (const StrobeData* unit = m_manager.Resolve(ref)) {
            sum += static_cast<std::uint64_t>(unit->nFlashValue + field);
        }
    }

    const StudioManager& m_manager;
};

// A day at the studio as the dongle sends it: mostly settings and events, status reports,
// temperature readings, the odd flash table and a little line noise. No byte but the start
// bytes is 0xFF.
std::vector<quint8> MixedReportStream(std::size_t size) {
    std::vector<quint8> out;
    out.reserve(size + 64);
    std::uint32_t seed = 12345;
    auto next = [&seed](std::uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    auto mask = [&](int unit) { return UnitMaskOf(unit); };
    auto append = [&out](std::initializer_list<quint8> bytes) {
        out.insert(out.end(), bytes.begin(), bytes.end());
    };
    while (out.size() < size) {
        const int unit = static_cast<int>(next(10));
        const quint16 m = mask(unit);
        const quint8 hi = static_cast<quint8>(m >> 8);
        const quint8 lo = static_cast<quint8>(m);
        const quint8 power = static_cast<quint8>(11 + next(71));
        switch (next(20)) {
            case 0:
            case 1:
            case 2:  // full status
                append({0xFF, 0x0E, 0x01, hi, lo, 1, power, power, 0, 1, 0, 1, 1, 0});
                break;
            case 3:
            case 4:
            case 5:
            case 6:
            case 7:  // power settings
                append({0xFF, 0x07, 0x13, hi, lo, power, static_cast<quint8>(91 - power)});
                break;
            case 8:
            case 9:
            case 10:  // switch settings
                append({0xFF, 0x07, static_cast<quint8>(0x15 + next(4)), hi, lo, 0,
                        static_cast<quint8>(next(2) * 2)});
                break;
            case 11:
            case 12:
            case 13:  // charge events
                append({0xFF, 0x07, 0x61, hi, lo, 0, static_cast<quint8>(next(2))});
                break;
            case 14:
            case 15:
            case 16:  // temperature readings
                append({0xFF, 0x07, 0x3A, hi, lo, 0, static_cast<quint8>(20 + next(50))});
                break;
            case 17:  // flash table
                out.push_back(0xFF);
                append({0x17, 0x1E});
                for (int j = 0; j < 20; ++j) {
                    out.push_back(static_cast<quint8>(11 + next(71)));
                }
                break;
            case 18:  // test-flash event
                append({0xFF, 0x07, 0x6B, hi, lo, 0, 0});
                break;
            default:  // noise: a few stray bytes and a frame of an unknown type
                append({static_cast<quint8>(next(255)), 0xFF, 0x07, 0x25, 0x00, 0x01, 0x02});
                break;
        }
    }
    return out;
}

const std::vector<quint8>& Stream() {
    static const std::vector<quint8> stream = MixedReportStream(1 << 20);
    return stream;
}

void BM_AssembleAndDecode(benchmark::State& state) {
    const auto& stream = Stream();
    CNullPort port;
    CCountingHandler handler;
    CZbProtocol protocol(handler, port);
    CZbFrameReader reader(protocol);
    for (auto _ : state) {
        reader.Feed(stream.data(), static_cast<int>(stream.size()));
        benchmark::DoNotOptimize(handler.sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(stream.size()));
}
BENCHMARK(BM_AssembleAndDecode)->Unit(benchmark::kMillisecond);

void BM_ReportRoadIntoTheModel(benchmark::State& state) {
    const auto& stream = Stream();
    StudioManager manager;
    manager.currentNode = manager.studios[0].get();
    CUnitControl core(manager);
    CReceiver frame(manager, core);
    CRadioSession session(&frame, manager, core);
    CZbFrameReader& reader = session.Reader();
    // Deliveries as the link's ring would hand them over; the posted messages are delivered
    // after each, as the event loop would.
    constexpr std::size_t kDeliveryBytes = 256;
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += kDeliveryBytes) {
            const std::size_t n = std::min(kDeliveryBytes, stream.size() - at);
            reader.Feed(stream.data() + at, static_cast<int>(n));
            QCoreApplication::processEvents();
        }
        benchmark::DoNotOptimize(frame.sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(stream.size()));
    state.counters["units"] = manager.studios[0]->nChItemCnt;
}
BENCHMARK(BM_ReportRoadIntoTheModel)->Unit(benchmark::kMillisecond);

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
