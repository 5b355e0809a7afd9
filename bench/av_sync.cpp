// How close each picture comes to its moment in the sound, on the real player: watches
// the centre pixel of the video window and the file SDL's disk driver writes the sound
// to, both on one clock, for a clip with one white frame and one click at every whole
// second (bench/av_sync.sh makes it and drives the player).
//
//   vidlark-av-sync WINDOW SOUND_FILE SECONDS
//
// A sound sample counts as heard when the buffer holding it has been written, plus its
// place in that buffer at the sound's rate. Forwards a second's moment is where its
// white frame and its click begin; backwards, where both end (the frame's first instant
// and the click's first sample come last); a click grows louder, so which way it was
// played shows. Prints one line: for each way, how many seconds were matched and their
// offsets, picture minus sound, in ms (positive: the picture is late).

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 48000;
constexpr std::int64_t kFrameBytes = 2 * sizeof(float);

struct Change {
    double seconds;
    long long value;
};

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The white spells of the pixel, as (start, end) in seconds.
std::vector<std::pair<double, double>> whiteSpells(const std::vector<Change> &pixel) {
    std::vector<std::pair<double, double>> spells;
    for (std::size_t i = 0; i < pixel.size(); ++i) {
        if (!pixel[i].value) continue;
        const double end = i + 1 < pixel.size() ? pixel[i + 1].seconds : NAN;
        spells.emplace_back(pixel[i].seconds, end);
    }
    return spells;
}

struct Click {
    std::int64_t first = 0, last = 0;  // loud sample frames of the file
    double early = 0, late = 0;  // loudness of its halves
    bool backward = false;  // it grows louder forwards, so backwards it fades
};

std::vector<Click> clicks(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<float> left;
    for (float frame[2]; in.read(reinterpret_cast<char *>(frame), sizeof frame);) left.push_back(frame[0]);
    std::vector<Click> found;
    for (std::int64_t s = 0; s < std::ssize(left); ++s) {
        if (std::fabs(left[s]) < 0.05f) continue;
        // A cosine dips under the threshold for a few samples; a new click is 5 ms clear
        // (a backward play's last and the next play's first can be 60 ms apart).
        if (found.empty() || s - found.back().last > kRate / 200) found.push_back({s, s});
        found.back().last = s;
    }
    for (Click &c : found) {
        const std::int64_t middle = (c.first + c.last) / 2;
        for (std::int64_t s = c.first; s <= c.last; ++s) (s < middle ? c.early : c.late) += std::fabs(left[s]);
        c.backward = c.early > c.late;
    }
    return found;
}

// When sample frame `s` was heard: its buffer's write, plus its place in the buffer.
double heardAt(const std::vector<Change> &sizes, std::int64_t s) {
    for (std::size_t i = 1; i < sizes.size(); ++i) {
        if (sizes[i].value / kFrameBytes <= s) continue;
        const std::int64_t bufferStart = sizes[i - 1].value / kFrameBytes;
        return sizes[i].seconds + static_cast<double>(s - bufferStart) / kRate;
    }
    return NAN;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s WINDOW SOUND_FILE SECONDS\n", argv[0]);
        return 2;
    }
    const Window window = std::strtoul(argv[1], nullptr, 0);
    const std::string soundFile = argv[2];
    const double seconds = std::atof(argv[3]);
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    const int x = attributes.width / 2, y = attributes.height / 2;

    // Sampled together in one loop, so that both are on one clock; only changes are kept.
    std::vector<Change> pixel, sizes{{0.0, 0}};
    const Clock::time_point start = Clock::now();
    long samples = 0;
    while (since(start) < seconds) {
        if (XImage *image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap)) {
            const unsigned long p = XGetPixel(image, 0, 0);
            XDestroyImage(image);
            const bool white = ((p >> 16) & 0xff) > 0xc0 && ((p >> 8) & 0xff) > 0xc0 && (p & 0xff) > 0xc0;
            if (pixel.empty() || pixel.back().value != white) pixel.push_back({since(start), white});
        }
        struct stat st {};
        if (::stat(soundFile.c_str(), &st) == 0 && st.st_size != sizes.back().value)
            sizes.push_back({since(start), static_cast<long long>(st.st_size)});
        ++samples;
        std::this_thread::sleep_for(std::chrono::microseconds(400));
    }
    XCloseDisplay(display);

    const auto spells = whiteSpells(pixel);
    std::vector<double> offsets[2];  // forward, backward
    for (const Click &click : clicks(soundFile)) {
        const double sound = heardAt(sizes, click.backward ? click.last : click.first);
        double best = NAN;
        for (const auto &[white, black] : spells) {
            const double offset = (click.backward ? black : white) - sound;
            if (std::fabs(offset) < 0.2 && !(std::fabs(offset) >= std::fabs(best))) best = offset;  // NaN: none yet
        }
        if (std::isfinite(best)) offsets[click.backward].push_back(best * 1000);
    }
    double shortest = INFINITY, longest = 0;
    for (const auto &[white, black] : spells) {
        if (!std::isfinite(black) || white == pixel.front().seconds) continue;  // the picture before the play
        shortest = std::min(shortest, (black - white) * 1000);
        longest = std::max(longest, (black - white) * 1000);
    }
    for (const int backward : {0, 1}) {
        const std::vector<double> &o = offsets[backward];
        std::printf("%s %zu", backward ? "backward" : "forward", o.size());
        if (o.empty()) {
            std::printf(" | ");
            continue;
        }
        double sum = 0;
        for (double v : o) sum += v;
        const auto [low, high] = std::minmax_element(o.begin(), o.end());
        std::printf(" mean %.1f min %.1f max %.1f range %.1f | ", sum / o.size(), *low, *high, *high - *low);
    }
    std::printf("white %.0f-%.0f ms | samples/s %.0f | offsets", shortest, longest, samples / seconds);
    for (const int backward : {0, 1})
        for (double v : offsets[backward]) std::printf(" %c%.1f", backward ? 'b' : 'f', v);
    std::printf("\n");
    return offsets[0].empty() && offsets[1].empty();
}
