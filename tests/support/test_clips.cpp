#include "tests/support/test_clips.h"

#include <QProcess>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace test_clips {

std::string folder() {
    const char *env = std::getenv("VIDLARK_TEST_CLIPS");
    std::filesystem::path dir = env && *env ? env : std::filesystem::temp_directory_path() / "vidlark-test-clips";
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::string run(const std::vector<std::string> &argv) {
    QStringList args;
    for (std::size_t i = 1; i < argv.size(); ++i) args << QString::fromStdString(argv[i]);
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QString::fromStdString(argv[0]), args, QIODevice::ReadOnly);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw std::runtime_error(argv[0] + " failed: " + process.errorString().toStdString());
    return process.readAllStandardOutput().toStdString();
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
