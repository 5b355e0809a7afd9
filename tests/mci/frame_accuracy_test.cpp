// Every way of reaching a frame slot must show exactly the picture ffmpeg decodes for
// it. The probe tool reaches each slot one way; ffmpeg's framemd5 is the oracle.

#include "platform/mci/engine/frame_decoder.h"
#include "platform/mci/tools/frame_md5.h"
#include "tests/mci/avi_surgery.h"
#include "tests/support/test_clips.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
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

// Every slot must be reached and show `expected`'s picture; the first three wrong ones are named.
void expectPictures(const std::map<int, std::string> &reached, const std::vector<std::string> &expected,
                    const std::string &what, const char *expectedIs = "ffmpeg decodes") {
    EXPECT_EQ(reached.size(), expected.size()) << what << " did not reach every slot";
    int wrong = 0;
    for (const auto &[slot, md5] : reached) {
        if (md5 != expected.at(slot) && ++wrong <= 3)
            ADD_FAILURE() << what << ": slot " << slot << " shows " << md5 << ", " << expectedIs << " "
                          << expected.at(slot);
    }
    EXPECT_EQ(wrong, 0) << what;
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

    for (const char *via : {"seek", "play", "reverse", "step", "back"})
        expectPictures(via == std::string("seek") ? bySeek : probeSlots(via, clip), oracle,
                       std::string(GetParam().name) + " via " + via);
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
        // 1 MiB holds some 30 pictures of 160x120: a group of 250 in nine pieces.
        for (const char *via : {"reverse", "back"})
            expectPictures(probeSlots(via, clip, {"--cache-mb", "1"}), oracle, std::string(c.name) + " via " + via);
    }
}

INSTANTIATE_TEST_SUITE_P(Codecs, FrameAccuracy, ::testing::ValuesIn(kClips),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace

// Pictures whose data ends early (JPEGs cut short, as some AVI writers leave them): ffmpeg
// is no oracle there, since what their data does not reach is whatever its buffers held.
// Every way to a slot, and every run, must show the same picture, that part black.
namespace {

struct CutClip {
    const char *name;
    Args encode;  // after the picture source, testsrc2 at 25 fps
    const char *extension;  // of the picture files, which says their codec
    int every;  // every this many pictures one is cut
    double kept;  // to this share of its bytes
};

const CutClip kCutClips[] = {
    {"gray_mjpeg", {"-vf", "hue=s=0", "-c:v", "mjpeg", "-pix_fmt", "yuvj420p"}, "jpg", 1, 0.6},
    {"colour_mjpeg", {"-c:v", "mjpeg", "-pix_fmt", "yuvj422p"}, "jpg", 3, 0.7},
    {"gray_jpegls", {"-c:v", "jpegls", "-pix_fmt", "gray"}, "jls", 2, 0.6},  // no error reported
};

// One picture file each, cut, then put in an AVI as they are.
std::string clipPath(const CutClip &c) {
    const std::string name = std::string(c.name) + "_cut.avi", made = test_clips::folder() + "/" + name;
    if (std::filesystem::exists(made)) return made;
    const std::filesystem::path pictures = test_clips::folder() + "/" + c.name + ".pictures" + std::to_string(::getpid());
    std::filesystem::create_directories(pictures);
    const std::string pattern = (pictures / (std::string("%03d.") + c.extension)).string();
    Args encode = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y", "-f", "lavfi", "-i",
                   "testsrc2=s=160x120:r=25:d=1.6"};
    encode.insert(encode.end(), c.encode.begin(), c.encode.end());
    encode.insert(encode.end(), {"-f", "image2", pattern});
    test_clips::run(encode);
    for (const auto &picture : std::filesystem::directory_iterator(pictures)) {
        const int number = std::stoi(picture.path().stem().string());  // from 1
        if (number % c.every == 0)
            std::filesystem::resize_file(picture.path(), static_cast<std::uintmax_t>(picture.file_size() * c.kept));
    }
    const std::string clip = test_clips::make(name, {"-framerate", "25", "-i", pattern, "-c:v", "copy"});
    std::filesystem::remove_all(pictures);
    return clip;
}

void PrintTo(const CutClip &c, std::ostream *out) { *out << c.name; }

class CutPictures : public ::testing::TestWithParam<CutClip> {};

TEST_P(CutPictures, EveryWayAndEveryRunShowTheSamePicture) {
    const std::string clip = clipPath(GetParam());
    std::vector<std::string> first;
    for (const auto &[slot, md5] : probeSlots("seek", clip)) first.push_back(md5);
    ASSERT_EQ(first.size(), 40u);
    for (const char *via : {"play", "reverse", "step", "back", "seek", "play", "reverse", "step", "back"})  // twice
        expectPictures(probeSlots(via, clip), first, std::string(GetParam().name) + " via " + via,
                       "the first seek showed");

    // The first cut picture ends black: no light in its bottom row, no colour.
    auto index = std::get<std::shared_ptr<const mci::ClipIndex>>(mci::ClipIndex::open(clip));
    mci::FrameDecoder decoder(index, 0);
    const std::optional<mci::Picture> cutShort = decoder.seek(GetParam().every - 1);
    ASSERT_TRUE(cutShort);
    const AVFrame &frame = *cutShort->frame;
    const AVPixFmtDescriptor *format = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    for (int plane = 0; plane < av_pix_fmt_count_planes(static_cast<AVPixelFormat>(frame.format)); ++plane) {
        const int width = AV_CEIL_RSHIFT(frame.width, plane ? format->log2_chroma_w : 0);
        const int row = AV_CEIL_RSHIFT(frame.height, plane ? format->log2_chroma_h : 0) - 1;
        const uint8_t *bottom = frame.data[plane] + static_cast<std::ptrdiff_t>(row) * frame.linesize[plane];
        const auto notBlack = [plane](uint8_t value) { return plane == 0 ? value > 16 : value != 128; };
        EXPECT_EQ(std::count_if(bottom, bottom + width, notBlack), 0)
            << GetParam().name << ": plane " << plane << " does not end black";
    }
}

INSTANTIATE_TEST_SUITE_P(Clips, CutPictures, ::testing::ValuesIn(kCutClips),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
