#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPaintEvent>
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

class ControlFormViewTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        MakeView();
        unit = AddUnit(0, 45, 30);
        Pick(unit);
        host->Written();
        host->navigationRecorder.Clear();
    }

    CUserStatic* FlashLabel() { return Find<CUserStatic>("flashLabel"); }
    CUserStatic* ModelLabel() { return Find<CUserStatic>("modelLabel"); }
    CFlatSliderCtrl* FlashSlider() { return Find<CFlatSliderCtrl>("flashSlider"); }
    CFlatSliderCtrl* ModelSlider() { return Find<CFlatSliderCtrl>("modelSlider"); }

    // Names of the single-unit controls that are enabled, in template order.
    QStringList Enabled() {
        QStringList names;
        for (QWidget* w : view->Controls().SettingControls()) {
            if (w->isEnabled()) {
                names << w->objectName();
            }
        }
        if (Find<QComboBox>("modeCombo")->isEnabled()) {
            names << QStringLiteral("modeCombo");
        }
        return names;
    }

    StrobeData* unit = nullptr;
};

// Pixels of a widget's own drawing in the value labels' green.
int GreenPixels(QWidget* w) {
    const QImage image = w->grab().toImage();
    int green = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            green += c.green() > 150 && c.red() < 100 && c.blue() < 100 ? 1 : 0;
        }
    }
    return green;
}

// What a widget is asked to paint.
class CPaintSpy : public QObject {
public:
    explicit CPaintSpy(QWidget* w) { w->installEventFilter(this); }
    QRegion painted;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            painted |= static_cast<QPaintEvent*>(e)->region();
        }
        return false;
    }
};

TEST_F(ControlFormViewTest, PickShowsTheUnitAndEnablesItsControls) {
    EXPECT_EQ(FlashLabel()->text(), "4.5");
    EXPECT_EQ(ModelLabel()->text(), "3.0");
    EXPECT_EQ(FlashSlider()->value(), 45);
    EXPECT_EQ(ModelSlider()->value(), 30);
    EXPECT_TRUE(Find<QRadioButton>("freeRadio")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>("flashPropRadio")->isChecked());
    EXPECT_TRUE(Find<CUserButton>("powerButton")->isChecked());
    EXPECT_EQ(Enabled().size(), 16);
    // A pick only shows: nothing goes to the unit.
    EXPECT_EQ(Written(), "");
}

TEST_F(ControlFormViewTest, SpinStepsStoreSendAndNotifyUnlessAtTheBound) {
    // Flash spin up at 81: nothing at all happens.
    unit->nFlashValue = 81;
    Pick(unit);
    ClickSpin(Find<CFlatSpinButtonCtrl>("flashSpin"), true);
    EXPECT_EQ(FlashLabel()->text(), "8.1");
    EXPECT_EQ(Written(), "");
    EXPECT_TRUE(GridMessages(WM_UNIT_FIELD).isEmpty());

    // One step down: label, slider, record, then flash-power frame with both values.
    ClickSpin(Find<CFlatSpinButtonCtrl>("flashSpin"), false);
    EXPECT_EQ(FlashLabel()->text(), "8.0");
    EXPECT_EQ(FlashSlider()->value(), 80);
    EXPECT_EQ(unit->nFlashValue, 80);
    EXPECT_EQ(unit->nModelValue, 30);  // Free: the model stays
    EXPECT_EQ(Written(), "FF 07 13 00 01 50 1E");
    const auto posted = GridMessages(WM_UNIT_FIELD);
    ASSERT_EQ(posted.size(), 1);
    EXPECT_EQ(posted[0].wParam, kFieldFlashValue);
    EXPECT_EQ(posted[0].lParam, 0u);

    // Model spin down at 11 does nothing; under Prop a model step moves the flash with it.
    unit->nModelValue = 11;
    unit->nModelMode1 = 1;
    Pick(unit);
    host->navigationRecorder.Clear();
    ClickSpin(Find<CFlatSpinButtonCtrl>("modelSpin"), false);
    EXPECT_EQ(Written(), "");
    ClickSpin(Find<CFlatSpinButtonCtrl>("modelSpin"), true);
    EXPECT_EQ(ModelLabel()->text(), "1.2");
    EXPECT_EQ(FlashLabel()->text(), "8.1");
    EXPECT_EQ(unit->nFlashValue, 81);
    EXPECT_EQ(unit->nModelValue, 12);
    EXPECT_EQ(Written(), "FF 07 14 00 01 51 0C");
    ASSERT_EQ(GridMessages(WM_UNIT_FIELD).size(), 1);
    EXPECT_EQ(GridMessages(WM_UNIT_FIELD)[0].wParam, kFieldModelValue);
}

