#pragma once

#include "playback/mm_control.h"

#include <QWidget>
#include <memory>

namespace mci { class MciDevice; class AudioSink; struct DeviceOptions; }
class VideoWindow;

// The multimedia control: a bar of nine transport buttons (Prev, Next, Play, Pause,
// Back, Step, Stop, Record, Eject) over the AVI video device, with a separate video
// window. Implements the members the window's handlers use; a failed command throws
// RuntimeError. Its events are Qt signals, always delivered from the GUI event loop,
// never from inside a member call.
//
// Keyboard: the control is one tab stop. While it has the focus one of its buttons is
// the current one (drawn with a dotted frame; Play at first): Left/Right move to the
// previous/next enabled button, Home/End to the first/last, Space (pressed, then
// released) or Enter presses it. When the current button is disabled by a change of
// state the cursor goes to its counterpart (Play to Pause, Pause and Stop to Play) if
// that is enabled, else to the nearest enabled button on the right, else on the left.
// Each button is a QAbstractButton child named for accessibility ("Play" ...), so
// assistive tools see its name and enabled state; the current one is announced as
// focused.
class MMControlWidget : public QWidget, public MMControl {
    Q_OBJECT

public:
    explicit MMControlWidget(QWidget *parent = nullptr);  // SDL sound, default options
    // Tools and tests choose the device's options and where its sound goes.
    MMControlWidget(const mci::DeviceOptions &options, std::unique_ptr<mci::AudioSink> audio,
                    QWidget *parent = nullptr);
    ~MMControlWidget() override;

    // MMControl
    void setDeviceType(const QString &type) override;
    QString deviceType() const override;
    void setFileName(const QString &path) override;
    QString fileName() const override;
    void setCommand(const QString &word) override;
    void setNotify(bool on) override;
    void setWait(bool on) override;
    void setShareable(bool on) override;
    void setFrom(std::int32_t position) override;
    void setTo(std::int32_t position) override;
    std::int32_t mode() const override;
    std::int32_t length() const override;
    std::int32_t position() const override;
    void setSilent(bool silent) override;
    void setFrames(std::int16_t frames) override;

    void setUpdateInterval(int ms);  // 0 stops StatusUpdate; default 250
    int updateInterval() const;
    VideoWindow *videoWindow() const;

    QSize sizeHint() const override;

signals:
    void done(std::int16_t notifyCode);
    void statusUpdate();
    void backCompleted(std::int32_t errorCode);
    void nextCompleted(std::int32_t errorCode);
    void prevCompleted(std::int32_t errorCode);
    void stepCompleted(std::int32_t errorCode);
    void gotFocus();
    // An error a transport button's command raised: no handler traps these.
    void buttonError(int number, const QString &description);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};
