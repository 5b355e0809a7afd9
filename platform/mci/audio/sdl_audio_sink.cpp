#include "platform/mci/audio/sdl_audio_sink.h"

#include <span>

namespace mci {

// The subsystem reference and the device, given back in the reverse order.
struct SdlAudioSink::Opened {
    Opened() : subsystem(SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {}
    ~Opened() {
        if (device != 0) SDL_CloseAudioDevice(device);
        if (subsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    Opened(const Opened &) = delete;
    Opened &operator=(const Opened &) = delete;

    bool subsystem;
    SDL_AudioDeviceID device = 0;
    SDL_AudioSpec obtained{};
};

SdlAudioSink::SdlAudioSink() = default;
SdlAudioSink::~SdlAudioSink() { close(); }

bool SdlAudioSink::open(int rate, AudioSource &source) {
    close();
    if (rate <= 0) return false;
    // The player's own process keeps its signals; the sound server shows its name.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Vidlark 1.0");
    auto opened = std::make_unique<Opened>();
    if (!opened->subsystem) return false;

    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    // About 20 ms per buffer: short enough for the clock, long enough not to starve.
    want.samples = 256;
    while (want.samples < rate / 50 && want.samples < 8192) want.samples *= 2;
    want.callback = &SdlAudioSink::pull;
    want.userdata = this;
    m_source = &source;
    opened->device = SDL_OpenAudioDevice(nullptr, 0, &want, &opened->obtained, 0);
    if (opened->device == 0) {
        m_source = nullptr;
        return false;
    }
    m_opened = std::move(opened);
    return true;
}

void SdlAudioSink::close() {
    m_opened.reset();
    m_source = nullptr;
}

void SdlAudioSink::setRunning(bool running) {
    if (m_opened) SDL_PauseAudioDevice(m_opened->device, running ? 0 : 1);
}

int SdlAudioSink::rate() const { return m_opened ? m_opened->obtained.freq : 0; }

double SdlAudioSink::latencySeconds() const {
    return m_opened ? static_cast<double>(m_opened->obtained.samples) / m_opened->obtained.freq : 0.0;
}

void SDLCALL SdlAudioSink::pull(void *sink, Uint8 *stream, int bytes) {
    auto *self = static_cast<SdlAudioSink *>(sink);
    self->m_source->fill(std::span<float>(reinterpret_cast<float *>(stream), static_cast<std::size_t>(bytes) / sizeof(float)));
}

std::unique_ptr<AudioSink> makeSdlAudioSink() { return std::make_unique<SdlAudioSink>(); }

}  // namespace mci
