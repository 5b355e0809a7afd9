#include "tests/support/test_clips.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <sys/wait.h>
#include <spawn.h>
#include <unistd.h>

extern char **environ;

namespace test_clips {

std::string folder() {
    const char *env = std::getenv("VIDLARK_TEST_CLIPS");
    std::filesystem::path dir = env && *env ? env : std::filesystem::temp_directory_path() / "vidlark-test-clips";
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::string run(const std::vector<std::string> &argv) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    std::vector<char *> args;
    for (const auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        throw std::runtime_error("cannot start " + argv[0]);
    }
    std::string text;
    std::array<char, 65536> buf;
    for (ssize_t n; (n = read(out[0], buf.data(), buf.size())) > 0;) text.append(buf.data(), n);
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(argv[0] + " failed: exit " + std::to_string(WEXITSTATUS(status)));
    return text;
}

std::string make(const std::string &name, const std::vector<std::string> &ffmpegArgs) {
    const std::filesystem::path path = std::filesystem::path(folder()) / name;
    if (std::filesystem::exists(path)) return path.string();
    const std::filesystem::path partial =
        path.parent_path() / (".part-" + std::to_string(getpid()) + "-" + name);
    std::vector<std::string> argv{"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y"};
    argv.insert(argv.end(), ffmpegArgs.begin(), ffmpegArgs.end());
    argv.push_back(partial.string());
    // ffmpeg picks the muxer from the name; keep the real extension at the end.
    argv.insert(argv.end() - 1, {"-f", path.extension() == ".avi" ? "avi" : path.extension().string().substr(1)});
    run(argv);
    std::filesystem::rename(partial, path);
    return path.string();
}

}  // namespace test_clips
