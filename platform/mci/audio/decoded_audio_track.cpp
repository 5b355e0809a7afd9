#include "platform/mci/audio/decoded_audio_track.h"

#include "platform/mci/audio/clip_audio_packets.h"
#include "platform/mci/decode_priority.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace mci {

namespace {

constexpr std::int64_t kBlock = SampleBlockStore::kBlockFrames;
// Packets decoded before the wanted one when decoding again from the middle: MP3's
// bit reservoir reaches back up to 511 bytes (several small frames), and the
// overlapped transforms need the frame before.
constexpr std::size_t kPrerollPackets = 16;
// Packets the first run decodes before looking at where reading went.
constexpr int kScanBatch = 64;

}  // namespace

DecodedAudioTrack::DecodedAudioTrack(std::unique_ptr<AudioPacketSource> packets, int rate,
                                     AudioTrackOptions options)
    : m_rate(rate),
      m_capacityBlocks(std::max<std::int64_t>(4, static_cast<std::int64_t>(options.memoryBytes /
                                                                             SampleBlockStore::kBlockBytes))),
      m_packets(std::move(packets)),
      m_scanResampler(rate > 0 ? rate : 1),
      m_refillResampler(rate > 0 ? rate : 1) {
    if (!m_packets || m_packets->packetCount() == 0 || rate <= 0) {
        m_scanned = true;
        m_idle = true;
        m_ended = true;
        return;
    }
    m_thread = std::jthread([this](std::stop_token stop) {
        lowerThisThreadForDecoding();
        run(stop);
    });
}

DecodedAudioTrack::~DecodedAudioTrack() = default;

void DecodedAudioTrack::read(std::int64_t first, bool backward, std::span<float> out) const {
    m_store.read(first, backward, out);
    const std::int64_t block = std::max<std::int64_t>(first, 0) / kBlock;
    m_wanted.store(first, std::memory_order_relaxed);
    if (m_wantedBlock.exchange(block, std::memory_order_relaxed) != block) {
        m_wake.fetch_add(1, std::memory_order_release);
        m_wake.notify_one();
    }
}

void DecodedAudioTrack::waitUntilIdle() const {
    std::unique_lock lock(m_idleMutex);
    m_idleChanged.wait(lock, [this] {
        return m_ended || (m_idle && m_idleSeen == m_wake.load(std::memory_order_acquire));
    });
}

void DecodedAudioTrack::setIdle(bool idle, std::uint32_t seen) {
    {
        std::lock_guard lock(m_idleMutex);
        m_idle = idle;
        m_idleSeen = seen;
    }
    m_idleChanged.notify_all();
}

void DecodedAudioTrack::run(std::stop_token stop) {
    std::stop_callback wake(stop, [this] {
        m_wake.fetch_add(1, std::memory_order_release);
        m_wake.notify_all();
    });
    startScan();
    while (!stop.stop_requested()) {
        const std::uint32_t seen = m_wake.load(std::memory_order_acquire);
        const Window now = window();
        if (refill(stop, now)) continue;
        if (!m_scanDone) {
            scanStep(stop);
            continue;
        }
        setIdle(true, seen);
        m_wake.wait(seen, std::memory_order_acquire);
        setIdle(false, seen);
    }
    {
        std::lock_guard lock(m_idleMutex);
        m_ended = true;
    }
    m_idleChanged.notify_all();
}

void DecodedAudioTrack::startScan() {
    const AVCodecParameters &params = m_packets->parameters();
    m_scanDecoder = std::make_unique<AudioStreamDecoder>(params);
    m_places.assign(m_packets->packetCount(), PacketPlace{});
    if (!m_scanDecoder->ok()) {
        m_scanDone = true;
        m_scanned = true;
        return;
    }
    // Sound and picture both start at clip time 0; a later first stamp is silence
    // before the sound, an earlier one cuts the start of the sound.
    if (PacketPtr first = m_packets->readPacket(0)) {
        const std::int64_t stamp = first->pts != AV_NOPTS_VALUE ? first->pts : first->dts;
        const AVRational tb = m_packets->timeBase();
        if (stamp != AV_NOPTS_VALUE && tb.num > 0 && tb.den > 0) {
            const std::int64_t at = av_rescale_q(stamp, tb, AVRational{1, m_rate});
            if (std::abs(at) <= std::int64_t{24} * 3600 * m_rate) m_leadIn = at;  // else a wild stamp
        }
    }
    m_scanEnd = m_leadIn;
    for (std::int64_t b = 0; (b + 1) * kBlock <= m_leadIn; ++b) state(b) = kSilent;
    m_store.setFrames(std::max<std::int64_t>(m_leadIn, 0));
}

DecodedAudioTrack::BlockState &DecodedAudioTrack::state(std::int64_t block) {
    if (block >= static_cast<std::int64_t>(m_blocks.size())) m_blocks.resize(block + 1, kUnseen);
    return m_blocks[block];
}

