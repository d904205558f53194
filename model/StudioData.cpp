#include "model/StudioData.h"

#include <atomic>

namespace {

// Placements are numbered across the whole run (and across managers, which tests create
// several of), so a serial number is never given twice. Relaxed: it orders nothing.
std::atomic<quint64> g_lastPlacement{0};

}  // namespace

StudioData::StudioData(int studioNum, QString studioName)
    : StudioNode(kNodeStudio), nStudioNum(studioNum), sStudioName(std::move(studioName)) {}

StudioData::~StudioData() = default;

StrobeData* StudioData::UnitAt(int index) const {
    if (static_cast<unsigned>(index) >= static_cast<unsigned>(kSlotCount) || !bSlotUsed[index]) {
        return nullptr;
    }
    return pUnits[index].get();
}

QString StudioNameOf(int studioNum) {
    if (static_cast<unsigned>(studioNum) >= static_cast<unsigned>(kStudioCount)) {
        return {};
    }
    return QStringLiteral("Studio %1").arg(QChar('A' + studioNum));
}

QString SlotLabelOf(int unitIndex) {
    if (static_cast<unsigned>(unitIndex) >= static_cast<unsigned>(kSlotCount)) {
        return {};
    }
    return QStringLiteral("CH-%1").arg(unitIndex + 1, 2, 10, QChar('0'));
}

StrobeData* PlaceUnit(StudioData& studio, int unitIndex, std::unique_ptr<StrobeData> unit) {
    if (!unit || static_cast<unsigned>(unitIndex) > 9u) {
        return nullptr;
    }
    if (!studio.bSlotUsed[unitIndex]) {
        ++studio.nChItemCnt;
    }
    unit->pOwner = &studio;
    unit->nChNum = unitIndex;
    unit->sChName = SlotLabelOf(unitIndex);
    unit->nSerial = g_lastPlacement.fetch_add(1, std::memory_order_relaxed) + 1;
    studio.bSlotUsed[unitIndex] = 1;
    studio.pUnits[unitIndex] = std::move(unit);
    return studio.pUnits[unitIndex].get();
}
