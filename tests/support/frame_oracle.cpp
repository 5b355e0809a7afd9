#include "tests/support/test_clips.h"

#include <cmath>
#include <sstream>
#include <stdexcept>

namespace test_clips {

namespace {

struct Listed {
    double slot;
    std::string md5;
};

double parseRatio(const std::string &text) {
    const auto slash = text.find('/');
    if (slash == std::string::npos) return std::stod(text);
    return std::stod(text.substr(0, slash)) / std::stod(text.substr(slash + 1));
}

}  // namespace

// ffmpeg lists each decoded picture once, stamped with the time its decoder gave it.
// In an AVI those stamps run late by the decoder's reordering delay, so the list is
// lined up with the file: its first picture belongs to the first stored video chunk.
// A slot then shows the last picture stamped at or before it, which covers dropped
// frames (empty chunks) and packed B-frames alike.
std::vector<std::string> oracleFrameMd5(const std::string &clip, int slots) {
    const double fps = parseRatio(run({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                                       "stream=r_frame_rate", "-of", "default=nw=1:nk=1", clip}));
    const std::string firstDts = run({"ffprobe", "-v", "error", "-select_streams", "v:0", "-read_intervals",
                                      "%+#1", "-show_entries", "packet=dts", "-of", "default=nw=1:nk=1", clip});
    const double firstSlot = std::stod(firstDts);

    // One thread: with more, what ffmpeg fills in for a damaged frame changes from run to run.
    std::istringstream lines(run({"ffmpeg", "-v", "error", "-nostdin", "-threads", "1", "-i", clip, "-map", "0:v:0",
                                  "-fps_mode", "passthrough", "-f", "framemd5", "-"}));
    double tb = 1.0 / fps;
    std::vector<Listed> listed;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("#tb 0:", 0) == 0) tb = parseRatio(line.substr(7));
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);  // stream, dts, pts, duration, size, md5
        std::string field[6];
        for (std::string &f : field) std::getline(fields, f, ',');
        std::istringstream(field[5]) >> field[5];
        listed.push_back({std::stod(field[2]) * tb * fps, field[5]});
    }
    if (listed.empty()) throw std::runtime_error("ffmpeg decoded no frame of " + clip);
    const double shift = listed.front().slot - firstSlot;

    std::vector<std::string> bySlot(slots);
    std::size_t next = 0;
    for (int slot = 0; slot < slots; ++slot) {
        while (next + 1 < listed.size() && listed[next + 1].slot - shift <= slot + 1e-6) ++next;
        bySlot[slot] = listed[next].md5;
    }
    return bySlot;
}

}  // namespace test_clips
