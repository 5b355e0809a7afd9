#include "tests/audio/audio_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <stdexcept>
#include <unistd.h>
#include <variant>

namespace audio_test {

namespace {

std::vector<char> load(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

// Written under a temporary name and renamed, as test_clips does, so tests running
// side by side never see half a file.
std::string save(const std::vector<char> &bytes, const std::string &name) {
    const std::filesystem::path path = std::filesystem::path(test_clips::folder()) / name;
    const std::filesystem::path partial = path.parent_path() / (".part-" + std::to_string(::getpid()) + "-" + name);
    {
        std::ofstream out(partial, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::filesystem::rename(partial, path);
    return path.string();
}

std::uint32_t le32(const std::vector<char> &b, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

// Offset of the data of the first `chunk` (e.g. "strh") whose data begins with `type`.
std::size_t findChunk(const std::vector<char> &b, const char *chunk, const char *type) {
    for (std::size_t i = 0; i + 12 <= b.size(); ++i)
        if (std::memcmp(b.data() + i, chunk, 4) == 0 && (!type || std::memcmp(b.data() + i + 8, type, 4) == 0))
            return i + 8;
    throw std::runtime_error(std::string("no ") + chunk + " chunk");
}

}  // namespace

std::string makeClip(const std::string &name, double seconds, const std::string &audio,
                     const std::vector<std::string> &codecArgs) {
    std::vector<std::string> args{"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25", "-f", "lavfi", "-i", audio,
                                  "-map", "0:v", "-map", "1:a", "-c:v", "mpeg4", "-t", std::to_string(seconds)};
    args.insert(args.end(), codecArgs.begin(), codecArgs.end());
    return test_clips::make(name, args);
}

std::string withAudioStart(const std::string &clip, const std::string &name, std::uint32_t start) {
    if (std::filesystem::exists(std::filesystem::path(test_clips::folder()) / name))
        return (std::filesystem::path(test_clips::folder()) / name).string();
    std::vector<char> b = load(clip);
    const std::size_t strh = findChunk(b, "strh", "auds");
    std::memcpy(b.data() + strh + 28, &start, 4);  // dwStart
    return save(b, name);
}

std::string withMp3Tag(const std::string &clip, const std::string &name) {
    if (std::filesystem::exists(std::filesystem::path(test_clips::folder()) / name))
        return (std::filesystem::path(test_clips::folder()) / name).string();
    std::vector<char> b = load(clip);
    const std::size_t strh = findChunk(b, "strh", "auds");
    const std::size_t strf = strh + le32(b, strh - 4);  // strf follows strh in the stream list
    if (std::memcmp(b.data() + strf, "strf", 4) != 0) throw std::runtime_error("no strf after strh");
    b[strf + 8] = 0x55;  // wFormatTag: MPEG layer 3
    b[strf + 9] = 0x00;
    return save(b, name);
}

std::string withAudioZeroed(const std::string &clip, const std::string &name) {
    if (std::filesystem::exists(std::filesystem::path(test_clips::folder()) / name))
        return (std::filesystem::path(test_clips::folder()) / name).string();
    std::vector<char> b = load(clip);
    const std::size_t movi = findChunk(b, "LIST", "movi");
    std::size_t at = movi + 4;
    const std::size_t end = std::min(b.size(), movi + le32(b, movi - 4));
    while (at + 8 <= end) {
        const std::uint32_t size = le32(b, at + 4);
        if (std::memcmp(b.data() + at, "LIST", 4) == 0) {
            at += 12;
            continue;
        }
        if (b[at + 2] == 'w' && b[at + 3] == 'b') std::fill(b.begin() + at + 8, b.begin() + at + 8 + size, 0);
        at += 8 + size + (size & 1);
    }
    return save(b, name);
}

std::shared_ptr<const mci::ClipIndex> openClip(const std::string &path) {
    auto opened = mci::ClipIndex::open(path);
    if (auto *error = std::get_if<mci::MciError>(&opened))
        throw std::runtime_error(path + ": " + std::to_string(error->number));
    return std::get<std::shared_ptr<const mci::ClipIndex>>(opened);
}

std::unique_ptr<mci::DecodedAudioTrack> decode(const std::string &path, int rate, mci::AudioTrackOptions options) {
    auto clip = openClip(path);
    if (!clip->audio()) throw std::runtime_error(path + ": no audio stream");
    return std::make_unique<mci::DecodedAudioTrack>(std::make_unique<mci::ClipAudioPackets>(clip), rate, options);
}

std::vector<float> readAll(const mci::DecodedAudioTrack &track) {
    track.waitUntilIdle();
    std::vector<float> all(static_cast<std::size_t>(track.frames()) * 2);
    track.read(0, false, all);
    return all;
}

std::vector<float> oracle(const std::string &path, int rate) {
    const std::string raw = test_clips::run({"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-i", path,
                                             "-map", "0:a", "-ac", "2", "-ar", std::to_string(rate), "-f", "f32le", "-"});
    std::vector<float> samples(raw.size() / sizeof(float));
    std::memcpy(samples.data(), raw.data(), samples.size() * sizeof(float));
    return samples;
}

std::vector<float> channel(const std::vector<float> &stereo, int which) {
    std::vector<float> mono(stereo.size() / 2);
    for (std::size_t i = 0; i < mono.size(); ++i) mono[i] = stereo[2 * i + which];
    return mono;
}

double tonePower(const std::vector<float> &mono, int rate, double freq, std::int64_t from, std::int64_t count) {
    const double coeff = 2 * std::cos(2 * std::numbers::pi * freq / rate);
    double s1 = 0, s2 = 0;
    const std::int64_t end = std::min<std::int64_t>(from + count, static_cast<std::int64_t>(mono.size()));
    for (std::int64_t i = std::max<std::int64_t>(from, 0); i < end; ++i) {
        const double s0 = mono[i] + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return (s1 * s1 + s2 * s2 - coeff * s1 * s2) / std::max<std::int64_t>(count, 1);
}

std::int64_t onset(const std::vector<float> &mono, float threshold) {
    for (std::size_t i = 0; i < mono.size(); ++i)
        if (std::fabs(mono[i]) >= threshold) return static_cast<std::int64_t>(i);
    return -1;
}

float peak(const std::vector<float> &samples) {
    float p = 0;
    for (float s : samples) p = std::max(p, std::fabs(s));
    return p;
}

}  // namespace audio_test