TEST_F(ControlFormViewTest, PowerOffLeavesOnlyComboAndPowerButtonUsable) {
    auto* power = Find<CUserButton>("powerButton");
    QTest::mouseClick(power, Qt::LeftButton);
    EXPECT_FALSE(power->isChecked());
    EXPECT_EQ(unit->bFlashPow, 0);
    EXPECT_EQ(Written(), "FF 07 1D 00 01 00 00");
    EXPECT_EQ(Enabled(), (QStringList{"powerButton", "modeCombo"}));
    ASSERT_EQ(GridMessages(WM_UNIT_FIELD).size(), 1);
    EXPECT_EQ(GridMessages(WM_UNIT_FIELD)[0].wParam, kFieldFlashPow);
    // The disabled values grey with the rest of the panel.
    EXPECT_EQ(GreenPixels(FlashLabel()), 0);
    EXPECT_EQ(GreenPixels(ModelLabel()), 0);

    QTest::mouseClick(power, Qt::LeftButton);
    EXPECT_EQ(unit->bFlashPow, 1);
    EXPECT_EQ(Written(), "FF 07 1D 00 01 00 01");
    EXPECT_EQ(Enabled().size(), 16);
    EXPECT_GT(GreenPixels(FlashLabel()), 20);
}

TEST_F(ControlFormViewTest, NewValuesRepaintTheLabelsOnlyNotTheGroupsBehindThem) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    QApplication::processEvents();
    auto* flashGroup = Find<QGroupBox>("flashGroup");
    CPaintSpy group(flashGroup);
    CPaintSpy label(FlashLabel());
    unit->nFlashValue = 50;
    host->unitControl.UnitChanged(RefOf(unit), kFieldFlashValue);
    QApplication::processEvents();
    EXPECT_EQ(FlashLabel()->text(), "5.0");
    EXPECT_FALSE(label.painted.isEmpty());
    // The slider moved too and the group repaints behind it; behind the label it does not.
    const QRect behindLabel(flashGroup->mapFrom(view.get(), FlashLabel()->pos()),
                            FlashLabel()->size());
    EXPECT_TRUE(group.painted.intersected(behindLabel).isEmpty());
}

TEST_F(ControlFormViewTest, OffShowsOffSendsModelLampCommandAndTellsTheGrid) {
    QTest::mouseClick(Find<QCheckBox>("offCheck"), Qt::LeftButton);
    EXPECT_EQ(ModelLabel()->text(), "OFF");
    EXPECT_EQ(unit->bModelPow, 0);
    EXPECT_EQ(Written(), "FF 07 1C 00 01 00 00");
    ASSERT_EQ(GridMessages(WM_UNIT_FIELD).size(), 1);
    EXPECT_EQ(GridMessages(WM_UNIT_FIELD)[0].wParam, kFieldModelPow);

    // While the lamp is off a model step keeps showing OFF but still stores and sends.
    ClickSpin(Find<CFlatSpinButtonCtrl>("modelSpin"), true);
    EXPECT_EQ(ModelLabel()->text(), "OFF");
    EXPECT_EQ(unit->nModelValue, 31);
    EXPECT_EQ(Written(), "FF 07 14 00 01 2D 1F");

    QTest::mouseClick(Find<QCheckBox>("offCheck"), Qt::LeftButton);
    EXPECT_EQ(ModelLabel()->text(), "3.1");
    EXPECT_EQ(Written(), "FF 07 1C 00 01 00 01");
}

