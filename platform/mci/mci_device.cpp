#include "platform/mci/mci_device.h"

#include "platform/mci/audio_interfaces.h"
#include "platform/mci/clip_index.h"
#include "platform/mci/frame_cache.h"
#include "platform/mci/frame_decoder.h"
#include "platform/mci/sound_player.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <strings.h>
#include <thread>
#include <utility>

namespace mci {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kModeNotOpen = 524;
constexpr int kModeStopped = 525;
constexpr int kModePlaying = 526;
constexpr int kModeSeeking = 528;
constexpr int kModePaused = 529;

constexpr int kDoneSuccessful = 1;
constexpr int kDoneSuperseded = 2;
constexpr int kDoneAborted = 4;

constexpr int kAudioRate = 48000;

// A seek keeps a few pictures behind it; Back and Step keep as many as the budget allows,
// so that pressing them again and again is instant.
constexpr int kSeekWindow = 4;

// What the device's worker is to do. Every change makes a new job with a new
// generation; the worker drops whatever it was doing for an older one.
struct Job {
    enum Kind { Idle, Show, Play } kind = Idle;
    std::uint64_t generation = 0;
    int from = 0;  // Play: where it starts (or goes on from); Show: the position to show
    int to = 0;  // Play: its end point
    bool paused = false;
    bool backward = false;  // Play: its direction, kept when the play is moved
    int window = kSeekWindow;  // Show: how many pictures before it to keep for going back
};


constexpr int kGoOnFrames = 32;  // decoding this many more beats a restart's flush and refill
constexpr int kStepMargin = 8;  // decoded whole before what is kept, so its first picture is sure

}  // namespace

class MciDevice::Impl {
public:
    Impl(DeviceOptions options, VideoSink &video, std::unique_ptr<AudioSink> audio, DeviceListener &listener)
        : m_options(options), m_video(video), m_audioSink(std::move(audio)), m_listener(listener),
          m_cache(options.reverseCacheBytes) {
        m_worker = std::jthread([this](std::stop_token stop) { workerLoop(stop); });
        m_prefetcher = std::jthread([this](std::stop_token stop) { prefetchLoop(stop); });
    }

    ~Impl() {
        closeClip();
        m_worker.request_stop();
        m_prefetcher.request_stop();
        m_wake.notify_all();
    }

    // ---- members, on the owner's thread ----

    DeviceOptions m_options;
    VideoSink &m_video;
    std::unique_ptr<AudioSink> m_audioSink;
    DeviceListener &m_listener;

    std::string m_deviceType;
    std::string m_fileName;
    std::optional<int> m_waitingFrom, m_waitingTo;
    int m_frames = 1;
    bool m_deviceOpen = false;
    bool m_backwardRemembered = false;
    std::atomic<bool> m_silent{false};

    std::optional<MciError> command(const std::string &word);
    std::optional<MciError> press(Button button);
    bool buttonEnabled(Button button) const;

    std::optional<MciError> openDevice();
    void closeClip();
    std::optional<MciError> play(std::optional<int> from, std::optional<int> to);
    void moveTo(int position);  // seek, prev, next: a running play goes on from there
    void showAt(int position, bool endPlay, int window);

    void setJob(Job job);  // under m_mutex
    void endPlay(int notifyCode);  // under m_mutex
    void setMode(int mode);

    // ---- shared with the worker threads ----

    mutable std::mutex m_mutex;
    std::condition_variable_any m_wake;
    Job m_job;
    std::uint64_t m_doneGeneration = 0;  // the last generation the worker finished
    std::atomic<int> m_mode{kModeNotOpen};
    std::atomic<int> m_position{0};
    std::shared_ptr<const ClipIndex> m_clip;
    std::unique_ptr<SoundPlayer> m_sound;
    std::atomic<std::size_t> m_pictureBytes{0};
    FrameCache m_cache;
    std::atomic<long> m_shown{0}, m_dropped{0};

