#include <gtest/gtest.h>

#include <QCoreApplication>
#include <array>
#include <memory>

#include "link/AppMessages.h"
#include "link/CStrobeEventHandler.h"
#include "link/ZbConstants.h"
#include "model/FieldCode.h"
#include "model/StudioManager.h"
#include "support/CMessageRecorder.h"
#include "support/CNoticeSink.h"

namespace {

// The report handler on a real model; what it tells reaches a recorder as the messages it
// once sent and posted.
class EventHandlerTest : public ::testing::Test {
protected:
    void SetUp() override { manager.currentNode = Studio(1); }
    void TearDown() override { QCoreApplication::removePostedEvents(&frame); }

    StudioData* Studio(int n) { return manager.studios[n].get(); }
    StrobeData* Place(int slot, int studio = 1) {
        StrobeData* unit = PlaceUnit(manager, studio, slot, std::make_unique<StrobeData>());
        unit->nFlashValue = 30;
        unit->nModelValue = 40;
        return unit;
    }
    static void Deliver() { QCoreApplication::processEvents(); }

    // What the decoder would hand over for a status report (its scratch record).
    const StrobeData& Status(int flash, int model) {
        StrobeData& s = scratch;
        s.bFlashPow = 1;
        s.nFlashValue = flash;
        s.nModelValue = model;
        s.bFlashCell = 1;
        s.bFlashSnd = 0;
        s.nModelMode1 = 1;
        s.nModelMode2 = 0;
        s.bModelPow = 0;
        return s;
    }

    StrobeData scratch;
    StudioManager manager;
    CMessageRecorder frame;
    CNoticeSink notices{&frame};
    CStrobeEventHandler handler{notices, manager};
};

TEST_F(EventHandlerTest, StatusForAnEmptySlotCreatesTheUnitThenRefreshesIt) {
    EXPECT_EQ(handler.OnStatus(4, Status(45, 50)), 1);

    StrobeData* unit = Studio(1)->UnitAt(4);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->nChNum, 4);
    EXPECT_EQ(unit->sChName, "CH-05");
    EXPECT_EQ(unit->pOwner, Studio(1));
    EXPECT_EQ(unit->lightNode.pOwner, unit);
    EXPECT_EQ(unit->sModelName, "Not define");
    EXPECT_EQ(Studio(1)->nChItemCnt, 1);
    EXPECT_EQ(unit->nFlashValue, 45);
    EXPECT_EQ(unit->nModelValue, 50);
    EXPECT_EQ(unit->bFlashCell, 1);
    EXPECT_EQ(unit->nModelMode1, 1);
    EXPECT_EQ(unit->bModelPow, 0);
    // Posted: nothing arrives until the event loop runs.
    EXPECT_TRUE(frame.entries.isEmpty());
    Deliver();
    ASSERT_EQ(frame.entries.size(), 1);
    EXPECT_EQ(frame.entries[0].message, WM_ZB_NEW_UNIT);
    EXPECT_EQ(frame.entries[0].wParam, 4);
    EXPECT_EQ(frame.entries[0].unit, RefOf(unit));

    // The second report refreshes the same record and keeps the operator's names.
    unit->sModelName = "Key light";
    frame.Clear();
    handler.OnStatus(4, Status(60, 20));
    EXPECT_EQ(Studio(1)->UnitAt(4), unit);
    EXPECT_EQ(Studio(1)->nChItemCnt, 1);
    EXPECT_EQ(unit->nFlashValue, 60);
    EXPECT_EQ(unit->sModelName, "Key light");
    EXPECT_TRUE(frame.entries.isEmpty());
    Deliver();
    ASSERT_EQ(frame.entries.size(), 1);
    EXPECT_EQ(frame.entries[0].message, WM_ZB_UNIT_STATUS);
    EXPECT_EQ(frame.entries[0].wParam, 4);
    EXPECT_EQ(frame.entries[0].unit, RefOf(unit));
}

