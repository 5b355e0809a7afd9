#include "platform/mci/widget/video_window.h"

#include "platform/mci/widget/video_window_placement.h"

#include <QApplication>
#include <QPaintEvent>
#include <QRegion>
#include <QPainter>
#include <QScreen>

namespace {

QMargins frameMargins(const QWidget &window) {
    const QRect outer = window.frameGeometry();
    const QRect inner = window.geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

}  // namespace

VideoWindow::VideoWindow(QWidget *parent) : QWidget(parent, Qt::Window) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // Nothing in it reads keys, so it never takes the focus from the main window,
    // even on window systems that ignore WA_ShowWithoutActivating.
    setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    setMinimumSize(16, 16);
}

QSize VideoWindow::sizeHint() const {
    return m_clipSize;
}

void VideoWindow::openClip(const QString &title, QSize displaySize, QWidget *anchor) {
    setWindowTitle(title);
    // Named outright: a name taken from the title would lose any "[*]" in it.
    setAccessibleName(title);
    if (displaySize.isValid() && !displaySize.isEmpty()) m_clipSize = displaySize;
    if (m_picture.isNull()) m_displaySize = m_clipSize;
    if (anchor)
        placeBeside(*anchor->window());
    else
        resize(m_clipSize);
    // Shown with its first picture, never as an empty black box.
    if (m_picture.isNull())
        m_showOnPicture = true;
    else
        showWithoutFocus();
}

void VideoWindow::placeBeside(QWidget &main) {
    const QScreen *screen = main.screen();
    if (!screen) {
        resize(m_clipSize);
        return;
    }
    // Its own decorations are known once it has been shown; till then the main
    // window's are the best guess.
    QMargins frame = frameMargins(*this);
    if (frame.isNull()) frame = frameMargins(main);
    const QRect at = placeVideoWindow({screen->availableGeometry(), main.frameGeometry(), frame, m_clipSize,
                                       m_placed ? std::optional(frameGeometry()) : std::nullopt});
    move(at.topLeft());  // a window's position is its frame's
    resize(at.size().shrunkBy(frame));
    m_placed = true;
    m_main = &main;
}

void VideoWindow::showAgain() {
    m_showOnPicture = false;
    if (!isVisible()) showWithoutFocus();
}

void VideoWindow::closeClip() {
    m_showOnPicture = false;
    hide();
    clearPicture();
}

void VideoWindow::showWithoutFocus() {
    m_keepActive = QApplication::activeWindow();
    show();
    raise();
    // Only on a screen too small for both: the controls stay within reach.
    if (m_main && m_main->isVisible() && frameGeometry().intersects(m_main->frameGeometry())) m_main->raise();
}

bool VideoWindow::event(QEvent *event) {
    // Some platforms (offscreen, some compositors) activate every window they show,
    // whatever it asks for: hand the activation straight back.
    if (event->type() == QEvent::WindowActivate && m_keepActive && m_keepActive != this &&
        m_keepActive->isVisible())
        m_keepActive->activateWindow();
    if (event->type() == QEvent::Hide) m_keepActive = nullptr;
    return QWidget::event(event);
}

void VideoWindow::setPicture(const QImage &image, QSize displaySize) {
    m_picture = image;
    m_displaySize = displaySize.isEmpty() ? image.size() : displaySize;
    update();
    if (m_showOnPicture) {
        m_showOnPicture = false;
        showWithoutFocus();
    }
}

void VideoWindow::clearPicture() {
    m_picture = QImage();
    m_displaySize = m_clipSize;
    update();
}

QRect VideoWindow::pictureRect() const {
    if (m_displaySize.isEmpty()) return rect();
    const QSize fitted = m_displaySize.scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

void VideoWindow::paintEvent(QPaintEvent *event) {
    QPainter painter(this);
    if (m_picture.isNull()) {
        painter.fillRect(event->rect(), Qt::black);
        return;
    }
    const QRect target = pictureRect();
    for (const QRect &bar : QRegion(event->rect()).subtracted(target)) painter.fillRect(bar, Qt::black);
    // Drawn once from the decoded picture to the screen's pixels, which on a high-density
    // screen are more than the window's logical ones.
    const QRect onDevice = painter.deviceTransform().mapRect(target);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, onDevice.size() != m_picture.size());
    painter.drawImage(target, m_picture);
}