    // Backward play asks the prefetcher to fill the cache from `top` down to `bottom`.
    struct PrefetchRequest {
        std::uint64_t generation = 0;
        int top = -1, bottom = 0;
    } m_prefetch;

    int length() const { return m_clip ? m_clip->length() : 0; }
    bool current(std::uint64_t generation) const { return m_job.generation == generation; }

    // ---- worker ----

    std::jthread m_worker, m_prefetcher;
    // One decoder for the clip, shared by the worker and the prefetcher (never both at
    // once: a backward play leaves it to the prefetcher), so that its pool of picture
    // buffers is not kept twice. Lock order: m_decoderMutex, then m_mutex.
    std::mutex m_decoderMutex;
    std::unique_ptr<FrameDecoder> m_decoder;
    bool m_cursorStale = false;  // the prefetcher moved the decoder away from the cursor
    std::optional<Picture> m_cursorPicture, m_cursorNext;  // worker only
    bool m_cursorExact = false;  // m_cursorPicture was decoded whole

    void workerLoop(std::stop_token stop);
    void runShow(const Job &job, std::stop_token stop);
    void runPlay(const Job &job, std::stop_token stop);
    std::optional<Picture> pictureFor(int slot, std::uint64_t generation, std::stop_token stop, int window,
                                      bool forwardPlay = false);
    std::optional<Picture> decodeForward(int slot, int window, bool forwardPlay = false);
    void present(const Picture &picture, int slot);
    int segmentFrames() const;

    void prefetchLoop(std::stop_token stop);
    int segmentBelow(const FrameDecoder &decoder, int high, int bottom) const;
    void prefetchSegment(FrameDecoder &decoder, int low, int high, int length, std::uint64_t generation,
                         std::stop_token stop);
};

// ============================ owner's thread ============================

void MciDevice::Impl::setMode(int mode) {
    if (m_mode.exchange(mode) != mode) m_listener.stateChanged();
}

void MciDevice::Impl::setJob(Job job) {
    job.generation = m_job.generation + 1;
    m_job = job;
    m_wake.notify_all();
}

void MciDevice::Impl::endPlay(int notifyCode) {
    if (m_job.kind != Job::Play) return;
    const bool wasRunning = !m_job.paused;
    setJob(Job{});
    if (wasRunning) m_listener.done(notifyCode);
}

std::optional<MciError> MciDevice::Impl::openDevice() {
    if (m_deviceOpen) return MciError{30265, makeError(30265).text};
    if (strcasecmp(m_deviceType.c_str(), "avivideo") != 0) return makeError(kErrDeviceNotOpen);
    if (!avcodec_find_decoder(AV_CODEC_ID_RAWVIDEO)) return makeError(kErrCannotLoadDriver);
    if (m_fileName.empty()) {
        m_deviceOpen = true;
        setMode(kModeStopped);
        return std::nullopt;
    }
    auto opened = ClipIndex::open(m_fileName);
    if (auto *error = std::get_if<MciError>(&opened)) return *error;
    auto clip = std::get<std::shared_ptr<const ClipIndex>>(opened);
    auto decoder = std::make_unique<FrameDecoder>(clip, m_options.decoderThreads);
    if (!decoder->ok()) return makeError(kErrInvalidFile);

    std::unique_ptr<SoundPlayer> sound;
    if (clip->audio() && !m_options.untimed && m_audioSink) {
        sound = std::make_unique<SoundPlayer>(*m_audioSink, kAudioRate, [&] { return decodeAudioTrack(clip, kAudioRate); });
        sound->setMuted(m_silent.load());
    }
    {
        std::lock_guard decoderLock(m_decoderMutex);
        m_decoder = std::move(decoder);
    }
    {
        std::lock_guard lock(m_mutex);
        m_clip = clip;
        m_sound = std::move(sound);
        m_cache.clear();
        m_cursorPicture.reset();
        m_cursorNext.reset();
        m_shown = 0;
        m_dropped = 0;
        m_position = 0;
        m_backwardRemembered = false;
        m_deviceOpen = true;
        setJob(Job{Job::Show, 0, 0, 0});
    }
    // "open" returns with the first picture on screen.
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] { return m_doneGeneration >= m_job.generation; });
    }
    setMode(kModeStopped);
    return std::nullopt;
}

