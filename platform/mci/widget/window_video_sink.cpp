#include "platform/mci/widget/window_video_sink.h"

#include "platform/mci/widget/video_window.h"

#include <QMetaObject>
#include <cmath>

struct WindowVideoSink::Mailbox {
    std::mutex mutex;
    QImage image;  // null: clear the window
    QSize displaySize;
    bool posted = false;  // a delivery is queued and will take what is here
};

WindowVideoSink::WindowVideoSink(VideoWindow &window) : m_window(window), m_mailbox(std::make_shared<Mailbox>()) {}

WindowVideoSink::~WindowVideoSink() = default;

void WindowVideoSink::present(const mci::Picture &picture) {
    if (!picture.frame) return;
    const AVFrame &frame = *picture.frame;
    QImage image = m_converter.convert(frame);
    if (image.isNull()) return;
    QSize display(frame.width, frame.height);
    const AVRational sar = picture.sampleAspect;
    if (sar.num > 0 && sar.den > 0 && sar.num != sar.den)
        display.setWidth(static_cast<int>(std::lround(double(frame.width) * sar.num / sar.den)));
    post(std::move(image), display);
}

void WindowVideoSink::clear() {
    post(QImage(), QSize());
}

void WindowVideoSink::post(QImage image, QSize displaySize) {
    std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->image = std::move(image);
    m_mailbox->displaySize = displaySize;
    if (m_mailbox->posted) return;
    m_mailbox->posted = true;
    // The window is the context: if it is gone, the delivery is dropped with it.
    VideoWindow *window = &m_window;
    QMetaObject::invokeMethod(
        window,
        [window, mailbox = m_mailbox] {
            QImage image;
            QSize displaySize;
            {
                std::lock_guard lock(mailbox->mutex);
                image = std::move(mailbox->image);
                mailbox->image = QImage();
                displaySize = mailbox->displaySize;
                mailbox->posted = false;
            }
            if (image.isNull())
                window->clearPicture();
            else
                window->setPicture(image, displaySize);
        },
        Qt::QueuedConnection);
}
