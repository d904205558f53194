// The window worked from the keyboard: each key against its mouse twin, byte for byte, on
// the real main frame with a pseudo-terminal in the dongle's place; which focused controls
// keep a key for themselves; where Tab goes and that the focus always shows.
#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "../panels/PanelTestKit.h"
#include "OperatorSeamFixture.h"
#include "widgets/CFlatSliderCtrl.h"
#include "widgets/CFlatSpinButtonCtrl.h"
#include "widgets/CUserButton.h"
#include "widgets/CUserStatic.h"

namespace {

// A full status report of the units in mask: power on, the powers, mode 1, model lamp on.
QByteArray Status(quint16 mask, int flash, int model, int mode1) {
    QByteArray bytes = FromHex("FF 0E 01");
    bytes += static_cast<char>(mask >> 8);
    bytes += static_cast<char>(mask & 0xFF);
    for (int b : {1, flash, model, 0, 0, mode1, 0, 1, 0}) {
        bytes += static_cast<char>(b);
    }
    return bytes;
}

// A click on the channel beside the thumb: one page towards the click, taken at the release.
void ClickChannel(QSlider* slider, bool up) {
    const int x = up ? slider->width() - 2 : 1;
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(x, slider->height() / 2));
}

}  // namespace

class CKeyboardTest : public COperatorSeamTest {
protected:
    // The panel the operator sees.
    const CPowerControlSet& Shown() { return panel().ComboIndex() == 1 ? selection() : single(); }

    void ClickTick(int k) {
        const QRect box = grid().CellRect(0, CNavigationGrid::StatusRow(k));
        QTest::mouseClick(grid().viewport(), Qt::LeftButton, {},
                          QPoint(box.left() + 8, box.center().y()));
    }
    void ChooseCombo(int index) {
        if (panel().ComboIndex() != index) {
            combo()->setFocus();
            QTest::keyClick(combo(), index == 1 ? Qt::Key_Down : Qt::Key_Up);
            ASSERT_EQ(panel().ComboIndex(), index);
        }
    }

    // Units 0..2 reported at flash, model 3.0 and mode 1; units 0 and 1 ticked when the
    // selected-units panel is to be shown, none otherwise; unit 0 current; the grid focused.
    void Prepare(int flash, int mode1, bool selectionPanel) {
        ChooseCombo(0);
        ClickBlock(0);
        ASSERT_TRUE(pty.Write(Status(0x0007, flash, 30, mode1)));
        const std::array<int, 9> reported{flash, 0, 0, 1, 1, 30, mode1, 0, 1};
        ASSERT_TRUE(WaitUntil([&] {
            return Settings(unit(0)) == reported && Settings(unit(1)) == reported &&
                   Settings(unit(2)) == reported &&
                   single().flashLabel->text() == FormatPower(flash) &&
                   single().modelLabel->text() == "3.0";
        }));
        for (int k = 0; k < 3; ++k) {
            if (grid().IsTicked(0, CNavigationGrid::StatusRow(k)) != (selectionPanel && k < 2)) {
                ClickTick(k);
            }
        }
        ClickBlock(0);
        ChooseCombo(selectionPanel ? 1 : 0);
        pty.ReadAvailable(20ms);
        grid().setFocus();
    }

    // Everything a key or a click could have changed: the three units, their boxes, and the
    // shown panel's labels and thumbs.
    std::string Look() {
        std::string look;
        for (int k = 0; k < 3; ++k) {
            for (int field : Settings(unit(k))) {
                look += std::to_string(field) + " ";
            }
            look += "ticked " + std::to_string(unit(k)->bSelected) + "; ";
        }
        const CPowerControlSet& c = Shown();
        look += c.flashLabel->text().toStdString() + " / " + c.modelLabel->text().toStdString() +
                ", thumbs " + std::to_string(c.flashSlider->value()) + " / " +
                std::to_string(c.modelSlider->value());
        return look;
    }
};

