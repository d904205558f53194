#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "support/CMessageRecorder.h"
#include "widgets/CCachedGroupBox.h"
#include "widgets/CFlatSliderCtrl.h"
#include "widgets/CFlatSpinButtonCtrl.h"
#include "widgets/CTitleSeparator.h"
#include "widgets/CUserButton.h"
#include "widgets/CUserStatic.h"

namespace {

using namespace std::chrono_literals;

bool ImageHasColor(const QImage& image, const QColor& color, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) == color) {
                return true;
            }
        }
    }
    return false;
}

QImage Shot(QWidget& w) {
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A window with the control under test and a neighbour the mouse and the focus can move to.
struct HoverBench {
    QWidget window;
    QPushButton* neighbour = new QPushButton(QStringLiteral("elsewhere"));

    explicit HoverBench(QWidget* control) {
        auto* layout = new QHBoxLayout(&window);
        layout->addWidget(control);
        layout->addWidget(neighbour);
        window.resize(300, 60);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        // Start with the focus and the mouse on the neighbour: the control is then cold.
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        neighbour->setFocus();
        MouseAway();
        PumpEvents(std::chrono::milliseconds(20));
    }

    // Puts the cursor over the widget and lets it see one mouse move, as a real pointer would.
    static void MouseOnto(QWidget* w) {
        const QPoint local = w->rect().center();
        QCursor::setPos(w->mapToGlobal(local));
        QMouseEvent move(QEvent::MouseMove, QPointF(local), QPointF(w->mapToGlobal(local)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
    // Moves the cursor away without sending the control any event.
    void MouseAway() { QCursor::setPos(neighbour->mapToGlobal(neighbour->rect().center())); }
};

// Swallows every mouse, hover and enter/leave event before the control sees it (a filter
// installed later runs first).
class CMouseEventBlocker : public QObject {
public:
    explicit CMouseEventBlocker(QWidget* w) { w->installEventFilter(this); }
    int blocked = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
            case QEvent::Enter:
            case QEvent::Leave:
            case QEvent::MouseMove:
            case QEvent::HoverEnter:
            case QEvent::HoverMove:
            case QEvent::HoverLeave:
                ++blocked;
                return true;
            default:
                return false;
        }
    }
};

}  // namespace

TEST(DrawnControlsTest, PowerButtonCaptionFollowsCheckState) {
    CUserButton button;
    button.resize(60, 40);
    EXPECT_EQ(button.text(), "Power\nOff");

    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_TRUE(button.isChecked());
    EXPECT_EQ(button.text(), "Power\nOn");
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(button.text(), "Power\nOff");

    // Set from code, as the panels do when a unit's state arrives.
    button.setChecked(true);
    EXPECT_EQ(button.text(), "Power\nOn");

    // Some other caption never survives a paint.
    button.setText(QStringLiteral("Power On"));
    (void)button.grab();
    EXPECT_EQ(button.text(), "Power\nOn");
}

TEST(DrawnControlsTest, ValueLabelRepaintsItsWholeGround) {
    const QColor green(0, 192, 0);
    const QColor grey(240, 240, 240);
    CUserStatic label;
    label.resize(80, 30);
    label.setAlignment(Qt::AlignCenter);
    QFont font = label.font();
    font.setPixelSize(20);
    label.setFont(font);
    label.SetColors(green, grey);

    label.setText(QStringLiteral("4.5"));
    const QImage before = Shot(label);
    label.setText(QStringLiteral("5.0"));
    const QImage after = Shot(label);

    EXPECT_NE(before, after);
    EXPECT_EQ(after.pixelColor(0, 0), grey);
    EXPECT_EQ(after.pixelColor(79, 29), grey);
    // The text is drawn in the text colour; nothing of the widget's own palette ground shows.
    int textPixels = 0;
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            const QColor c = after.pixelColor(x, y);
            textPixels += c == green;
            EXPECT_GE(c.green(), c.red()) << x << "," << y;
        }
    }
    EXPECT_GT(textPixels, 5);
}

