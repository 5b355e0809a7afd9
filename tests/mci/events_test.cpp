// What the device reports: Done codes, Mode through its life, errors by number, the
// remembered direction of its Play button.

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/engine/decode_channel.h"
#include "platform/mci/mci_device.h"
#include "tests/support/test_clips.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

namespace {

// Done 1 with the position a Done handler reading it at once gets: already the end point.
struct RecordingListener : mci::DeviceListener {
    void done(int code) override { add("done " + std::to_string(code) + (code == 1 ? " at " + std::to_string(device->position()) : "")); }
    void buttonCompleted(mci::Button, int) override {}
    void stateChanged() override {}
    void add(const std::string &event) { std::lock_guard lock(mutex); events.push_back(event); }
    std::vector<std::string> seen() { std::lock_guard lock(mutex); return events; }
    const mci::MciDevice *device = nullptr;
    std::mutex mutex;
    std::vector<std::string> events;
};

struct Fixture {
    mci::NullVideoSink sink;
    RecordingListener listener;
    mci::MciDevice device;
    explicit Fixture(bool untimed, const std::string &clip = test_clips::make("events_clip.avi",
                         {"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25:d=2", "-c:v", "mjpeg"}))
        : device(mci::DeviceOptions{.untimed = untimed}, sink, mci::makeNullAudioSink(), listener) {
        listener.device = &device;
        device.setDeviceType("avivideo");
        device.setFileName(clip);
        EXPECT_FALSE(device.command("open").has_value());
    }
    void range(int from, int to) {
        device.setFrom(from);
        device.setTo(to);
    }
};

// Done codes: 1 at the end (also after a seek during the play), 2 replaced, 4 stopped,
// paused or closed; seek, step and the like raise none.
TEST(DeviceEvents, DoneCodesAndModeForEndReplaceStopPauseAndClose) {
    const struct {
        const char *name;
        bool untimed;
        std::function<void(Fixture &)> act;
        std::vector<std::string> events;
        int mode;
    } cases[] = {
        {"to the end", true, [](Fixture &f) { f.range(0, 50); f.device.command("play"); }, {"done 1 at 50"}, 525},
        {"replaced, stopped", false,
         [](Fixture &f) { f.device.command("play"); f.range(50, 0); f.device.command("play"); f.device.command("stop"); },
         {"done 2", "done 4"}, 525},
        {"paused, resumed", false,
         [](Fixture &f) { f.device.command("play"); f.device.command("pause"); f.device.press(mci::Button::Play); },
         {"done 4"}, 526},
        {"closed", false, [](Fixture &f) { f.device.command("play"); f.device.command("close"); }, {"done 4"}, 524},
        {"seek during a play goes on to the end", false, [](Fixture &f) {
             f.device.command("play");
             f.device.setTo(47);
             f.device.command("seek");
             EXPECT_EQ(f.device.mode(), 526);
             f.device.waitUntilStopped();
         }, {"done 1 at 50"}, 525},
        {"moves", true, [](Fixture &f) {
             f.device.setTo(10);
             for (const char *word : {"seek", "step", "back", "prev"}) f.device.command(word);
         }, {}, 525},
    };
    for (const auto &c : cases) {
        Fixture f(c.untimed);
        c.act(f);
        if (c.untimed) f.device.waitUntilStopped();
        EXPECT_EQ(f.device.mode(), c.mode) << c.name;
        EXPECT_EQ(f.listener.seen(), c.events) << c.name;
    }
}

TEST(DeviceEvents, ErrorsByNumber) {
    const std::pair<std::function<std::optional<mci::MciError>(Fixture &)>, int> rows[] = {
        {[](Fixture &f) { return f.device.command("record"); }, 30274},
        {[](Fixture &f) { return f.device.command("dance"); }, 30261},
        {[](Fixture &f) { return f.device.command("open"); }, 30265},
        {[](Fixture &f) { f.device.command("close"); f.device.setDeviceType("cdaudio"); return f.device.command("open"); }, 30263},
        {[](Fixture &f) { f.device.setTo(f.device.length() + 1); return f.device.command("play"); }, 30282},
        {[](Fixture &f) { f.device.setTo(-1); return f.device.command("seek"); }, 30282},
    };
    for (const auto &[act, number] : rows) {
        Fixture f(true);
        const auto error = act(f);
        EXPECT_EQ(error ? error->number : 0, number);
        // The out-of-range ends were consumed with the failed command.
        if (number == 30282) {
            EXPECT_FALSE(f.device.command("play").has_value());
        }
    }
}

// Every command that consumes both waiting ends leaves their direction for the Play
// button: "Reverse" checked while stopped (a backward range), then any of these, then
// Play, plays backwards and ends at 0.
TEST(DeviceEvents, PlayButtonFollowsTheRememberedDirection) {
    for (const char *word : {"seek", "prev", "next", "step", "back", "stop", "pause"}) {
        Fixture f(true);
        f.device.setTo(30);
        ASSERT_FALSE(f.device.command("seek"));
        f.range(f.device.length(), 0);
        ASSERT_FALSE(f.device.command(word)) << word;
        f.device.waitUntilStopped();
        ASSERT_FALSE(f.device.press(mci::Button::Play)) << word;
        f.device.waitUntilStopped();
        // Standing at that end, Play goes over the whole clip again the same way.
        ASSERT_FALSE(f.device.press(mci::Button::Play));
        f.device.waitUntilStopped();
        EXPECT_EQ(f.listener.seen(), (std::vector<std::string>{"done 1 at 0", "done 1 at 0"})) << word << " then Play";
    }
    // A forward range, and a play of its own, turn it forwards again.
    Fixture f(true);
    f.range(f.device.length(), 0);
    ASSERT_FALSE(f.device.command("next"));
    f.range(0, 10);
    ASSERT_FALSE(f.device.command("step"));
    ASSERT_FALSE(f.device.press(mci::Button::Play));
    f.device.waitUntilStopped();
    EXPECT_EQ(f.device.position(), f.device.length());
}

// Clearing "Reverse" during a backward play sends "stop", a forward range and "play".
// With a long group of frames being decoded backwards, that once froze the device for
// good; every command must come back whatever the decode threads are doing.
TEST(DeviceEvents, BackwardPlayStoppedAndReplacedByAForwardOneNeverFreezes) {
    const std::string longGroup = test_clips::make(
        "events_gop250.avi", {"-f", "lavfi", "-i", "testsrc2=s=320x240:r=25:d=12", "-c:v", "mpeg4", "-g", "250", "-bf", "2"});
    auto turns = std::async(std::launch::async, [&] {
        Fixture f(false, longGroup);
        mci::MciDevice &device = f.device;
        const int length = device.length();
        for (int delayMs : {0, 1, 3, 5, 10, 20, 35, 50, 80}) {
            device.setFrom(length);
            device.setTo(0);
            device.command("play");
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));  // the user's pace, not a wait
            device.command("stop");
            device.setFrom(0);
            device.setTo(length);
            device.command("play");
            EXPECT_EQ(device.mode(), 526);
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        }
        device.command("close");
    });
    if (turns.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
        std::fprintf(stderr, "the device froze: a command never returned\n");
        std::abort();  // the stuck thread cannot be joined
    }
    turns.get();
}

// The decode thread makes room for a backward play's next pictures from what the play
// has shown. Counting the top slot as shown before it is let it be dropped unseen when
// only one picture fits, and a worker slower to start than the decoder then waited for
// it for ever (seen on a loaded machine).
TEST(DecodeChannel, ABackwardPlayHasShownNothingUntilItSaysSo) {
    mci::DecodeChannel channel;
    for (const auto &[kind, from, shownFirst] : {std::tuple{mci::DecodeRequest::Backward, 74, 75},
                                                  std::tuple{mci::DecodeRequest::Forward, 10, 10},
                                                  std::tuple{mci::DecodeRequest::Show, 3, 3}}) {
        channel.ask(mci::DecodeRequest{kind, nullptr, from});
        EXPECT_EQ(channel.shownSlot(), shownFirst) << kind;
        channel.shown(from);
        EXPECT_EQ(channel.shownSlot(), from) << kind;
    }
}

}  // namespace