// Each key sends exactly what its mouse twin sends and leaves the units, boxes, labels and
// thumbs as the twin leaves them; with the twin greyed, the key does nothing at all.
TEST_F(CKeyboardTest, EveryKeyDoesWhatItsMouseTwinDoes) {
    Start({0, 1, 2});
    using namespace panel_input;
    const auto spin = [this](bool flash, bool up) {
        return [this, flash, up] { ClickSpin(flash ? Shown().flashSpin : Shown().modelSpin, up); };
    };
    const auto channel = [this](bool up) {
        return [this, up] { ClickChannel(Shown().flashSlider, up); };
    };
    const std::function<void()> test = [this] {
        QTest::mouseClick(Shown().testButton, Qt::LeftButton);
    };
    const std::function<void()> tick = [this] { ClickTick(0); };
    // Studio A's power pairs for units 0..2, the rest empty.
    const auto pairs = [](const char* head, const char* units) {
        return std::string("FF 17 ") + head + " " + units +
               " 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
    };
    struct Row {
        const char* name;
        bool selectionPanel;
        int flash;  // unit 0..2 at the start; model 3.0
        int mode1;  // 1: Prop
        QKeyCombination key;
        std::function<void()> twin;
        std::string bytes;
    };
    const std::vector<Row> rows = {
        // The Remote Control panel, unit 0 (mask 00 01) at 4.5 / 3.0.
        // The keys as each layout reports what it types: on a US keyboard + is Shift with =,
        // and _ Shift with -; on a German one + and - have keys of their own, and = is
        // Shift with 0. Ctrl with any of them works the model power.
        {"German +", false, 45, 0, QKeyCombination(Qt::Key_Plus), spin(true, true),
         "FF 07 13 00 01 2E 1E"},
        {"US + (Shift =)", false, 45, 0, Qt::ShiftModifier | Qt::Key_Plus, spin(true, true),
         "FF 07 13 00 01 2E 1E"},
        {"US = (the + key unshifted)", false, 45, 0, QKeyCombination(Qt::Key_Equal),
         spin(true, true), "FF 07 13 00 01 2E 1E"},
        {"German = (Shift 0)", false, 45, 0, Qt::ShiftModifier | Qt::Key_Equal, spin(true, true),
         "FF 07 13 00 01 2E 1E"},
        {"keypad +", false, 45, 0, Qt::KeypadModifier | Qt::Key_Plus, spin(true, true),
         "FF 07 13 00 01 2E 1E"},
        {"US and German -", false, 45, 0, QKeyCombination(Qt::Key_Minus), spin(true, false),
         "FF 07 13 00 01 2C 1E"},
        {"US and German _ (Shift -)", false, 45, 0, Qt::ShiftModifier | Qt::Key_Underscore,
         spin(true, false), "FF 07 13 00 01 2C 1E"},
        {"keypad Shift -", false, 45, 0, Qt::ShiftModifier | Qt::KeypadModifier | Qt::Key_Minus,
         spin(true, false), "FF 07 13 00 01 2C 1E"},
        {"German Ctrl +", false, 45, 0, Qt::ControlModifier | Qt::Key_Plus, spin(false, true),
         "FF 07 14 00 01 2D 1F"},
        {"US Ctrl + (Ctrl Shift =)", false, 45, 0,
         Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Plus, spin(false, true),
         "FF 07 14 00 01 2D 1F"},
        {"US Ctrl =", false, 45, 0, Qt::ControlModifier | Qt::Key_Equal, spin(false, true),
         "FF 07 14 00 01 2D 1F"},
        {"keypad Ctrl +", false, 45, 0, Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Plus,
         spin(false, true), "FF 07 14 00 01 2D 1F"},
        {"US and German Ctrl -", false, 45, 0, Qt::ControlModifier | Qt::Key_Minus,
         spin(false, false), "FF 07 14 00 01 2D 1D"},
        {"US and German Ctrl _", false, 45, 0,
         Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Underscore, spin(false, false),
         "FF 07 14 00 01 2D 1D"},
        {"keypad Ctrl -", false, 45, 0, Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Minus,
         spin(false, false), "FF 07 14 00 01 2D 1D"},
        {"Page Up", false, 45, 0, QKeyCombination(Qt::Key_PageUp), channel(true),
         "FF 07 13 00 01 37 1E"},
        {"Page Down", false, 45, 0, QKeyCombination(Qt::Key_PageDown), channel(false),
         "FF 07 13 00 01 23 1E"},
        {"Page Up under Prop", false, 45, 1, QKeyCombination(Qt::Key_PageUp), channel(true),
         "FF 07 13 00 01 37 28"},
        {"Page Up held at 8.1, under Prop", false, 75, 1, QKeyCombination(Qt::Key_PageUp),
         channel(true), "FF 07 13 00 01 51 24"},
        {"T", false, 45, 0, QKeyCombination(Qt::Key_T), test, "FF 07 1B 00 01 00 00"},
        {"Space", false, 45, 0, QKeyCombination(Qt::Key_Space), tick, ""},
        // The selected-units panel, units 0 and 1 ticked (mask 00 03), unit 2 not.
        {"+, selected units", true, 45, 0, QKeyCombination(Qt::Key_Plus), spin(true, true),
         pairs("1E", "2E 1E 2E 1E 2D 1E")},
        {"Ctrl -, selected units", true, 45, 0, Qt::ControlModifier | Qt::Key_Minus,
         spin(false, false), pairs("1F", "2D 1D 2D 1D 2D 1E")},
        {"Page Down, selected units", true, 45, 0, QKeyCombination(Qt::Key_PageDown),
         channel(false), pairs("1E", "23 1E 23 1E 2D 1E")},
        {"T, selected units", true, 45, 0, QKeyCombination(Qt::Key_T), test,
         "FF 07 1B 00 03 00 00"},
        {"Space, selected units", true, 45, 0, QKeyCombination(Qt::Key_Space), tick, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Prepare(row.flash, row.mode1, row.selectionPanel);
        row.twin();
        const std::string twinSent = Sent();
        const std::string twinLook = Look();
        Prepare(row.flash, row.mode1, row.selectionPanel);
        ASSERT_EQ(QApplication::focusWidget(), &grid());
        QTest::keyClick(&grid(), row.key.key(), row.key.keyboardModifiers());
        EXPECT_EQ(twinSent, row.bytes);
        EXPECT_EQ(Sent(), row.bytes);
        EXPECT_EQ(Look(), twinLook);
    }

    // Greyed twins: no unit shown (another studio chosen), and unit 0 switched off.
    ChooseCombo(0);
    const std::vector<QKeyCombination> keys = {
        QKeyCombination(Qt::Key_Plus),          QKeyCombination(Qt::Key_Equal),
        QKeyCombination(Qt::Key_Minus),         Qt::ShiftModifier | Qt::Key_Plus,
        Qt::ShiftModifier | Qt::Key_Underscore, Qt::ControlModifier | Qt::Key_Plus,
        Qt::ControlModifier | Qt::Key_Minus,    QKeyCombination(Qt::Key_PageUp),
        QKeyCombination(Qt::Key_PageDown),      QKeyCombination(Qt::Key_T)};
    const std::vector<std::pair<const char*, std::function<void()>>> greyed = {
        {"no unit", [&] { ClickItem(list().StudioItem(1)); }},
        {"power off",
         [&] {
             ClickItem(list().StudioItem(0));
             ClickBlock(0);
             QTest::mouseClick(single().powerButton, Qt::LeftButton);
             ASSERT_EQ(Sent(), "FF 07 1D 00 01 00 00");
         }},
    };
    for (const auto& [mode, enter] : greyed) {
        enter();
        grid().setFocus();
        for (const QKeyCombination key : keys) {
            SCOPED_TRACE(std::string(mode) + ", " + QKeySequence(key).toString().toStdString());
            const std::string before = Look();
            QTest::keyClick(&grid(), key.key(), key.keyboardModifiers());
            PumpEvents(5ms);
            EXPECT_EQ(Sent(), "");
            EXPECT_EQ(Look(), before);
        }
    }
}

// A key is taken from wherever the focus is, unless the focused control has a standard use
// for it: a text field keeps every key, a button, a check box or the combo keeps Space, a
// slider keeps Page Up and Page Down.
TEST_F(CKeyboardTest, TheFocusedControlKeepsOnlyTheKeysItHasAUseFor) {
    Start({0, 1});
    QLineEdit* memoryEdit = memoryName();
    auto* info = panel().findChild<QPlainTextEdit*>(QStringLiteral("infoEdit"));
    auto* files = panel().findChild<QTreeWidget*>(QStringLiteral("fileList"));
    struct Row {
        const char* place;
        QWidget* focus;
        QKeyCombination key;
        std::string bytes;
        bool ticks;  // unit 0's box changes
    };
    const std::vector<Row> rows = {
        // Taken.
        {"tree", &list().Tree(), QKeyCombination(Qt::Key_Plus), "FF 07 13 00 01 2E 1E", false},
        {"tree", &list().Tree(), QKeyCombination(Qt::Key_Space), "", true},
        {"tree", &list().Tree(), QKeyCombination(Qt::Key_PageDown), "FF 07 13 00 01 23 1E", false},
        {"grid", &grid(), QKeyCombination(Qt::Key_PageUp), "FF 07 13 00 01 37 1E", false},
        {"file list", files, QKeyCombination(Qt::Key_T), "FF 07 1B 00 01 00 00", false},
        {"combo", combo(), QKeyCombination(Qt::Key_PageDown), "FF 07 13 00 01 23 1E", false},
        {"Cell", single().cellCheck, QKeyCombination(Qt::Key_Minus), "FF 07 13 00 01 2C 1E", false},
        {"model slider", single().modelSlider, QKeyCombination(Qt::Key_Plus),
         "FF 07 13 00 01 2E 1E", false},
        {"model spin", single().modelSpin, QKeyCombination(Qt::Key_Space), "", true},
        // Kept: pressed, moved, typed or scrolled by the control itself.
        {"Cell", single().cellCheck, QKeyCombination(Qt::Key_Space), "FF 07 17 00 01 00 02", false},
        {"Test", single().testButton, QKeyCombination(Qt::Key_Space), "FF 07 1B 00 01 00 00",
         false},
        {"model slider", single().modelSlider, QKeyCombination(Qt::Key_PageUp),
         "FF 07 14 00 01 2D 28", false},
        {"memory name", memoryEdit, QKeyCombination(Qt::Key_Plus), "", false},
        {"memory name", memoryEdit, QKeyCombination(Qt::Key_T), "", false},
        {"memory name", memoryEdit, QKeyCombination(Qt::Key_Space), "", false},
        {"unit name", &list().NameEdit(), QKeyCombination(Qt::Key_Minus), "", false},
        {"information", info, QKeyCombination(Qt::Key_PageDown), "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.place) + ", " +
                     QKeySequence(row.key).toString().toStdString());
        ClickItem(ItemOf(*unit(0)));  // a unit chosen in the tree: its name edit is enabled
        ASSERT_TRUE(pty.Write(Status(0x0003, 45, 30, 0)));
        const std::array<int, 9> reported{45, 0, 0, 1, 1, 30, 0, 0, 1};
        ASSERT_TRUE(WaitUntil([&] {
            return Settings(unit(0)) == reported && single().flashLabel->text() == "4.5" &&
                   single().modelLabel->text() == "3.0";
        }));
        pty.ReadAvailable(20ms);
        const int ticked = unit(0)->bSelected;
        row.focus->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), row.focus);
        QTest::keyClick(row.focus, row.key.key(), row.key.keyboardModifiers());
        EXPECT_EQ(Sent(), row.bytes);
        EXPECT_EQ(unit(0)->bSelected != ticked, row.ticks);
        EXPECT_EQ(panel().ComboIndex(), 0);
        if (QApplication::activePopupWidget() != nullptr) {
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        }
    }
    EXPECT_EQ(memoryEdit->text(), "+t ");
    EXPECT_EQ(list().NameEdit().text(), "Not define-");
    // The combo keeps Space: it opens its list.
    combo()->setFocus();
    QTest::keyClick(combo(), Qt::Key_Space);
    EXPECT_TRUE(WaitUntil([] { return QApplication::activePopupWidget() != nullptr; }));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    EXPECT_EQ(Sent(), "");
}