void MciDevice::Impl::closeClip() {
    std::unique_ptr<SoundPlayer> sound;
    {
        std::unique_lock lock(m_mutex);
        endPlay(kDoneAborted);
        setJob(Job{});
        // Wait for the worker to let go of the clip before it is dropped.
        m_wake.wait(lock, [&] { return m_doneGeneration >= m_job.generation; });
    }
    std::lock_guard decoderLock(m_decoderMutex);  // and for the prefetcher
    {
        std::lock_guard lock(m_mutex);
        sound = std::move(m_sound);
        m_clip.reset();
        m_cache.clear();
        m_decoder.reset();
        m_cursorPicture.reset();
        m_cursorNext.reset();
        m_position = 0;
    }
    sound.reset();
    if (m_deviceOpen) m_video.clear();
    m_deviceOpen = false;
    m_waitingFrom.reset();
    m_waitingTo.reset();
    setMode(kModeNotOpen);
}

std::optional<MciError> MciDevice::Impl::play(std::optional<int> from, std::optional<int> to) {
    std::lock_guard lock(m_mutex);
    const int position = m_position.load();
    const int start = from.value_or(position);
    const int end = to.value_or(length());
    endPlay(kDoneSuperseded);
    m_backwardRemembered = start > end;
    m_position = start;
    setJob(Job{Job::Play, 0, start, end, false, start > end});
    setMode(kModePlaying);
    return std::nullopt;
}

void MciDevice::Impl::moveTo(int position) {
    std::lock_guard lock(m_mutex);
    m_position = position;
    if (m_job.kind == Job::Play) {
        Job moved = m_job;
        moved.from = position;
        setJob(moved);
        return;
    }
    setJob(Job{Job::Show, 0, position, position});
    if (m_mode.load() == kModeStopped) setMode(kModeSeeking);
}

void MciDevice::Impl::showAt(int position, bool endRunningPlay, int window) {
    std::lock_guard lock(m_mutex);
    if (endRunningPlay) {
        const bool wasPaused = m_job.kind == Job::Play && m_job.paused;
        endPlay(kDoneAborted);
        if (wasPaused) setJob(Job{});
    }
    m_position = position;
    setJob(Job{Job::Show, 0, position, position, false, false, window});
    setMode(kModeSeeking);
}

std::optional<MciError> MciDevice::Impl::command(const std::string &word) {
    // Every command consumes the waiting ends of the range.
    const std::optional<int> from = std::exchange(m_waitingFrom, std::nullopt);
    const std::optional<int> to = std::exchange(m_waitingTo, std::nullopt);

    if (word == "open") return openDevice();
    if (word == "close") {
        closeClip();
        return std::nullopt;
    }
    if (word == "record" || word == "eject") return makeError(kErrUnsupportedFunction);
    static const char *const kTransport[] = {"play", "pause", "stop", "prev", "next", "step", "back", "seek"};
    if (std::find(std::begin(kTransport), std::end(kTransport), word) == std::end(kTransport))
        return makeError(kErrUnrecognizedCommand);
    if (!m_clip) return std::nullopt;  // the device does nothing without a clip

    const int len = length();
    auto outside = [len](const std::optional<int> &v) { return v && (*v < 0 || *v > len); };
    if (word == "play") {
        if (outside(from) || outside(to)) return makeError(kErrOutOfRange);
        return play(from, to);
    }
    if (word == "seek") {
        if (outside(from) || outside(to)) return makeError(kErrOutOfRange);
        if (from && to && *from != *to) m_backwardRemembered = *from > *to;
        if (to) moveTo(*to);
        return std::nullopt;
    }
    if (word == "prev") {
        moveTo(0);
        return std::nullopt;
    }
    if (word == "next") {
        moveTo(len);
        return std::nullopt;
    }
    if (word == "step") {
        showAt(std::min(len, m_position.load() + m_frames), true, segmentFrames());
        return std::nullopt;
    }
    if (word == "back") {
        showAt(std::max(0, m_position.load() - m_frames), true, segmentFrames());
        return std::nullopt;
    }
    std::lock_guard lock(m_mutex);
    if (word == "stop") {
        const bool paused = m_job.kind == Job::Play && m_job.paused;
        endPlay(kDoneAborted);
        if (paused) setJob(Job{});
        setMode(kModeStopped);
        return std::nullopt;
    }
    // pause
    if (m_job.kind == Job::Play && !m_job.paused) {
        Job paused = m_job;
        paused.from = m_position.load();
        paused.paused = true;
        m_listener.done(kDoneAborted);
        setJob(paused);
        setMode(kModePaused);
    }
    return std::nullopt;
}

