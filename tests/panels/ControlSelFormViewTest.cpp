#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

#include "PanelTestKit.h"
#include "model/FieldCode.h"
#include "panels/CControlSelFormView.h"
#include "panels/CPowerControlSet.h"
#include "support/ViewMessages.h"
#include "widgets/CFlatSliderCtrl.h"
#include "widgets/CUserButton.h"
#include "widgets/CUserStatic.h"

using namespace panel_input;

namespace {

// The selected-units panel as the operator reaches it: through the combo of the Remote
// Control panel, with units ticked in the grid.
class ControlSelFormViewTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        MakeView();
    }

    void ShowSelectionPanel() {
        auto* combo = Find<QComboBox>("modeCombo");
        combo->setEnabled(true);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        ASSERT_TRUE(view->SelectionPanel()->isVisible());
        panel = view->SelectionPanel();
        host->Written();
        host->navigationRecorder.Clear();
    }

    template <class T>
    T* In(const char* name) {
        return Find<T>(name, panel);
    }
    CFlatSpinButtonCtrl* FlashSpin() { return In<CFlatSpinButtonCtrl>("flashSpin"); }
    CFlatSpinButtonCtrl* ModelSpin() { return In<CFlatSpinButtonCtrl>("modelSpin"); }
    QString FlashText() { return In<CUserStatic>("flashLabel")->text(); }
    QString ModelText() { return In<CUserStatic>("modelLabel")->text(); }

    // Hex of the power-pairs frame for studio A as it stands.
    static QString Pairs(const char* command, std::initializer_list<std::pair<int, int>> values) {
        QString hex = QStringLiteral("FF 17 ") + QString::fromLatin1(command);
        int i = 0;
        for (const auto& [flash, model] : values) {
            hex += QStringLiteral(" %1 %2")
                       .arg(flash, 2, 16, QLatin1Char('0'))
                       .arg(model, 2, 16, QLatin1Char('0'))
                       .toUpper();
            ++i;
        }
        for (; i < kSlotCount; ++i) {
            hex += QStringLiteral(" 00 00");
        }
        return hex;
    }

    CControlSelFormView* panel = nullptr;
};

TEST_F(ControlSelFormViewTest, SpinOffsetsMoveTickedUnitsAndSendPowerPairs) {
    StrobeData* a = AddUnit(0, 50, 40);
    StrobeData* b = AddUnit(1, 60, 40);
    StrobeData* unticked = AddUnit(2, 30, 30);
    a->bSelected = b->bSelected = 1;
    ShowSelectionPanel();

    for (int i = 0; i < 3; ++i) {
        ClickSpin(FlashSpin(), true);
    }
    EXPECT_EQ(FlashText(), "0.3");
    EXPECT_EQ(ModelText(), "0.0");
    EXPECT_EQ(In<CFlatSliderCtrl>("flashSlider")->value(), 85);
    EXPECT_EQ(a->nFlashValue, 53);
    EXPECT_EQ(b->nFlashValue, 63);
    EXPECT_EQ(a->nModelValue, 40);
    EXPECT_EQ(unticked->nFlashValue, 30);
    // Three frames, each with all ten slots as they stood after that click.
    const QString written = Written();
    EXPECT_EQ(written, Pairs("1E", {{51, 40}, {61, 40}, {30, 30}}) + " " +
                           Pairs("1E", {{52, 40}, {62, 40}, {30, 30}}) + " " +
                           Pairs("1E", {{53, 40}, {63, 40}, {30, 30}}));
    const auto posted = GridMessages(WM_SELECTION_EDITED);
    ASSERT_EQ(posted.size(), 3);
    EXPECT_EQ(posted[0].wParam, kFieldModelValue);

    // The model spin sends the model table.
    ClickSpin(ModelSpin(), false);
    EXPECT_EQ(ModelText(), "-0.1");
    EXPECT_EQ(a->nModelValue, 39);
    EXPECT_EQ(Written(), Pairs("1F", {{53, 39}, {63, 39}, {30, 30}}));
}