TEST(DrawnControlsTest, CachedGroupBoxLooksLikeTheStyleDrawsItInEveryState) {
    QWidget window;
    // A font of its own, as the panels give theirs: the title must be drawn in it.
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(17);
    window.setFont(font);
    auto* cached = new CCachedGroupBox(QStringLiteral("Flash Power"), &window);
    auto* stock = new QGroupBox(QStringLiteral("Flash Power"), &window);
    cached->setGeometry(0, 0, 140, 160);
    stock->setGeometry(150, 0, 140, 160);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // Alike to within rounding: the kept picture is blended onto the window once more.
    const auto same = [&] {
        const QImage a = Shot(*cached);
        const QImage b = Shot(*stock);
        if (a.size() != b.size()) {
            return false;
        }
        int worst = 0;
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x) {
                const QRgb p = a.pixel(x, y);
                const QRgb q = b.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(p) - qRed(q)),
                                  std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
            }
        }
        return worst <= 3;
    };
    EXPECT_TRUE(same());
    // Each change redraws the kept picture.
    for (QGroupBox* box : {static_cast<QGroupBox*>(cached), stock}) {
        box->setEnabled(false);
    }
    EXPECT_TRUE(same());
    for (QGroupBox* box : {static_cast<QGroupBox*>(cached), stock}) {
        box->setEnabled(true);
    }
    EXPECT_TRUE(same());
    for (QGroupBox* box : {static_cast<QGroupBox*>(cached), stock}) {
        box->setTitle(QStringLiteral("Model Power"));
    }
    EXPECT_TRUE(same());
    for (QGroupBox* box : {static_cast<QGroupBox*>(cached), stock}) {
        box->resize(120, 100);
    }
    EXPECT_TRUE(same());
}

TEST(DrawnControlsTest, SeparatorDrawsLineOnlyWhereThereIsRoom) {
    const QColor text(0, 0, 128);
    const QColor line1(255, 0, 0);
    const QColor line2(0, 0, 255);
    const auto shotOf = [&](const QString& caption, int width) {
        CTitleSeparator separator(caption);
        separator.setFont(CTitleSeparator::TitleFont());
        separator.SetColors(text, line1, line2);
        separator.resize(width, 21);
        return Shot(separator);
    };
    const int top = (21 + 1) / 2 - 1;

    // Wide: caption, then the etched line to the right edge, one row of each colour.
    const QImage wide = shotOf(QStringLiteral("Navigation"), 400);
    EXPECT_EQ(wide.pixelColor(398, top), line1);
    EXPECT_EQ(wide.pixelColor(398, top + 1), line2);
    EXPECT_EQ(wide.pixelColor(399, top), line2);  // right edge
    EXPECT_FALSE(ImageHasColor(wide, line1, QRect(0, 0, 10, 21)));
    EXPECT_TRUE(ImageHasColor(wide, text, QRect(0, 0, 60, 21)));

    // Narrower than its caption: the caption clipped, no line at all.
    const QImage narrow = shotOf(QStringLiteral("Remote Control"), 40);
    EXPECT_FALSE(ImageHasColor(narrow, line1, narrow.rect()));
    EXPECT_FALSE(ImageHasColor(narrow, line2, narrow.rect()));
    EXPECT_TRUE(ImageHasColor(narrow, text, narrow.rect()));

    // No caption: the line runs across the full width.
    const QImage bare = shotOf(QString(), 100);
    EXPECT_EQ(bare.pixelColor(0, top), line1);
    EXPECT_EQ(bare.pixelColor(98, top), line1);
    EXPECT_EQ(bare.pixelColor(0, top + 1), line2);
}

