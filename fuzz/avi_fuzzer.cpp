// libFuzzer target: whatever bytes a file holds, opening it, reaching its slots
// forwards and backwards, decoding its sound and playing on after it was cut to half
// must end, within the fuzzer's time and memory limits, without a memory error or
// undefined behaviour.

#include "platform/mci/audio/clip_audio_packets.h"
#include "platform/mci/audio/decoded_audio_track.h"
#include "platform/mci/audio_interfaces.h"
#include "platform/mci/engine/clip_index.h"
#include "platform/mci/mci_device.h"

extern "C" {
#include <libavutil/log.h>
}

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The bytes live in an anonymous in-memory file, reached by a path as a clip is.
class MemoryFile {
public:
    MemoryFile() : m_fd(memfd_create("vidlark-fuzz.avi", MFD_CLOEXEC)), m_path("/proc/self/fd/" + std::to_string(m_fd)) {}
    ~MemoryFile() { ::close(m_fd); }
    const std::string &write(const uint8_t *data, size_t size) {
        if (ftruncate(m_fd, 0) != 0 || pwrite(m_fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
        m_size = size;
        return m_path;
    }
    // As a copy being overwritten: the file shrinks under the open clip.
    void cut() {
        if (ftruncate(m_fd, static_cast<off_t>(m_size / 2)) != 0) std::abort();
    }

private:
    int m_fd;
    std::string m_path;
    size_t m_size = 0;
};

constexpr int kSpan = 48;  // slots played each way: enough to cross a few groups, short enough to stay fast

void driveSound(const std::string &path) {
    auto opened = mci::ClipIndex::open(path);
    auto *clip = std::get_if<std::shared_ptr<const mci::ClipIndex>>(&opened);
    if (!clip || !(*clip)->audio()) return;
    // Little memory, so that reading about also drops and decodes blocks again.
    mci::DecodedAudioTrack track(std::make_unique<mci::ClipAudioPackets>(*clip), 48000,
                                 mci::AudioTrackOptions{.memoryBytes = 1u << 20});
    std::array<float, 2048> out{};
    for (std::int64_t at : {std::int64_t{0}, std::int64_t{480000}, std::int64_t{4800}}) {
        track.read(at, false, out);
        track.waitUntilIdle();
    }
    track.read(4800, true, out);
}

void driveDevice(const std::string &path, MemoryFile &file) {
    mci::NullVideoSink sink;
    mci::NullDeviceListener listener;
    mci::DeviceOptions options;
    options.untimed = true;
    options.decoderThreads = 1;
    options.reverseCacheBytes = 16u << 20;
    mci::MciDevice device(options, sink, mci::makeNullAudioSink(), listener);
    device.setDeviceType("avivideo");
    device.setFileName(path);
    if (device.command("open")) return;
    const int length = device.length();
    auto play = [&](int from, int to) {
        device.setFrom(from);
        device.setTo(to);
        device.command("play");
        device.waitUntilStopped();
    };
    play(0, std::min(length, kSpan));
    play(length, std::max(0, length - kSpan));
    play(std::min(length, kSpan), 0);
    for (const char *word : {"back", "back", "step"}) {
        device.command(word);
        device.waitUntilStopped();
    }
    device.setTo(length / 2);
    device.command("seek");
    device.waitUntilStopped();
    file.cut();
    play(0, std::min(length, kSpan));
    play(length, std::max(0, length - kSpan));
    device.command("close");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static MemoryFile file;
    const std::string &path = file.write(data, size);
    driveSound(path);
    driveDevice(path, file);
    return 0;
}
