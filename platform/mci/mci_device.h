#pragma once

#include "platform/mci/device_listener.h"
#include "platform/mci/mci_error.h"
#include "platform/mci/video_sink.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace mci {

class AudioSink;

struct DeviceOptions {
    // Decoded frames kept for backward play, at most: 0 sizes it to the clip's pictures
    // and the machine (backward_budget.h).
    std::size_t reverseCacheBytes = 0;
    int decoderThreads = 0;  // 0: one per core (the decoder's own choice, one more, is slower here)
    bool untimed = false;  // present every frame as fast as it decodes (tools, tests)
};

// The AVI video device behind the multimedia control: the command words, From/To,
// Mode, Position and the events, with no widget. Every member is called from one
// thread (the GUI thread, or a tool's main thread) and returns at once, "open" aside:
// no member waits for a picture to be decoded. Playing happens on the device's own
// threads (engine/), which reach the owner only through the listener and the video sink.
class MciDevice {
public:
    MciDevice(DeviceOptions options, VideoSink &video, std::unique_ptr<AudioSink> audio,
              DeviceListener &listener);
    ~MciDevice();

    void setDeviceType(std::string type);
    const std::string &deviceType() const;
    void setFileName(std::string path);
    const std::string &fileName() const;
    void setFrom(int position);
    void setTo(int position);
    void setSilent(bool silent);
    void setFrames(int frames);  // how far Step and Back move

    // Carries out a command word; returns the error instead of raising it.
    std::optional<MciError> command(const std::string &word);
    // The control's own transport buttons.
    std::optional<MciError> press(Button button);
    bool buttonEnabled(Button button) const;

    int mode() const;  // one of mci_mode
    int length() const;
    int position() const;
    bool clipOpen() const;
    double framesPerSecond() const;
    int videoWidth() const;  // display size, sample aspect applied
    int videoHeight() const;

    // Blocks until the device has shown what the last command asked for and no play
    // runs (a paused play counts as stopped): for tools and tests only.
    void waitUntilStopped();

    struct PlayStats {
        long shown = 0;
        long dropped = 0;  // pictures skipped because they were late
    };
    PlayStats stats() const;  // since the clip was opened

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace mci
