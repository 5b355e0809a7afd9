#include "platform/controls/slider_widget.h"
#include "tests/controls/test_application.h"

#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr int kWidth = 441;  // the window's slider: 441 x 17 pixels

class SliderWidgetTest : public testing::Test {
protected:
    void SetUp() override { slider.resize(kWidth, 17); }
    static QPoint at(int x) { return {x, 8}; }
    void click(int x) { QTest::mouseClick(&slider, Qt::LeftButton, {}, at(x)); }

    QApplication &app = testApplication();  // first: the slider needs it
    SliderWidget slider;
    QSignalSpy clicked{&slider, &SliderWidget::clicked};
};

TEST_F(SliderWidgetTest, looksLikeQtsOwnSlider)
{
    QSlider reference(Qt::Horizontal);
    reference.resize(kWidth, 17);
    reference.setRange(0, 10);
    reference.setValue(4);
    slider.setValue(4);
    EXPECT_EQ(slider.grab().toImage(), reference.grab().toImage());
}

// A press on the track puts the thumb under the mouse, it follows the mouse, and the
// release sets the value there, then clicks.
TEST_F(SliderWidgetTest, pressOnTheTrackMovesTheThumbAndTheReleaseSetsTheValueThenClicks)
{
    std::vector<std::int32_t> valueAtClick;
    QObject::connect(&slider, &SliderWidget::clicked, &slider, [&] { valueAtClick.push_back(slider.value()); });
    QTest::mousePress(&slider, Qt::LeftButton, {}, at(kWidth / 2));
    EXPECT_EQ(slider.thumbValue(), 5);
    EXPECT_TRUE(slider.thumbRect().contains(at(kWidth / 2)));
    QTest::mouseMove(&slider, at(kWidth - 5));
    EXPECT_EQ(slider.thumbValue(), 10);
    EXPECT_EQ(slider.value(), 0);
    EXPECT_TRUE(valueAtClick.empty());
    QTest::mouseMove(&slider, at(kWidth / 2));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, at(kWidth / 2));
    EXPECT_EQ(valueAtClick, std::vector<std::int32_t>{5});
    EXPECT_FALSE(slider.isThumbHeld());

    click(kWidth - 1);
    EXPECT_EQ(slider.value(), 10);
    click(0);
    EXPECT_EQ(slider.value(), 0);
}

// A play goes on writing the position while the user holds the thumb: the writes are
// taken, the thumb stays under the mouse, and the release decides.
TEST_F(SliderWidgetTest, programWritesDuringAHoldAreTakenButTheThumbStays)
{
    slider.setMax(12345);
    QTest::mousePress(&slider, Qt::LeftButton, {}, at(100));
    QTest::mouseMove(&slider, at(300));
    const std::int32_t held = slider.thumbValue();
    const QRect thumb = slider.thumbRect();
    slider.setValue(1000);
    slider.setValue(1200);
    EXPECT_EQ(slider.value(), 1200);
    EXPECT_EQ(slider.thumbValue(), held);
    EXPECT_EQ(slider.thumbRect(), thumb);
    EXPECT_TRUE(thumb.contains(at(300)));
    EXPECT_EQ(clicked.count(), 0);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, at(300));
    EXPECT_EQ(slider.value(), held);
    EXPECT_EQ(clicked.count(), 1);
}

// A hold cut short (here by hiding, as by a modal box) is dropped: no click, no move.
TEST_F(SliderWidgetTest, aHoldCutShortRaisesNoClick)
{
    slider.show();
    slider.setValue(2);
    QTest::mousePress(&slider, Qt::LeftButton, {}, at(kWidth - 1));
    slider.hide();
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, at(kWidth - 1));
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(slider.value(), 2);
    EXPECT_EQ(slider.thumbValue(), 2);
}

// One pixel spans many positions on a long clip: a click on the thumb leaves its exact
// value, one on the track lands within a pixel's worth; the whole 32-bit range works.
TEST_F(SliderWidgetTest, largeRanges)
{
    slider.setMax(12345);
    slider.setValue(4321);
    click(slider.thumbRect().center().x() + 1);
    EXPECT_EQ(slider.value(), 4321);
    EXPECT_EQ(clicked.count(), 1);
    click(kWidth / 2);
    EXPECT_LE(std::abs(slider.value() - 12345 / 2), 12345 / kWidth);

    slider.setMin(std::numeric_limits<std::int32_t>::min());
    slider.setMax(std::numeric_limits<std::int32_t>::max());
    slider.setValue(-5);
    EXPECT_EQ(slider.value(), -5);
    click(kWidth - 1);
    EXPECT_EQ(slider.value(), std::numeric_limits<std::int32_t>::max());
    click(0);
    EXPECT_EQ(slider.value(), std::numeric_limits<std::int32_t>::min());
}

// Min <= Value <= Max whatever is written: Min above Max moves Max, Max below Min moves Min.
TEST_F(SliderWidgetTest, rangeChangesKeepTheValueInside)
{
    slider.setValue(50);
    EXPECT_EQ(slider.value(), 10);
    slider.setMax(3);
    EXPECT_EQ(slider.value(), 3);
    slider.setMin(20);
    EXPECT_EQ(slider.max(), 20);
    EXPECT_EQ(slider.value(), 20);
    slider.setMax(-7);
    EXPECT_EQ(slider.min(), -7);
    EXPECT_EQ(slider.value(), -7);
}

// From 0 in 0..10: arrows by 1, pages by 5, Home/End to the ends; a click only when the
// value moved.
TEST_F(SliderWidgetTest, keysMoveByTheChangesAndClickWhenTheValueMoved)
{
    const struct {
        Qt::Key key;
        std::int32_t value;
        int clicks;
    } steps[] = {{Qt::Key_Right, 1, 1}, {Qt::Key_Up, 2, 2},     {Qt::Key_PageUp, 7, 3},   {Qt::Key_PageUp, 10, 4},
                 {Qt::Key_Right, 10, 4}, {Qt::Key_End, 10, 4},  {Qt::Key_Left, 9, 5},     {Qt::Key_PageDown, 4, 6},
                 {Qt::Key_Down, 3, 7},  {Qt::Key_Home, 0, 8},   {Qt::Key_PageDown, 0, 8}};
    for (const auto &step : steps) {
        QTest::keyClick(&slider, step.key);
        EXPECT_EQ(slider.value(), step.value) << step.key;
        EXPECT_EQ(clicked.count(), step.clicks) << step.key;
    }
}

}  // namespace