// Tab goes through the studio list, the panel (the selected-units panel's controls in the
// single-unit controls' place) and the grid, and back; wherever it stops, the focus shows.
TEST_F(CKeyboardTest, TabGoesThroughTreePanelAndGridAndTheFocusShows) {
    Start({0, 1});
    ClickItem(ItemOf(*unit(0)));
    const auto chainFrom = [](QWidget* first) {
        std::vector<QWidget*> chain;
        first->setFocus();
        do {
            chain.push_back(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        } while (QApplication::focusWidget() != first && chain.size() < 60);
        return chain;
    };
    const CPowerControlSet& c = single();
    auto* files = panel().findChild<QTreeWidget*>(QStringLiteral("fileList"));
    auto* info = panel().findChild<QPlainTextEdit*>(QStringLiteral("infoEdit"));
    const std::vector<QWidget*> expected = {
        &list().Tree(), &list().NameEdit(), combo(),      c.flashSpin,  c.flashSlider, c.cellCheck,
        c.soundCheck,   c.powerButton,      c.testButton, c.modelSpin,  c.modelSlider, c.freeRadio,
        c.offCheck,     c.continousRadio,   files,        memoryName(), info,          &grid()};
    const std::vector<QWidget*> chain = chainFrom(&list().Tree());
    EXPECT_EQ(chain, expected);
    // Back the other way.
    QTest::keyClick(&list().Tree(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), &grid());

    // Wherever Tab stops, the control looks different with the focus than without it.
    for (QWidget* w : chain) {
        SCOPED_TRACE(w->objectName().toStdString() + " " + w->metaObject()->className());
        (w == &grid() ? static_cast<QWidget*>(&list().Tree()) : &grid())->setFocus();
        // With what is drawn around it.
        const auto look = [&] {
            QWidget* window = w->window();
            return window
                ->grab(QRect(w->mapTo(window, QPoint(0, 0)), w->size()).adjusted(-3, -3, 3, 3))
                .toImage();
        };
        const QImage without = look();
        w->setFocus();
        ASSERT_TRUE(w->hasFocus());
        EXPECT_NE(look(), without);
    }

    // The selected-units panel's controls come where the single-unit ones were.
    ChooseCombo(1);
    const CPowerControlSet& s = selection();
    const std::vector<QWidget*> selected = chainFrom(combo());
    const std::vector<QWidget*> expectedSelected = {
        combo(),      s.flashSpin,  s.flashSlider, s.cellCheck, s.soundCheck,   s.powerButton,
        s.testButton, s.modelSpin,  s.modelSlider, s.freeRadio, s.offCheck,     s.continousRadio,
        files,        memoryName(), info,          &grid(),     &list().Tree(), &list().NameEdit()};
    EXPECT_EQ(selected, expectedSelected);
}
