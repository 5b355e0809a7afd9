#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <functional>
#include <memory>

class MMControlWidget;

// Clips, controls and waits shared by the widget tests.
namespace widget_test {

QString red();  // 160 x 120, solid red, 1 s
QString testCard();  // 160 x 120 testsrc2, 20 s: long enough to stay playing
QString wide();  // 160 x 120 stored, sample aspect 2:1

// ffmpeg's own RGB decode of the first frame of one of the 160 x 120 clips above.
QImage firstFrame(const QString &clip);

// A control with the device type set and no sound device.
std::unique_ptr<MMControlWidget> makeControl();
// ... with the device opened on `clip` (no clip if empty).
std::unique_ptr<MMControlWidget> openControl(const QString &clip);

// Channels within `tolerance`: different YUV-to-RGB paths round differently.
bool near(QColor a, QColor b, int tolerance = 12);

// Runs the event loop until `done` holds or `timeoutMs` passes; returns `done`.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000);

}  // namespace widget_test
