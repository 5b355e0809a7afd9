#pragma once

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "platform/mci/widget/mm_control_widget.h"
#include "tests/support/test_clips.h"

#include <QDeadlineTimer>
#include <QTest>

#include <functional>

namespace widget_test {

inline QString clip(const std::string &name, const char *source, const std::vector<std::string> &codec) {
    std::vector<std::string> args{"-f", "lavfi", "-i", source, "-c:v", "mpeg4"};
    args.insert(args.end(), codec.begin(), codec.end());
    return QString::fromStdString(test_clips::make(name, args));
}
inline QString red() { return clip("widget_red_160x120.avi", "color=c=red:s=160x120:r=25:d=1", {"-q:v", "2"}); }
// Long enough to stay playing.
inline QString testCard() {
    return clip("widget_testsrc2_160x120_20s.avi", "testsrc2=s=160x120:r=25:d=20", {"-q:v", "2"});
}

// With no sound device; opened on `clip` (no clip if empty) unless `open` is false.
inline std::unique_ptr<MMControlWidget> makeControl(const QString &clip = {}, bool open = true) {
    auto control = std::make_unique<MMControlWidget>(mci::DeviceOptions{}, mci::makeNullAudioSink());
    control->setDeviceType("avivideo");
    control->setFileName(clip);
    if (open) control->setCommand("open");
    return control;
}

// Runs the event loop until `done` holds, for 5 s at most; returns `done`.
inline bool waitUntil(const std::function<bool()> &done) {
    const QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired()) QTest::qWait(5);
    return done();
}

// Different YUV-to-RGB paths round differently.
inline bool near(QColor a, QColor b, int tolerance = 12) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

}  // namespace widget_test
