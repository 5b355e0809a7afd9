#pragma once

#include "tests/support/test_clips.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

// Sends the sound devices this process opens from now on to a file through SDL's disk
// driver: at a real device's pace, or with no clock to wait on. What the device played,
// float stereo, is then read back from the file.
namespace disk_audio {

inline std::string capture(const std::string &name, bool paced = true)
{
    const std::string file = test_clips::folder() + "/" + name + ".f32";
    std::filesystem::remove(file);
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    if (paced)
        ::unsetenv("SDL_DISKAUDIODELAY");
    else
        ::setenv("SDL_DISKAUDIODELAY", "0", 1);
    return file;
}

// Every `step`th sample from the first: 2 for the left side only.
inline std::vector<float> played(const std::string &file, int step = 2)
{
    std::vector<float> samples;
    std::ifstream in(file, std::ios::binary);
    for (float s[2]; in.read(reinterpret_cast<char *>(s), step * sizeof(float));)
        samples.push_back(s[0]);
    return samples;
}

}  // namespace disk_audio
