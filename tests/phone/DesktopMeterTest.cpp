// The light meter at the desktop: a unit's menu in the grid and in the studio list, its dialog,
// the frame it sends.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "../shell/OperatorSeamFixture.h"
#include "navigation/CLightMeterDlg.h"

namespace {

class CDesktopMeterTest : public COperatorSeamTest {
public:
    // For the rows' own functions.
    using COperatorSeamTest::grid;
    using COperatorSeamTest::ItemOf;
    using COperatorSeamTest::list;
    using COperatorSeamTest::unit;
    // A right click at pos of widget's viewport, as the operator's.
    void RightClick(QWidget* viewport, const QPoint& pos) {
        QTest::mouseClick(frame->windowHandle(), Qt::RightButton, {},
                          viewport->mapTo(frame.get(), pos));
    }
};

TEST_F(CDesktopMeterTest, AUnitsMenuSetsTheFlashByTheMetersReading) {
    const struct {
        const char* where;
        std::function<void(CDesktopMeterTest&)> openMenu;  // on CH-02
    } rows[] = {
        {"grid",
         [](CDesktopMeterTest& t) {
             t.RightClick(t.grid().viewport(),
                          t.grid().CellRect(0, CNavigationGrid::TitleRow(1)).center());
         }},
        {"studio list",
         [](CDesktopMeterTest& t) {
             QTreeWidget& tree = t.list().Tree();
             QTreeWidgetItem* item = t.ItemOf(*t.unit(1));
             for (QTreeWidgetItem* p = item->parent(); p != nullptr; p = p->parent()) {
                 p->setExpanded(true);
             }
             tree.scrollToItem(item);
             t.RightClick(tree.viewport(), tree.visualItemRect(item).center());
         }},
    };
    Start({0, 1});
    int expected = 45;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.where);
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
        row.openMenu(*this);
        ASSERT_TRUE(WaitUntil([&] { return answers.size() == 2; }));
        expected += 10;
        EXPECT_EQ(sentAfterNonsense, "");
        EXPECT_TRUE(answers[0].contains("nothing was set")) << answers[0].toStdString();
        EXPECT_EQ(answers[1],
                  QStringLiteral("CH-02 at %1 for f/11").arg(expected / 10.0, 0, 'f', 1));
        EXPECT_EQ(Sent(), std::string("FF 07 13 00 02 ") + (expected == 55 ? "37" : "41") + " 1E");
        EXPECT_EQ(unit(1)->nFlashValue, expected);
        EXPECT_EQ(unit(0)->nFlashValue, 45);
    }
}

}  // namespace