TEST_F(EventHandlerTest, ReportsGoToTheCurrentStudioNotTheActiveOne) {
    manager.activeStudio = Studio(0);
    StrobeData* inC = Place(2, 2);
    manager.currentNode = &inC->lightNode;  // a light name of studio C is selected
    handler.OnStatus(7, Status(45, 50));
    EXPECT_NE(Studio(2)->UnitAt(7), nullptr);
    EXPECT_EQ(Studio(0)->nChItemCnt, 0);
    EXPECT_EQ(Studio(1)->nChItemCnt, 0);
    EXPECT_EQ(manager.activeStudio, Studio(0));
    EXPECT_EQ(manager.currentNode, &inC->lightNode);
}

TEST_F(EventHandlerTest, ChargeEventThenStatusBringsChargeBack) {
    StrobeData* unit = Place(0);
    handler.OnEvent(ZB_CHARGE, 0, 0);
    EXPECT_EQ(unit->bFlashCharge, 0);
    // Sent: recorded before the call returned.
    ASSERT_EQ(frame.entries.size(), 1);
    EXPECT_EQ(frame.entries[0].message, WM_ZB_UNIT_CHANGED);
    EXPECT_EQ(frame.entries[0].wParam, kFieldFlashCharge);
    EXPECT_EQ(frame.entries[0].unit, RefOf(unit));

    handler.OnEvent(ZB_CHARGE, 0, 7);  // any non-zero value is charged
    EXPECT_EQ(unit->bFlashCharge, 1);
    handler.OnEvent(ZB_CHARGE, 0, 0);

    handler.OnStatus(0, Status(45, 50));  // the scratch record always holds charge 1
    EXPECT_EQ(unit->bFlashCharge, 1);
}

TEST_F(EventHandlerTest, PowerSettingsTable) {
    struct Row {
        quint8 subCode;
        quint16 value;
        int flash;  // expected, from 30 / 40
        int model;
        int code;
    };
    const Row rows[] = {
        {ZB_FLASH_POWER, 0x2D32, 45, 50, 0},   // both in range
        {ZB_FLASH_POWER, 0x2D05, 45, 40, 0},   // model 5 out of range, kept
        {ZB_FLASH_POWER, 0x0532, 30, 40, -1},  // flash 5 out of range: nothing
        {ZB_FLASH_POWER, 0x0B51, 11, 81, 0},   // both bounds accepted
        {ZB_FLASH_POWER, 0x5252, 30, 40, -1},  // 82 is above the range
        {ZB_MODEL_POWER, 0x0532, 30, 50, 5},   // flash 5 kept, model set
        {ZB_MODEL_POWER, 0x2D32, 45, 50, 5},   // both in range
        {ZB_MODEL_POWER, 0x3205, 30, 40, -1},  // model 5 out of range: nothing
        {ZB_MODEL_POWER, 0x0A0A, 30, 40, -1},  // 10 is below the range
    };
    for (const Row& r : rows) {
        StrobeData* unit = Place(3);
        frame.Clear();
        handler.OnSetting(r.subCode, 3, r.value, nullptr);
        EXPECT_EQ(unit->nFlashValue, r.flash) << r.subCode << " " << std::hex << r.value;
        EXPECT_EQ(unit->nModelValue, r.model) << r.subCode << " " << std::hex << r.value;
        ASSERT_EQ(frame.entries.size(), 1);
        EXPECT_EQ(frame.entries[0].message, WM_ZB_UNIT_CHANGED);
        EXPECT_EQ(frame.entries[0].wParam, r.code) << r.subCode << " " << std::hex << r.value;
        EXPECT_EQ(frame.entries[0].unit, RefOf(unit));
    }
}

