// The commands that come from elsewhere (phone, session bus, control surfaces), through the
// desk into the real frame connected to a pseudo-terminal: what each sends, and that a refused
// one sends nothing and changes no unit.
#include <QDialog>
#include <QJsonArray>

#include "OperatorSeamFixture.h"
#include "control/CCommandDesk.h"
#include "shell/CUndoHistory.h"
#include "widgets/CUserStatic.h"

namespace {

using Desk = CCommandDesk;
using Outcome = CCommandDesk::Outcome;
using Power = CCommandDesk::Power;

struct DeskRow {
    const char* what;
    std::function<Outcome(Desk&)> command;
    const char* sent;     // the frames written, in hex
    const char* refusal;  // the message of a refused command; empty when done
};

}  // namespace

// Units CH-02 and CH-03 of studio A report flash 4.5 and model 3.0; CH-02 is picked at the
// desktop, CH-02 and CH-03 are ticked.
TEST_F(COperatorSeamTest, CommandsFromElsewhereSendWhatThePanelWouldAndRefusalsSendNothing) {
    Start({1, 2});
    ClickBlock(0);
    unit(1)->bSelected = 1;
    unit(2)->bSelected = 1;
    Desk& desk = frame->Desk();
    const DeskRow rows[] = {
        // An absolute flash power: the unit's flash and model in one frame.
        {"set flash", [](Desk& d) { return d.SetPower("A", "CH-02", Power::kFlash, 5.0); },
         "FF 07 13 00 02 32 1E", ""},
        // A relative step of the model, the unit named by its number.
        {"step model", [](Desk& d) { return d.StepPower("Studio A", "2", Power::kModel, -0.1); },
         "FF 07 14 00 02 32 1D", ""},
        // The unit picked at the desktop.
        {"current", [](Desk& d) { return d.StepPower("current", "current", Power::kFlash, 1.0); },
         "FF 07 13 00 02 3C 1D", ""},
        // A switch and a mode by their words.
        {"cell on", [](Desk& d) { return d.SetSetting("A", "CH-03", "cell", "on"); },
         "FF 07 17 00 04 00 02", ""},
        {"mode Prop", [](Desk& d) { return d.SetSetting("a", "ch03", "mode", "prop"); },
         "FF 07 15 00 04 00 08", ""},
        // Under the Prop link a flash step moves the model by as much.
        {"prop step", [](Desk& d) { return d.StepPower("A", "CH-03", Power::kFlash, 0.5); },
         "FF 07 13 00 04 32 23", ""},
        {"test", [](Desk& d) { return d.Test("A", "CH-03"); }, "FF 07 1B 00 04 00 00", ""},
        // The ticked units: one test frame for both.
        {"ticked test", [](Desk& d) { return d.Test("A", "ticked"); }, "FF 07 1B 00 06 00 00", ""},
        // Refused, nothing sent.
        {"no such unit", [](Desk& d) { return d.SetPower("A", "CH-07", Power::kFlash, 5.0); }, "",
         "No unit CH-07 in Studio A"},
        {"no such studio", [](Desk& d) { return d.Test("F", "CH-02"); }, "", "No studio F"},
        {"too high", [](Desk& d) { return d.SetPower("A", "CH-02", Power::kFlash, 9.0); }, "",
         "flash 9.0 is outside 1.1 .. 8.1"},
        {"not a number",
         [](Desk& d) { return d.SetPower("A", "CH-02", Power::kModel, std::nan("")); }, "",
         "model nan is outside 1.1 .. 8.1"},
        {"step too wide", [](Desk& d) { return d.StepPower("A", "CH-02", Power::kFlash, 8.0); }, "",
         "flash step 8.0 is outside -7.0 .. 7.0"},
        {"no setting", [](Desk& d) { return d.SetSetting("A", "CH-02", "colour", "on"); }, "",
         "No setting colour (power, cell, sound, mode, lampmode, lamp)"},
        {"bad word", [](Desk& d) { return d.SetSetting("A", "CH-02", "lampmode", "maybe"); }, "",
         "lampmode takes Flash Prop or Continous, not maybe"},
        {"other studio", [](Desk& d) { return d.Test("B", "CH-02"); }, "",
         "No unit CH-02 in Studio B"},
    };
    for (const DeskRow& row : rows) {
        SCOPED_TRACE(row.what);
        const auto before = Settings(unit(1));
        const Outcome outcome = row.command(desk);
        EXPECT_EQ(outcome.message.toStdString(), row.refusal);
        EXPECT_EQ(Sent(), row.sent);
        if (!outcome.Ok()) {
            EXPECT_EQ(Settings(unit(1)), before);
        }
    }
    // The panel shows the picked unit as the commands left it.
    EXPECT_EQ(single().flashLabel->text(), "6.0");
    EXPECT_EQ(single().modelLabel->text(), "2.9");

    // While a modal dialog is open at the desktop nothing is taken, nor queued for later.
    QDialog box(frame.get());
    box.setModal(true);
    box.show();
    const Outcome busy = desk.StepPower("A", "CH-02", Power::kFlash, 0.1);
    EXPECT_EQ(busy.message, "Busy at the computer");
    EXPECT_EQ(busy.Name(), "Busy");
    box.hide();
    QTest::qWait(20);
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(unit(1)->nFlashValue, 60);
}

// What the remotes show of a unit, and the feedback they hear of a change from any source.
TEST_F(COperatorSeamTest, TheDeskTellsEveryChangeWhateverMadeIt) {
    Start({1});
    Desk& desk = frame->Desk();
    std::vector<UnitRef> heard;
    QObject::connect(&desk, &CCommandDesk::unitUpdated,
                     [&](const UnitRef& unit) { heard.push_back(unit); });
    const QJsonObject state = desk.State();
    EXPECT_TRUE(state["connected"].toBool());
    const QJsonObject first =
        state["studios"].toArray()[0].toObject()["units"].toArray()[0].toObject();
    EXPECT_EQ(first["unit"].toString(), "CH-02");
    EXPECT_EQ(first["flash"].toDouble(), 4.5);
    EXPECT_EQ(first["mode"].toString(), "Free");
    EXPECT_EQ(first["status"].toString(), "Ready");
    EXPECT_TRUE(first["lamp"].toBool());

    // A unit's own report of a new flash power.
    ASSERT_TRUE(pty.Write(FromHex("FF 07 13 00 02 28 1E")));
    ASSERT_TRUE(WaitUntil([&] { return !heard.empty(); }));
    EXPECT_EQ(heard.back(), RefOf(unit(1)));
    EXPECT_EQ(desk.UnitState(*unit(1))["flash"].toDouble(), 4.0);
    heard.clear();
    // A change from elsewhere says where it came from in the undo history's tip.
    {
        const CCommandDesk::Caller phone(desk, "phone");
        ASSERT_TRUE(desk.SetPower("A", "CH-02", Power::kFlash, 5.0).Ok());
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->History().UndoAction()->toolTip(),
              "Undo CH-02 flash 4.0 -> 5.0 (phone) (Ctrl+Z)");
    ASSERT_TRUE(desk.SetPower("A", "CH-02", Power::kFlash, 5.5).Ok());
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->History().UndoAction()->toolTip(), "Undo CH-02 flash 5.0 -> 5.5 (Ctrl+Z)");
    heard.clear();
    // The roll call's "No answer".
    frame->Control().MarkAnswering(*unit(1), false);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(desk.UnitState(*unit(1))["status"].toString(), "No answer");
}
