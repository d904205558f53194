// Arbitrary datagrams through liblo's parser into the OSC dispatcher and the command desk,
// over a live model with the link "connected" (frames go to a port that keeps nothing). No
// input may crash, leave a power a unit cannot hold, or move the dongle's studio.
#include <QCoreApplication>
#include <QHostAddress>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "control/CCommandDesk.h"
#include "control/CCommandHost.h"
#include "control/CUnitControl.h"
#include "link/CPortWriter.h"
#include "link/CZbEventHandler.h"
#include "link/CZbProtocol.h"
#include "model/PowerValue.h"
#include "model/StudioManager.h"
#include "osc/COscFeedback.h"
#include "osc/COscServer.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

class CNullPort : public CPortWriter {
public:
    int WritePort(const quint8*, int count) override { return count; }
};

class CNullHandler : public CZbEventHandler {
public:
    int OnStatus(int, const StrobeData&) override { return 0; }
    int OnSetting(quint8, quint8, quint16, const quint8*) override { return 0; }
    int OnEvent(quint8, quint8, quint8) override { return 0; }
    int OnReading(quint8, quint8, quint8) override { return 0; }
};

// A desktop that is connected, idle, with a unit picked and one memory it never applies.
class CFuzzHost : public CCommandHost {
public:
    explicit CFuzzHost(UnitRef current) : m_current(current) {}
    bool IsConnected() const override { return true; }
    bool IsBusy() const override { return false; }
    UnitRef CurrentUnit() const override { return m_current; }
    void ShowStudio(int) override {}
    QStringList MemoryNames() const override { return {QStringLiteral("shoot")}; }
    QString ApplyMemory(const QString&) override { return {}; }
    QString CheckUnits() override { return {}; }

private:
    UnitRef m_current;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    StudioManager manager;
    StrobeData* units[3];
    for (int slot = 0; slot < 3; ++slot) {
        auto unit = std::make_unique<StrobeData>();
        unit->nFlashValue = 45;
        unit->nModelValue = 30;
        units[slot] = PlaceUnit(manager, 0, slot, std::move(unit));
    }
    units[1]->bSelected = 1;
    units[2]->bSelected = 1;
    manager.activeStudio = manager.StudioAt(0);
    CNullHandler handler;
    CNullPort port;
    CZbProtocol protocol(handler, port);
    CUnitControl control(manager);
    control.SetProtocol(protocol);
    CFuzzHost host(RefOf(units[0]));
    CCommandDesk desk(control, host);
    COscFeedback feedback(desk);
    COscServer server(desk, feedback);

    // The datagram as received, and split in two as a second datagram would follow it.
    const QByteArray datagram(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    server.HandleDatagram(datagram);
    server.HandleDatagram(datagram.left(datagram.size() / 2));

    for (const StrobeData* unit : units) {
        Require(unit->nFlashValue >= POWER_MIN && unit->nFlashValue <= POWER_MAX, "flash range");
        Require(unit->nModelValue >= POWER_MIN && unit->nModelValue <= POWER_MAX, "model range");
    }
    Require(manager.activeStudio == manager.StudioAt(0), "a command never moves the dongle");
    return 0;
}
