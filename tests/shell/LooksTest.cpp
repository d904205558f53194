// The main frame as the operator sees it at its start size: every text fits where it is drawn,
// nothing scrolls, and on a scaled screen the images are drawn for its pixels.

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSplitterHandle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <set>

#include "ShellTestSupport.h"
#include "control/CUnitControl.h"
#include "model/StudioManager.h"
#include "navigation/CNavigationFormView.h"
#include "navigation/CNavigationGrid.h"
#include "navigation/CStudioListFormView.h"
#include "panels/CControlFormView.h"
#include "panels/CControlSelFormView.h"
#include "panels/CPowerControlSet.h"
#include "shell/CComSettingDlg.h"
#include "shell/CStrobeSplitterWnd.h"
#include "shell/CWaitingDlg.h"
#include "support/CMessageRecorder.h"
#include "support/ViewMessages.h"
#include "widgets/CDialogUnits.h"
#include "widgets/CTitleSeparator.h"
#include "widgets/CUserStatic.h"

namespace {

using namespace std::chrono_literals;

// Every text against the rectangle it is drawn in. Each problem reads "where: text".
class CFitCheck {
public:
    QStringList problems;

    void Text(const QString& where, const QString& text, const QFont& font, const QRect& room) {
        if (text.trimmed().isEmpty()) {
            return;
        }
        const QFontMetrics metrics(font);
        const QStringList lines = text.split(u'\n');
        int widest = 0;
        for (const QString& line : lines) {
            widest = std::max(widest, metrics.horizontalAdvance(line));
        }
        const int tall = metrics.height() + metrics.lineSpacing() * (int(lines.size()) - 1);
        if (widest > room.width() || tall > room.height()) {
            problems << QStringLiteral("%1: \"%2\" needs %3 x %4, has %5 x %6")
                            .arg(where, text)
                            .arg(widest)
                            .arg(tall)
                            .arg(room.width())
                            .arg(room.height());
        }
    }

    void Widget(QWidget* w) {
        const QString where = Where(w);
        QStyle* style = w->style();
        if (auto* title = qobject_cast<CTitleSeparator*>(w)) {
            Text(where, title->text(), title->font(), title->rect());
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            if (!label->wordWrap()) {
                const int m = label->margin();
                Text(where, label->text(), label->font(),
                     label->contentsRect().adjusted(m, m, -m, -m));
            }
        } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
            auto* button = static_cast<QAbstractButton*>(w);
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const bool radio = qobject_cast<QRadioButton*>(w) != nullptr;
            const QRect room = style->subElementRect(
                radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, w);
            Text(where, button->text(), button->font(), room);
        } else if (auto* push = qobject_cast<QPushButton*>(w)) {
            QStyleOptionButton option;
            option.initFrom(push);
            option.text = push->text();
            const int margin = style->pixelMetric(QStyle::PM_ButtonMargin, &option, w);
            Text(where, push->text(), push->font(),
                 style->subElementRect(QStyle::SE_PushButtonContents, &option, w)
                     .adjusted(margin / 2, 0, -margin / 2, 0));
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            QStyleOptionGroupBox option;
            option.initFrom(group);
            option.text = group->title();
            option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            option.textAlignment = group->alignment();
            const QRect label =
                style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, w);
            Text(where, group->title(), group->font(), label & group->rect());
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            option.frame = combo->hasFrame();
            option.subControls = QStyle::SC_All;
            const QRect field = style->subControlRect(QStyle::CC_ComboBox, &option,
                                                      QStyle::SC_ComboBoxEditField, w);
            // Whichever entry is chosen must fit.
            for (int i = 0; i < combo->count(); ++i) {
                Text(where, combo->itemText(i), combo->font(), field.adjusted(1, 0, -1, 0));
            }
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
            Text(where, edit->text(), edit->font(),
                 edit->rect().adjusted(frame + 2, 0, -frame - 2, 0));
        }
        // A control that sticks out of its form is cut off by it.
        if (IsForm(w->parentWidget()) && !w->parentWidget()->rect().contains(w->geometry())) {
            problems << QStringLiteral("%1: placed at %2,%3 %4 x %5, outside its form")
                            .arg(where)
                            .arg(w->x())
                            .arg(w->y())
                            .arg(w->width())
                            .arg(w->height());
        }
    }

    void Grid(const CGridCtrl& grid, const QString& where) {
        for (int row = -1; row < grid.RowCount(); ++row) {
            for (int col = 0; col < grid.ColCount(); ++col) {
                int originCol = 0;
                int originRow = 0;
                grid.JoinOrigin(col, row, originCol, originRow);
                if (originCol != col || originRow != row) {
                    continue;
                }
                const QString cell = QStringLiteral("%1 cell %2,%3").arg(where).arg(col).arg(row);
                const bool tickBox = grid.CellType(col, row) == CGridCtrl::kCellTypeTickBox;
                Text(cell, tickBox ? grid.CellLabel(col, row) : grid.CellText(col, row),
                     grid.CellFont(col, row), grid.CellTextRect(col, row));
                const QPixmap bitmap = grid.CellBitmap(col, row);
                // Inside the grid lines each cell draws on its right and bottom.
                const QSize room = grid.CellRect(col, row).size() - QSize(1, 1);
                if (!bitmap.isNull() &&
                    !QRect(QPoint(), room)
                         .contains(QRect(QPoint(), bitmap.deviceIndependentSize().toSize()))) {
                    problems << cell + QStringLiteral(": image larger than the cell");
                }
            }
        }
    }

    void AllOf(QWidget* top) {
        for (QWidget* w : top->findChildren<QWidget*>()) {
            if (w->isVisibleTo(top)) {
                Widget(w);
            }
        }
        // The grid control has no meta-object of its own: found by its C++ type.
        for (QAbstractScrollArea* area : top->findChildren<QAbstractScrollArea*>()) {
            const auto* grid = dynamic_cast<const CGridCtrl*>(area);
            if (grid != nullptr && grid->isVisibleTo(top)) {
                Grid(*grid, Where(grid));
            }
        }
    }

