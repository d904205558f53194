#include "model/StudioManager.h"

#include <algorithm>

StudioManager::StudioManager() : memoryStudio(std::make_unique<StudioData>(-1, QString())) {
    for (int i = 0; i < kStudioCount; ++i) {
        studios[i] = std::make_unique<StudioData>(i, StudioNameOf(i));
    }
}

StudioManager::~StudioManager() {
    currentNode = nullptr;
    activeStudio = nullptr;
    gridUnits.clear();
}

StudioData* StudioManager::StudioAt(int studioNum) const {
    if (static_cast<unsigned>(studioNum) >= static_cast<unsigned>(kStudioCount)) {
        return nullptr;
    }
    return studios[studioNum].get();
}

bool StudioManager::Contains(const StudioData* studio) const {
    if (studio == nullptr) {
        return false;
    }
    if (studio == memoryStudio.get()) {
        return true;
    }
    return std::any_of(studios.begin(), studios.end(),
                       [studio](const auto& s) { return s.get() == studio; });
}

bool StudioManager::Contains(const StrobeData* unit) const {
    if (unit == nullptr) {
        return false;
    }
    // A unit pointer is only compared, never dereferenced, before it is found in a slot.
    auto inStudio = [unit](const StudioData& s) {
        return std::any_of(s.pUnits.begin(), s.pUnits.end(),
                           [unit](const auto& u) { return u.get() == unit; });
    };
    return inStudio(*memoryStudio) ||
           std::any_of(studios.begin(), studios.end(),
                       [&inStudio](const auto& s) { return inStudio(*s); });
}

StrobeData* StudioManager::Resolve(const UnitRef& ref) const {
    if (ref.IsNull()) {
        return nullptr;
    }
    const StudioData* studio = ref.nStudioNum == -1 ? memoryStudio.get() : StudioAt(ref.nStudioNum);
    StrobeData* unit = studio != nullptr ? studio->UnitAt(ref.nSlot) : nullptr;
    return unit != nullptr && unit->nSerial == ref.nSerial ? unit : nullptr;
}

UnitRef RefOf(const StrobeData* unit) {
    if (unit == nullptr || unit->Studio() == nullptr || unit->nSerial == 0) {
        return {};
    }
    return {unit->Studio()->nStudioNum, unit->nChNum, unit->nSerial};
}

namespace {

// Before a unit is destroyed: nothing of the manager may keep pointing at it.
void ForgetUnit(StudioManager& manager, StrobeData* unit, StudioData& studio) {
    if (unit == nullptr) {
        return;
    }
    if (manager.currentNode == unit || manager.currentNode == &unit->lightNode) {
        manager.currentNode = &studio;
    }
    auto& rows = manager.gridUnits;
    rows.erase(std::remove(rows.begin(), rows.end(), unit), rows.end());
}

}  // namespace

StrobeData* PlaceUnit(StudioManager& manager, int studioNum, int unitIndex,
                      std::unique_ptr<StrobeData> unit) {
    if (static_cast<unsigned>(studioNum) > 4u || static_cast<unsigned>(unitIndex) > 9u) {
        return nullptr;
    }
    StudioData& studio = *manager.studios[studioNum];
    ForgetUnit(manager, studio.UnitAt(unitIndex), studio);
    return PlaceUnit(studio, unitIndex, std::move(unit));
}

void ClearStudio(StudioManager& manager, StudioData& studio) {
    if (manager.currentNode != nullptr && ResolveStudio(manager.currentNode) == &studio) {
        manager.currentNode = &studio;
    }
    for (int i = 0; i < kSlotCount; ++i) {
        ForgetUnit(manager, studio.UnitAt(i), studio);
        studio.pUnits[i].reset();
        studio.bSlotUsed[i] = 0;
    }
    studio.nChItemCnt = 0;
}

StudioData* ResolveStudio(const StudioNode* node) {
    if (node == nullptr) {
        return nullptr;
    }
    switch (node->RecordType()) {
        case kNodeLight:
            return node->pOwner ? static_cast<StudioData*>(node->pOwner->pOwner) : nullptr;
        case kNodeUnit:
            return static_cast<StudioData*>(node->pOwner);
        default:
            return static_cast<StudioData*>(const_cast<StudioNode*>(node));
    }
}

StudioData* CurrentStudio(const StudioManager& manager) {
    return ResolveStudio(manager.currentNode);
}

StrobeData* CurrentUnit(const StudioManager& manager) {
    StudioNode* node = manager.currentNode;
    if (node == nullptr) {
        return nullptr;
    }
    switch (node->RecordType()) {
        case kNodeLight:
            return static_cast<StrobeData*>(node->pOwner);
        case kNodeUnit:
            return static_cast<StrobeData*>(node);
        default:
            return nullptr;
    }
}
