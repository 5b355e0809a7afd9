#include "platform/mci/widget/transport_button.h"

#include <QPainter>
#include <QPainterPath>
#include <qdrawutil.h>

namespace {

// Symbols are laid out on a 12 x 10 pixel grid, centred in the button.
constexpr int kGridWidth = 12;
constexpr int kGridHeight = 10;

// Pieces are added to one path with the winding rule, so touching or overlapping
// pieces all fill.
class Symbol {
public:
    Symbol() { m_path.setFillRule(Qt::WindingFill); }
    Symbol &triangle(QPointF a, QPointF b, QPointF c) {
        m_path.addPolygon(QPolygonF{a, b, c, a});
        return *this;
    }
    Symbol &box(qreal x, qreal y, qreal w, qreal h) {
        m_path.addRect(x, y, w, h);
        return *this;
    }
    Symbol &disc(QPointF centre, qreal radius) {
        m_path.addEllipse(centre, radius, radius);
        return *this;
    }
    operator QPainterPath() const { return m_path; }

private:
    QPainterPath m_path;
};

QPainterPath symbolPath(mci::Button kind) {
    using mci::Button;
    switch (kind) {
    case Button::Prev:  // |<<
        return Symbol().box(0, 0, 2, 10).triangle({2, 5}, {7, 0}, {7, 10}).triangle({7, 5}, {12, 0}, {12, 10});
    case Button::Next:  // >>|
        return Symbol().triangle({0, 0}, {0, 10}, {5, 5}).triangle({5, 0}, {5, 10}, {10, 5}).box(10, 0, 2, 10);
    case Button::Play:
        return Symbol().triangle({3, 0}, {3, 10}, {9, 5});
    case Button::Pause:
        return Symbol().box(3, 0, 2, 10).box(7, 0, 2, 10);
    case Button::Back:  // <|
        return Symbol().triangle({2, 5}, {7, 0}, {7, 10}).box(8, 0, 2, 10);
    case Button::Step:  // |>
        return Symbol().box(2, 0, 2, 10).triangle({5, 0}, {5, 10}, {10, 5});
    case Button::Stop:
        return Symbol().box(2, 1, 8, 8);
    case Button::Record:
        return Symbol().disc({6, 5}, 4);
    case Button::Eject:
        return Symbol().triangle({1, 6}, {6, 1}, {11, 6}).box(1, 8, 10, 2);
    }
    return {};
}

}  // namespace

TransportButton::TransportButton(mci::Button kind, QWidget *parent)
    : QAbstractButton(parent), m_kind(kind) {
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(nameOf(kind));
}

QString TransportButton::nameOf(mci::Button kind) {
    using mci::Button;
    switch (kind) {
    case Button::Prev: return QStringLiteral("Prev");
    case Button::Next: return QStringLiteral("Next");
    case Button::Play: return QStringLiteral("Play");
    case Button::Pause: return QStringLiteral("Pause");
    case Button::Back: return QStringLiteral("Back");
    case Button::Step: return QStringLiteral("Step");
    case Button::Stop: return QStringLiteral("Stop");
    case Button::Record: return QStringLiteral("Record");
    case Button::Eject: return QStringLiteral("Eject");
    }
    return {};
}

void TransportButton::setCursorShown(bool shown) {
    if (shown == m_cursorShown) return;
    m_cursorShown = shown;
    update();
}

QSize TransportButton::sizeHint() const {
    return {20, 41};
}

void TransportButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    const QPalette &pal = palette();
    const bool sunken = isDown();
    qDrawWinButton(&painter, rect(), pal, sunken, &pal.brush(QPalette::Button));

    painter.save();
    painter.translate((width() - kGridWidth) / 2 + (sunken ? 1 : 0), (height() - kGridHeight) / 2 + (sunken ? 1 : 0));
    if (isEnabled()) {
        drawSymbol(painter, m_kind == mci::Button::Record ? QColor(0xc0, 0, 0) : pal.color(QPalette::ButtonText));
    } else {
        // Etched, as disabled toolbar symbols are drawn: a light copy under a dark one.
        painter.translate(1, 1);
        drawSymbol(painter, pal.color(QPalette::Light));
        painter.translate(-1, -1);
        drawSymbol(painter, pal.color(QPalette::Dark));
    }
    painter.restore();

    if (m_cursorShown) {
        QPen pen(pal.color(QPalette::ButtonText), 1, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

void TransportButton::drawSymbol(QPainter &painter, const QColor &color) const {
    const QPainterPath path = symbolPath(m_kind);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillPath(path, color);
}