private:
    static bool IsForm(const QWidget* w) {
        return dynamic_cast<const CControlFormView*>(w) != nullptr ||
               dynamic_cast<const CControlSelFormView*>(w) != nullptr ||
               dynamic_cast<const CStudioListFormView*>(w) != nullptr ||
               dynamic_cast<const CNavigationFormView*>(w) != nullptr;
    }
    static QString Where(const QWidget* w) {
        QString path;
        for (const QWidget* p = w; p != nullptr; p = p->parentWidget()) {
            const QString name = p->objectName().isEmpty()
                                     ? QString::fromLatin1(p->metaObject()->className())
                                     : p->objectName();
            path = path.isEmpty() ? name : name + u'/' + path;
        }
        return path;
    }
};

// Runs one test of this program again in a child process with more environment, and expects
// it to pass there.
void RunInChild(const QString& test, const QMap<QString, QString>& environment) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = environment.begin(); it != environment.end(); ++it) {
        env.insert(it.key(), it.value());
    }
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=") + test});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString out = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("[  PASSED  ] 1 test"))) << out.toStdString();
}

// Set in the child that runs without any Arial-metric face.
constexpr char kNoArialVariable[] = "TARNEL_TEST_WITHOUT_ARIAL_METRICS";

QStringList VisibleScrollBars(QWidget* top) {
    QStringList shown;
    for (QScrollBar* bar : top->findChildren<QScrollBar*>()) {
        if (bar->isVisible()) {
            shown << bar->parentWidget()->parentWidget()->metaObject()->className();
        }
    }
    return shown;
}

struct UnitLook {
    int slot;
    int flash;
    int model;
    int power;
    int modelPow;
    int temperature;
};

class LooksTest : public CShellTest {
protected:
    // Studio A with four units shown in the grid: both values at their highest, switched off,
    // overheated and a plain one with its model lamp off.
    CMainFrame& FrameWithStudioA() {
        CMainFrame& f = MakeFrame();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
        StudioManager& manager = f.Manager();
        // slot, flash, model, power, model lamp, temperature
        const UnitLook looks[] = {{0, 81, 81, 1, 1, 30},
                                  {1, 45, 30, 0, 1, 30},
                                  {2, 50, 50, 1, 1, 75},
                                  {4, 32, 20, 1, 0, 30}};
        for (const UnitLook& l : looks) {
            StrobeData* unit = PlaceUnit(manager, 0, l.slot, std::make_unique<StrobeData>());
            unit->nFlashValue = l.flash;
            unit->nModelValue = l.model;
            unit->bFlashPow = l.power;
            unit->bModelPow = l.modelPow;
            unit->nTemperature = l.temperature;
        }
        manager.currentNode = manager.StudioAt(0);
        emit f.Control().memoryApplied(manager.StudioAt(0));
        Tree().expandAll();
        PumpEvents(20ms);
        return f;
    }
    QTreeWidget& Tree() {
        return *static_cast<QWidget*>(frame->StudioListPane())->findChild<QTreeWidget*>();
    }
    CNavigationGrid& Grid() {
        return static_cast<CNavigationFormView*>(frame->NavigationPane())->Grid();
    }
    void ClickUnitInTree(int index) {
        QTreeWidgetItem* unit = Tree().topLevelItem(0)->child(index);
        QTest::mouseClick(Tree().viewport(), Qt::LeftButton, {},
                          Tree().visualItemRect(unit).center());
        PumpEvents(20ms);
    }
};

