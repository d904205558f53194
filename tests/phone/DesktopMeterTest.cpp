// The light meter at the desktop: the grid's menu of a unit, its dialog, the frame it sends.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "../shell/OperatorSeamFixture.h"
#include "navigation/CLightMeterDlg.h"

namespace {

using CDesktopMeterTest = COperatorSeamTest;

TEST_F(CDesktopMeterTest, TheGridsUnitMenuSetsTheFlashByTheMetersReading) {
    Start({0, 1});
    QStringList answers;
    std::string sentAfterNonsense;
    WhenModal<CLightMeterDlg>(frame.get(), [&](CLightMeterDlg* dialog) {
        auto* set = dialog->findChild<QPushButton*>(QStringLiteral("set"));
        // Not an f-number: refused in the dialog, nothing sent.
        dialog->Reading().setText(QStringLiteral("eight"));
        dialog->Wanted().setText(QStringLiteral("11"));
        QTest::mouseClick(set, Qt::LeftButton);
        answers << dialog->Answer();
        sentAfterNonsense = Sent();
        // f/8 read, f/11 wanted: one stop more.
        dialog->Reading().setText(QStringLiteral("8.0"));
        QTest::mouseClick(set, Qt::LeftButton);
        answers << dialog->Answer();
        dialog->reject();
    });
    WhenMenu(frame.get(), QStringLiteral("lightMeter"));
    // A right click on CH-02's block picks it and opens its menu.
    QTest::mouseClick(frame->windowHandle(), Qt::RightButton, {},
                      grid().viewport()->mapTo(
                          frame.get(), grid().CellRect(0, CNavigationGrid::TitleRow(1)).center()));
    ASSERT_TRUE(WaitUntil([&] { return answers.size() == 2; }));
    EXPECT_EQ(sentAfterNonsense, "");
    EXPECT_TRUE(answers[0].contains("nothing was set")) << answers[0].toStdString();
    EXPECT_EQ(answers[1], "CH-02 at 5.5 for f/11");
    EXPECT_EQ(Sent(), "FF 07 13 00 02 37 1E");
    EXPECT_EQ(unit(1)->nFlashValue, 55);
    EXPECT_EQ(unit(0)->nFlashValue, 45);
}

}  // namespace
