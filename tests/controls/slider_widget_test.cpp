#include "platform/controls/slider_widget.h"
#include "tests/controls/test_application.h"

#include <QImage>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

namespace {

constexpr int kWidth = 441;  // the window's slider: 441 x 17 pixels
constexpr int kHeight = 17;

class SliderWidgetTest : public testing::Test {
protected:
    void SetUp() override { slider.resize(kWidth, kHeight); }

    QPoint at(int x) const { return {x, kHeight / 2}; }
    void click(int x)
    {
        QTest::mousePress(&slider, Qt::LeftButton, {}, at(x));
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, at(x));
    }

    QApplication &app = testApplication();  // first: the slider needs it
    SliderWidget slider;
};

TEST_F(SliderWidgetTest, startsAtZeroOfZeroToTen)
{
    EXPECT_EQ(slider.min(), 0);
    EXPECT_EQ(slider.max(), 10);
    EXPECT_EQ(slider.value(), 0);
    EXPECT_EQ(slider.smallChange(), 1);
    EXPECT_EQ(slider.largeChange(), 5);
}

// Drawn by the style exactly as Qt's own horizontal slider.
TEST_F(SliderWidgetTest, looksLikeQtsOwnSlider)
{
    QSlider reference(Qt::Horizontal);
    reference.resize(kWidth, kHeight);
    reference.setRange(0, 10);
    reference.setValue(4);
    slider.setValue(4);

    EXPECT_EQ(slider.grab().toImage(), reference.grab().toImage());
}

TEST_F(SliderWidgetTest, clickOnTheTrackSetsTheValueThereAndClicksOnRelease)
{
    std::vector<std::int32_t> valueAtClick;
    QObject::connect(&slider, &SliderWidget::clicked, &slider, [&] { valueAtClick.push_back(slider.value()); });

    QTest::mousePress(&slider, Qt::LeftButton, {}, at(kWidth / 2));
    EXPECT_TRUE(valueAtClick.empty());
    EXPECT_EQ(slider.value(), 0);
    EXPECT_EQ(slider.thumbValue(), 5);
    EXPECT_TRUE(slider.thumbRect().contains(at(kWidth / 2)));

    QTest::mouseRelease(&slider, Qt::LeftButton, {}, at(kWidth / 2));
    EXPECT_EQ(slider.value(), 5);
    EXPECT_EQ(valueAtClick, std::vector<std::int32_t>{5});
    EXPECT_FALSE(slider.isThumbHeld());
}

TEST_F(SliderWidgetTest, clicksAtTheEndsReachMinAndMax)
{
    click(kWidth - 1);
    EXPECT_EQ(slider.value(), 10);
    click(0);
    EXPECT_EQ(slider.value(), 0);
}

TEST_F(SliderWidgetTest, dragMovesTheThumbAndTheReleaseDecides)
{
    QSignalSpy clicked(&slider, &SliderWidget::clicked);
    QTest::mousePress(&slider, Qt::LeftButton, {}, at(10));
    QTest::mouseMove(&slider, at(kWidth - 5));
    EXPECT_EQ(slider.thumbValue(), 10);
    EXPECT_EQ(slider.value(), 0);
    QTest::mouseMove(&slider, at(kWidth / 2));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, at(kWidth / 2));

    EXPECT_EQ(slider.value(), 5);
    EXPECT_EQ(clicked.count(), 1);
}

// While the user holds the thumb a play goes on writing the position: the writes are
// taken, the thumb stays under the mouse, and the release still decides.
TEST_F(SliderWidgetTest, programWritesDuringAHoldAreTakenButTheThumbStays)
{
    slider.setMax(12345);
    QSignalSpy clicked(&slider, &SliderWidget::clicked);
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

// On a long clip one pixel spans many frames: a click on the thumb must not move it.
TEST_F(SliderWidgetTest, clickOnTheThumbKeepsAnExactValue)
{
    slider.setMax(12345);
    slider.setValue(4321);
    QSignalSpy clicked(&slider, &SliderWidget::clicked);

    click(slider.thumbRect().center().x() + 1);

    EXPECT_EQ(slider.value(), 4321);
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(SliderWidgetTest, largeRangesRoundTripAndMapOntoTheTrack)
{
    slider.setMin(0);
    slider.setMax(12345);
    slider.setValue(12345);
    EXPECT_EQ(slider.min(), 0);
    EXPECT_EQ(slider.max(), 12345);
    EXPECT_EQ(slider.value(), 12345);

    click(kWidth / 2);
    EXPECT_LE(std::abs(slider.value() - 12345 / 2), 12345 / kWidth);

    constexpr auto kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr auto kHighest = std::numeric_limits<std::int32_t>::max();
    slider.setMin(kLowest);
    slider.setMax(kHighest);
    slider.setValue(-5);
    EXPECT_EQ(slider.min(), kLowest);
    EXPECT_EQ(slider.max(), kHighest);
    EXPECT_EQ(slider.value(), -5);
    click(kWidth - 1);
    EXPECT_EQ(slider.value(), kHighest);
    click(0);
    EXPECT_EQ(slider.value(), kLowest);
}

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

TEST_F(SliderWidgetTest, keysMoveByTheChangesAndClickWhenTheValueMoved)
{
    struct Step {
        Qt::Key key;
        std::int32_t value;
        int clicks;
    };
    const Step steps[] = {
        {Qt::Key_Right, 1, 1}, {Qt::Key_Up, 2, 2},      {Qt::Key_PageUp, 7, 3}, {Qt::Key_PageUp, 10, 4},
        {Qt::Key_Right, 10, 4}, {Qt::Key_End, 10, 4},   {Qt::Key_Left, 9, 5},   {Qt::Key_PageDown, 4, 6},
        {Qt::Key_Down, 3, 7},  {Qt::Key_Home, 0, 8},    {Qt::Key_PageDown, 0, 8},
    };
    QSignalSpy clicked(&slider, &SliderWidget::clicked);
    for (const Step &step : steps) {
        QTest::keyClick(&slider, step.key);
        SCOPED_TRACE(step.key);
        EXPECT_EQ(slider.value(), step.value);
        EXPECT_EQ(clicked.count(), step.clicks);
    }
}

TEST_F(SliderWidgetTest, aHoldCutShortByHidingRaisesNoClick)
{
    slider.show();
    slider.setValue(2);
    QSignalSpy clicked(&slider, &SliderWidget::clicked);
    QTest::mousePress(&slider, Qt::LeftButton, {}, at(kWidth - 1));

    slider.hide();
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, at(kWidth - 1));

    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(slider.value(), 2);
    EXPECT_EQ(slider.thumbValue(), 2);
}

}  // namespace
