#pragma once

#include "tests/support/test_clips.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

// Sends the sound devices this process opens from now on to a file through SDL's disk
// driver, at a real device's pace; what it played, float stereo, is read back from it.
namespace disk_audio {

inline std::string capture(const std::string &name)
{
    const std::string file = test_clips::folder() + "/" + name + ".f32";
    std::filesystem::remove(file);
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    ::unsetenv("SDL_DISKAUDIODELAY");
    return file;
}

// The left side.
inline std::vector<float> played(const std::string &file)
{
    std::vector<float> samples;
    std::ifstream in(file, std::ios::binary);
    for (float s[2]; in.read(reinterpret_cast<char *>(s), sizeof s);)
        samples.push_back(s[0]);
    return samples;
}

}  // namespace disk_audio
