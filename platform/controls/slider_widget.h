#pragma once

#include "playback/form_controls.h"

#include <QWidget>

class QAccessibleInterface;
class QStyleOptionSlider;

// The window's slider: a horizontal track with a thumb, drawn by the current style, over
// a 32-bit range (0..10 at 0 when made; small change 1, large change 5).
//
// Value is what the program wrote last, or what the user's last click left. The user's
// actions that raise clicked(), always after Value has been set:
// - a press on the track puts the thumb's centre under the mouse, a press on the thumb
//   grabs it where it was hit; the thumb then follows the mouse, and the release sets
//   Value to the point under the thumb and raises clicked();
// - Left/Right/Up/Down move by the small change, PageDown/PageUp by the large change,
//   Home/End go to Min/Max (Up, Right and PageUp towards Max, as other Qt sliders do);
//   a key that changed Value raises clicked(), one at the end of the range does nothing.
// The wheel is left to the parent: it would move Value with no click to seek with.
//
// While the user holds the thumb, setValue() from the program is taken (value() gives it
// back) but the thumb stays under the mouse; the release decides the Value. A hold that
// ends without a release (the slider hidden, or the focus taken away, say by a modal
// box) is dropped: no click, and the thumb goes back to Value.
//
// Min/Max/Value keep Min <= Value <= Max: a Min above Max moves Max up to it, a Max
// below Min moves Min down to it, and Value is clamped into the range.
//
// Assistive technology sees a slider with Min, Max, Value and the small change as its
// step, and is told of every change of Value. A value it sets is a user's move, as a
// key is: clamped, and clicked() when it moved Value (nothing while the thumb is held).
class SliderWidget : public QWidget, public Slider {
    Q_OBJECT

public:
    explicit SliderWidget(QWidget *parent = nullptr);

    // Slider
    std::int32_t min() const override { return m_min; }
    std::int32_t max() const override { return m_max; }
    std::int32_t value() const override { return m_value; }
    void setMin(std::int32_t value) override;
    void setMax(std::int32_t value) override;
    void setValue(std::int32_t value) override;

    std::int32_t smallChange() const { return m_smallChange; }
    std::int32_t largeChange() const { return m_largeChange; }
    // Where the thumb stands: value(), except while the user holds the thumb.
    std::int32_t thumbValue() const { return m_held ? m_heldValue : m_value; }
    bool isThumbHeld() const { return m_held; }
    QRect thumbRect() const;  // where the thumb is drawn, in the slider's coordinates

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    class Accessible;
    static QAccessibleInterface *accessibleFor(const QString &className, QObject *object);

    void initStyleOption(QStyleOptionSlider *option) const;
    std::int32_t valueAtThumbLeft(int x) const;  // the value whose thumb starts at x
    std::int32_t clamped(std::int64_t value) const;
    void keepWithinRange();  // after the range changed
    void takeValue(std::int32_t value);  // sets Value, telling assistive technology
    void moveByUser(std::int64_t target);  // a key's or assistive technology's move
    void dragTo(int x);
    void releaseThumb();

    std::int32_t m_min = 0;
    std::int32_t m_max = 10;
    std::int32_t m_value = 0;
    std::int32_t m_smallChange = 1;
    std::int32_t m_largeChange = 5;
    bool m_held = false;  // the left button went down on the slider and is not up yet
    std::int32_t m_heldValue = 0;  // where the held thumb stands
    int m_grabOffset = 0;  // from the thumb's left edge to the mouse, while held
    int m_lastX = 0;  // where the held thumb was last placed from; unmoved, it keeps its value
};
