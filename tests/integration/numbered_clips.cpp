#include "tests/integration/numbered_clips.h"

#include "tests/support/test_clips.h"

#include <QColor>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace numbered_clips {

namespace {

constexpr int kBits = 8;

// Bar k is the k-th eighth of the width; mpeg4 with keyframes every 12 frames, so that
// reaching a frame means decoding from an earlier keyframe.
const char *const kBarsFilter =
    "format=yuv420p,geq="
    "lum='if(lt(Y,H/2),16+219*mod(floor(N/pow(2,floor(X*8/W))),2),235-219*mod(floor(N/pow(2,floor(X*8/W))),2))'"
    ":cb=128:cr=128";

std::vector<std::string> videoArgs(int seconds)
{
    return {"-f", "lavfi", "-i", "color=c=black:s=64x48:r=25:d=" + std::to_string(seconds)};
}

void append(std::vector<std::string> &args, std::initializer_list<std::string> more)
{
    args.insert(args.end(), more);
}

}  // namespace

QString shortClip()
{
    std::vector<std::string> args = videoArgs(1);
    append(args, {"-vf", kBarsFilter, "-c:v", "mpeg4", "-q:v", "2", "-g", "12"});
    return QString::fromStdString(test_clips::make("integration_numbered_1s.avi", args));
}

QString longClipWithTone()
{
    std::vector<std::string> args = videoArgs(4);
    append(args, {"-f", "lavfi", "-i", "aevalsrc=0.8*sin(2*PI*1000*t):s=48000:d=4", "-vf", kBarsFilter, "-c:v",
                  "mpeg4", "-q:v", "2", "-g", "12", "-c:a", "pcm_s16le"});
    return QString::fromStdString(test_clips::make("integration_numbered_4s_tone.avi", args));
}

QString textFileNamedAvi()
{
    const std::filesystem::path path = std::filesystem::path(test_clips::folder()) / "integration_notes_text.avi";
    if (!std::filesystem::exists(path)) {
        std::ofstream out(path);
        out << "These are notes about a holiday, not a video.\n";
    }
    return QString::fromStdString(path.string());
}

int frameNumber(const QImage &picture)
{
    if (picture.isNull() || picture.width() < kBits)
        return -1;
    int number = 0;
    for (int bit = 0; bit < kBits; ++bit) {
        const int x = (2 * bit + 1) * picture.width() / (2 * kBits);
        const int top = qGray(picture.pixel(x, picture.height() / 4));
        const int bottom = qGray(picture.pixel(x, picture.height() * 3 / 4));
        const bool topWhite = top > 192;
        const bool topBlack = top < 64;
        const bool bottomWhite = bottom > 192;
        const bool bottomBlack = bottom < 64;
        if (!((topWhite && bottomBlack) || (topBlack && bottomWhite)))
            return -1;
        if (topWhite)
            number |= 1 << bit;
    }
    return number;
}

}  // namespace numbered_clips
