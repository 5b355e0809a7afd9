#include "tests/mci_widget/widget_test_support.h"

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "platform/mci/widget/mm_control_widget.h"
#include "tests/support/test_clips.h"

#include <QDeadlineTimer>
#include <QTest>
#include <cstdlib>

namespace widget_test {

QString red() {
    return QString::fromStdString(test_clips::make(
        "widget_red_160x120.avi", {"-f", "lavfi", "-i", "color=c=red:s=160x120:r=25:d=1", "-c:v", "mpeg4", "-q:v", "2"}));
}

QString testCard() {
    return QString::fromStdString(test_clips::make(
        "widget_testsrc2_160x120_20s.avi", {"-f", "lavfi", "-i", "testsrc2=s=160x120:r=25:d=20", "-c:v", "mpeg4", "-q:v", "2"}));
}

QString wide() {
    return QString::fromStdString(test_clips::make("widget_red_sar2.avi", {"-f", "lavfi", "-i",
                                                                           "color=c=red:s=160x120:r=25:d=1",
                                                                           "-vf", "setsar=2", "-c:v", "mpeg4"}));
}

QImage firstFrame(const QString &clip) {
    const std::string rgb = test_clips::run({"ffmpeg", "-v", "error", "-nostdin", "-i", clip.toStdString(),
                                             "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    const QImage probe(reinterpret_cast<const uchar *>(rgb.data()), 160, 120, 160 * 3, QImage::Format_RGB888);
    if (rgb.size() != 160u * 120u * 3u) return {};
    return probe.copy();
}

std::unique_ptr<MMControlWidget> makeControl() {
    auto control = std::make_unique<MMControlWidget>(mci::DeviceOptions{}, mci::makeNullAudioSink());
    control->setDeviceType("avivideo");
    return control;
}

std::unique_ptr<MMControlWidget> openControl(const QString &clip) {
    auto control = makeControl();
    control->setFileName(clip);
    control->setCommand("open");
    return control;
}

bool near(QColor a, QColor b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(5);
    }
    return true;
}

}  // namespace widget_test
