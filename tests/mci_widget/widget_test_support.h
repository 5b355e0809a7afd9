#pragma once

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "platform/mci/widget/mm_control_widget.h"
#include "tests/support/test_clips.h"

#include <QDeadlineTimer>
#include <QTest>

namespace widget_test {

inline QString clip(const std::string &name, const std::string &source, const char *filter = "null") {
    return QString::fromStdString(
        test_clips::make(name, {"-f", "lavfi", "-i", source, "-vf", filter, "-c:v", "mpeg4", "-q:v", "2"}));
}
inline QString red() { return clip("widget_red_160x120.avi", "color=c=red:s=160x120:r=25:d=1"); }
inline QString testCard() { return clip("widget_testsrc2_160x120_20s.avi", "testsrc2=s=160x120:r=25:d=20"); }

// With no sound device; opened on `clip` (no clip if empty) unless `open` is false.
inline std::unique_ptr<MMControlWidget> makeControl(const QString &clip = {}, bool open = true) {
    auto control = std::make_unique<MMControlWidget>(mci::DeviceOptions{}, mci::makeNullAudioSink());
    control->setDeviceType("avivideo");
    control->setFileName(clip);
    if (open) control->setCommand("open");
    return control;
}

// Runs the event loop until `done` holds, for 5 s at most.
template <typename Done> bool waitUntil(Done done) {
    for (const QDeadlineTimer deadline(5000); !done() && !deadline.hasExpired();) QTest::qWait(5);
    return done();
}

// Different YUV-to-RGB paths round differently.
inline bool near(QColor a, QColor b, int tolerance = 12) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())}) <=
           tolerance;
}

}  // namespace widget_test
