#include "platform/mci/mci_device.h"

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/decode_priority.h"
#include "platform/mci/engine/clip_session.h"
#include "platform/mci/engine/decode_channel.h"
#include "platform/mci/engine/job_board.h"
#include "platform/mci/engine/picture_source.h"
#include "platform/mci/engine/play_worker.h"

#include <cmath>
#include <strings.h>
#include <thread>

namespace mci {

namespace {

constexpr int kAudioRate = 48000;

std::optional<MciError> failure(int number) {
    if (number == 0) return std::nullopt;
    return makeError(number);
}

std::optional<Transport> transportWord(const std::string &word) {
    static const std::pair<const char *, Transport> kWords[] = {
        {"play", Transport::Play}, {"pause", Transport::Pause}, {"stop", Transport::Stop},
        {"prev", Transport::Prev}, {"next", Transport::Next},   {"step", Transport::Step},
        {"back", Transport::Back}, {"seek", Transport::Seek}};
    for (const auto &[name, transport] : kWords)
        if (word == name) return transport;
    return std::nullopt;
}

}  // namespace

// The device's three threads: the owner's (every member), the presentation worker and
// the decode thread. They meet only at the job board and the decode channel, whose
// locks are held just to hand something over.
class MciDevice::Impl {
public:
    Impl(DeviceOptions options, VideoSink &video, std::unique_ptr<AudioSink> audio, DeviceListener &listener)
        : m_options(options), m_audioSink(std::move(audio)), m_board(listener, m_channel),
          m_worker(m_board, m_channel, video, options.untimed), m_source(m_channel), m_video(video) {
        m_decodeThread = std::jthread([this](std::stop_token stop) { m_source.run(stop); });
        m_workerThread = std::jthread([this](std::stop_token stop) { m_worker.run(stop); });
    }

    ~Impl() {
        // Stop, wake, join; only then free what the threads use.
        m_workerThread.request_stop();
        m_decodeThread.request_stop();
        m_workerThread.join();
        m_decodeThread.join();
        if (m_board.mode() != mci_mode::kNotOpen) m_video.clear();
        m_session.reset();
    }

    std::optional<MciError> command(const std::string &word);
    std::optional<MciError> press(Button button);
    std::optional<MciError> open();
    void close();
    void discardEnds() {
        m_board.apply([](TransportState &t) {
            t.takeEnds();
            return TransportState::Result{};
        });
    }

    const DeviceOptions m_options;
    const std::unique_ptr<AudioSink> m_audioSink;  // used by one clip's sound at a time

    // The owner's thread only.
    std::string m_deviceType;
    std::string m_fileName;
    std::shared_ptr<ClipSession> m_session;  // the clip open, if any
    bool m_silent = false;
    std::uint64_t m_closeGeneration = 0;  // "open" waits until the worker has handled it

    // Shared with the threads; each of these says who may touch what.
    DecodeChannel m_channel;
    JobBoard m_board;
    PlayWorker m_worker;
    PictureSource m_source;
    VideoSink &m_video;  // the worker presents; the owner clears only once the threads are gone

