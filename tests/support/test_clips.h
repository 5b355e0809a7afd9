#pragma once

#include <string>
#include <vector>

// Test clips made on demand with the ffmpeg command and kept in one folder of the
// build tree, so that tests running side by side share them safely.
namespace test_clips {

// The folder (from VIDLARK_TEST_CLIPS, else a temp folder); created if missing.
std::string folder();

// Makes `name` in folder() by running `ffmpeg -y <args> <path>` unless it exists.
// Written under a temporary name and renamed, so a half-made clip is never seen.
// Throws std::runtime_error if ffmpeg fails.
std::string make(const std::string &name, const std::vector<std::string> &ffmpegArgs);

// Runs a program (no shell) and returns what it wrote to stdout; throws on failure.
std::string run(const std::vector<std::string> &argv);

// ffmpeg's own decode of the video stream: one MD5 per frame slot of the clip, the
// picture in force at each slot (see frame_oracle.cpp for how slots are matched).
std::vector<std::string> oracleFrameMd5(const std::string &clip, int slots);

}  // namespace test_clips
