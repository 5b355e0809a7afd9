// Every way of reaching a frame slot must show exactly the picture ffmpeg decodes for
// it. The probe tool reaches each slot one way; ffmpeg's framemd5 is the oracle.

#include "platform/mci/engine/frame_decoder.h"
#include "platform/mci/tools/frame_md5.h"
#include "tests/mci/avi_surgery.h"
#include "tests/support/test_clips.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <span>
#include <sstream>
#include <unistd.h>
#include <variant>

namespace {

using Args = std::vector<std::string>;

struct ClipCase {
    const char *name;
    double seconds;
    Args codec;  // after the picture source, testsrc2 at 25 fps
    void (*damage)(const std::string &from, const std::string &to) = nullptr;
    const char *size = "160x120";
};

const ClipCase kClips[] = {
    {"mjpeg_mp3", 2, {"-f", "lavfi", "-i", "sine=f=440:d=2", "-c:a", "libmp3lame", "-shortest", "-c:v", "mjpeg", "-pix_fmt", "yuvj420p"}},
    {"mpeg4_gop250_bframes", 12, {"-c:v", "mpeg4", "-g", "250", "-bf", "2"}},
    {"xvid_packed_bframes", 4, {"-c:v", "libxvid", "-g", "30", "-bf", "2"}},
    {"h264_bframes", 4, {"-c:v", "libx264", "-g", "40", "-bf", "3", "-pix_fmt", "yuv420p"}},
    {"msvideo1", 2, {"-c:v", "msvideo1"}},
    {"rawvideo", 2, {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}, nullptr, "64x48"},
    {"huffyuv", 2, {"-c:v", "huffyuv"}},
    // Every fourth frame kept, with its time: the muxer fills the gaps with empty chunks.
    {"dropped_frames", 3,
     {"-vf", "select=not(mod(n\\,4))", "-fps_mode", "passthrough", "-c:v", "mpeg4", "-g", "12"}},
    {"no_index_h264", 4, {"-c:v", "libx264", "-g", "25", "-bf", "2", "-pix_fmt", "yuv420p"},
     avi_surgery::dropIndex},
    {"no_key_flags_mpeg4", 6, {"-c:v", "mpeg4", "-g", "50", "-bf", "1"}, avi_surgery::clearKeyFlags},
    // Palettised: the stream format's palette, then a new one at every picture.
    {"pal8_palette_changes", 2,
     {"-vf", "split[a][b];[a]palettegen=stats_mode=single[p];[b][p]paletteuse=new=1", "-c:v", "rawvideo",
      "-pix_fmt", "pal8"}},
    {"garbled_index_mpeg4", 4, {"-c:v", "mpeg4", "-g", "25", "-bf", "2"}, avi_surgery::garbleIndex},
    {"damaged_mpeg4", 6, {"-c:v", "mpeg4", "-g", "25", "-bf", "2"}, avi_surgery::garbleVideoChunks},
    {"damaged_h264", 4, {"-c:v", "libx264", "-g", "25", "-bf", "2", "-pix_fmt", "yuv420p"},
     avi_surgery::garbleVideoChunks},
};

std::string clipPath(const ClipCase &c) {
    const std::string picture = std::string("testsrc2=s=") + c.size + ":r=25:d=" + std::to_string(c.seconds);
    Args args = {"-f", "lavfi", "-i", picture};
    args.insert(args.end(), c.codec.begin(), c.codec.end());
    const std::string made = test_clips::make(std::string(c.name) + (c.damage ? "_whole" : "") + ".avi", args);
    if (!c.damage) return made;
    const std::string damaged = test_clips::folder() + "/" + c.name + ".avi";
    if (!std::filesystem::exists(damaged)) {
        const std::string partial = damaged + ".part" + std::to_string(::getpid());
        c.damage(made, partial);
        std::filesystem::rename(partial, damaged);
    }
    return damaged;
}

std::string probe() {
    const char *bin = std::getenv("VIDLARK_BIN_DIR");
    return std::string(bin ? bin : ".") + "/vidlark-probe";
}

// slot -> md5, as the probe reports them; a slot reported twice must agree.
std::map<int, std::string> probeSlots(const std::string &via, const std::string &clip, Args options = {}) {
    Args argv = {probe(), "--via", via};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(clip);
    std::istringstream lines(test_clips::run(argv));
    std::map<int, std::string> slots;
    int slot;
    std::string md5;
    while (lines >> slot >> md5) {
        auto [it, fresh] = slots.emplace(slot, md5);
        EXPECT_TRUE(fresh || it->second == md5) << via << " showed two pictures at slot " << slot;
    }
    return slots;
}

class FrameAccuracy : public ::testing::TestWithParam<ClipCase> {};

TEST_P(FrameAccuracy, EveryWayToEverySlotShowsFfmpegsPicture) {
    const std::string clip = clipPath(GetParam());
    const std::map<int, std::string> bySeek = probeSlots("seek", clip);
    ASSERT_FALSE(bySeek.empty());
    const int length = bySeek.rbegin()->first + 1;
    ASSERT_EQ(static_cast<int>(bySeek.size()), length) << "seek must reach every slot";
    // As many slots as the stream header counts chunks, empty ones included.
    const std::string declared = test_clips::run({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                                                  "stream=nb_frames", "-of", "default=nw=1:nk=1", clip});
    EXPECT_EQ(length, std::stoi(declared));
    const std::vector<std::string> oracle = test_clips::oracleFrameMd5(clip, length);

    for (const char *via : {"seek", "play", "reverse", "step", "back"}) {
        const std::map<int, std::string> reached = via == std::string("seek") ? bySeek : probeSlots(via, clip);
        EXPECT_EQ(static_cast<int>(reached.size()), length) << via << " did not reach every slot";
        int wrong = 0;
        for (const auto &[slot, md5] : reached) {
            if (md5 != oracle.at(slot) && ++wrong <= 3)
                ADD_FAILURE() << GetParam().name << " via " << via << ": slot " << slot << " shows " << md5
                              << ", ffmpeg decodes " << oracle.at(slot);
        }
        EXPECT_EQ(wrong, 0) << via;
    }
}

// A seek may go on from the run the seek before it started: from any place, skipping or
// not, to any other (key slots and the slots after them among them), the picture in
// force must still be ffmpeg's.
TEST(FrameAccuracy, SeekAfterSeekShowsFfmpegsPicture) {
    for (const ClipCase &c : std::span(kClips).subspan(1, 3)) {  // the clips with B-frames
        const std::string path = clipPath(c);
        auto clip = std::get<std::shared_ptr<const mci::ClipIndex>>(mci::ClipIndex::open(path));
        const std::vector<std::string> oracle = test_clips::oracleFrameMd5(path, clip->length());
        mci::FrameDecoder decoder(clip, 0);
        std::vector<int> places = {0, 1, 30, 31, 40, 41, 62, 250, 251, clip->length() - 2, clip->length() - 1};
        std::erase_if(places, [&](int slot) { return slot >= clip->length(); });
        for (int before : places) {
            for (int after : places) {
                for (bool skipBefore : {false, true}) {
                    decoder.seek(before, skipBefore ? before : 0);
                    std::optional<mci::Picture> shown = decoder.seek(after, std::max(0, after - 8));
                    ASSERT_TRUE(shown && shown->slot <= after) << c.name << ": " << before << " then " << after;
                    for (auto next = decoder.next(); next && next->slot <= after; next = decoder.next()) shown = next;
                    EXPECT_EQ(mci::frameMd5(*shown->frame), oracle.at(after))
                        << c.name << ": slot " << after << " after a seek to " << before << (skipBefore ? " skipping" : "");
                }
            }
        }
    }
}

// Where a group does not fit the backward cache, it is decoded in pieces, each from the
// group's key frame, skipping what leads up to it: every piece must still show
// ffmpeg's pictures. (Above, every group fits whole.)
TEST(FrameAccuracy, GroupsCutIntoPiecesShowFfmpegsPictures) {
    for (const ClipCase &c : std::span(kClips).subspan(1, 3)) {  // the clips with B-frames
        const std::string clip = clipPath(c);
        const std::map<int, std::string> bySeek = probeSlots("seek", clip);
        const std::vector<std::string> oracle = test_clips::oracleFrameMd5(clip, static_cast<int>(bySeek.size()));
        for (const char *via : {"reverse", "back"}) {
            // 1 MiB holds some 30 pictures of 160x120: a group of 250 in nine pieces.
            const std::map<int, std::string> reached = probeSlots(via, clip, {"--cache-mb", "1"});
            EXPECT_EQ(reached.size(), oracle.size()) << c.name << " via " << via;
            int wrong = 0;
            for (const auto &[slot, md5] : reached)
                if (md5 != oracle.at(slot) && ++wrong <= 3)
                    ADD_FAILURE() << c.name << " via " << via << ": slot " << slot << " shows " << md5;
            EXPECT_EQ(wrong, 0) << c.name << " via " << via;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Codecs, FrameAccuracy, ::testing::ValuesIn(kClips),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