DecodedAudioTrack::Window DecodedAudioTrack::window() const {
    Window w;
    w.centre = std::max<std::int64_t>(m_wanted.load(std::memory_order_relaxed), 0) / kBlock;
    w.first = std::max<std::int64_t>(w.centre - m_capacityBlocks / 2, 0);
    if (m_scanDone) {
        const std::int64_t total = (std::max<std::int64_t>(m_scanEnd, 0) + kBlock - 1) / kBlock;
        w.first = std::min(w.first, std::max<std::int64_t>(total - m_capacityBlocks, 0));
    }
    w.end = w.first + m_capacityBlocks;
    return w;
}

// Whether the first run has been past all of a block, so that the packets its sound
// comes from are known.
bool DecodedAudioTrack::known(std::int64_t block) const {
    if (m_scanDone) return block * kBlock < m_scanEnd;
    return (block + 1) * kBlock <= m_scanEnd;
}

// Publishes a block, first making room by dropping the kept blocks farthest from where
// reading is. When it cannot be kept the block is marked absent, to be decoded again
// if reading comes near, or silent if the timeline has no room that far.
bool DecodedAudioTrack::keep(std::int64_t block, std::unique_ptr<float[]> samples) {
    const Window now = window();
    while (m_residentBlocks >= m_capacityBlocks) {
        std::int64_t farthest = -1;
        std::int64_t distance = -1;
        for (std::int64_t b = 0; b < static_cast<std::int64_t>(m_blocks.size()); ++b) {
            if (m_blocks[b] != kResident || now.contains(b)) continue;
            const std::int64_t d = std::abs(b - now.centre);
            if (d > distance) {
                distance = d;
                farthest = b;
            }
        }
        if (farthest < 0) {
            state(block) = kAbsent;
            return false;
        }
        m_store.evict(farthest);
        m_blocks[farthest] = kAbsent;
        --m_residentBlocks;
    }
    if (!m_store.publish(block, std::move(samples))) {
        state(block) = kSilent;
        return false;
    }
    state(block) = kResident;
    ++m_residentBlocks;
    return true;
}

void DecodedAudioTrack::scanStep(const std::stop_token &stop) {
    const std::int64_t startBlock = std::max<std::int64_t>(m_scanEnd, 0) / kBlock;
    const auto onFrame = [this](const AVFrame &f) { scanFrame(f); };
    for (int n = 0; n < kScanBatch && m_scanNext < m_packets->packetCount(); ++n) {
        if (stop.stop_requested()) return;
        if (PacketPtr pkt = m_packets->readPacket(m_scanNext)) m_scanDecoder->decode(*pkt, m_scanNext, onFrame);
        ++m_scanNext;
        if (std::max<std::int64_t>(m_scanEnd, 0) / kBlock != startBlock) return;  // see where reading is
    }
    if (m_scanNext < m_packets->packetCount()) return;
    m_scanDecoder->drain(onFrame);
    m_scanResampler.drain([this](const float *s, std::int64_t n) { scanWrite(s, n); });
    m_scanDone = true;
    m_scanned = true;
}

void DecodedAudioTrack::scanFrame(const AVFrame &frame) {
    const auto write = [this](const float *s, std::int64_t n) { scanWrite(s, n); };
    if (!m_scanResampler.accept(frame, write)) return;
    // The packet's sound begins where the previous frames' samples end, whatever its stamp.
    const std::int64_t packet = frame.pts;
    if (packet >= 0 && packet < static_cast<std::int64_t>(m_places.size()) && m_places[packet].start < 0) {
        const StereoResampler::Place place = m_scanResampler.place();
        const std::int64_t at = m_leadIn + place.segmentStart + av_rescale(place.segmentInput, m_rate, place.inRate);
        m_places[packet] = PacketPlace{at, place};
        m_starts.emplace_back(at, static_cast<std::size_t>(packet));
    }
    m_scanResampler.push(frame, write);
}

void DecodedAudioTrack::scanWrite(const float *samples, std::int64_t frames) {
    std::int64_t pos = m_scanEnd;
    while (frames > 0) {
        std::int64_t count = 0;
        if (pos < 0) {
            count = std::min(frames, -pos);
        } else {
            const std::int64_t block = pos / kBlock;
            const std::int64_t offset = pos % kBlock;
            count = std::min(frames, kBlock - offset);
            BlockState &s = state(block);
            if (s == kUnseen) {
                if (window().contains(block))
                    keep(block, SampleBlockStore::makeBlock());
                else
                    s = kAbsent;
            }
            if (state(block) == kResident)
                std::memcpy(m_store.writable(block) + offset * 2, samples,
                            static_cast<std::size_t>(count) * 2 * sizeof(float));
        }
        samples += count * 2;
        frames -= count;
        pos += count;
        m_scanEnd = pos;
        m_store.setFrames(std::max<std::int64_t>(pos, 0));
    }
}