TEST_F(ControlFormViewTest, SwitchesAndModesSendTheirSubCodes) {
    QTest::mouseClick(Find<QCheckBox>("cellCheck"), Qt::LeftButton);
    EXPECT_EQ(unit->bFlashCell, 1);
    EXPECT_EQ(Written(), "FF 07 17 00 01 00 02");
    QTest::mouseClick(Find<QCheckBox>("soundCheck"), Qt::LeftButton);
    EXPECT_EQ(unit->bFlashSnd, 1);
    EXPECT_EQ(Written(), "FF 07 18 00 01 00 04");
    QTest::mouseClick(Find<QPushButton>("testButton"), Qt::LeftButton);
    EXPECT_EQ(Written(), "FF 07 1B 00 01 00 00");

    auto* prop = Find<QRadioButton>("propRadio");
    QTest::mouseClick(prop, Qt::LeftButton);
    EXPECT_EQ(unit->nModelMode1, 1);
    EXPECT_EQ(Written(), "FF 07 15 00 01 00 08");
    // Clicking the ticked button sends again.
    QTest::mouseClick(prop, Qt::LeftButton);
    EXPECT_EQ(Written(), "FF 07 15 00 01 00 08");
    // The two pairs are independent of each other.
    QTest::mouseClick(Find<QRadioButton>("continousRadio"), Qt::LeftButton);
    EXPECT_EQ(unit->nModelMode2, 1);
    EXPECT_EQ(Written(), "FF 07 16 00 01 00 10");
    EXPECT_TRUE(prop->isChecked());
    EXPECT_FALSE(Find<QRadioButton>("flashPropRadio")->isChecked());
    QTest::mouseClick(Find<QRadioButton>("freeRadio"), Qt::LeftButton);
    EXPECT_EQ(unit->nModelMode1, 0);
    EXPECT_FALSE(prop->isChecked());
    EXPECT_TRUE(Find<QRadioButton>("continousRadio")->isChecked());

    QVector<qintptr> codes;
    for (const auto& m : GridMessages(WM_UNIT_FIELD)) {
        codes << m.wParam;
    }
    // Test posts nothing.
    EXPECT_EQ(codes, (QVector<qintptr>{kFieldFlashCell, kFieldFlashSound, kFieldModelMode1,
                                       kFieldModelMode1, kFieldModelMode2, kFieldModelMode1}));
}

TEST_F(ControlFormViewTest, PropDragMovesBothSlidersAndSendsOnceOnRelease) {
    unit->nFlashValue = 40;
    unit->nModelValue = 75;
    unit->nModelMode1 = 1;
    Pick(unit);

    DragThumb(FlashSlider(), {43, 47, 50}, /*release=*/false);
    EXPECT_EQ(FlashLabel()->text(), "5.0");
    EXPECT_EQ(ModelLabel()->text(), "8.1");  // held at the top
    EXPECT_EQ(ModelSlider()->value(), 81);
    EXPECT_EQ(unit->nFlashValue, 40);  // nothing stored or sent while dragging
    EXPECT_EQ(Written(), "");

    SendMouse(FlashSlider(), QEvent::MouseButtonRelease, ThumbCentre(FlashSlider()), Qt::NoButton);
    EXPECT_EQ(unit->nFlashValue, 50);
    EXPECT_EQ(unit->nModelValue, 81);
    EXPECT_EQ(Written(), "FF 07 13 00 01 32 51");
    ASSERT_EQ(GridMessages(WM_UNIT_FIELD).size(), 1);

    // Dragging back does not give the model back what the limit cut off.
    DragThumb(FlashSlider(), {40});
    EXPECT_EQ(unit->nFlashValue, 40);
    EXPECT_EQ(unit->nModelValue, 71);
    EXPECT_EQ(Written(), "FF 07 13 00 01 28 47");
}

