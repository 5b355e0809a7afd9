#pragma once

#include "platform/mci/audio/audio_packet_source.h"
#include "platform/mci/audio/audio_stream_decoder.h"
#include "platform/mci/audio/sample_block_store.h"
#include "platform/mci/audio/stereo_resampler.h"
#include "platform/mci/audio_interfaces.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

namespace mci {

struct AudioTrackOptions {
    // Decoded sound kept in memory, around where it is being read: 512 MiB is some
    // 23 minutes at 48 kHz. Beyond it, blocks far from the read position are dropped
    // and decoded again when reading comes near them.
    std::size_t memoryBytes = std::size_t{512} << 20;
};

// A clip's audio track, decoded by its own thread to float stereo at a fixed rate.
// Sample frame 0 is clip time 0: a track whose first packet is stamped later starts
// with silence. Decoded frames follow each other by their sample counts, not by the
// file's chunk stamps, which VBR sound in AVI gets wrong.
//
// The thread first runs through the whole stream once, learning where each packet's
// sound begins; the blocks it keeps are those nearest the last read. When reading
// moves to blocks it dropped, it decodes them again from a few packets earlier.
// Reads never wait: what is not decoded (yet, or any more) is silence. A stream that
// cannot be decoded is a silent track.
class DecodedAudioTrack : public AudioTrack {
public:
    // `packets` may be null: a track with no sound at all.
    DecodedAudioTrack(std::unique_ptr<AudioPacketSource> packets, int rate, AudioTrackOptions options = {});
    ~DecodedAudioTrack() override;

    int rate() const override { return m_rate; }
    std::int64_t frames() const override { return m_store.frames(); }
    // Any thread, the audio thread included: never blocks or allocates.
    void read(std::int64_t first, bool backward, std::span<float> out) const override;

    bool scanned() const { return m_scanned.load(); }  // the whole stream went through once
    std::size_t residentBytes() const { return m_store.residentBytes(); }
    // Blocks until the decoder has nothing left to do for the latest read (tools, tests).
    void waitUntilIdle() const;

private:
    struct Window {
        std::int64_t first = 0;  // blocks first .. end-1 are the ones to keep
        std::int64_t end = 0;
        std::int64_t centre = 0;
        bool contains(std::int64_t block) const { return block >= first && block < end; }
    };
    enum BlockState : std::uint8_t { kUnseen, kResident, kAbsent, kSilent };

    void run(std::stop_token stop);
    void startScan();
    void scanStep(const std::stop_token &stop);
    void scanFrame(const AVFrame &frame);
    void scanWrite(const float *samples, std::int64_t frames);
    bool refill(const std::stop_token &stop, const Window &window);
    void refillFrom(const std::stop_token &stop, std::int64_t block);
    void refillWrite(const float *samples, std::int64_t frames);
    void refillFinishBlock();

    Window window() const;
    bool known(std::int64_t block) const;
    BlockState &state(std::int64_t block);
    bool keep(std::int64_t block, std::unique_ptr<float[]> samples);
    void setIdle(bool idle, std::uint32_t seen);

    const int m_rate;
    const std::int64_t m_capacityBlocks;
    std::unique_ptr<AudioPacketSource> m_packets;
    SampleBlockStore m_store;
    std::atomic<bool> m_scanned{false};

    // Where reading is, for the decoder thread; m_wake counts moves to another block.
    mutable std::atomic<std::int64_t> m_wanted{0};
    mutable std::atomic<std::int64_t> m_wantedBlock{0};
    mutable std::atomic<std::uint32_t> m_wake{0};

    mutable std::mutex m_idleMutex;
    mutable std::condition_variable m_idleChanged;
    bool m_idle = false;
    bool m_ended = false;
    std::uint32_t m_idleSeen = 0;

    // Decoder thread only.
    std::unique_ptr<AudioStreamDecoder> m_scanDecoder;
    std::unique_ptr<AudioStreamDecoder> m_refillDecoder;
    StereoResampler m_scanResampler;
    StereoResampler m_refillResampler;
    std::size_t m_scanNext = 0;
    std::int64_t m_leadIn = 0;  // timeline frame of the first packet's sound
    std::int64_t m_scanEnd = 0;  // timeline frames produced by the first run
    bool m_scanDone = false;
    struct PacketPlace {
        std::int64_t start = -1;  // timeline frame its sound begins at; -1 unknown
        StereoResampler::Place resampler;  // to decode it again in step with the first run
    };
    std::vector<PacketPlace> m_places;
    std::vector<std::pair<std::int64_t, std::size_t>> m_starts;  // (frame, packet), ascending
    std::vector<BlockState> m_blocks;
    std::int64_t m_residentBlocks = 0;
    std::int64_t m_refillAnchor = -1;  // -1: no frame of the run placed yet
    std::int64_t m_refillPos = 0;
    std::int64_t m_refillSkip = 0;  // input samples still to drop so the run starts in phase
    std::int64_t m_refillBlock = -1;  // -1: the run is over
    std::unique_ptr<float[]> m_refillSamples;

    std::jthread m_thread;  // last: stopped and joined before the rest goes
};

}  // namespace mci
