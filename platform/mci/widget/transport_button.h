#pragma once

#include "platform/mci/device_listener.h"

#include <QAbstractButton>

// One of the multimedia control's transport buttons, drawn as a classic bevelled
// button with its symbol. It takes no focus itself: the control holds the focus and
// marks its current button with setCursorShown().
class TransportButton : public QAbstractButton {
public:
    TransportButton(mci::Button kind, QWidget *parent);

    mci::Button kind() const { return m_kind; }
    void setCursorShown(bool shown);

    static QString nameOf(mci::Button kind);  // "Play", ... also the accessible name

protected:
    void paintEvent(QPaintEvent *event) override;
    QSize sizeHint() const override;

private:
    void drawSymbol(QPainter &painter, const QColor &color) const;

    mci::Button m_kind;
    bool m_cursorShown = false;
};