// A thumb moved with the keys never sits where its label and the unit are not: the label
// follows every step, and letting go of the key (or of the focus) sends the position once.
TEST_F(ControlFormViewTest, KeyboardSliderMoveShowsAtOnceAndSendsOnceWhenLetGo) {
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    auto* slider = ModelSlider();
    slider->setFocus();
    QTest::keyPress(slider, Qt::Key_Right);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(slider, &repeat);
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(slider, &repeatRelease);
    EXPECT_EQ(slider->value(), 32);
    EXPECT_EQ(ModelLabel()->text(), "3.2");
    EXPECT_EQ(unit->nModelValue, 30);
    EXPECT_EQ(Written(), "");
    QTest::keyRelease(slider, Qt::Key_Right);
    EXPECT_EQ(unit->nModelValue, 32);
    EXPECT_EQ(Written(), "FF 07 14 00 01 2D 20");

    // Under Prop the flash thumb and label follow, as in a drag; one frame for both values.
    unit->nModelMode1 = 1;
    Pick(unit);
    QTest::keyClick(slider, Qt::Key_PageUp);
    EXPECT_EQ(FlashLabel()->text(), "5.5");
    EXPECT_EQ(FlashSlider()->value(), 55);
    EXPECT_EQ(Written(), "FF 07 14 00 01 37 2A");

    // At the end of its range a key moves nothing and sends nothing.
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(Written(), "FF 07 14 00 01 51 51");
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(Written(), "");

    // Held while the focus goes elsewhere: the release will not come here, the move is taken.
    QTest::keyPress(slider, Qt::Key_Left);
    EXPECT_EQ(Written(), "");
    FlashSlider()->setFocus();
    EXPECT_EQ(Written(), "FF 07 14 00 01 50 50");
    EXPECT_EQ(unit->nModelValue, 80);

    // Held while the unit is switched off (the slider greys): nothing is sent, and thumb and
    // label show the unit's value again.
    slider->setFocus();
    QTest::keyPress(slider, Qt::Key_Left);
    EXPECT_EQ(ModelLabel()->text(), "7.9");
    unit->bFlashPow = 0;
    host->unitControl.UnitChanged(RefOf(unit), kFieldFlashPow);
    ASSERT_FALSE(slider->isEnabled());
    EXPECT_EQ(Written(), "");
    EXPECT_EQ(ModelLabel()->text(), "8.0");
    EXPECT_EQ(FlashLabel()->text(), "8.0");
    EXPECT_EQ(slider->value(), 80);
    EXPECT_EQ(unit->nModelValue, 80);
}

TEST_F(ControlFormViewTest, GridRebuildResetsPanelBackToSingleUnitControlsDisabled) {
    auto* combo = Find<QComboBox>("modeCombo");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(view->ComboIndex(), 1);
    ASSERT_NE(view->SelectionPanel(), nullptr);
    EXPECT_TRUE(view->SelectionPanel()->isVisible());
    EXPECT_FALSE(FlashLabel()->isVisible());
    EXPECT_FALSE(Find<CUserButton>("powerButton")->isVisible());

    view->Reset();
    EXPECT_EQ(view->ComboIndex(), 0);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_FALSE(view->SelectionPanel()->isVisible());
    EXPECT_TRUE(FlashLabel()->isVisible());
    EXPECT_TRUE(Enabled().isEmpty());
    EXPECT_EQ(FlashLabel()->text(), "");
    EXPECT_EQ(ModelLabel()->text(), "");
    EXPECT_FALSE(Find<QRadioButton>("freeRadio")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>("propRadio")->isChecked());
    EXPECT_FALSE(Find<CUserButton>("powerButton")->isChecked());

    // Back to the first entry after a pick: the unit is shown again, all enabled.
    Pick(unit);
    EXPECT_EQ(FlashLabel()->text(), "4.5");
    EXPECT_EQ(Enabled().size(), 16);
}

