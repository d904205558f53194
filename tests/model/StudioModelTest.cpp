#include <gtest/gtest.h>

#include "model/StudioManager.h"

namespace {

std::unique_ptr<StrobeData> NewUnit() {
    return std::make_unique<StrobeData>();
}

TEST(StrobeDataTest, FreshUnitHoldsTheInitialValues) {
    StrobeData unit;
    EXPECT_EQ(unit.nNodeKind, kNodeNone);
    EXPECT_EQ(unit.pOwner, nullptr);
    EXPECT_TRUE(unit.sChName.isEmpty());
    EXPECT_EQ(unit.sModelName, "Not define");
    EXPECT_EQ(unit.lightNode.sLightName, "Not define");
    EXPECT_EQ(unit.lightNode.pOwner, &unit);
    EXPECT_EQ(unit.bFlashCharge, 1);
    EXPECT_EQ(unit.bFlashPow, 1);
    EXPECT_EQ(unit.bModelPow, 1);
    for (int v : {unit.nChNum, unit.nFlashValue, unit.bFlashCell, unit.bFlashSnd, unit.nModelValue,
                  unit.nModelMode1, unit.nModelMode2, unit.bSelected, unit.nTemperature}) {
        EXPECT_EQ(v, 0);
    }
}

TEST(StrobeDataTest, ResetRestoresInitialValuesAndKeepsTheLightNodeOwned) {
    StrobeData unit;
    unit.nFlashValue = 45;
    unit.bFlashPow = 0;
    unit.sModelName = "Key";
    unit.lightNode.sLightName = "Softbox";
    unit.nTemperature = 70;
    ResetStrobeData(unit);
    EXPECT_EQ(unit.nFlashValue, 0);
    EXPECT_EQ(unit.bFlashPow, 1);
    EXPECT_EQ(unit.sModelName, "Not define");
    EXPECT_EQ(unit.lightNode.sLightName, "Not define");
    EXPECT_EQ(unit.lightNode.pOwner, &unit);
    EXPECT_EQ(unit.nTemperature, 0);
}

TEST(StudioManagerTest, ConstructionGivesFiveNamedStudiosAndAnEmptyMemoryStudio) {
    StudioManager m;
    EXPECT_EQ(m.memoryStudio->nStudioNum, -1);
    EXPECT_TRUE(m.memoryStudio->sStudioName.isEmpty());
    const char* names[] = {"Studio A", "Studio B", "Studio C", "Studio D", "Studio E"};
    for (int i = 0; i < kStudioCount; ++i) {
        EXPECT_EQ(m.studios[i]->nStudioNum, i);
        EXPECT_EQ(m.studios[i]->sStudioName, names[i]);
        EXPECT_EQ(m.studios[i]->nChItemCnt, 0);
    }
    EXPECT_EQ(m.activeStudio, nullptr);
    EXPECT_EQ(m.currentNode, nullptr);
    EXPECT_TRUE(m.gridUnits.empty());
}

TEST(StudioManagerTest, PlaceUnitSetsSlotLabelOwnerAndCount) {
    StudioManager m;
    StrobeData* u = PlaceUnit(m, 1, 9, NewUnit());
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(u->nChNum, 9);
    EXPECT_EQ(u->sChName, "CH-10");
    EXPECT_EQ(u->pOwner, m.studios[1].get());
    EXPECT_EQ(m.studios[1]->nChItemCnt, 1);
    EXPECT_EQ(m.studios[1]->bSlotUsed[9], 1);
    EXPECT_EQ(m.studios[1]->UnitAt(9), u);
    EXPECT_EQ(ResolveStudio(&u->lightNode), m.studios[1].get());
}

TEST(StudioManagerTest, PlaceUnitIntoOccupiedSlotReplacesWithoutCounting) {
    StudioManager m;
    const UnitRef first = RefOf(PlaceUnit(m, 0, 3, NewUnit()));
    EXPECT_NE(m.Resolve(first), nullptr);
    StrobeData* second = PlaceUnit(m, 0, 3, NewUnit());
    EXPECT_EQ(m.studios[0]->nChItemCnt, 1);
    EXPECT_EQ(m.studios[0]->UnitAt(3), second);
    // A notice about the first unit finds nothing, though the slot is the same.
    EXPECT_EQ(m.Resolve(first), nullptr);
    EXPECT_EQ(m.Resolve(RefOf(second)), second);
    StrobeData* preview = PlaceUnit(*m.memoryStudio, 3, NewUnit());
    EXPECT_EQ(m.Resolve(RefOf(preview)), preview);
}

TEST(StudioManagerTest, PlaceUnitOutOfRangeStoresNothing) {
    StudioManager m;
    EXPECT_EQ(PlaceUnit(m, 0, 10, NewUnit()), nullptr);
    EXPECT_EQ(PlaceUnit(m, 0, -1, NewUnit()), nullptr);
    EXPECT_EQ(PlaceUnit(m, 5, 0, NewUnit()), nullptr);
    EXPECT_EQ(PlaceUnit(m, -1, 0, NewUnit()), nullptr);
    for (const auto& s : m.studios) {
        EXPECT_EQ(s->nChItemCnt, 0);
    }
}

TEST(StudioManagerTest, ReplacingTheCurrentUnitMovesCurrentNodeToItsStudio) {
    StudioManager m;
    StrobeData* u = PlaceUnit(m, 2, 4, NewUnit());
    m.currentNode = &u->lightNode;
    m.gridUnits = {u};
    PlaceUnit(m, 2, 4, NewUnit());
    EXPECT_EQ(m.currentNode, m.studios[2].get());
    EXPECT_TRUE(m.gridUnits.empty());
}

TEST(StudioManagerTest, ClearStudioMovesCurrentNodeUpOnlyWhenInsideThatStudio) {
    StudioManager m;
    StrobeData* a = PlaceUnit(m, 0, 1, NewUnit());
    StrobeData* b = PlaceUnit(m, 1, 2, NewUnit());
    m.currentNode = &a->lightNode;
    m.gridUnits = {a, b};
    ClearStudio(m, *m.studios[0]);
    EXPECT_EQ(m.currentNode, m.studios[0].get());
    EXPECT_EQ(m.gridUnits, std::vector<StrobeData*>{b});  // no row names a destroyed unit
    EXPECT_EQ(m.studios[0]->nChItemCnt, 0);
    for (int used : m.studios[0]->bSlotUsed) {
        EXPECT_EQ(used, 0);
    }

    m.currentNode = b;
    ClearStudio(m, *m.studios[0]);
    EXPECT_EQ(m.currentNode, b);

    m.currentNode = nullptr;
    ClearStudio(m, *m.studios[1]);
    EXPECT_EQ(m.currentNode, nullptr);
}

TEST(StudioManagerTest, CurrentUnitFollowsTheKindOfTheCurrentNode) {
    StudioManager m;
    StrobeData* u = PlaceUnit(m, 3, 0, NewUnit());
    m.currentNode = m.studios[3].get();
    EXPECT_EQ(CurrentUnit(m), nullptr);
    EXPECT_EQ(CurrentStudio(m), m.studios[3].get());
    m.currentNode = u;
    EXPECT_EQ(CurrentUnit(m), u);
    m.currentNode = &u->lightNode;
    EXPECT_EQ(CurrentUnit(m), u);
    EXPECT_EQ(CurrentStudio(m), m.studios[3].get());
    m.currentNode = nullptr;
    EXPECT_EQ(CurrentStudio(m), nullptr);
}

TEST(StudioManagerTest, ContainsKnowsLiveUnitsOnly) {
    StudioManager m;
    StrobeData* u = PlaceUnit(m, 0, 0, NewUnit());
    EXPECT_TRUE(m.Contains(u));
    ClearStudio(m, *m.studios[0]);
    EXPECT_FALSE(m.Contains(u));
    EXPECT_TRUE(m.Contains(m.memoryStudio.get()));
}

}  // namespace
