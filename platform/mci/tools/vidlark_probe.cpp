// Reaches every frame slot of a clip one way and prints "N MD5" for the picture on
// screen at each: the device's answer to `ffmpeg -f framemd5`.

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "platform/mci/tools/frame_md5.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace {

class Md5Sink : public mci::VideoSink {
public:
    void printEach(bool on) {
        std::lock_guard lock(m_mutex);
        m_printEach = on;
    }
    void present(const mci::Picture &picture) override {
        std::lock_guard lock(m_mutex);
        m_slot = picture.slot;
        m_md5 = mci::frameMd5(*picture.frame);
        if (m_printEach) std::printf("%d %s\n", m_slot, m_md5.c_str());
    }
    void clear() override {}
    void printLast(int slot) {
        std::lock_guard lock(m_mutex);
        std::printf("%d %s\n", slot, m_md5.c_str());
    }

private:
    bool m_printEach = false;
    std::mutex m_mutex;
    int m_slot = -1;
    std::string m_md5;
};

int usage() {
    std::fprintf(stderr, "usage: vidlark-probe [--via seek|play|reverse|step|back] [--threads N] [--cache-mb N] FILE\n");
    return 64;
}

}  // namespace

int main(int argc, char **argv) {
    std::string via = "seek";
    int threads = 0;
    std::size_t cacheBytes = 0;
    const char *file = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--via") && i + 1 < argc) via = argv[++i];
        else if (!std::strcmp(argv[i], "--threads") && i + 1 < argc) threads = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--cache-mb") && i + 1 < argc) cacheBytes = std::strtoull(argv[++i], nullptr, 10) << 20;
        else if (!file) file = argv[i];
        else return usage();
    }
    const bool continuous = via == "play" || via == "reverse";
    if (!file || (!continuous && via != "seek" && via != "step" && via != "back")) return usage();

    Md5Sink sink;
    mci::NullDeviceListener listener;
    mci::DeviceOptions options;
    options.untimed = true;
    options.decoderThreads = threads;
    options.reverseCacheBytes = cacheBytes;
    mci::MciDevice device(options, sink, mci::makeNullAudioSink(), listener);
    device.setDeviceType("avivideo");
    device.setFileName(file);
    auto check = [](std::optional<mci::MciError> error) {
        if (!error) return;
        std::fprintf(stderr, "%d %s\n", error->number, error->text.c_str());
        std::fflush(stdout);
        std::exit(2);
    };
    check(device.command("open"));
    const int length = device.length();

    if (continuous) {
        device.waitUntilStopped();
        sink.printEach(true);
        device.setFrom(via == "play" ? 0 : length);
        device.setTo(via == "play" ? length : 0);
        check(device.command("play"));
        device.waitUntilStopped();
    } else if (via == "seek") {
        for (int slot = 0; slot < length; ++slot) {
            device.setTo(slot);
            check(device.command("seek"));
            device.waitUntilStopped();
            sink.printLast(slot);
        }
    } else if (via == "step") {
        device.waitUntilStopped();
        sink.printLast(0);
        for (int slot = 1; slot < length; ++slot) {
            check(device.command("step"));
            device.waitUntilStopped();
            sink.printLast(device.position());
        }
    } else {
        device.setTo(length - 1);
        check(device.command("seek"));
        device.waitUntilStopped();
        sink.printLast(length - 1);
        for (int slot = length - 2; slot >= 0; --slot) {
            check(device.command("back"));
            device.waitUntilStopped();
            sink.printLast(device.position());
        }
    }
    check(device.command("close"));
    return 0;
}