TEST_F(ControlFormViewTest, ComboReturnShowsTheUnitAsItIsNow) {
    auto* combo = Find<QComboBox>("modeCombo");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    unit->nFlashValue = 66;
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(view->ComboIndex(), 0);
    EXPECT_FALSE(view->SelectionPanel()->isVisible());
    EXPECT_TRUE(FlashLabel()->isVisible());
    EXPECT_EQ(FlashLabel()->text(), "6.6");
    EXPECT_EQ(Enabled().size(), 16);
}

TEST_F(ControlFormViewTest, RefreshesFollowTheUnitsReports) {
    unit->nFlashValue = 70;
    unit->nModelValue = 20;
    host->unitControl.UnitChanged(RefOf(unit), kFieldModelValue);
    EXPECT_EQ(FlashLabel()->text(), "7.0");
    EXPECT_EQ(ModelLabel()->text(), "2.0");
    EXPECT_EQ(FlashSlider()->value(), 70);

    unit->bFlashPow = 0;
    host->unitControl.UnitChanged(RefOf(unit), kFieldFlashPow);
    EXPECT_EQ(Enabled(), (QStringList{"powerButton", "modeCombo"}));

    unit->nModelMode1 = 1;
    host->unitControl.UnitChanged(RefOf(unit), kFieldModelMode1);
    EXPECT_TRUE(Find<QRadioButton>("propRadio")->isChecked());

    // Charge and temperature are not shown here.
    unit->bFlashSnd = 1;
    host->unitControl.UnitChanged(RefOf(unit), kFieldFlashCharge);
    EXPECT_FALSE(Find<QCheckBox>("soundCheck")->isChecked());

    // A posted full refresh.
    unit->bFlashPow = 1;
    host->unitControl.UnitReported(RefOf(unit));
    QCoreApplication::processEvents();
    EXPECT_TRUE(Find<QCheckBox>("soundCheck")->isChecked());
    EXPECT_EQ(Enabled().size(), 16);
    EXPECT_EQ(Written(), "");
}

TEST_F(ControlFormViewTest, RefreshArrivingAfterTheStudioWasClearedChangesNothing) {
    host->unitControl.UnitReported(RefOf(unit));
    // A scan empties the studio before the posted refresh arrives.
    ClearStudio(host->manager, StudioA());
    QCoreApplication::processEvents();
    EXPECT_EQ(FlashLabel()->text(), "4.5");
    EXPECT_EQ(Written(), "");
}

TEST_F(ControlFormViewTest, WithoutCurrentUnitHandlersDoNothing) {
    host->manager.currentNode = &StudioA();
    ClickSpin(Find<CFlatSpinButtonCtrl>("flashSpin"), true);
    QTest::mouseClick(Find<QCheckBox>("cellCheck"), Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>("testButton"), Qt::LeftButton);
    DragThumb(FlashSlider(), {60});
    view->OnUnitPicked();
    EXPECT_EQ(Written(), "");
    EXPECT_TRUE(GridMessages(WM_UNIT_FIELD).isEmpty());
    EXPECT_EQ(unit->nFlashValue, 45);
    EXPECT_EQ(unit->bFlashCell, 0);
}

TEST_F(ControlFormViewTest, LayoutKeepsTheSelectionPanelOffTheMemoryList) {
    const QRect panel = view->SelectionPanel()->geometry();
    const QRect list = Find<QWidget>("fileList")->geometry();
    const QRect name = Find<QWidget>("nameEdit")->geometry();
    EXPECT_FALSE(panel.intersects(list));
    EXPECT_FALSE(panel.intersects(name));
    // Every control lies inside the panel, and the value labels beside their spins.
    for (QWidget* w : view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(view->rect().contains(w->geometry())) << w->objectName().toStdString();
    }
    EXPECT_LT(FlashLabel()->geometry().right(), Find<QWidget>("flashSpin")->geometry().left());
}

}  // namespace