std::optional<MciError> MciDevice::Impl::press(Button button) {
    if (!buttonEnabled(button)) return std::nullopt;
    auto completed = [&](std::optional<MciError> error) {
        m_listener.buttonCompleted(button, error ? error->number : 0);
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
    if (m_waitingFrom || m_waitingTo) return command("play");
    {
        std::lock_guard lock(m_mutex);
        if (m_job.kind == Job::Play && m_job.paused) {
            Job resumed = m_job;
            resumed.paused = false;
            resumed.from = m_position.load();
            setJob(resumed);
            setMode(kModePlaying);
            return std::nullopt;
        }
    }
    const int position = m_position.load();
    const int end = m_backwardRemembered ? 0 : length();
    if (position == end) return play(m_backwardRemembered ? length() : 0, end);  // at that end: over again
    return play(position, end);
}

bool MciDevice::Impl::buttonEnabled(Button button) const {
    if (button == Button::Record || button == Button::Eject || !m_clip) return false;
    switch (m_mode.load()) {
    case kModePlaying:
        return button == Button::Prev || button == Button::Next || button == Button::Pause || button == Button::Stop;
    case kModePaused: return button != Button::Pause;
    default: return button != Button::Pause && button != Button::Stop;
    }
}

// ============================ worker ============================

void MciDevice::Impl::workerLoop(std::stop_token stop) {
    std::uint64_t handled = 0;
    while (!stop.stop_requested()) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, stop, [&] { return m_job.generation != handled; });
            if (stop.stop_requested()) return;
            job = m_job;
            handled = job.generation;
        }
        if (job.kind == Job::Show || (job.kind == Job::Play && job.paused)) runShow(job, stop);
        if (job.kind == Job::Play && !job.paused) runPlay(job, stop);
        std::lock_guard lock(m_mutex);
        if (m_doneGeneration < job.generation) m_doneGeneration = job.generation;
        m_wake.notify_all();
    }
}

void MciDevice::Impl::present(const Picture &picture, int slot) {
    // Never under m_mutex: a sink may take its time, and commands must not wait for it.
    Picture shown = picture;
    shown.slot = slot;
    m_video.present(shown);
    ++m_shown;
}

int MciDevice::Impl::segmentFrames() const {
    // Nearly the whole budget: the next segment moves in as the shown one is let go,
    // and every picture fewer per segment means decoding a group of frames once more.
    const std::size_t per = std::max<std::size_t>(m_pictureBytes, 1);
    return static_cast<int>(std::max<std::size_t>(1, m_cache.budget() / 8 * 7 / per));
}