    // Started last; stopped and joined first, by ~Impl.
    std::jthread m_decodeThread;
    std::jthread m_workerThread;
};

std::optional<MciError> MciDevice::Impl::open() {
    if (m_board.mode() != mci_mode::kNotOpen) return makeError(30265);
    if (strcasecmp(m_deviceType.c_str(), "avivideo") != 0) return makeError(kErrDeviceNotOpen);
    if (!avcodec_find_decoder(AV_CODEC_ID_RAWVIDEO)) return makeError(kErrCannotLoadDriver);
    // The clip closed before must be let go of everywhere: its sound holds the sink.
    m_board.waitHandled(m_closeGeneration);
    if (m_fileName.empty()) {
        m_board.apply([](TransportState &t) { return t.open(std::nullopt); });
        return std::nullopt;
    }
    auto opened = ClipIndex::open(m_fileName);
    if (auto *error = std::get_if<MciError>(&opened)) return *error;
    auto clip = std::get<std::shared_ptr<const ClipIndex>>(opened);
    std::unique_ptr<FrameDecoder> decoder;
    runAtDecodingPriority([&] { decoder = std::make_unique<FrameDecoder>(clip, m_options.decoderThreads); });
    if (!decoder->ok()) return makeError(kErrInvalidFile);
    std::unique_ptr<SoundPlayer> sound;
    if (clip->audio() && !m_options.untimed && m_audioSink) {
        sound = std::make_unique<SoundPlayer>(*m_audioSink, kAudioRate, [&] { return decodeAudioTrack(clip, kAudioRate); });
        sound->setMuted(m_silent);
    }
    m_session = std::make_shared<ClipSession>(clip, std::move(decoder), std::move(sound), m_options.reverseCacheBytes);
    m_worker.resetStats();
    m_board.setSession(m_session);
    const int length = clip->length();
    m_board.apply([length](TransportState &t) { return t.open(length); });
    // "open" returns with the first picture on screen.
    m_board.waitHandled(m_board.generation());
    return std::nullopt;
}

void MciDevice::Impl::close() {
    m_board.apply([](TransportState &t) { return t.close(); });  // the close job takes the clip along
    m_closeGeneration = m_board.generation();
    m_board.setSession(nullptr);
    m_session.reset();
}

std::optional<MciError> MciDevice::Impl::command(const std::string &word) {
    if (const std::optional<Transport> transport = transportWord(word)) {
        return failure(m_board.apply([&](TransportState &t) { return t.command(*transport, t.takeEnds()); }));
    }
    // Every command consumes the waiting ends.
    discardEnds();
    if (word == "open") return open();
    if (word == "close") {
        close();
        return std::nullopt;
    }
    if (word == "record" || word == "eject") return makeError(kErrUnsupportedFunction);
    return makeError(kErrUnrecognizedCommand);
}

std::optional<MciError> MciDevice::Impl::press(Button button) {
    if (!TransportState::buttonEnabled(button, m_board.mode(), m_session != nullptr)) return std::nullopt;
    auto completed = [&](std::optional<MciError> error) {
        m_board.listener().buttonCompleted(button, error ? error->number : 0);
        return error;
    };
    switch (button) {
    case Button::Prev: return completed(command("prev"));
    case Button::Next: return completed(command("next"));
    case Button::Step: return completed(command("step"));
    case Button::Back: return completed(command("back"));
    case Button::Pause: return command("pause");
    case Button::Stop: return command("stop");
    case Button::Record: return command("record");
    case Button::Eject: return command("eject");
    case Button::Play: break;
    }
    if (m_board.with([](TransportState &t) { return t.endsWaiting(); })) return command("play");
    return failure(m_board.apply([](TransportState &t) { return t.pressPlay(); }));
}

// ============================ MciDevice ============================

MciDevice::MciDevice(DeviceOptions options, VideoSink &video, std::unique_ptr<AudioSink> audio,
                     DeviceListener &listener)
    : m_impl(std::make_unique<Impl>(options, video, std::move(audio), listener)) {}

MciDevice::~MciDevice() = default;

void MciDevice::setDeviceType(std::string type) { m_impl->m_deviceType = std::move(type); }
const std::string &MciDevice::deviceType() const { return m_impl->m_deviceType; }
void MciDevice::setFileName(std::string path) { m_impl->m_fileName = std::move(path); }
const std::string &MciDevice::fileName() const { return m_impl->m_fileName; }

void MciDevice::setFrom(int position) {
    m_impl->m_board.with([position](TransportState &t) { t.setFrom(position); });
}

void MciDevice::setTo(int position) {
    m_impl->m_board.with([position](TransportState &t) { t.setTo(position); });
}

void MciDevice::setFrames(int frames) {
    m_impl->m_board.with([frames](TransportState &t) { t.setFrames(frames); });
}

void MciDevice::setSilent(bool silent) {
    m_impl->m_silent = silent;
    if (m_impl->m_session && m_impl->m_session->sound) m_impl->m_session->sound->setMuted(silent);
}

std::optional<MciError> MciDevice::command(const std::string &word) { return m_impl->command(word); }
std::optional<MciError> MciDevice::press(Button button) { return m_impl->press(button); }

bool MciDevice::buttonEnabled(Button button) const {
    return TransportState::buttonEnabled(button, m_impl->m_board.mode(), m_impl->m_session != nullptr);
}

int MciDevice::mode() const { return m_impl->m_board.mode(); }
int MciDevice::length() const { return m_impl->m_session ? m_impl->m_session->length() : 0; }
int MciDevice::position() const { return m_impl->m_board.position(); }
bool MciDevice::clipOpen() const { return m_impl->m_session != nullptr; }

double MciDevice::framesPerSecond() const {
    return m_impl->m_session ? av_q2d(m_impl->m_session->clip->frameRate()) : 0.0;
}

int MciDevice::videoWidth() const {
    if (!m_impl->m_session) return 0;
    const ClipIndex &clip = *m_impl->m_session->clip;
    return static_cast<int>(std::lround(clip.video().params->width * av_q2d(clip.sampleAspect())));
}

int MciDevice::videoHeight() const {
    return m_impl->m_session ? m_impl->m_session->clip->video().params->height : 0;
}

void MciDevice::waitUntilStopped() { m_impl->m_board.waitUntilStopped(); }

MciDevice::PlayStats MciDevice::stats() const { return {m_impl->m_worker.shown(), m_impl->m_worker.dropped()}; }

}  // namespace mci
