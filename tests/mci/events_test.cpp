// What the device reports: Done codes, Mode through its life, errors by number, the
// remembered direction of its Play button, and the button completion events.

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "tests/support/test_clips.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace {

class RecordingListener : public mci::DeviceListener {
public:
    void done(int code) override {
        std::lock_guard lock(m_mutex);
        m_events.push_back("done " + std::to_string(code));
        // A Done handler reads the position at once: it must already be the end point.
        if (positionAtDone) positions.push_back(positionAtDone());
    }
    std::function<int()> positionAtDone;
    std::vector<int> positions;
    void buttonCompleted(mci::Button button, int error) override {
        std::lock_guard lock(m_mutex);
        m_events.push_back("button " + std::to_string(static_cast<int>(button)) + " " + std::to_string(error));
    }
    void stateChanged() override {}
    std::vector<std::string> events() {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_events;
};

std::string clip() {
    return test_clips::make("events_clip.avi", {"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25:d=2", "-c:v", "mjpeg"});
}

struct Fixture {
    mci::NullVideoSink sink;
    RecordingListener listener;
    mci::MciDevice device;
    explicit Fixture(bool untimed, bool withClip = true)
        : device(mci::DeviceOptions{.untimed = untimed}, sink, mci::makeNullAudioSink(), listener) {
        device.setDeviceType("avivideo");
        if (withClip) device.setFileName(clip());
        EXPECT_FALSE(device.command("open").has_value());
    }
    void range(int from, int to) {
        device.setFrom(from);
        device.setTo(to);
    }
};

TEST(DeviceEvents, DoneCodesForEndReplaceStopAndClose) {
    {
        Fixture f(true);
        f.listener.positionAtDone = [&f] { return f.device.position(); };
        f.range(0, 50);
        ASSERT_FALSE(f.device.command("play"));
        f.device.waitUntilStopped();
        EXPECT_EQ(f.listener.events(), std::vector<std::string>{"done 1"});
        EXPECT_EQ(f.listener.positions, std::vector<int>{50});
    }
    {
        Fixture f(false);
        ASSERT_FALSE(f.device.command("play"));
        f.range(50, 0);
        ASSERT_FALSE(f.device.command("play"));  // replaces the first play
        ASSERT_FALSE(f.device.command("stop"));  // ends the second
        f.device.waitUntilStopped();
        EXPECT_EQ(f.listener.events(), (std::vector<std::string>{"done 2", "done 4"}));
    }
    {
        Fixture f(false);
        ASSERT_FALSE(f.device.command("play"));
        ASSERT_FALSE(f.device.command("close"));
        EXPECT_EQ(f.listener.events(), std::vector<std::string>{"done 4"});
    }
    {
        // Seek, step and the like raise no Done of their own.
        Fixture f(true);
        f.device.setTo(10);
        ASSERT_FALSE(f.device.command("seek"));
        ASSERT_FALSE(f.device.command("step"));
        ASSERT_FALSE(f.device.command("back"));
        ASSERT_FALSE(f.device.command("prev"));
        f.device.waitUntilStopped();
        EXPECT_TRUE(f.listener.events().empty());
    }
}

TEST(DeviceEvents, ModeThroughOpenPlayPauseStopClose) {
    Fixture f(false);
    EXPECT_EQ(f.device.mode(), 525);
    ASSERT_FALSE(f.device.command("play"));
    EXPECT_EQ(f.device.mode(), 526);
    ASSERT_FALSE(f.device.command("pause"));
    EXPECT_EQ(f.device.mode(), 529);
    const int paused = f.device.position();
    ASSERT_FALSE(f.device.press(mci::Button::Play));  // resumes
    EXPECT_EQ(f.device.mode(), 526);
    EXPECT_GE(f.device.position(), paused);
    ASSERT_FALSE(f.device.command("stop"));
    EXPECT_EQ(f.device.mode(), 525);
    ASSERT_FALSE(f.device.command("close"));
    EXPECT_EQ(f.device.mode(), 524);
    EXPECT_EQ(f.device.length(), 0);
    EXPECT_EQ(f.device.position(), 0);
}

TEST(DeviceEvents, ErrorsByNumber) {
    struct Row {
        const char *what;
        std::function<std::optional<mci::MciError>(Fixture &)> act;
        int number;
    };
    const std::vector<Row> rows = {
        {"record", [](Fixture &f) { return f.device.command("record"); }, 30274},
        {"eject", [](Fixture &f) { return f.device.command("eject"); }, 30274},
        {"unknown word", [](Fixture &f) { return f.device.command("dance"); }, 30261},
        {"open twice", [](Fixture &f) { return f.device.command("open"); }, 30265},
        {"play past the end", [](Fixture &f) { f.device.setTo(f.device.length() + 1); return f.device.command("play"); }, 30282},
        {"seek before the start", [](Fixture &f) { f.device.setTo(-1); return f.device.command("seek"); }, 30282},
    };
    for (const Row &row : rows) {
        Fixture f(true);
        const auto error = row.act(f);
        ASSERT_TRUE(error.has_value()) << row.what;
        EXPECT_EQ(error->number, row.number) << row.what;
    }
    // The out-of-range ends were consumed with the failed command.
    Fixture f(true);
    f.device.setTo(1000);
    EXPECT_TRUE(f.device.command("play").has_value());
    EXPECT_FALSE(f.device.command("play").has_value());

    mci::NullVideoSink sink;
    RecordingListener listener;
    mci::MciDevice other(mci::DeviceOptions{}, sink, mci::makeNullAudioSink(), listener);
    other.setDeviceType("cdaudio");
    ASSERT_TRUE(other.command("open").has_value());
    EXPECT_EQ(other.command("open")->number, 30263);
}

TEST(DeviceEvents, WithoutAClipTransportDoesNothing) {
    Fixture f(true, false);
    EXPECT_EQ(f.device.mode(), 525);
    for (const char *word : {"play", "pause", "stop", "prev", "next", "step", "back", "seek"})
        EXPECT_FALSE(f.device.command(word).has_value()) << word;
    EXPECT_EQ(f.device.mode(), 525);
    EXPECT_EQ(f.device.length(), 0);
    EXPECT_TRUE(f.listener.events().empty());
    for (auto b : {mci::Button::Play, mci::Button::Prev, mci::Button::Stop}) EXPECT_FALSE(f.device.buttonEnabled(b));
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
        EXPECT_EQ(f.device.position(), 0) << word << " then Play did not play backwards";
        // Standing at that end, Play goes over the whole clip again the same way.
        ASSERT_FALSE(f.device.press(mci::Button::Play));
        f.device.waitUntilStopped();
        EXPECT_EQ(f.device.position(), 0) << word;
        EXPECT_EQ(f.listener.events(), (std::vector<std::string>{"done 1", "done 1"})) << word;
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
        mci::NullVideoSink sink;
        RecordingListener listener;
        mci::MciDevice device(mci::DeviceOptions{}, sink, mci::makeNullAudioSink(), listener);
        device.setDeviceType("avivideo");
        device.setFileName(longGroup);
        EXPECT_FALSE(device.command("open"));
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

TEST(DeviceEvents, ButtonsReportTheirCompletionWithTheNewPosition) {
    Fixture f(true);
    ASSERT_FALSE(f.device.press(mci::Button::Step));
    EXPECT_EQ(f.device.position(), 1);
    ASSERT_FALSE(f.device.press(mci::Button::Next));
    EXPECT_EQ(f.device.position(), f.device.length());
    ASSERT_FALSE(f.device.press(mci::Button::Back));
    EXPECT_EQ(f.device.position(), f.device.length() - 1);
    ASSERT_FALSE(f.device.press(mci::Button::Prev));
    EXPECT_EQ(f.device.position(), 0);
    f.device.waitUntilStopped();
    EXPECT_EQ(f.listener.events(), (std::vector<std::string>{"button 5 0", "button 1 0", "button 4 0", "button 0 0"}));
}

TEST(DeviceEvents, SeekDuringPlayGoesOnToTheEnd) {
    Fixture f(false);
    ASSERT_FALSE(f.device.command("play"));
    f.device.setTo(f.device.length() - 3);
    ASSERT_FALSE(f.device.command("seek"));
    EXPECT_EQ(f.device.mode(), 526);
    f.device.waitUntilStopped();
    EXPECT_EQ(f.device.position(), f.device.length());
    EXPECT_EQ(f.listener.events(), std::vector<std::string>{"done 1"});
}

TEST(DeviceEvents, EnabledButtonsFollowTheMode) {
    using B = mci::Button;
    Fixture f(false);
    auto enabled = [&] {
        std::string s;
        for (B b : {B::Prev, B::Next, B::Play, B::Pause, B::Back, B::Step, B::Stop, B::Record, B::Eject})
            s += f.device.buttonEnabled(b) ? '1' : '0';
        return s;
    };
    EXPECT_EQ(enabled(), "111011000");  // stopped
    ASSERT_FALSE(f.device.command("play"));
    EXPECT_EQ(enabled(), "110100100");  // playing
    ASSERT_FALSE(f.device.command("pause"));
    EXPECT_EQ(enabled(), "111011100");  // paused
}

}  // namespace
