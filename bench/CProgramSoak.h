#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <chrono>
#include <memory>
#include <vector>

class CMainFrame;
class CBenchSession;
class CSimProcess;

// The whole program left running against strobe-sim for a long time: the real main frame
// (offscreen), connected through its Com dialog, Studio B's ten units scanned, the simulator
// flooding setting reports with noise between the frames and a share of its frames lost, and
// every cycle the dongle unplugged (the simulator's device vanishes) and plugged in again (a
// new simulator publishes its device at the same path). The program must come back by
// itself, switch the new dongle to Studio B, and apply every report the simulator sent;
// its memory, descriptors and threads must stay flat. One line per cycle, then a summary.
class CProgramSoak : public QObject {
public:
    struct Options {
        std::chrono::seconds total{30 * 60};
        std::chrono::seconds cycle{60};
        double floodHz = 200;
        int noiseBytesPerSec = 500;
        double loss = 0.01;
    };
    CProgramSoak(CBenchSession& session, CMainFrame& frame, Options options);
    ~CProgramSoak() override;

    // Runs the cycles; 0 when every check held.
    int Run();

private:
    struct Cycle {
        qint64 sent = -1;  // setting reports the simulator wrote between the two selects
        qint64 applied = 0;
        qint64 lostBySim = 0;
        double replugToReportMs = -1;  // the new device published to the first report applied
        double unplugToStatusMs = -1;
        long rssKb = 0;
        int descriptors = 0;
        int threads = 0;
        bool selectLost = false;  // the simulator dropped the program's studio select
    };

    class CTraceCount;

    bool StartSim(int seed);
    bool FirstConnection();
    // Floods for the cycle's length, then stops the flood and counts; false when it failed.
    bool FloodWindow(Cycle& cycle);
    bool Unplug(Cycle& cycle);
    bool Replug(Cycle& cycle, int seed);
    void Print(int index, const Cycle& c) const;
    int Summary() const;

    CBenchSession& m_session;
    CMainFrame& m_frame;
    Options m_options;
    QString m_linkPath;
    std::unique_ptr<CSimProcess> m_sim;
    std::unique_ptr<CTraceCount> m_trace;  // of the present simulator
    std::vector<Cycle> m_cycles;
    std::vector<QString> m_alerts;
    qint64 m_applied = 0;         // reports the core said were applied
    qint64 m_appliedAtStart = 0;  // m_applied when the present simulator started
    QElapsedTimer m_clock;
    qint64 m_firstReportNs = -1;  // of the present simulator
};