TEST_F(ControlSelFormViewTest, ClampedPartIsNotGivenBack) {
    StrobeData* a = AddUnit(0, 80, 40);
    a->bSelected = 1;
    ShowSelectionPanel();
    for (int i = 0; i < 5; ++i) {
        ClickSpin(FlashSpin(), true);
    }
    EXPECT_EQ(FlashText(), "0.5");
    EXPECT_EQ(a->nFlashValue, 81);
    for (int i = 0; i < 5; ++i) {
        ClickSpin(FlashSpin(), false);
    }
    EXPECT_EQ(FlashText(), "0.0");
    EXPECT_EQ(a->nFlashValue, 76);
}

TEST_F(ControlSelFormViewTest, EachUnitsOwnModeDecidesWhichValuesMove) {
    StrobeData* prop = AddUnit(0, 40, 40, /*mode1=*/1);
    StrobeData* free = AddUnit(5, 40, 40, /*mode1=*/0);
    prop->bSelected = free->bSelected = 1;
    ShowSelectionPanel();

    ClickSpin(FlashSpin(), true);
    ClickSpin(FlashSpin(), true);
    EXPECT_EQ(ModelText(), "0.0");  // the panel's own mode is neither
    EXPECT_EQ(prop->nFlashValue, 42);
    EXPECT_EQ(prop->nModelValue, 42);
    EXPECT_EQ(free->nFlashValue, 42);
    EXPECT_EQ(free->nModelValue, 40);

    ClickSpin(ModelSpin(), true);
    EXPECT_EQ(prop->nFlashValue, 43);
    EXPECT_EQ(prop->nModelValue, 43);
    EXPECT_EQ(free->nFlashValue, 42);
    EXPECT_EQ(free->nModelValue, 41);
}

TEST_F(ControlSelFormViewTest, PropInThePanelSetsUnitsAndLinksTheOffsets) {
    StrobeData* a = AddUnit(0, 40, 20);
    StrobeData* b = AddUnit(6, 40, 20);
    a->bSelected = b->bSelected = 1;
    ShowSelectionPanel();

    QTest::mouseClick(In<QRadioButton>("propRadio"), Qt::LeftButton);
    EXPECT_EQ(panel->Mode1(), 1);
    EXPECT_EQ(a->nModelMode1, 1);
    EXPECT_EQ(b->nModelMode1, 1);
    // One frame to both units (mask 0x0201), the value from the last of them.
    EXPECT_EQ(Written(), "FF 07 15 02 01 00 08");
    ASSERT_EQ(GridMessages(WM_SELECTION_EDITED).size(), 1);
    EXPECT_EQ(GridMessages(WM_SELECTION_EDITED)[0].wParam, kFieldModelMode1);

    ClickSpin(FlashSpin(), true);
    EXPECT_EQ(FlashText(), "0.1");
    EXPECT_EQ(ModelText(), "0.1");
    EXPECT_EQ(In<CFlatSliderCtrl>("modelSlider")->value(), 83);
    EXPECT_EQ(a->nFlashValue, 41);
    EXPECT_EQ(a->nModelValue, 21);
}

TEST_F(ControlSelFormViewTest, TestAddressesEveryTickedUnitInOneFrame) {
    for (int index : {0, 3, 7}) {
        AddUnit(index, 40, 40)->bSelected = 1;
    }
    AddUnit(9, 40, 40);
    ShowSelectionPanel();
    QTest::mouseClick(In<QPushButton>("testButton"), Qt::LeftButton);
    EXPECT_EQ(Written(), "FF 07 1B 04 09 00 00");
    EXPECT_TRUE(GridMessages(WM_SELECTION_EDITED).isEmpty());
}

