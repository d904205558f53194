// After a Business Memory is applied, the roll call of its studio on the real main frame, with
// the dongle on a pseudo-terminal: who reports what the memory gave it, who does not, and
// what it sends besides the apply's frames.
#include <QLabel>
#include <QPushButton>

#include "OperatorSeamFixture.h"
#include "link/CRadioSession.h"
#include "shell/CUndoHistory.h"
#include "shell/CWaitingDlg.h"

namespace {

// The frames of Portrait applied to units 0, 1 and 2: flash 4.5, model 3.0, power and model
// lamp on.
const std::string kApplied =
    "FF 0E 01 00 01 01 2D 1E 00 00 00 00 01 00 FF 0E 01 00 02 01 2D 1E 00 00 00 00 01 00 "
    "FF 0E 01 00 04 01 2D 1E 00 00 00 00 01 00";
const std::string kSelectA = "FF 05 00 00 41";

}  // namespace

// Each unit of the studio is compared with what was applied to it; the silent one is marked as
// a Check units marks it. Cancelled, only what answered so far counts; disconnected, nothing
// could answer and nobody is waited for. An undo of the apply calls nobody.
TEST_F(COperatorSeamTest, RollCallAfterAMemoryConfirmsWhatTheUnitsTook) {
    Start({0, 1, 2});
    const auto status = [this] { return frame->StatusPane(0)->text(); };
    Retype(memoryName(), QStringLiteral("Portrait"));
    QTest::keyClick(memoryName(), Qt::Key_S, Qt::ControlModifier);
    // The units move away from the memory: all of them report flash 5.5.
    ASSERT_TRUE(pty.Write(StatusReport(UnitMaskOf(0) | UnitMaskOf(1) | UnitMaskOf(2), 55, 30)));
    ASSERT_TRUE(WaitUntil([&] { return unit(2)->nFlashValue == 55; }));
    Sent();
    QTreeWidget* files = memoryList();
    ASSERT_NO_FATAL_FAILURE(ClickMemory(QStringLiteral("Portrait")));

    // Portrait loaded; while the roll call waits, the dongle writes answer. Returns what was
    // sent before it.
    const auto apply = [&](const QByteArray& answer, bool cancel) {
        std::string sent;
        frame->SetStatusText(QString());
        WhenModal<CWaitingDlg>(frame.get(), [&](CWaitingDlg* dialog) {
            sent = Sent();
            ASSERT_TRUE(pty.Write(answer));
            if (cancel) {
                EXPECT_TRUE(
                    WaitUntil([&] { return dialog->AnsweredText() == "2 units answered"; }));
                QTest::mouseClick(dialog->findChild<QPushButton*>("cancel"), Qt::LeftButton);
            }
        });
        QTest::keyClick(files, Qt::Key_O, Qt::ControlModifier);
        EXPECT_TRUE(WaitUntil([&] { return status().startsWith(QStringLiteral("Portrait")); }));
        return sent;
    };

    // CH-01 reports what was applied, CH-02 stays silent, CH-03 reports flash 5.0.
    frame->SetScanTickInterval(100ms);
    EXPECT_EQ(
        apply(StatusReport(UnitMaskOf(0), 45, 30) + StatusReport(UnitMaskOf(2), 50, 30), false),
        kApplied + " " + kSelectA);
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(status(),
              "Portrait applied: 1 of 3 units confirmed; CH-02 did not answer; "
              "CH-03 flash 5.0, not 4.5");
    EXPECT_EQ(frame->StatusPane(0)->toolTip(), status());
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(unit(k)->bNoAnswer, k == 1 ? 1 : 0);
        EXPECT_EQ(grid().CellLabel(0, CNavigationGrid::StatusRow(k)) == "No answer", k == 1);
    }
    EXPECT_EQ(unit(2)->nFlashValue, 50) << "the report is what the unit holds";

    // All three report what was applied: the silent unit is heard again.
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    EXPECT_EQ(apply(StatusReport(UnitMaskOf(0) | UnitMaskOf(1) | UnitMaskOf(2), 45, 30), false),
              kApplied + " " + kSelectA);
    EXPECT_EQ(status(), "Portrait applied: 3 of 3 units confirmed");
    EXPECT_EQ(unit(1)->bNoAnswer, 0);

    // Cancelled once CH-01 and CH-03 (model 3.5) answered: CH-02 is not called silent.
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    frame->SetScanTickInterval(2s);
    EXPECT_EQ(
        apply(StatusReport(UnitMaskOf(0), 45, 30) + StatusReport(UnitMaskOf(2), 45, 35), true),
        kApplied + " " + kSelectA);
    EXPECT_EQ(status(),
              "Portrait applied: 1 of 3 units confirmed before Cancel; CH-03 model 3.5, not 3.0");
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(unit(k)->bNoAnswer, 0) << k;
    }

    // An undo of the apply sends the frames back and waits for nobody.
    frame->SetScanTickInterval(10ms);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    frame->SetStatusText(QString());
    ASSERT_TRUE(frame->History().UndoAction()->isEnabled());
    frame->History().UndoAction()->trigger();
    PumpEvents(100ms);
    // Back to what the units held before the last apply: Portrait's settings again.
    EXPECT_EQ(Sent(), kApplied);
    EXPECT_FALSE(status().startsWith(QStringLiteral("Portrait"))) << status().toStdString();

    // Disconnected: the frames reached nobody, and no dialog is shown.
    frame->Session().Close();
    ASSERT_FALSE(frame->IsConnected());
    bool waited = false;
    WhenModal<CWaitingDlg>(frame.get(), [&](CWaitingDlg* dialog) {
        waited = true;
        dialog->reject();
    });
    frame->SetStatusText(QString());
    QTest::keyClick(files, Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(WaitUntil([&] { return status().startsWith(QStringLiteral("Portrait")); }));
    PumpEvents(50ms);
    EXPECT_EQ(status(), "Portrait applied: not connected (Com), nothing confirmed");
    EXPECT_FALSE(waited);
    EXPECT_EQ(Sent(), "");
}
