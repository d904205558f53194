#pragma once

#include <array>
#include <memory>
#include <vector>

#include "model/StudioData.h"
#include "model/UnitRef.h"

// The unit model as a whole: five studios, the preview studio of a loaded Business Memory,
// and the operator's current node. UI thread only.
class StudioManager {
public:
    StudioManager();
    ~StudioManager();
    StudioManager(const StudioManager&) = delete;
    StudioManager& operator=(const StudioManager&) = delete;

    std::unique_ptr<StudioData> memoryStudio;
    StudioData* activeStudio = nullptr;
    std::array<std::unique_ptr<StudioData>, kStudioCount> studios;
    StudioNode* currentNode = nullptr;
    std::vector<StrobeData*> gridUnits;

    // Studio by number 0..4, or nullptr.
    StudioData* StudioAt(int studioNum) const;
    // True when unit is a live unit of one of the five studios or of memoryStudio: lets a
    // receiver of a posted message check that the unit it names still exists.
    bool Contains(const StrobeData* unit) const;
    bool Contains(const StudioData* studio) const;
    // The unit that ref names, while it still sits where it was placed; else nullptr.
    StrobeData* Resolve(const UnitRef& ref) const;
};

// The identity of a placed unit, for notices that are handled later; null for nullptr or a
// unit that was never placed.
UnitRef RefOf(const StrobeData* unit);

// Places a new unit by studio number; a studio number above 4 or a unit index above 9
// (negative ones included) stores nothing. Returns the placed unit or nullptr. A unit that
// is replaced never leaves currentNode or gridUnits pointing at it.
StrobeData* PlaceUnit(StudioManager& manager, int studioNum, int unitIndex,
                      std::unique_ptr<StrobeData> unit);

// Destroys every unit of studio; currentNode moves up to the studio when it was inside it.
// Grid rows that showed those units are dropped from gridUnits too, so that no reference to
// a destroyed unit survives; the grid is rebuilt by its owner afterwards.
void ClearStudio(StudioManager& manager, StudioData& studio);

// The studio a node belongs to: the studio itself, a unit's owner, a light name's unit's
// owner; nullptr for no node.
StudioData* ResolveStudio(const StudioNode* node);

// Current studio and current unit derived from currentNode.
StudioData* CurrentStudio(const StudioManager& manager);
StrobeData* CurrentUnit(const StudioManager& manager);