TEST_F(ControlSelFormViewTest, NothingTickedChangesOnlyThePanel) {
    StrobeData* a = AddUnit(0, 40, 40);
    ShowSelectionPanel();

    auto* cell = In<QCheckBox>("cellCheck");
    QTest::mouseClick(cell, Qt::LeftButton);
    EXPECT_TRUE(cell->isChecked());
    QTest::mouseClick(In<QPushButton>("testButton"), Qt::LeftButton);
    // An offset change made now is used up: units ticked later get only later changes.
    ClickSpin(FlashSpin(), true);
    ClickSpin(FlashSpin(), true);
    EXPECT_EQ(FlashText(), "0.2");
    EXPECT_EQ(Written(), "");
    EXPECT_TRUE(GridMessages(WM_SELECTION_EDITED).isEmpty());
    EXPECT_EQ(a->bFlashCell, 0);
    EXPECT_EQ(a->nFlashValue, 40);

    a->bSelected = 1;
    ClickSpin(FlashSpin(), true);
    EXPECT_EQ(a->nFlashValue, 41);
    QTest::mouseClick(cell, Qt::LeftButton);
    EXPECT_FALSE(cell->isChecked());
    EXPECT_EQ(a->bFlashCell, 0);
    EXPECT_EQ(Written(), Pairs("1E", {{41, 40}}) + " FF 07 17 00 01 00 00");
}

TEST_F(ControlSelFormViewTest, SwitchesSetEveryTickedUnit) {
    StrobeData* a = AddUnit(2, 40, 40);
    StrobeData* b = AddUnit(8, 40, 40);
    a->bSelected = b->bSelected = 1;
    ShowSelectionPanel();

    QTest::mouseClick(In<CUserButton>("powerButton"), Qt::LeftButton);
    EXPECT_EQ(a->bFlashPow, 1);
    EXPECT_EQ(Written(), "FF 07 1D 08 04 00 01");
    QTest::mouseClick(In<QCheckBox>("offCheck"), Qt::LeftButton);
    EXPECT_EQ(a->bModelPow, 0);
    EXPECT_EQ(b->bModelPow, 0);
    EXPECT_EQ(ModelText(), "0.0");  // unlike the single-unit panel, no "OFF" here
    EXPECT_EQ(Written(), "FF 07 1C 08 04 00 00");
    QTest::mouseClick(In<QRadioButton>("continousRadio"), Qt::LeftButton);
    EXPECT_EQ(b->nModelMode2, 1);
    EXPECT_EQ(Written(), "FF 07 16 08 04 00 10");
    // Power off does not disable anything here.
    QTest::mouseClick(In<CUserButton>("powerButton"), Qt::LeftButton);
    EXPECT_EQ(b->bFlashPow, 0);
    EXPECT_TRUE(In<QCheckBox>("cellCheck")->isEnabled());

    QVector<qintptr> codes;
    for (const auto& m : GridMessages(WM_SELECTION_EDITED)) {
        codes << m.wParam;
    }
    EXPECT_EQ(codes,
              (QVector<qintptr>{kFieldFlashPow, kFieldModelPow, kFieldModelMode2, kFieldFlashPow}));
}