// The picture at `slot` from the decoder that moves forward, caching what it decodes
// on the way so that going back over it again costs nothing.
std::optional<Picture> MciDevice::Impl::decodeForward(int slot, int window, bool forwardPlay) {
    std::lock_guard decoderLock(m_decoderMutex);
    if (!m_decoder) return std::nullopt;
    FrameDecoder &decoder = *m_decoder;
    if (std::exchange(m_cursorStale, false)) {
        m_cursorPicture.reset();
        m_cursorNext.reset();
    }
    // Going on from where the decoder stands beats starting again from the key frame
    // unless that is much farther back; across a key frame it always does.
    const bool reachable = m_cursorPicture && m_cursorExact && m_cursorPicture->slot <= slot &&
                           slot - m_cursorPicture->slot <= slot - m_clip->keySlotAtOrBefore(slot) + kGoOnFrames;
    const int low = std::max(0, slot - std::max(window, 1) + 1);
    if (!reachable) {
        m_cursorPicture = decoder.seek(slot, std::max(0, low - kStepMargin));
        if (!m_cursorPicture) return std::nullopt;
        m_cursorExact = decoder.exact();
        m_cursorNext = decoder.next();
    }
    // Only pictures decoded whole, and so known to last until the next one, are kept;
    // a forward play keeps none: holding them would make the decoder write every
    // picture into cold memory instead of the few buffers it would reuse.
    auto keep = [&](const Picture &p, int until) {
        if (m_pictureBytes == 0) m_pictureBytes = FrameCache::pictureBytes(*p.frame);
        if (m_cursorExact && until > low && !forwardPlay) m_cache.insert(p, until, slot, low, slot);
    };
    while (m_cursorNext && m_cursorNext->slot <= slot) {
        keep(*m_cursorPicture, m_cursorNext->slot);
        m_cursorPicture = m_cursorNext;
        m_cursorExact = decoder.exact();
        m_cursorNext = decoder.next();
    }
    keep(*m_cursorPicture, m_cursorNext ? m_cursorNext->slot : length());
    return m_cursorPicture;
}

std::optional<Picture> MciDevice::Impl::pictureFor(int slot, std::uint64_t generation, std::stop_token stop,
                                                   int window, bool forwardPlay) {
    if (auto cached = m_cache.find(slot)) return cached;
    {
        std::lock_guard lock(m_mutex);
        const bool prefetching = m_prefetch.generation == generation && slot <= m_prefetch.top;
        if (!prefetching) return decodeForward(slot, window, forwardPlay);
    }
    // Backward play: the prefetcher brings it.
    std::unique_lock lock(m_mutex);
    std::optional<Picture> found;
    m_wake.wait(lock, stop, [&] {
        found = m_cache.find(slot);
        return found || !current(generation) || m_prefetch.generation != generation;
    });
    if (!found && current(generation) && !stop.stop_requested()) {
        lock.unlock();
        return decodeForward(slot, window, forwardPlay);  // the prefetcher gave up on it
    }
    return found;
}

void MciDevice::Impl::runShow(const Job &job, std::stop_token stop) {
    const int slot = std::clamp(job.from, 0, std::max(0, length() - 1));
    if (!m_clip) return;
    if (auto picture = pictureFor(slot, job.generation, stop, job.window)) {
        {
            std::lock_guard lock(m_mutex);
            if (!current(job.generation)) return;
        }
        present(*picture, slot);
    }
    std::lock_guard lock(m_mutex);
    if (current(job.generation) && m_mode.load() == kModeSeeking) setMode(kModeStopped);
}

