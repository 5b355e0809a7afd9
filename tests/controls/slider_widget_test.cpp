#include "platform/controls/slider_widget.h"
#include <QApplication>

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

constexpr int kWidth = 441;  // the window's slider is 441 x 17

struct SliderWidgetTest : testing::Test {
    SliderWidgetTest() { slider.resize(kWidth, 17); }
    static QPoint at(int x) { return {x, 8}; }
    void click(int x) { QTest::mouseClick(&slider, Qt::LeftButton, {}, at(x)); }

    SliderWidget slider;
    QSignalSpy clicked{&slider, &SliderWidget::clicked};
};

// A press on the track puts the thumb under the mouse and it follows the mouse. A play
// goes on writing the position while the user holds the thumb: the writes are taken,
// the thumb stays under the mouse and the release sets the value, then clicks.
TEST_F(SliderWidgetTest, theThumbFollowsTheMouseAndTheReleaseDecides) {
    std::int32_t valueAtClick = -1;
    QObject::connect(&slider, &SliderWidget::clicked, [&] { valueAtClick = slider.value(); });
    QTest::mousePress(&slider, Qt::LeftButton, {}, at(kWidth / 2));
    EXPECT_EQ(slider.thumbValue(), 5);
    EXPECT_TRUE(slider.thumbRect().contains(at(kWidth / 2)));
    QTest::mouseMove(&slider, at(kWidth - 5));
    EXPECT_EQ(slider.thumbValue(), 10);
    QTest::mouseMove(&slider, at(kWidth / 2));
    slider.setValue(8);
    EXPECT_EQ(std::make_tuple(slider.value(), slider.thumbValue(), clicked.count()), std::make_tuple(8, 5, 0));
    EXPECT_TRUE(slider.thumbRect().contains(at(kWidth / 2)));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, at(kWidth / 2));
    EXPECT_EQ(std::make_pair(valueAtClick, int(clicked.count())), std::make_pair(5, 1));
}

// On a long range a pixel spans several values, and half a thumb many: a click on the
// track leaves the value under the pointer, to a pixel's worth, and the thumb centred on
// it. The oracle is where the style draws the thumb at each end of the range.
TEST_F(SliderWidgetTest, aClickOnTheTrackTakesTheValueUnderThePointerAtEveryRange) {
    const std::pair<std::int32_t, std::int32_t> ranges[] = {{0, 10}, {0, 250}, {0, 1000}, {-500, 90000}};
    for (const auto &[min, max] : ranges) {
        slider.setMin(min);
        slider.setMax(max);
        slider.setValue(min);
        const int first = slider.thumbRect().center().x();
        slider.setValue(max);
        const int last = slider.thumbRect().center().x();
        const double perPixel = double(max - min) / (last - first);
        for (const int x : {first + 3, 97, kWidth / 2, 301, last - 2}) {
            slider.setValue(x < kWidth / 2 ? max : min);  // the thumb away from the click
            click(x);
            const double under = min + (x - first) * perPixel;
            EXPECT_LE(std::abs(slider.value() - under), std::max(1.0, perPixel)) << max << " at " << x;
            // A thumb that snaps to values far apart stands to half of one from the pointer.
            EXPECT_LE(std::abs(slider.thumbRect().center().x() - x), std::max(1.0, std::ceil(0.5 / perPixel)))
                << max << " at " << x;
        }
    }
}

// From 0 in 0..10: arrows by 1, pages by 5, Home/End to the ends; a click when the value moved.
TEST_F(SliderWidgetTest, keysMoveByTheChangesAndClickWhenTheValueMoved) {
    const std::tuple<Qt::Key, std::int32_t, int> steps[] = {
        {Qt::Key_Right, 1, 1}, {Qt::Key_Up, 2, 2},   {Qt::Key_PageUp, 7, 3},   {Qt::Key_PageUp, 10, 4},
        {Qt::Key_Right, 10, 4}, {Qt::Key_End, 10, 4}, {Qt::Key_Left, 9, 5},     {Qt::Key_PageDown, 4, 6},
        {Qt::Key_Down, 3, 7},  {Qt::Key_Home, 0, 8},  {Qt::Key_PageDown, 0, 8}};
    for (const auto &[key, value, clicks] : steps) {
        QTest::keyClick(&slider, key);
        EXPECT_EQ(std::make_pair(slider.value(), int(clicked.count())), std::make_pair(value, clicks)) << key;
    }
}

// Assistive technology reads a slider with its range, value and step; a value it sets
// is a user's move: clamped, a click when Value moved, nothing while the thumb is held.
TEST_F(SliderWidgetTest, assistiveTechnologySeesASliderAndMovesItAsAKeyWould) {
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&slider);
    ASSERT_EQ(iface->role(), QAccessible::Slider);
    QAccessibleValueInterface *seen = iface->valueInterface();
    ASSERT_NE(seen, nullptr);
    slider.setMax(250);
    slider.setValue(40);
    EXPECT_EQ(std::vector<QVariant>({seen->minimumValue(), seen->maximumValue(), seen->currentValue(),
                                     seen->minimumStepSize()}),
              std::vector<QVariant>({0, 250, 40, 1}));
    const std::tuple<QVariant, std::int32_t, int> steps[] = {{120.4, 120, 1}, {120, 120, 1}, {1e12, 250, 2},
                                                             {-7, 0, 3},     {"many", 0, 3}, {std::nan(""), 0, 3}};
    for (const auto &[set, value, clicks] : steps) {
        seen->setCurrentValue(set);
        EXPECT_EQ(std::make_tuple(slider.value(), seen->currentValue().toInt(), int(clicked.count())),
                  std::make_tuple(value, value, clicks))
            << set.toString().toStdString();
    }
    QTest::mousePress(&slider, Qt::LeftButton, {}, slider.thumbRect().center());
    seen->setCurrentValue(200);
    EXPECT_EQ(std::make_pair(slider.value(), int(clicked.count())), std::make_pair(0, 3));
}

}  // namespace