TEST_F(ControlSelFormViewTest, SliderSnapsFirstStepBackAndAppliesOnRelease) {
    StrobeData* a = AddUnit(0, 40, 40);
    a->bSelected = 1;
    ShowSelectionPanel();
    auto* slider = In<CFlatSliderCtrl>("flashSlider");
    // 163 positions need more pixels than the template gives the slider for the mouse to
    // reach each one.
    slider->resize(4 * OFFSET_SLIDER_MAX, slider->height());
    In<CFlatSliderCtrl>("modelSlider")->resize(4 * OFFSET_SLIDER_MAX, slider->height());

    // The first tracking position 83 from the centre is taken as the centre.
    DragThumb(slider, {83}, /*release=*/false);
    EXPECT_EQ(slider->value(), 82);
    EXPECT_EQ(FlashText(), "0.0");
    // Later positions count; nothing is applied while dragging.
    SendMouse(slider, QEvent::MouseMove,
              ThumbCentre(slider) + QPoint(PixelOf(slider, 86) - PixelOf(slider, 82), 0),
              Qt::LeftButton);
    EXPECT_EQ(FlashText(), "0.4");
    EXPECT_EQ(a->nFlashValue, 40);
    EXPECT_EQ(Written(), "");
    SendMouse(slider, QEvent::MouseButtonRelease, ThumbCentre(slider), Qt::NoButton);
    EXPECT_EQ(a->nFlashValue, 44);
    EXPECT_EQ(Written(), Pairs("1E", {{44, 40}}));

    // After the release the snap is armed again, also for the other slider; but only an
    // offset of 0 snaps.
    DragThumb(slider, {87});
    EXPECT_EQ(FlashText(), "0.5");
    EXPECT_EQ(a->nFlashValue, 45);
    DragThumb(In<CFlatSliderCtrl>("modelSlider"), {83});
    EXPECT_EQ(ModelText(), "0.0");
    EXPECT_EQ(a->nModelValue, 40);
}

// A key moves an offset by exactly its step (the first drag's snap is the mouse's), shown at
// once and applied when the key is let go of.
TEST_F(ControlSelFormViewTest, KeyboardSliderMoveShowsAtOnceAndAppliesWhenLetGo) {
    StrobeData* a = AddUnit(0, 40, 40);
    a->bSelected = 1;
    ShowSelectionPanel();
    auto* slider = In<CFlatSliderCtrl>("modelSlider");
    slider->setFocus();
    QTest::keyPress(slider, Qt::Key_Right);
    EXPECT_EQ(slider->value(), 83);
    EXPECT_EQ(ModelText(), "0.1");
    EXPECT_EQ(a->nModelValue, 40);
    EXPECT_EQ(Written(), "");
    QTest::keyRelease(slider, Qt::Key_Right);
    EXPECT_EQ(a->nModelValue, 41);
    EXPECT_EQ(Written(), Pairs("1F", {{40, 41}}));

    QTest::keyClick(slider, Qt::Key_PageDown);
    EXPECT_EQ(ModelText(), "-0.9");
    EXPECT_EQ(a->nModelValue, 31);
    EXPECT_EQ(Written(), Pairs("1F", {{40, 31}}));
}

TEST_F(ControlSelFormViewTest, EveryShowingStartsFromAReset) {
    StrobeData* a = AddUnit(0, 40, 40);
    a->bSelected = 1;
    // Made when the combo first asks for it, then kept: every later showing resets it.
    EXPECT_EQ(view->findChild<CControlSelFormView*>(), nullptr);
    ShowSelectionPanel();
    QTest::mouseClick(In<QRadioButton>("propRadio"), Qt::LeftButton);
    QTest::mouseClick(In<QCheckBox>("soundCheck"), Qt::LeftButton);
    ClickSpin(FlashSpin(), true);
    EXPECT_EQ(a->nFlashValue, 41);

    auto* combo = Find<QComboBox>("modeCombo");
    QTest::keyClick(combo, Qt::Key_Up);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(view->findChildren<CControlSelFormView*>(), QList<CControlSelFormView*>{panel});
    EXPECT_EQ(FlashText(), "0.0");
    EXPECT_EQ(ModelText(), "0.0");
    EXPECT_EQ(panel->Mode1(), -1);
    EXPECT_EQ(panel->Mode2(), -1);
    EXPECT_FALSE(In<QRadioButton>("propRadio")->isChecked());
    EXPECT_FALSE(In<QCheckBox>("soundCheck")->isChecked());
    EXPECT_EQ(In<CFlatSliderCtrl>("flashSlider")->value(), 82);
    host->Written();
    // The last offsets start again at 0: one step is one step.
    ClickSpin(FlashSpin(), true);
    EXPECT_EQ(a->nFlashValue, 42);
    EXPECT_EQ(a->nModelValue, 42);  // the unit itself is in Prop mode now
}

}  // namespace