void MciDevice::Impl::runPlay(const Job &job, std::stop_token stop) {
    const bool backward = job.backward;
    const int len = length();
    const double fps = av_q2d(m_clip->frameRate());
    // Forward shows from .. to-1 and ends at `to`; backward shows from-1 .. to. A play
    // moved past its end point ends at once.
    const int first = backward ? job.from - 1 : job.from;
    const int count = std::max(0, backward ? job.from - job.to : job.to - job.from);

    if (backward) {
        std::lock_guard lock(m_mutex);
        m_prefetch = PrefetchRequest{job.generation, std::min(first, len - 1), job.to};
        m_wake.notify_all();
    }
    SoundPlayer *sound = m_options.untimed ? nullptr : m_sound.get();
    const double startSeconds = job.from / fps;
    // The clocks start once the first picture is ready, so a play that must first
    // decode a group of frames does not begin late and drop what it just decoded.
    std::optional<Picture> firstPicture;
    if (count > 0) firstPicture = pictureFor(std::clamp(first, 0, len - 1), job.generation, stop, kSeekWindow, !backward);
    if (sound) sound->start(startSeconds, backward);
    const auto startWall = Clock::now();

    auto stopSound = [&] {
        if (sound) sound->stop();
    };
    for (int i = 0; i < count; ++i) {
        const int slot = backward ? first - i : first + i;
        const int shownSlot = std::clamp(slot, 0, len - 1);
        auto picture = i == 0 ? std::move(firstPicture) : pictureFor(shownSlot, job.generation, stop, kSeekWindow, !backward);
        if (stop.stop_requested()) return stopSound();
        std::unique_lock lock(m_mutex);
        if (!current(job.generation)) return stopSound();
        if (!m_options.untimed) {
            // The picture is due when its slot's time comes on the sound clock (or the
            // wall clock without sound); late pictures are dropped, never the sound.
            const double dueSeconds = i / fps;
            auto due = startWall + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(dueSeconds));
            if (auto heard = sound ? sound->clock() : std::nullopt) {
                const double ahead = backward ? (*heard - (startSeconds - dueSeconds))
                                              : ((startSeconds + dueSeconds) - *heard);
                due = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(ahead));
            }
            const bool late = Clock::now() > due + std::chrono::duration_cast<Clock::duration>(
                                                         std::chrono::duration<double>(1.0 / fps));
            if (late && i + 1 < count) {
                ++m_dropped;
                m_position = slot;
                continue;
            }
            m_wake.wait_until(lock, stop, due, [&] { return !current(job.generation); });
            if (!current(job.generation) || stop.stop_requested()) return stopSound();
        }
        lock.unlock();
        if (picture) present(*picture, shownSlot);
        lock.lock();
        if (!current(job.generation)) return stopSound();
        m_position = slot;
        m_wake.notify_all();  // the prefetcher waits for room behind the shown slot
    }
    if (!m_options.untimed) {
        // The last picture stays for its whole frame time before the play ends.
        std::unique_lock lock(m_mutex);
        const auto end = startWall + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(count / fps));
        m_wake.wait_until(lock, stop, end, [&] { return !current(job.generation); });
    }
    stopSound();
    std::lock_guard lock(m_mutex);
    if (!current(job.generation)) return;
    m_position = job.to;
    m_job = Job{Job::Idle, job.generation + 1};
    m_doneGeneration = job.generation + 1;
    m_wake.notify_all();
    setMode(kModeStopped);
    m_listener.done(kDoneSuccessful);
}

// ============================ prefetcher ============================

void MciDevice::Impl::prefetchLoop(std::stop_token stop) {
    std::uint64_t served = 0;
    while (!stop.stop_requested()) {
        PrefetchRequest request;
        std::shared_ptr<const ClipIndex> clip;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, stop, [&] { return m_prefetch.generation != served && current(m_prefetch.generation); });
            if (stop.stop_requested()) return;
            request = m_prefetch;
            served = request.generation;
            clip = m_clip;
        }
        if (!clip) continue;
        int high = request.top;
        while (high >= request.bottom) {
            std::unique_lock decoderLock(m_decoderMutex);
            if (!m_decoder || &m_decoder->clip() != clip.get()) break;
            const int low = segmentBelow(*m_decoder, high, request.bottom);
            if (!m_cache.covers(low, high)) {
                m_cursorStale = true;
                prefetchSegment(*m_decoder, low, high, clip->length(), request.generation, stop);
            }
            decoderLock.unlock();
            {
                std::lock_guard lock(m_mutex);
                if (!current(request.generation) || stop.stop_requested()) break;
            }
            high = low - 1;
        }
        std::lock_guard lock(m_mutex);
        if (m_prefetch.generation == request.generation) m_prefetch = PrefetchRequest{};
        m_wake.notify_all();
    }
}

