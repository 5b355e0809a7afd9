// A bad file gets its numbered error or plays what it holds; it never crashes, hangs
// or leaks (this suite also runs under AddressSanitizer).

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "tests/mci/avi_surgery.h"
#include "tests/support/test_clips.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace {

std::string goodClip() {
    return test_clips::make("bad_files_source.avi",
                            {"-f", "lavfi", "-i", "testsrc2=s=160x120:r=25:d=3", "-f", "lavfi", "-i", "sine=d=3",
                             "-c:v", "mpeg4", "-g", "25", "-bf", "1", "-c:a", "libmp3lame", "-shortest"});
}

std::string write(const std::string &name, const std::string &bytes) {
    const std::string path = test_clips::folder() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string randomBytes(std::size_t n) {
    std::mt19937 random(7);
    std::string s(n, '\0');
    for (char &c : s) c = static_cast<char>(random());
    return s;
}

std::string renamed(const std::string &made, const std::string &name) {
    const std::string path = test_clips::folder() + "/" + name;
    avi_surgery::truncate(made, path, avi_surgery::fileSize(made));
    return path;
}

struct BadFile {
    const char *name;
    std::string (*make)();
    int expectedError;  // 0: opens and plays what it holds
};

const BadFile kBadFiles[] = {
    {"missing", [] { return test_clips::folder() + "/no-such-file.avi"; }, 30275},
    {"empty", [] { return write("empty.avi", ""); }, 30296},
    {"text", [] { return write("text.avi", "This is not a video, only some words.\n"); }, 30296},
    {"random_bytes", [] { return write("random.avi", randomBytes(100000)); }, 30296},
    {"riff_header_only", [] { return write("riff.avi", std::string("RIFF\x10\0\0\0AVI LIST", 16)); }, 30296},
    {"truncated_header",
     [] {
         const std::string to = test_clips::folder() + "/truncated_header.avi";
         avi_surgery::truncate(goodClip(), to, 300);
         return to;
     },
     30296},
    {"truncated_middle",
     [] {
         const std::string to = test_clips::folder() + "/truncated_middle.avi";
         avi_surgery::truncate(goodClip(), to, avi_surgery::fileSize(goodClip()) / 2);
         return to;
     },
     0},
    {"wav_renamed",
     [] { return renamed(test_clips::make("tone.wav", {"-f", "lavfi", "-i", "sine=d=1"}), "wav_renamed.avi"); }, 30296},
    {"mp4_renamed",
     [] {
         return renamed(test_clips::make("clip.mp4", {"-f", "lavfi", "-i", "testsrc2=s=64x48:d=1", "-c:v", "mpeg4"}),
                        "mp4_renamed.avi");
     },
     30296},
    {"audio_only",
     [] { return test_clips::make("audio_only.avi", {"-f", "lavfi", "-i", "sine=d=1", "-c:a", "pcm_s16le"}); }, 30296},
    {"zero_frames",
     [] {
         return test_clips::make("zero_frames.avi",
                                 {"-f", "lavfi", "-i", "testsrc2=s=64x48:d=1", "-frames:v", "0", "-c:v", "mjpeg"});
     },
     30296},
};

class BadFiles : public ::testing::TestWithParam<BadFile> {};

TEST_P(BadFiles, GetTheirErrorOrPlay) {
    const std::string path = GetParam().make();
    mci::NullVideoSink sink;
    mci::NullDeviceListener listener;
    mci::MciDevice device(mci::DeviceOptions{.untimed = true}, sink, mci::makeNullAudioSink(), listener);
    device.setDeviceType("avivideo");
    device.setFileName(path);
    const std::optional<mci::MciError> error = device.command("open");
    if (GetParam().expectedError) {
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->number, GetParam().expectedError);
        EXPECT_FALSE(error->text.empty());
        EXPECT_EQ(device.mode(), 524);
        // A failed open leaves the device closed, and closed it does nothing.
        EXPECT_FALSE(device.command("play").has_value());
        EXPECT_FALSE(device.command("close").has_value());
        return;
    }
    ASSERT_FALSE(error.has_value()) << error->number;
    const int length = device.length();
    EXPECT_GT(length, 0);
    for (auto [from, to] : {std::pair{0, length}, std::pair{length, 0}}) {
        device.setFrom(from);
        device.setTo(to);
        EXPECT_FALSE(device.command("play").has_value());
        device.waitUntilStopped();
        EXPECT_EQ(device.position(), to);
    }
    EXPECT_FALSE(device.command("close").has_value());
}

INSTANTIATE_TEST_SUITE_P(Files, BadFiles, ::testing::ValuesIn(kBadFiles),
                         [](const auto &info) { return std::string(info.param.name); });

// After a bad file the same device opens a good one.
TEST(BadFilesThenGood, DeviceStillOpensAGoodClip) {
    mci::NullVideoSink sink;
    mci::NullDeviceListener listener;
    mci::MciDevice device(mci::DeviceOptions{.untimed = true}, sink, mci::makeNullAudioSink(), listener);
    device.setDeviceType("avivideo");
    device.setFileName(write("text2.avi", "not a video"));
    ASSERT_TRUE(device.command("open").has_value());
    device.setFileName(goodClip());
    EXPECT_FALSE(device.command("open").has_value());
    EXPECT_EQ(device.length(), 75);
}

}  // namespace
