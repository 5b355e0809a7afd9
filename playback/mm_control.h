#pragma once

#include "platform/mci/mci_mode.h"

#include <QString>
#include <cstdint>

// The multimedia control as the window's handlers use it. Every call happens on the
// GUI thread. A failed command throws RuntimeError from setCommand(), numbered
// 30000 plus the device's error code; the other members never throw.
class MMControl {
public:
    virtual ~MMControl() = default;

    virtual void setDeviceType(const QString &type) = 0;
    virtual QString deviceType() const = 0;
    virtual void setFileName(const QString &path) = 0;
    virtual QString fileName() const = 0;
    virtual void setCommand(const QString &word) = 0;  // carried out when written

    virtual void setNotify(bool on) = 0;
    virtual void setWait(bool on) = 0;
    virtual void setShareable(bool on) = 0;

    virtual void setFrom(std::int32_t position) = 0;
    virtual void setTo(std::int32_t position) = 0;

    virtual std::int32_t mode() const = 0;  // one of mci_mode
    virtual std::int32_t length() const = 0;  // frames
    virtual std::int32_t position() const = 0;

    virtual void setSilent(bool silent) = 0;
    virtual void setFrames(std::int16_t frames) = 0;  // how far Step and Back move
};