// Where the segment that ends at `high` starts. Each segment costs a decode from its
// group's key frame up to its top, so segments are as long as the budget allows and
// stay within one group: one reaching into the group below would pay for that group
// too. A group that opens with frames shown from the one before starts at its first
// own picture.
int MciDevice::Impl::segmentBelow(const FrameDecoder &decoder, int high, int bottom) const {
    const ClipIndex &clip = decoder.clip();
    int key = clip.keySlotAtOrBefore(high);
    int groupLow = decoder.groupFirstSlot(key).value_or(key);
    if (groupLow > high && key > 0) {
        key = clip.keySlotAtOrBefore(key - 1);
        groupLow = decoder.groupFirstSlot(key).value_or(key);
    }
    return std::max(std::clamp(groupLow, bottom, high), high - segmentFrames() + 1);
}

void MciDevice::Impl::prefetchSegment(FrameDecoder &decoder, int low, int high, int length,
                                      std::uint64_t generation, std::stop_token stop) {
    // What comes before the segment only leads up to it: skip what nothing refers to.
    std::optional<Picture> picture = decoder.seek(low, std::max(0, low - kStepMargin));
    bool exact = decoder.exact();
    std::optional<Picture> next = picture ? decoder.next() : std::nullopt;
    while (picture && picture->slot <= high) {
        const int until = next ? next->slot : length;
        if (until > low && exact) {
            if (m_pictureBytes == 0) m_pictureBytes = FrameCache::pictureBytes(*picture->frame);
            std::unique_lock lock(m_mutex);
            // Room comes from what the play has already shown: wait for it.
            m_wake.wait(lock, stop, [&] {
                if (!current(generation)) return true;
                const int shown = m_position.load();
                return m_cache.insert(*picture, until, shown, low, std::max(shown, high));
            });
            if (!current(generation) || stop.stop_requested()) return;
            m_wake.notify_all();
        }
        picture = next;
        exact = decoder.exact();
        next = picture ? decoder.next() : std::nullopt;
    }
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
void MciDevice::setFrom(int position) { m_impl->m_waitingFrom = position; }
void MciDevice::setTo(int position) { m_impl->m_waitingTo = position; }
void MciDevice::setFrames(int frames) { m_impl->m_frames = std::max(1, frames); }

void MciDevice::setSilent(bool silent) {
    m_impl->m_silent = silent;
    std::lock_guard lock(m_impl->m_mutex);
    if (m_impl->m_sound) m_impl->m_sound->setMuted(silent);
}

std::optional<MciError> MciDevice::command(const std::string &word) { return m_impl->command(word); }
std::optional<MciError> MciDevice::press(Button button) { return m_impl->press(button); }
bool MciDevice::buttonEnabled(Button button) const { return m_impl->buttonEnabled(button); }
int MciDevice::mode() const { return m_impl->m_mode.load(); }
int MciDevice::length() const { return m_impl->length(); }
bool MciDevice::clipOpen() const { return m_impl->m_clip != nullptr; }

int MciDevice::position() const { return m_impl->m_clip ? m_impl->m_position.load() : 0; }

double MciDevice::framesPerSecond() const {
    return m_impl->m_clip ? av_q2d(m_impl->m_clip->frameRate()) : 0.0;
}

int MciDevice::videoWidth() const {
    if (!m_impl->m_clip) return 0;
    const AVCodecParameters *par = m_impl->m_clip->video().params.get();
    return static_cast<int>(std::lround(par->width * av_q2d(m_impl->m_clip->sampleAspect())));
}

int MciDevice::videoHeight() const {
    return m_impl->m_clip ? m_impl->m_clip->video().params->height : 0;
}

void MciDevice::waitUntilStopped() {
    std::unique_lock lock(m_impl->m_mutex);
    m_impl->m_wake.wait(lock, [&] {
        const Job &job = m_impl->m_job;
        const bool running = job.kind == Job::Play && !job.paused;
        return !running && m_impl->m_doneGeneration >= job.generation;
    });
}

MciDevice::PlayStats MciDevice::stats() const { return {m_impl->m_shown.load(), m_impl->m_dropped.load()}; }

}  // namespace mci