TEST_F(EventHandlerTest, SwitchSettingsTable) {
    struct Row {
        quint8 subCode;
        quint16 value;
        int StrobeData::*field;
        int before;
        int after;
        int code;
    };
    const Row rows[] = {
        {ZB_FLASH_CELL, 0x0002, &StrobeData::bFlashCell, 0, 1, 1},    // 2 is on, stored as 1
        {ZB_FLASH_CELL, 0x0100, &StrobeData::bFlashCell, 1, 0, 1},    // only the low byte counts
        {ZB_FLASH_SOUND, 0x0004, &StrobeData::bFlashSnd, 0, 1, 2},    // sound
        {ZB_MODEL_MODE1, 0x0008, &StrobeData::nModelMode1, 0, 1, 6},  // Prop
        {ZB_MODEL_MODE2, 0x0000, &StrobeData::nModelMode2, 1, 0, 7},  // Flash Prop
        {ZB_MODEL_POW, 0x0000, &StrobeData::bModelPow, 1, 0, 8},      // lamp off
        {ZB_FLASH_POW, 0x00FF, &StrobeData::bFlashPow, 0, 1, 4},      // unit on
    };
    for (const Row& r : rows) {
        StrobeData* unit = Place(9);
        unit->*r.field = r.before;
        frame.Clear();
        handler.OnSetting(r.subCode, 9, r.value, nullptr);
        EXPECT_EQ(unit->*r.field, r.after) << int{r.subCode};
        ASSERT_EQ(frame.entries.size(), 1);
        EXPECT_EQ(frame.entries[0].wParam, r.code) << int{r.subCode};
    }
}

TEST_F(EventHandlerTest, UnknownCodesAndEmptySlotsChangeNothingAndSayNothing) {
    StrobeData* unit = Place(5);
    handler.OnSetting(9, 5, 0x2D32, nullptr);  // no such setting
    handler.OnSetting(ZB_TEMPERATURE, 5, 75, nullptr);
    handler.OnSetting(ZB_FLASH_CELL, 6, 1, nullptr);  // slot 6 is empty
    handler.OnEvent(ZB_CHARGE, 6, 0);
    handler.OnEvent(ZB_FLASH_POWER, 5, 0);  // not an event
    handler.OnReading(ZB_TEMPERATURE, 6, 75);
    handler.OnReading(ZB_CHARGE, 5, 75);  // not a reading
    Deliver();
    EXPECT_TRUE(frame.entries.isEmpty());
    EXPECT_EQ(unit->nFlashValue, 30);
    EXPECT_EQ(unit->bFlashCharge, 1);
    EXPECT_EQ(unit->nTemperature, 0);
    EXPECT_EQ(Studio(1)->nChItemCnt, 1);
}

TEST_F(EventHandlerTest, TestFlashEventAsksForARedrawOnly) {
    StrobeData* unit = Place(2);
    handler.OnEvent(ZB_TEST, 2, 1);
    ASSERT_EQ(frame.entries.size(), 1);
    EXPECT_EQ(frame.entries[0].wParam, -1);
    EXPECT_EQ(static_cast<quintptr>(frame.entries[0].wParam), ~quintptr{0});
    EXPECT_EQ(unit->nFlashValue, 30);
    EXPECT_EQ(unit->bFlashCharge, 1);
}

TEST_F(EventHandlerTest, TemperatureReadingIsPosted) {
    StrobeData* unit = Place(8);
    handler.OnReading(ZB_TEMPERATURE, 8, 75);
    EXPECT_EQ(unit->nTemperature, 75);
    EXPECT_TRUE(frame.entries.isEmpty());
    Deliver();
    ASSERT_EQ(frame.entries.size(), 1);
    EXPECT_EQ(frame.entries[0].message, WM_ZB_UNIT_CHANGED);
    EXPECT_EQ(frame.entries[0].wParam, kFieldTemperature);
    EXPECT_EQ(frame.entries[0].unit, RefOf(unit));
    handler.OnReading(ZB_TEMPERATURE, 8, 255);
    EXPECT_EQ(unit->nTemperature, 255);
}

