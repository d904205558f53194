// The roll call of a studio ("Check units", Ctrl+R) on the real main frame, with the dongle on
// a pseudo-terminal: what it sends, what it marks, what it tells, and what it keeps out of the
// Business Memory files.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>

#include "OperatorSeamFixture.h"
#include "link/CRadioSession.h"
#include "shell/CWaitingDlg.h"

namespace {

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

// A unit that stays silent is shown as not answering until it is heard from again; one that
// answered with other settings is brought up to date and named; one that was not in the
// studio is added. Without a studio or a connection the status bar says why.
TEST_F(COperatorSeamTest, RollCallMarksTheSilentUntilTheyAreHeardAgain) {
    const auto checkUnits = [this] {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_R, Qt::ControlModifier);
    };
    const auto status = [this] { return frame->StatusPane(0)->text(); };
    Start({0, 1, 2}, [&] {
        frame->setFocus();
        checkUnits();
        EXPECT_EQ(status(), "Check units: choose a studio first");
        ClickItem(list().StudioItem(0));
        checkUnits();
        EXPECT_EQ(status(), "Check units: not connected (Com)");
    });
    ClickBlock(0);

    // Cancelled once unit 0 has answered: nobody is called silent after so short a wait.
    frame->SetScanTickInterval(2s);
    QString counted;
    WhenModal<CWaitingDlg>(frame.get(), [&](CWaitingDlg* dialog) {
        EXPECT_EQ(dialog->AnsweredText(), "0 units answered");
        EXPECT_EQ(Sent(), "FF 05 00 00 41");
        ASSERT_TRUE(pty.Write(StatusReport(UnitMaskOf(0), 45, 30)));
        EXPECT_TRUE(WaitUntil([&] { return dialog->AnsweredText() == "1 unit answered"; }));
        counted = dialog->AnsweredText();
        QTest::mouseClick(dialog->findChild<QPushButton*>("cancel"), Qt::LeftButton);
    });
    grid().setFocus();
    checkUnits();
    EXPECT_EQ(counted, "1 unit answered");
    EXPECT_EQ(status(), "Studio A: 1 of 3 units answered before Cancel");
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(unit(k)->bNoAnswer, 0) << k;
    }
    frame->SetScanTickInterval(100ms);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));

    // While the dialog waits, units 0 and 2 answer (2 with flash 5.0), and unit 3, which the
    // studio does not hold yet; unit 1 stays silent.
    std::string select;
    WhenModal<CWaitingDlg>(frame.get(), [&](CWaitingDlg*) {
        select = Sent();
        ASSERT_TRUE(pty.Write(StatusReport(UnitMaskOf(0) | UnitMaskOf(3), 45, 30) +
                              StatusReport(UnitMaskOf(2), 50, 30)));
    });
    grid().setFocus();
    checkUnits();
    EXPECT_EQ(select, "FF 05 00 00 41");
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(manager().activeStudio, &studioA());
    EXPECT_EQ(status(),
              "Studio A: 2 of 3 units answered; CH-02 did not; CH-04 added; "
              "CH-03 flash 4.5 -> 5.0");
    ASSERT_NE(unit(1), nullptr) << "the silent unit stays in the studio";
    ASSERT_NE(unit(3), nullptr);
    EXPECT_EQ(unit(2)->nFlashValue, 50);
    EXPECT_EQ(CurrentUnit(manager()), unit(0));
    const QColor offGrey(162, 169, 170);
    const QColor greyText = list().Tree().palette().color(QPalette::Disabled, QPalette::Text);
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        const bool silent = k == 1;
        EXPECT_EQ(unit(k)->bNoAnswer, silent ? 1 : 0);
        EXPECT_EQ(grid().CellLabel(0, CNavigationGrid::StatusRow(k)) == "No answer", silent);
        EXPECT_EQ(grid().CellBackColor(0, CNavigationGrid::StatusRow(k)) == offGrey, silent);
        EXPECT_EQ(ItemOf(*unit(k))->foreground(0).color() == greyText, silent);
    }
    EXPECT_EQ(ItemOf(*unit(1))->data(0, Qt::AccessibleTextRole).toString(),
              "CH-02 Not define, No answer");

    // A memory saved now is the same file as one saved once unit 1 is heard from again (a
    // charge event will do): not answering is no setting. (Offscreen, the closed dialog left no
    // window active; a desktop gives the frame its activation back.)
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    Retype(memoryName(), QStringLiteral("silent"));
    QTest::keyClick(memoryName(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(pty.Write(FromHex("FF 07 61 00 02 00 01")));
    ASSERT_TRUE(WaitUntil([&] { return unit(1)->bNoAnswer == 0; }));
    EXPECT_EQ(grid().CellLabel(0, CNavigationGrid::StatusRow(1)), "Flash : F 4.5\nModel : F 3.0");
    EXPECT_NE(ItemOf(*unit(1))->foreground(0).color(), greyText);
    EXPECT_FALSE(ItemOf(*unit(1))->data(0, Qt::AccessibleTextRole).isValid());
    Retype(memoryName(), QStringLiteral("heard"));
    QTest::keyClick(memoryName(), Qt::Key_S, Qt::ControlModifier);
    const QByteArray silentFile = ReadFile(Path(QStringLiteral("Business Memory/silent.xml")));
    ASSERT_FALSE(silentFile.isEmpty());
    EXPECT_EQ(silentFile, ReadFile(Path(QStringLiteral("Business Memory/heard.xml"))));

    // With the dongle switched to studio B by its own roll call, studio A is asked for from its
    // menu in the studio list: a right click, which chooses nothing by itself. A is shown as
    // it is, not scanned (which would empty it first), and called: nobody answers now.
    ClickItem(list().StudioItem(1));
    checkUnits();
    EXPECT_EQ(Sent(), "FF 05 00 00 42");
    EXPECT_EQ(status(), "Studio B: 0 of 0 units answered");
    ASSERT_EQ(manager().activeStudio, manager().StudioAt(1));
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    WhenMenu(frame.get(), QStringLiteral("checkUnits"));
    QTreeWidget& tree = list().Tree();
    QTest::mouseClick(
        frame->windowHandle(), Qt::RightButton, {},
        tree.viewport()->mapTo(frame.get(), tree.visualItemRect(list().StudioItem(0)).center()));
    ASSERT_TRUE(WaitUntil([&] { return status().startsWith(QStringLiteral("Studio A:")); }));
    EXPECT_EQ(Sent(), "FF 05 00 00 41");
    EXPECT_EQ(status(), "Studio A: 0 of 4 units answered; CH-01, CH-02, CH-03, CH-04 did not");
    EXPECT_EQ(studioA().nChItemCnt, 4);
    EXPECT_EQ(manager().activeStudio, &studioA());
    EXPECT_EQ(grid().CellLabel(0, CNavigationGrid::StatusRow(3)), "No answer");

    // Disconnected: said, and nothing sent. A scan is refused the same way, before it
    // empties the studio: its units and the names given to them stay.
    frame->Session().Close();
    ASSERT_FALSE(frame->IsConnected());
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    grid().setFocus();
    checkUnits();
    EXPECT_EQ(status(), "Check units: not connected (Com)");
    EXPECT_EQ(Sent(), "");
    ClickItem(list().StudioItem(0));
    unit(2)->sModelName = QStringLiteral("Key");
    bool scanShown = false;
    WhenModal<CWaitingDlg>(frame.get(), [&](CWaitingDlg* dialog) {
        scanShown = true;
        dialog->reject();
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
    EXPECT_EQ(status(), "Scan: not connected (Com)");
    EXPECT_FALSE(scanShown);
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(studioA().nChItemCnt, 4);
    ASSERT_NE(unit(2), nullptr);
    EXPECT_EQ(unit(2)->sModelName, "Key");
    EXPECT_EQ(grid().ShownUnits(), 4);
}