TEST_F(LooksTest, AtTheStartSizeEveryTextFitsAndNothingScrolls) {
    // Arial's metrics are what the layouts are drawn in; fonts-liberation2 brings them. A
    // machine without them (a child run with DejaVu alone) must fit everything all the same:
    // only the studio list's tree may scroll sideways.
    const bool withoutArial = qEnvironmentVariableIsSet(kNoArialVariable);
    const QString face = QFontInfo(CDialogUnits::DialogFont()).family();
    const bool arialMetrics = face == "Arial" || face == "Liberation Sans";
    if (withoutArial) {
        ASSERT_FALSE(arialMetrics) << face.toStdString();
    } else {
        ASSERT_TRUE(arialMetrics) << "\"Arial\" is answered by " << face.toStdString()
                                  << ": install fonts-liberation2 (scripts/install-deps.sh)";
        QTemporaryDir fonts;
        ASSERT_TRUE(fonts.isValid());
        QFile config(fonts.filePath("fonts.conf"));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral(R"(<?xml version="1.0"?>
<fontconfig>
  <dir>/usr/share/fonts/truetype/dejavu</dir>
  <cachedir>%1</cachedir>
  <include ignore_missing="yes">/etc/fonts/conf.d</include>
</fontconfig>
)")
                         .arg(fonts.filePath("cache"))
                         .toUtf8());
        config.close();
        RunInChild("LooksTest.AtTheStartSizeEveryTextFitsAndNothingScrolls",
                   {{"FONTCONFIG_FILE", config.fileName()}, {kNoArialVariable, "1"}});
    }
    const QStringList mayScroll =
        withoutArial ? QStringList{QStringLiteral("QTreeWidget")} : QStringList();

    CMainFrame& f = FrameWithStudioA();
    ASSERT_EQ(f.size(), withoutArial ? f.minimumSize() : QSize(800, 500));
    ASSERT_GE(f.width(), 800);
    CFitCheck check;
    // The heading with each studio's name.
    for (int s = 0; s < kStudioCount; ++s) {
        Grid().SetCellLabel(
            0, -1,
            QStringLiteral("Channel Select [ %1 ]").arg(f.Manager().StudioAt(s)->sStudioName));
        check.Grid(Grid(), QStringLiteral("heading of studio %1").arg(s));
    }
    Grid().SetCellLabel(0, -1, Grid().HeadingText());

    // The first unit current (8.1 and 8.1), then one whose model lamp is off, then the
    // selected-units panel.
    ClickUnitInTree(0);
    ASSERT_EQ(CurrentUnit(f.Manager()), f.Manager().StudioAt(0)->UnitAt(0));
    check.AllOf(&f);
    EXPECT_EQ(VisibleScrollBars(&f).join(u',').toStdString(), mayScroll.join(u',').toStdString())
        << "with the first unit current";
    ClickUnitInTree(3);
    auto* control = static_cast<CControlFormView*>(f.ControlPane());
    EXPECT_EQ(control->Controls().modelLabel->text(), "OFF");
    check.AllOf(&f);
    auto* combo = control->findChild<QComboBox*>(QStringLiteral("modeCombo"));
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    ASSERT_EQ(control->ComboIndex(), 1);
    check.AllOf(&f);
    EXPECT_EQ(VisibleScrollBars(&f).join(u',').toStdString(), mayScroll.join(u',').toStdString())
        << "with the selected-units panel";

    // The tree's unit image shows on the hot item's black, not only its lighter reflector.
    QTreeWidgetItem* item = Tree().topLevelItem(0)->child(1);
    QTest::mouseMove(Tree().viewport(), Tree().visualItemRect(item).center());
    PumpEvents(20ms);
    const QImage tree = Tree().viewport()->grab().toImage();
    const QRect row = Tree().visualItemRect(item);
    int light = 0;
    for (int y = row.top(); y <= row.bottom(); ++y) {
        for (int x = row.left(); x < row.left() + 8; ++x) {
            light += qGray(tree.pixel(x, y)) >= 100 ? 1 : 0;
        }
    }
    EXPECT_GE(light, 6) << "the head's left half vanishes on black";

    // The dialogs.
    ComSettings settings = DefaultComSettings();
    CComSettingDlg com(settings, &f);
    com.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&com));
    check.AllOf(&com);
    CWaitingDlg scan(QStringLiteral("Studio A"), &f, 1h);
    for (int i = 0; i < CWaitingDlg::kTickLimit - 1; ++i) {
        scan.Tick();
    }
    scan.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&scan));
    check.AllOf(&scan);

    EXPECT_EQ(check.problems.join(u'\n').toStdString(), "");
}

