#include "platform/controls/slider_widget.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>
#include <cmath>

class SliderWidget::Accessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit Accessible(SliderWidget *slider) : QAccessibleWidget(slider, QAccessible::Slider) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? QString::number(slider()->value()) : QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return slider()->value(); }
    QVariant minimumValue() const override { return slider()->min(); }
    QVariant maximumValue() const override { return slider()->max(); }
    QVariant minimumStepSize() const override { return slider()->smallChange(); }

    void setCurrentValue(const QVariant &value) override
    {
        bool ok = false;
        const double wanted = value.toDouble(&ok);
        if (!ok || std::isnan(wanted))
            return;
        SliderWidget *s = slider();
        s->moveByUser(std::llround(std::clamp(wanted, double(s->min()), double(s->max()))));
    }

private:
    SliderWidget *slider() const { return static_cast<SliderWidget *>(widget()); }
};

QAccessibleInterface *SliderWidget::accessibleFor(const QString &, QObject *object)
{
    auto *slider = qobject_cast<SliderWidget *>(object);
    return slider ? new Accessible(slider) : nullptr;
}

SliderWidget::SliderWidget(QWidget *parent) : QWidget(parent)
{
    QAccessible::installFactory(&SliderWidget::accessibleFor);  // installed once, however often asked
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SliderWidget::setMin(std::int32_t value)
{
    m_min = value;
    m_max = std::max(m_max, value);
    keepWithinRange();
}

void SliderWidget::setMax(std::int32_t value)
{
    m_max = value;
    m_min = std::min(m_min, value);
    keepWithinRange();
}

void SliderWidget::keepWithinRange()
{
    takeValue(clamped(m_value));
    m_heldValue = clamped(m_heldValue);
    update();
}

void SliderWidget::setValue(std::int32_t value)
{
    takeValue(clamped(value));
    update();
}

void SliderWidget::takeValue(std::int32_t value)
{
    if (value == m_value)
        return;
    m_value = value;
    QAccessibleValueChangeEvent event(this, value);
    QAccessible::updateAccessibility(&event);
}

void SliderWidget::moveByUser(std::int64_t target)
{
    const std::int32_t value = clamped(target);
    if (m_held || value == m_value)
        return;
    takeValue(value);
    update();
    emit clicked();
}

std::int32_t SliderWidget::clamped(std::int64_t value) const
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, m_min, m_max));
}

void SliderWidget::initStyleOption(QStyleOptionSlider *option) const
{
    option->initFrom(this);
    option->subControls = QStyle::SC_None;
    option->activeSubControls = QStyle::SC_None;
    option->orientation = Qt::Horizontal;
    option->state |= QStyle::State_Horizontal;
    option->minimum = m_min;
    option->maximum = m_max;
    option->sliderPosition = thumbValue();
    option->sliderValue = m_value;
    option->singleStep = m_smallChange;
    option->pageStep = m_largeChange;
    option->tickPosition = QSlider::NoTicks;
    option->tickInterval = 0;
    // Styles lay the track out left to right and mirror it through upsideDown.
    option->upsideDown = layoutDirection() == Qt::RightToLeft;
    option->direction = Qt::LeftToRight;
}

std::int32_t SliderWidget::valueAtThumbLeft(int x) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect thumb = thumbRect();
    const int first = groove.x();
    const int last = groove.right() - thumb.width() + 1;
    return QStyle::sliderValueFromPosition(m_min, m_max, x - first, last - first, option.upsideDown);
}

QRect SliderWidget::thumbRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

QSize SliderWidget::sizeHint() const
{
    ensurePolished();
    QStyleOptionSlider option;
    initStyleOption(&option);
    const int thickness = style()->pixelMetric(QStyle::PM_SliderThickness, &option, this);
    const int length = 84;  // what Qt's own horizontal slider asks for
    return style()->sizeFromContents(QStyle::CT_Slider, &option, QSize(length, thickness), this);
}

QSize SliderWidget::minimumSizeHint() const
{
    ensurePolished();
    QStyleOptionSlider option;
    initStyleOption(&option);
    const int thickness = style()->pixelMetric(QStyle::PM_SliderThickness, &option, this);
    const int length = style()->pixelMetric(QStyle::PM_SliderLength, &option, this);
    return style()->sizeFromContents(QStyle::CT_Slider, &option, QSize(length, thickness), this);
}

void SliderWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    if (m_held) {
        option.activeSubControls = QStyle::SC_SliderHandle;
        option.state |= QStyle::State_Sunken;
    }
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
}

void SliderWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_held) {
        event->ignore();
        return;
    }
    const QRect thumb = thumbRect();
    const int x = event->position().toPoint().x();
    m_held = true;
    m_lastX = x;
    // Over or under the thumb counts as on it: the track is only a few pixels high.
    if (x >= thumb.left() && x <= thumb.right()) {
        m_grabOffset = x - thumb.x();
        m_heldValue = m_value;
    } else {
        m_grabOffset = thumb.width() / 2;
        m_heldValue = valueAtThumbLeft(x - m_grabOffset);
    }
    update();
    event->accept();
}

void SliderWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_held) {
        event->ignore();
        return;
    }
    dragTo(event->position().toPoint().x());
    event->accept();
}

void SliderWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_held) {
        event->ignore();
        return;
    }
    dragTo(event->position().toPoint().x());
    takeValue(m_heldValue);
    m_held = false;
    update();
    event->accept();
    emit clicked();
}

// A pixel spans many values on a long clip: recomputing the value from an unmoved
// mouse would shift a thumb that was only clicked.
void SliderWidget::dragTo(int x)
{
    if (x == m_lastX)
        return;
    m_lastX = x;
    m_heldValue = valueAtThumbLeft(x - m_grabOffset);
    update();
}

void SliderWidget::releaseThumb()
{
    if (!m_held)
        return;
    m_held = false;
    update();
}

void SliderWidget::keyPressEvent(QKeyEvent *event)
{
    if (m_held) {
        event->accept();
        return;
    }
    const bool mirrored = layoutDirection() == Qt::RightToLeft;
    std::int64_t target = m_value;
    switch (event->key()) {
    case Qt::Key_Left:
        target += mirrored ? m_smallChange : -m_smallChange;
        break;
    case Qt::Key_Right:
        target += mirrored ? -m_smallChange : m_smallChange;
        break;
    case Qt::Key_Up:
        target += m_smallChange;
        break;
    case Qt::Key_Down:
        target -= m_smallChange;
        break;
    case Qt::Key_PageUp:
        target += m_largeChange;
        break;
    case Qt::Key_PageDown:
        target -= m_largeChange;
        break;
    case Qt::Key_Home:
        target = m_min;
        break;
    case Qt::Key_End:
        target = m_max;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    moveByUser(target);
}

void SliderWidget::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}

void SliderWidget::hideEvent(QHideEvent *event)
{
    releaseThumb();
    QWidget::hideEvent(event);
}

void SliderWidget::focusOutEvent(QFocusEvent *event)
{
    if (event->reason() != Qt::PopupFocusReason)
        releaseThumb();
    QWidget::focusOutEvent(event);
}
