// A bad file gets its numbered error or plays what it holds; it never crashes, hangs,
// leaks or takes more memory than the test allows (this suite also runs under
// AddressSanitizer).

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "tests/mci/avi_surgery.h"
#include "tests/support/test_clips.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

std::string inFolder(const std::string &name) { return test_clips::folder() + "/" + name; }
std::string goodClip() {
    return test_clips::make("bad_files_source.avi",
                            {"-f", "lavfi", "-i", "testsrc2=s=160x120:r=25:d=3", "-f", "lavfi", "-i", "sine=d=3",
                             "-c:v", "mpeg4", "-g", "25", "-bf", "1", "-c:a", "libmp3lame", "-shortest"});
}
std::string cinepak() {
    return test_clips::make("bad_files_cinepak.avi", {"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25:d=1", "-c:v", "cinepak"});
}
std::string withPcm() {
    return test_clips::make("bad_files_pcm.avi", {"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25:d=1", "-f", "lavfi",
                                                  "-i", "sine=d=1", "-c:v", "mjpeg", "-c:a", "pcm_s16le", "-shortest"});
}

// A hostile twin of a small clip: one header field set to what no real file holds.
std::string declared(const char *name, const std::string &clip, const char *chunk, int nth, std::size_t offset,
                     std::uint32_t value, std::size_t width = 4) {
    avi_surgery::setField(clip, inFolder(name + std::string(".avi")), chunk, nth, offset, value, width);
    return inFolder(name + std::string(".avi"));
}

std::string special(const char *name, bool (*make)(const char *)) {
    if (!make(inFolder(name).c_str())) throw std::runtime_error(inFolder(name));
    return inFolder(name);
}

// The first `bytes` of `made` (all of it by default) under another name.
std::string cut(const std::string &made, const std::string &name, std::uintmax_t bytes = UINTMAX_MAX) {
    fs::copy_file(made, inFolder(name), fs::copy_options::overwrite_existing);
    fs::resize_file(inFolder(name), std::min(bytes, fs::file_size(inFolder(name))));
    return inFolder(name);
}

struct BadFile {
    const char *name;
    std::string (*make)();
    int expectedError;  // 0: opens and plays what it holds
    bool timed = false;  // played at its own pace, its sound decoded for SDL's dummy device
    bool cutDuringPlay = false;
    std::size_t cacheBytes = 256u << 20;  // for backward play
};

const BadFile kBadFiles[] = {
    {"missing", [] { return test_clips::folder() + "/no-such-file.avi"; }, 30275},
    {"empty", [] { std::ofstream(inFolder("empty.avi")); return inFolder("empty.avi"); }, 30296},
    {"truncated_middle", [] { return cut(goodClip(), "truncated_middle.avi", fs::file_size(goodClip()) / 2); }, 0},
    {"audio_only",
     [] { return test_clips::make("audio_only.avi", {"-f", "lavfi", "-i", "sine=d=1", "-c:a", "pcm_s16le"}); }, 30296},
    {"zero_frames",
     [] { return test_clips::make("zero_frames.avi", {"-f", "lavfi", "-i", "testsrc2=s=64x48:d=1", "-frames:v", "0",
                                                      "-c:v", "mjpeg"}); },
     30296},
    // Declared beyond what any real AVI holds: refused before anything is allocated.
    {"huge_picture", [] { return declared("huge_picture", declared("huge_w", cinepak(), "strf", 0, 4, 16000), "strf", 0, 8, 16000); },
     30296},
    {"huge_start", [] { return declared("huge_start", cinepak(), "strh", 0, 28, 65536); }, 30296},
    // Sound no device can play: the picture plays without it.
    {"absurd_sample_rate", [] { return declared("absurd_rate", withPcm(), "strf", 1, 4, 2); }, 0, true},
    {"huge_sample_rate", [] { return declared("huge_rate", withPcm(), "strf", 1, 4, 338'000'000); }, 0, true},
    {"absurd_channels", [] { return declared("absurd_channels", withPcm(), "strf", 1, 2, 200, 2); }, 0, true},
    // Not a file at all: answered at once, never a blocked open.
    {"pipe", [] { return special("pipe.avi", [](const char *p) { return !::mkfifo(p, 0600) || errno == EEXIST; }); },
     30296},
    {"folder", [] { return special("folder.avi", [](const char *p) { return !::mkdir(p, 0700) || errno == EEXIST; }); },
     30275},
    {"cut_during_play", [] { return cut(goodClip(), "cut_during_play.avi"); }, 0, false, true},
    // Backward play with room for one picture (some 48 kB with the decoder's padding),
    // not two: it still shows every one.
    {"backward_budget_one_picture", goodClip, 0, false, false, 70'000},
};

// Ends the process if a case takes longer than any slow machine would: SIGALRM's
// default action, which no hung thread can hold up.
struct Watchdog {
    Watchdog() { ::alarm(300); }
    ~Watchdog() { ::alarm(0); }
};

// Cuts the file to half its size when the play shows its tenth picture.
struct CuttingSink : mci::VideoSink {
    void present(const mci::Picture &picture) override {
        last = picture.slot;
        if (++presented == 10 && !path.empty() && ::truncate(path.c_str(), fs::file_size(path) / 2) != 0) std::abort();
    }
    void clear() override {}
    std::string path;  // none: cuts nothing
    std::atomic<int> last{-1}, presented{0};
};

long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

constexpr long kMemoryLimitMb = 1024;  // far above a small clip's needs, far below a blowup's

class BadFiles : public ::testing::TestWithParam<BadFile> {};

TEST_P(BadFiles, GetTheirErrorOrPlay) {
    const BadFile &bad = GetParam();
    const std::string path = bad.make();
    const Watchdog watchdog;
    CuttingSink sink;
    sink.path = bad.cutDuringPlay ? path : "";
    mci::NullDeviceListener listener;
    mci::MciDevice device(mci::DeviceOptions{.reverseCacheBytes = bad.cacheBytes, .untimed = !bad.timed}, sink,
                          bad.timed ? mci::makeSdlAudioSink() : mci::makeNullAudioSink(), listener);
    device.setDeviceType("avivideo");
    device.setFileName(path);
    const std::optional<mci::MciError> error = device.command("open");
    if (bad.expectedError) {
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(std::make_tuple(error->number, error->text.empty(), device.mode()), std::make_tuple(bad.expectedError, false, 524));
        // A failed open leaves the device closed, and closed it does nothing.
        EXPECT_FALSE(device.command("play").has_value());
        EXPECT_FALSE(device.command("close").has_value());
        EXPECT_LT(peakMegabytes(), kMemoryLimitMb);
        return;
    }
    ASSERT_FALSE(error.has_value()) << error->number;
    const int length = device.length();
    EXPECT_GT(length, 0);
    for (auto [from, to] : {std::pair{0, length}, std::pair{length, 0}}) {
        const int before = sink.presented;
        device.setFrom(from);
        device.setTo(to);
        EXPECT_FALSE(device.command("play").has_value());
        device.waitUntilStopped();
        EXPECT_EQ(device.position(), to);
        // A cut file ends the play where it ends now, not after showing slots it lost.
        if (bad.cutDuringPlay && from == 0) {
            EXPECT_LT(sink.last, length - 1);
        } else if (!bad.timed) {
            EXPECT_EQ(sink.presented - before, length) << "a picture at every slot";
        }
    }
    EXPECT_FALSE(device.command("close").has_value());
    EXPECT_LT(peakMegabytes(), kMemoryLimitMb);
}

INSTANTIATE_TEST_SUITE_P(Files, BadFiles, ::testing::ValuesIn(kBadFiles),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
