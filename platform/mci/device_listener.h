#pragma once

namespace mci {

enum class Button { Prev, Next, Play, Pause, Back, Step, Stop, Record, Eject };

// What the device tells its owner. Called from any thread, also from inside a
// command call; an implementation only posts the news on (the widget posts to the GUI
// thread) and never calls back into the device from here.
class DeviceListener {
public:
    virtual ~DeviceListener() = default;
    virtual void done(int notifyCode) = 0;  // 1 end reached, 2 superseded, 4 aborted
    virtual void buttonCompleted(Button button, int errorCode) = 0;  // Back, Next, Prev, Step
    virtual void stateChanged() = 0;  // mode or clip changed: refresh the buttons
};

// For tools and tests that only drive the device.
class NullDeviceListener : public DeviceListener {
public:
    void done(int) override {}
    void buttonCompleted(Button, int) override {}
    void stateChanged() override {}
};

}  // namespace mci