TEST(DrawnControlsTest, SliderLeavesHotStateWithoutFurtherMouseEvents) {
    auto* slider = new CFlatSliderCtrl;
    slider->setRange(0, 100);
    slider->setValue(40);
    HoverBench bench(slider);
    const QImage flat = Shot(*slider);
    EXPECT_FALSE(slider->IsHot());

    HoverBench::MouseOnto(slider);
    EXPECT_TRUE(slider->IsHot());
    EXPECT_NE(Shot(*slider), flat) << "hot slider must show the standard drawing";

    // From here on no mouse event reaches the slider: only its own check can notice.
    CMouseEventBlocker blocker(slider);
    bench.MouseAway();
    EXPECT_TRUE(WaitUntil([&] { return !slider->IsHot(); }, 3s));
    EXPECT_GT(blocker.blocked, 0) << "the cursor move should have produced events to block";
    EXPECT_EQ(Shot(*slider), flat);
}

TEST(DrawnControlsTest, SliderFocusMakesItHot) {
    auto* slider = new CFlatSliderCtrl;
    HoverBench bench(slider);
    const QImage flat = Shot(*slider);

    slider->setFocus();
    EXPECT_TRUE(WaitUntil([&] { return slider->IsHot(); }, 3s));
    EXPECT_NE(Shot(*slider), flat);

    bench.neighbour->setFocus();
    EXPECT_TRUE(WaitUntil([&] { return !slider->IsHot(); }, 3s));
    EXPECT_EQ(Shot(*slider), flat);

    // Losing the focus with the mouse over it: not hot until the mouse comes back.
    slider->setFocus();
    HoverBench::MouseOnto(slider);
    bench.neighbour->setFocus();
    EXPECT_TRUE(WaitUntil([&] { return !slider->IsHot(); }, 3s));
    bench.MouseAway();
    EXPECT_TRUE(WaitUntil([&] { return !slider->Flat().IsMouseOver(); }, 3s));
    HoverBench::MouseOnto(slider);
    EXPECT_TRUE(slider->IsHot());
}

TEST(DrawnControlsTest, SpinArrowsAskForStepsAndRepeatWhileHeld) {
    auto* spin = new CFlatSpinButtonCtrl;
    HoverBench bench(spin);
    spin->setFixedSize(16, 24);
    QSignalSpy deltas(spin, &CFlatSpinButtonCtrl::deltaPos);

    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, QPoint(8, 4));
    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, QPoint(8, 20));
    ASSERT_EQ(deltas.count(), 2);
    EXPECT_EQ(deltas.at(0).at(0).toInt(), -1);  // up arrow
    EXPECT_EQ(deltas.at(1).at(0).toInt(), +1);  // down arrow

    deltas.clear();
    QTest::mousePress(spin, Qt::LeftButton, Qt::NoModifier, QPoint(8, 4));
    EXPECT_TRUE(WaitUntil([&] { return deltas.count() >= 3; }, 5s));
    QTest::mouseRelease(spin, Qt::LeftButton, Qt::NoModifier, QPoint(8, 4));
    const int held = deltas.count();
    PumpEvents(400ms);
    EXPECT_EQ(deltas.count(), held) << "repeat must stop on release";
    for (const auto& call : deltas) {
        EXPECT_EQ(call.at(0).toInt(), -1);
    }

    // Disabled: no steps.
    spin->setEnabled(false);
    deltas.clear();
    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, QPoint(8, 4));
    EXPECT_EQ(deltas.count(), 0);
}

TEST(DrawnControlsTest, SpinShowsStandardArrowsOnlyWhileHot) {
    auto* spin = new CFlatSpinButtonCtrl;
    HoverBench bench(spin);
    spin->setFixedSize(16, 24);
    PumpEvents(50ms);
    const QImage flat = Shot(*spin);

    HoverBench::MouseOnto(spin);
    EXPECT_TRUE(spin->IsHot());
    EXPECT_NE(Shot(*spin), flat);
    bench.MouseAway();
    EXPECT_TRUE(WaitUntil([&] { return !spin->IsHot(); }, 3s));
    EXPECT_EQ(Shot(*spin), flat);
}
