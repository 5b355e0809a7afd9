#pragma once

#include "platform/mci/video_sink.h"
#include "platform/mci/widget/picture_converter.h"

#include <memory>
#include <mutex>

class VideoWindow;

// The device's video output into a VideoWindow. Converts each picture to an image on
// the device's presentation worker and hands it to the GUI thread through a one-slot
// mailbox: if the GUI falls behind, older pictures are dropped for the newest.
// The window must outlive the device that presents into this sink.
class WindowVideoSink : public mci::VideoSink {
public:
    explicit WindowVideoSink(VideoWindow &window);
    ~WindowVideoSink() override;

    void present(const mci::Picture &picture) override;
    void clear() override;

private:
    struct Mailbox;

    void post(QImage image, QSize displaySize);

    VideoWindow &m_window;
    PictureConverter m_converter;  // the presentation worker only
    std::shared_ptr<Mailbox> m_mailbox;
};