// Decodes again the dropped block nearest to where reading is, if the window has one.
bool DecodedAudioTrack::refill(const std::stop_token &stop, const Window &now) {
    for (std::int64_t d = 0; d <= m_capacityBlocks; ++d) {
        for (const std::int64_t b : {now.centre + d, now.centre - d}) {
            if (b < 0 || !now.contains(b) || b >= static_cast<std::int64_t>(m_blocks.size())) continue;
            if (m_blocks[b] != kAbsent || !known(b)) continue;
            refillFrom(stop, b);
            return true;
        }
    }
    return false;
}

void DecodedAudioTrack::refillFrom(const std::stop_token &stop, std::int64_t block) {
    if (m_starts.empty()) {
        m_blocks[block] = kSilent;  // nothing in the stream ever decoded
        return;
    }
    const std::int64_t target = block * kBlock;
    auto it = std::upper_bound(m_starts.begin(), m_starts.end(), std::make_pair(target, SIZE_MAX));
    const std::size_t packet = it == m_starts.begin() ? m_starts.front().second : std::prev(it)->second;
    const std::size_t from = packet > kPrerollPackets ? packet - kPrerollPackets : 0;

    // A new decoder each time: flushing one does not put every codec back as new.
    m_refillDecoder = std::make_unique<AudioStreamDecoder>(m_packets->parameters());
    m_refillResampler.reset();
    m_refillAnchor = -1;
    m_refillBlock = block;
    m_refillSamples = SampleBlockStore::makeBlock();
    const auto write = [this](const float *s, std::int64_t n) { refillWrite(s, n); };
    const auto onFrame = [this, &write](const AVFrame &f) {
        if (m_refillBlock < 0) return;
        if (m_refillAnchor < 0) {
            // Frames before the first one whose place the first run learnt are only
            // there to set the decoder up.
            const std::int64_t packet = f.pts;
            if (packet < 0 || packet >= static_cast<std::int64_t>(m_places.size()) || m_places[packet].start < 0)
                return;
            // Start the resampler on an input sample that falls exactly on an output
            // sample of the first run, so both runs resample in the same phase.
            const StereoResampler::Place &at = m_places[packet].resampler;
            const std::int64_t period = at.inRate / std::gcd(at.inRate, m_rate);
            m_refillSkip = (period - at.segmentInput % period) % period;
            m_refillAnchor = m_refillPos =
                m_leadIn + at.segmentStart + (at.segmentInput + m_refillSkip) * m_rate / at.inRate;
        }
        if (m_refillSkip >= f.nb_samples) {
            m_refillSkip -= f.nb_samples;
            return;
        }
        m_refillResampler.push(f, write, static_cast<int>(m_refillSkip));
        m_refillSkip = 0;
    };
    for (std::size_t i = from; i < m_packets->packetCount() && m_refillBlock >= 0; ++i) {
        if (stop.stop_requested()) return;
        if (PacketPtr pkt = m_packets->readPacket(i)) m_refillDecoder->decode(*pkt, static_cast<std::int64_t>(i), onFrame);
    }
    if (m_refillBlock < 0) return;
    m_refillDecoder->drain(onFrame);
    m_refillResampler.drain(write);
    // The stream ended inside the block: what was decoded is all there is.
    if (m_refillBlock >= 0) keep(m_refillBlock, std::move(m_refillSamples));
    m_refillBlock = -1;
}

void DecodedAudioTrack::refillWrite(const float *samples, std::int64_t frames) {
    while (frames > 0 && m_refillBlock >= 0) {
        const std::int64_t begin = m_refillBlock * kBlock;
        std::int64_t count = 0;
        if (m_refillPos < begin) {
            count = std::min(frames, begin - m_refillPos);
        } else {
            const std::int64_t offset = m_refillPos - begin;
            count = std::min(frames, kBlock - offset);
            std::memcpy(m_refillSamples.get() + offset * 2, samples, static_cast<std::size_t>(count) * 2 * sizeof(float));
            if (offset + count == kBlock) refillFinishBlock();
        }
        samples += count * 2;
        frames -= count;
        m_refillPos += count;
    }
}

// A whole block is decoded: keep it and go on into the next one while that one is
// also wanted and missing.
void DecodedAudioTrack::refillFinishBlock() {
    if (!keep(m_refillBlock, std::move(m_refillSamples))) {
        m_refillBlock = -1;
        return;
    }
    const std::int64_t next = m_refillBlock + 1;
    const Window now = window();
    if (now.contains(next) && next < static_cast<std::int64_t>(m_blocks.size()) && m_blocks[next] == kAbsent &&
        known(next)) {
        m_refillBlock = next;
        m_refillSamples = SampleBlockStore::makeBlock();
    } else {
        m_refillBlock = -1;
    }
}

std::unique_ptr<AudioTrack> decodeAudioTrack(std::shared_ptr<const ClipIndex> clip, int rate) {
    std::unique_ptr<AudioPacketSource> packets;
    if (clip && clip->audio()) packets = std::make_unique<ClipAudioPackets>(std::move(clip));
    return std::make_unique<DecodedAudioTrack>(std::move(packets), rate);
}

}  // namespace mci
