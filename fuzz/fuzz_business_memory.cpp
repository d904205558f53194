// Arbitrary bytes as a Business Memory file. Whatever the file holds, the preview studio must
// hold together afterwards and be empty after a failed load; what did load must save and load
// again to the same units, and applying it to a studio must keep that studio whole. A memory
// with a value no unit can hold is not applied, and every frame built from the units, applied
// or not, has every field in its range.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "FrameFieldCheck.h"
#include "link/CZbEventHandler.h"
#include "link/CZbProtocol.h"
#include "model/SettingField.h"
#include "model/StudioManager.h"
#include "store/CXmlStore.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

class CNoReports : public CZbEventHandler {
public:
    int OnStatus(int, const StrobeData&) override { return 1; }
    int OnSetting(quint8, quint8, quint16, const quint8*) override { return 1; }
    int OnEvent(quint8, quint8, quint8) override { return 1; }
    int OnReading(quint8, quint8, quint8) override { return 1; }
};

// What applying a memory sends, and what a wilder caller could: every frame written is
// checked by the port.
void SendEveryFrame(const StudioData& studio) {
    CNoReports reports;
    frame_check::CCheckingPort port;
    CZbProtocol protocol(reports, port);
    for (int i = 0; i < kSlotCount; ++i) {
        if (const StrobeData* unit = studio.UnitAt(i)) {
            protocol.SendUnitSettings(0, unit);
            protocol.SendUnitCommand(ZB_FLASH_POWER, 0, unit);
            protocol.SendUnitCommand(ZB_MODEL_POWER, 0, unit);
            protocol.SendUnitCommand(ZB_FLASH_CELL, 0, unit);
        }
    }
    protocol.SendPowerPairs(ZB_FLASH_TABLE, &studio);
}

bool InRange(const StudioData& studio) {
    for (int i = 0; i < kSlotCount; ++i) {
        if (const StrobeData* unit = studio.UnitAt(i); unit && FirstFaultyField(*unit)) {
            return false;
        }
    }
    return true;
}

void CheckStudio(const StudioData& studio) {
    int used = 0;
    for (int i = 0; i < kSlotCount; ++i) {
        const bool flag = studio.bSlotUsed[i] != 0;
        Require(flag == (studio.pUnits[i] != nullptr), "slot flag matches its unit");
        if (!flag) {
            continue;
        }
        ++used;
        const StrobeData& unit = *studio.pUnits[i];
        Require(unit.nChNum == i, "unit index equals its slot");
        Require(unit.sChName == SlotLabelOf(i), "slot label from the table");
        Require(unit.pOwner == &studio, "unit owned by its studio");
        Require(unit.lightNode.pOwner == &unit, "light node owned by its unit");
    }
    Require(used == studio.nChItemCnt, "count of occupied slots");
}

// A reader turns carriage returns in blanks-only text into line feeds; nothing else changes.
QString AsReadBack(QString text) {
    const bool blanks = std::all_of(text.begin(), text.end(), [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
    });
    return blanks ? text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n')
                  : text;
}

bool SameUnits(const StudioData& a, const StudioData& b) {
    for (int i = 0; i < kSlotCount; ++i) {
        const StrobeData* x = a.UnitAt(i);
        const StrobeData* y = b.UnitAt(i);
        if ((x == nullptr) != (y == nullptr)) {
            return false;
        }
        if (x == nullptr) {
            continue;
        }
        if (x->sModelName != y->sModelName ||
            AsReadBack(x->lightNode.sLightName) != y->lightNode.sLightName ||
            x->nFlashValue != y->nFlashValue || x->bFlashCell != y->bFlashCell ||
            x->bFlashSnd != y->bFlashSnd || x->bFlashCharge != y->bFlashCharge ||
            x->bFlashPow != y->bFlashPow || x->nModelValue != y->nModelValue ||
            x->nModelMode1 != y->nModelMode1 || x->nModelMode2 != y->nModelMode2 ||
            x->bModelPow != y->bModelPow) {
            return false;
        }
    }
    return true;
}

// A folder of our own for the whole run, in memory where possible since saves sync to disk:
// the store's base folder.
struct Workspace {
    Workspace()
        : dir(QDir(QStringLiteral("/dev/shm")).exists()
                  ? QStringLiteral("/dev/shm/tarnel-fuzz-XXXXXX")
                  : QDir::tempPath() + QStringLiteral("/tarnel-fuzz-XXXXXX")) {
        Require(dir.isValid() && QDir(dir.path()).mkdir(QString::fromLatin1(kBusinessMemoryFolder)),
                "temporary folder");
    }
    QTemporaryDir dir;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Workspace workspace;
    CXmlStore store(workspace.dir.path());
    {
        QFile file(store.PathOf(QStringLiteral("Business Memory/f.xml")));
        Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "write the input");
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    StudioManager manager;
    store.pManager = &manager;
    int messages = 0;
    store.showMessage = [&messages](const QString&, const QString&) { ++messages; };

    const bool loaded = LoadBusinessMemory(store, QStringLiteral("f"));
    StudioData& memory = *manager.memoryStudio;
    Require(store.pDocument == nullptr, "document released");
    CheckStudio(memory);
    Require(loaded == (messages == 0), "a failed load says so, a good one is silent");
    if (!loaded) {
        Require(memory.nChItemCnt == 0, "a failed load leaves the preview empty");
        return 0;
    }
    if (memory.nChItemCnt == 0) {
        return 0;
    }

    StudioData& studio = *manager.studios[0];
    for (int i = 0; i < kSlotCount; i += 2) {
        StrobeData* unit = PlaceUnit(manager, 0, i, std::make_unique<StrobeData>());
        unit->nFlashValue = 45;
        unit->nModelValue = 30;
    }
    const bool damaged = !MemoryFault(memory).isEmpty();
    Require(damaged == !InRange(memory), "the fault named is a field out of range");
    Require(ApplyMemoryStudio(&studio, memory) == !damaged, "a damaged memory is not applied");
    CheckStudio(studio);
    Require(InRange(studio), "the studio holds only values a unit can hold");
    SendEveryFrame(studio);
    SendEveryFrame(memory);

    manager.currentNode = &memory;
    Require(SaveBusinessMemory(store, QStringLiteral("g")), "save what loaded");
    StudioManager again;
    store.pManager = &again;
    Require(LoadBusinessMemory(store, QStringLiteral("g")), "load what was saved");
    CheckStudio(*again.memoryStudio);
    Require(SameUnits(memory, *again.memoryStudio), "a saved memory reads back the same");
    Require(messages == 0, "no message on the way");
    return 0;
}