TEST_F(EventHandlerTest, PowerPairsSkipPairsWithAZeroAndEmptySlots) {
    StrobeData* u0 = Place(0);
    StrobeData* u2 = Place(2);
    StrobeData* u5 = Place(5);
    std::array<quint8, ZB_FRAME_MAX> pairs{0xFF, 0x17, 0x1E};
    auto setPair = [&pairs](int slot, quint8 flash, quint8 model) {
        pairs[3 + 2 * slot] = flash;
        pairs[4 + 2 * slot] = model;
    };
    setPair(0, 45, 50);
    setPair(2, 0, 40);  // a zero in the pair: slot 2 keeps its values
    setPair(5, 20, 25);
    setPair(7, 60, 60);  // slot 7 is empty: no unit appears
    handler.OnSetting(ZB_FLASH_TABLE, 0, 0, pairs.data());

    EXPECT_EQ(u0->nFlashValue, 45);
    EXPECT_EQ(u0->nModelValue, 50);
    EXPECT_EQ(u2->nFlashValue, 30);
    EXPECT_EQ(u2->nModelValue, 40);
    EXPECT_EQ(u5->nFlashValue, 20);
    EXPECT_EQ(u5->nModelValue, 25);
    EXPECT_EQ(Studio(1)->UnitAt(7), nullptr);
    ASSERT_EQ(frame.entries.size(), 2);
    EXPECT_EQ(frame.entries[0].wParam, kFieldFlashValue);
    EXPECT_EQ(frame.entries[0].unit, RefOf(u0));
    EXPECT_EQ(frame.entries[1].wParam, kFieldFlashValue);
    EXPECT_EQ(frame.entries[1].unit, RefOf(u5));

    frame.Clear();
    setPair(5, 33, 0);
    handler.OnSetting(ZB_MODEL_TABLE, 0, 0, pairs.data());
    EXPECT_EQ(u5->nFlashValue, 20);  // model 0: kept
    EXPECT_EQ(frame.entries.size(), 1);
}

TEST_F(EventHandlerTest, PowerPairsSurviveAViewThatClearsTheStudio) {
    Place(0);
    Place(4);
    std::array<quint8, ZB_FRAME_MAX> pairs{0xFF, 0x17, 0x1E, 45, 50, 0, 0, 0, 0, 0, 0, 20, 20};
    // A view that reacts to the first change by rescanning the studio.
    frame.onMessage = [this](const CMessageRecorder::Entry&) { ClearStudio(manager, *Studio(1)); };
    handler.OnSetting(ZB_FLASH_TABLE, 0, 0, pairs.data());
    EXPECT_EQ(frame.entries.size(), 1);
    EXPECT_EQ(Studio(1)->nChItemCnt, 0);
}

TEST_F(EventHandlerTest, WithoutACurrentStudioEveryReportIsIgnored) {
    StrobeData* unit = Place(3);
    manager.currentNode = nullptr;
    std::array<quint8, ZB_FRAME_MAX> pairs{0xFF, 0x17, 0x1E, 45, 50, 45, 50, 45, 50, 45, 50};
    handler.OnStatus(0, Status(45, 50));
    handler.OnStatus(3, Status(45, 50));
    handler.OnSetting(ZB_FLASH_POWER, 3, 0x2D32, nullptr);
    handler.OnSetting(ZB_FLASH_TABLE, 0, 0, pairs.data());
    handler.OnEvent(ZB_CHARGE, 3, 0);
    handler.OnEvent(ZB_TEST, 3, 0);
    handler.OnReading(ZB_TEMPERATURE, 3, 75);
    Deliver();
    EXPECT_TRUE(frame.entries.isEmpty());
    for (const auto& studio : manager.studios) {
        EXPECT_EQ(studio->nChItemCnt, studio.get() == Studio(1) ? 1 : 0);
    }
    EXPECT_EQ(unit->nFlashValue, 30);
    EXPECT_EQ(unit->bFlashCharge, 1);
    EXPECT_EQ(unit->nTemperature, 0);
    EXPECT_EQ(manager.currentNode, nullptr);
}

TEST_F(EventHandlerTest, StatusThatCannotBePlacedAnnouncesNothing) {
    // The preview studio has no radio group: a unit cannot be placed there by number.
    manager.currentNode = manager.memoryStudio.get();
    handler.OnStatus(2, Status(45, 50));
    Deliver();
    EXPECT_TRUE(frame.entries.isEmpty());
    EXPECT_EQ(manager.memoryStudio->nChItemCnt, 0);
    // An index outside the slots, from a caller other than the decoder.
    manager.currentNode = Studio(1);
    handler.OnStatus(10, Status(45, 50));
    handler.OnStatus(-1, Status(45, 50));
    Deliver();
    EXPECT_TRUE(frame.entries.isEmpty());
    EXPECT_EQ(Studio(1)->nChItemCnt, 0);
}

}  // namespace
