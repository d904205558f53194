// The Business Memory confirmations' account of what applying or saving over changes, from
// two studios as the model holds them.
#include <gtest/gtest.h>

#include <QStringList>
#include <functional>
#include <memory>

#include "model/StudioData.h"
#include "panels/MemoryPreview.h"

namespace {

// A unit with the panel's usual values (flash 4.5, model 3.0) in slot of studio.
StrobeData& Put(StudioData& studio, int slot) {
    auto unit = std::make_unique<StrobeData>();
    unit->nFlashValue = 45;
    unit->nModelValue = 30;
    return *PlaceUnit(studio, slot, std::move(unit));
}

struct Row {
    const char* name;
    MemoryPreviewKind kind;
    std::function<void(StudioData& from, StudioData& to)> fill;
    QStringList expected;
};

TEST(MemoryPreviewTest, TellsPerSlotWhatTheActionChanges) {
    using enum MemoryPreviewKind;
    const Row rows[] = {
        {"apply: two fields of one unit",
         kApply,
         [](StudioData& from, StudioData& to) {
             Put(from, 2);
             StrobeData& m = Put(to, 2);
             m.nFlashValue = 50;
             m.nModelMode1 = 1;
         },
         {"CH-03 flash 4.5 -> 5.0, model mode Free -> Prop"}},
        // The names first, then the fields in the panel's order, charge last.
        {"apply: every copied value",
         kApply,
         [](StudioData& from, StudioData& to) {
             Put(from, 9);
             StrobeData& m = Put(to, 9);
             m.sModelName = QStringLiteral("Key, left");
             m.lightNode.sLightName = QStringLiteral("Soft -> box");
             m.bFlashPow = 0;
             m.nFlashValue = 81;
             m.nModelValue = 11;
             m.bFlashCell = 1;
             m.bFlashSnd = 1;
             m.nModelMode2 = 1;
             m.bModelPow = 0;
             m.bFlashCharge = 0;
         },
         {"CH-10 name \"Not define\" -> \"Key, left\", light \"Not define\" -> \"Soft -> "
          "box\", power on -> off, flash 4.5 -> 8.1, model 3.0 -> 1.1, cell off -> on, sound "
          "off -> on, model lamp mode Flash Prop -> Continous, model lamp on -> off, charge on -> "
          "off"}},
        // Units only on one side are matched by slot, not by order: nothing moves.
        {"apply: units on one side only",
         kApply,
         [](StudioData& from, StudioData& to) {
             Put(from, 1);
             Put(to, 1);
             Put(from, 8);
             Put(to, 6);
         },
         {"No change", "CH-07: not in this studio, left out",
          "CH-09: not in the memory, unchanged"}},
        {"apply: changes and absences in slot order",
         kApply,
         [](StudioData& from, StudioData& to) {
             Put(from, 0).bFlashSnd = 1;
             Put(to, 0);
             Put(to, 4);
             Put(from, 5);
             Put(from, 7).nModelMode2 = 1;
             Put(to, 7);
         },
         {"CH-01 sound on -> off", "CH-05: not in this studio, left out",
          "CH-06: not in the memory, unchanged", "CH-08 model lamp mode Continous -> Flash Prop"}},
        // A name from a file made elsewhere stays on its line and within bounds.
        {"apply: a long name over lines",
         kApply,
         [](StudioData& from, StudioData& to) {
             Put(from, 0).sModelName = QStringLiteral("Key");
             Put(to, 0).sModelName = QStringLiteral("a\nb") + QString(200000, u'x');
         },
         {"CH-01 name \"Key\" -> \"a b" + QString(kMaxNameLength - 3, u'x') + "...\""}},
        {"apply: the same units",
         kApply,
         [](StudioData& from, StudioData& to) {
             Put(from, 0).sModelName = QStringLiteral("Key");
             Put(to, 0).sModelName = QStringLiteral("Key");
         },
         {"No change"}},
        {"apply: an empty memory on an empty studio",
         kApply,
         [](StudioData&, StudioData&) {},
         {"No change"}},
        // A switch's code reads as its check box shows it: 2 and 1 are both on.
        {"apply: a code that reads alike",
         kApply,
         [](StudioData& from, StudioData& to) {
             Put(from, 3).bFlashCell = 2;
             Put(to, 3).bFlashCell = 1;
         },
         {"No change"}},
        // Saving over: from the file to the studio, and a unit on one side only changes it.
        {"save over: what the file will hold",
         kSaveOver,
         [](StudioData& file, StudioData& studio) {
             Put(file, 0);
             Put(studio, 0).nFlashValue = 60;
             Put(studio, 1);
             Put(file, 4).lightNode.sLightName = QStringLiteral("Strip");
             Put(studio, 4);
         },
         {"CH-01 flash 4.5 -> 6.0", "CH-02: not in the memory yet, added",
          "CH-05 light \"Strip\" -> \"Not define\""}},
        {"save over: a unit the studio no longer has",
         kSaveOver,
         [](StudioData& file, StudioData& studio) {
             Put(file, 2);
             Put(studio, 2);
             Put(file, 3);
         },
         {"CH-04: not in this studio, removed from the memory"}},
        {"save over: the file as the studio is",
         kSaveOver,
         [](StudioData& file, StudioData& studio) {
             Put(file, 5).nModelMode1 = 1;
             Put(studio, 5).nModelMode1 = 1;
         },
         {"No change"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        StudioData from(0, QStringLiteral("Studio A"));
        StudioData to(-1, QString());
        r.fill(from, to);
        EXPECT_EQ(MemoryPreview(from, to, r.kind).join(u'\n').toStdString(),
                  r.expected.join(u'\n').toStdString());
    }
}

}  // namespace