// Aligned 2 x 2 blocks of device pixels whose pixels differ sharply, against the area's own
// contrast: a picture drawn for the pixels has them along its edges; one drawn at 1x and
// scaled up has none (nearest neighbour) or only soft ones (bilinear: at most half the
// contrast within a block).
int SharpBlocks(const QImage& image, const QRect& deviceRect) {
    const QRect area = deviceRect & image.rect();
    const auto spreadOf = [](std::initializer_list<QRgb> pixels) {
        int spread = 0;
        for (const QRgb a : pixels) {
            for (const QRgb b : pixels) {
                spread = std::max({spread, std::abs(qRed(a) - qRed(b)),
                                   std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
            }
        }
        return spread;
    };
    int lo[3] = {255, 255, 255};
    int hi[3] = {0, 0, 0};
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            const int c[3] = {qRed(p), qGreen(p), qBlue(p)};
            for (int i = 0; i < 3; ++i) {
                lo[i] = std::min(lo[i], c[i]);
                hi[i] = std::max(hi[i], c[i]);
            }
        }
    }
    const int contrast = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
    int sharp = 0;
    for (int y = area.top() & ~1; y + 1 <= area.bottom(); y += 2) {
        for (int x = area.left() & ~1; x + 1 <= area.right(); x += 2) {
            const int spread = spreadOf({image.pixel(x, y), image.pixel(x + 1, y),
                                         image.pixel(x, y + 1), image.pixel(x + 1, y + 1)});
            sharp += contrast >= 64 && spread * 100 >= contrast * 65 ? 1 : 0;
        }
    }
    return sharp;
}

TEST_F(LooksTest, ImagesAreDrawnForTheScreensPixelRatio) {
    if (qApp->devicePixelRatio() == 1.0) {
        // Run this test again in a process whose screen is scaled twice.
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--gtest_filter=LooksTest.ImagesAreDrawnForTheScreensPixelRatio")});
        ASSERT_TRUE(child.waitForFinished(120000));
        const QString out = QString::fromLocal8Bit(child.readAll());
        EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("[  PASSED  ] 1 test"))) << out.toStdString();
        return;
    }
    ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
    CMainFrame& f = FrameWithStudioA();
    ClickUnitInTree(0);
    const QImage shot = f.grab().toImage();
    ASSERT_EQ(shot.size(), f.size() * 2);
    const auto deviceRect = [&f](const QWidget* w, const QRect& r) {
        return QRect(w->mapTo(&f, r.topLeft()) * 2, r.size() * 2);
    };

    for (int i = 0; i < CMainFrame::kToolCount; ++i) {
        const QWidget* button = f.ToolBar()->widgetForAction(f.ToolAction(i));
        const QRect icon(button->rect().center() - QPoint(14, 14), QSize(30, 30));
        EXPECT_GE(SharpBlocks(shot, deviceRect(button, icon)), 12) << "tool " << i;
    }
    const CNavigationGrid& grid = Grid();
    for (int k = 0; k < grid.ShownUnits(); ++k) {
        for (int icon = 0; icon < CNavigationGrid::kIconCount; ++icon) {
            int col = 0;
            int row = 0;
            CNavigationGrid::IconCell(static_cast<CNavigationGrid::Icon>(icon), k, col, row);
            EXPECT_EQ(grid.CellBitmap(col, row).devicePixelRatio(), 2.0);
            EXPECT_GE(SharpBlocks(shot, deviceRect(grid.viewport(), grid.CellRect(col, row))), 6)
                << "unit " << k << " icon " << icon;
        }
    }
    const QTreeWidgetItem* unit = Tree().topLevelItem(0)->child(1);
    const QRect item = Tree().visualItemRect(unit);
    EXPECT_GE(
        SharpBlocks(shot, deviceRect(Tree().viewport(),
                                     QRect(item.topLeft(), QSize(item.height(), item.height())))),
        4);
    // The grip: its own three colours only, none blurred between them.
    const QSplitterHandle* handle = f.OuterSplitter()->handle(1);
    const QImage grip = shot.copy(deviceRect(handle, handle->rect()));
    const QPalette& pal = handle->palette();
    const std::set<QRgb> gripColours{pal.color(QPalette::Button).rgb(),
                                     pal.color(QPalette::Light).rgb(),
                                     pal.color(QPalette::Dark).rgb()};
    std::set<QRgb> seen;
    for (int y = 0; y < grip.height(); ++y) {
        for (int x = 0; x < grip.width(); ++x) {
            seen.insert(grip.pixel(x, y) | 0xFF000000u);
        }
    }
    EXPECT_EQ(seen, gripColours);
}

}  // namespace
