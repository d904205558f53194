#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "model/StudioManager.h"
#include "panels/CControlFormView.h"
#include "support/CTestFrameHost.h"
#include "support/ViewMessages.h"
#include "widgets/CFlatSpinButtonCtrl.h"

// Real input on the panels' controls, as an operator gives it.
namespace panel_input {

inline void ClickSpin(CFlatSpinButtonCtrl* spin, bool up) {
    const int y = up ? spin->height() / 4 : spin->height() * 3 / 4;
    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(spin->width() / 2, y));
}

inline void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Centre of the slider's thumb, and the pixel offset of a value along the groove.
inline QStyleOptionSlider SliderOption(const QSlider* slider) {
    QStyleOptionSlider opt;
    opt.initFrom(slider);
    opt.orientation = slider->orientation();
    opt.minimum = slider->minimum();
    opt.maximum = slider->maximum();
    opt.sliderPosition = slider->sliderPosition();
    opt.sliderValue = slider->value();
    opt.singleStep = slider->singleStep();
    opt.pageStep = slider->pageStep();
    opt.tickPosition = slider->tickPosition();
    opt.subControls = QStyle::SC_All;
    return opt;
}

inline QPoint ThumbCentre(const QSlider* slider) {
    const QStyleOptionSlider opt = SliderOption(slider);
    return slider->style()
        ->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider)
        .center();
}

inline int PixelOf(const QSlider* slider, int value) {
    const QStyleOptionSlider opt = SliderOption(slider);
    const QRect groove =
        slider->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, slider);
    const QRect handle =
        slider->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider);
    const int span = groove.width() - handle.width();
    // The middle of the pixels that the slider reads back as this value.
    int first = -1;
    int last = -1;
    for (int px = 0; px <= span; ++px) {
        if (QStyle::sliderValueFromPosition(slider->minimum(), slider->maximum(), px, span) ==
            value) {
            first = first < 0 ? px : first;
            last = px;
        }
    }
    EXPECT_GE(first, 0) << "value " << value << " cannot be reached with the mouse";
    return (first + last) / 2;
}

// Presses the thumb, drags it through each value in turn (one tracking step each), and
// releases it only when release is set.
inline void DragThumb(QSlider* slider, std::initializer_list<int> values, bool release = true) {
    const QPoint start = ThumbCentre(slider);
    const int startPixel = PixelOf(slider, slider->value());
    SendMouse(slider, QEvent::MouseButtonPress, start, Qt::LeftButton);
    QPoint at = start;
    for (int value : values) {
        at = start + QPoint(PixelOf(slider, value) - startPixel, 0);
        SendMouse(slider, QEvent::MouseMove, at, Qt::LeftButton);
    }
    if (release) {
        SendMouse(slider, QEvent::MouseButtonRelease, at, Qt::NoButton);
    }
}

// A press and release on the thumb without moving it.
inline void ClickThumb(QSlider* slider) {
    const QPoint at = ThumbCentre(slider);
    SendMouse(slider, QEvent::MouseButtonPress, at, Qt::LeftButton);
    SendMouse(slider, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

}  // namespace panel_input

// A Remote Control panel on a stand-in main frame whose link writes to a pseudo-terminal and
// whose store keeps its files in a temporary folder. Studio A is the current studio; the grid lists
// its units.
class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<CTestFrameHost>();
        ASSERT_TRUE(host->folder.isValid());
        ASSERT_TRUE(host->OpenLink());
    }

    void TearDown() override {
        view.reset();
        host.reset();
    }

    // Builds and shows the panel; files already in the Business Memory folder get listed.
    void MakeView() {
        view = std::make_unique<CControlFormView>(*host);
        host->control = view.get();
        view->OnInitialUpdate();
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }

    StudioData& StudioA() { return *host->manager.studios[0]; }

    // A unit in slot index of studio A, appended to the grid.
    StrobeData* AddUnit(int index, int flash, int model, int mode1 = 0) {
        auto unit = std::make_unique<StrobeData>();
        unit->nFlashValue = flash;
        unit->nModelValue = model;
        unit->nModelMode1 = mode1;
        StrobeData* placed = PlaceUnit(host->manager, 0, index, std::move(unit));
        host->manager.gridUnits.push_back(placed);
        if (host->manager.currentNode == nullptr) {
            host->manager.currentNode = &StudioA();
        }
        return placed;
    }

    // The grid picked unit: the panel shows it.
    void Pick(StrobeData* unit) {
        host->manager.currentNode = unit;
        view->OnUnitPicked();
    }

    // Delivers what the panels posted to the grid and returns it.
    QVector<CMessageRecorder::Entry> GridMessages(int message) {
        QCoreApplication::processEvents();
        return host->navigationRecorder.Of(message);
    }

    template <class T>
    T* Find(const char* name, QWidget* in = nullptr) {
        T* w = (in != nullptr ? in : view.get())
                   ->findChild<T*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    QString Written() { return HexBytes(host->Written()); }

    // A path taken from the store's base folder.
    QString Path(const QString& relative) const { return host->FilePath(relative); }

    std::unique_ptr<CTestFrameHost> host;
    std::unique_ptr<CControlFormView> view;
};
