#pragma once

#include "platform/mci/av_handles.h"
#include "platform/mci/mci_error.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace mci {

// Where one packet of a stream lies in the file, and the timing the demuxer gave it.
struct PacketRef {
    std::int64_t pos = 0;  // first byte of the payload
    std::int32_t size = 0;
    std::int64_t pts = AV_NOPTS_VALUE;
    std::int64_t dts = AV_NOPTS_VALUE;
    std::int64_t duration = 0;
    bool key = false;
    std::int32_t palette = -1;  // video: the palette in force (ClipIndex's list), -1 none
};

struct StreamTable {
    int streamIndex = -1;
    std::shared_ptr<const AVCodecParameters> params;
    AVRational timeBase{1, 1};
    std::vector<PacketRef> packets;  // in file order
};

// Everything the player needs to know about a clip, built once at open by scanning
// its packets with the AVI demuxer, so that a missing or wrong index does not matter.
// Immutable after open; readPacket() may be called from any thread.
class ClipIndex {
public:
    static std::variant<std::shared_ptr<const ClipIndex>, MciError> open(const std::string &path);
    ~ClipIndex();

    const std::string &path() const { return m_path; }
    const StreamTable &video() const { return m_video; }
    const StreamTable *audio() const { return m_audio.packets.empty() ? nullptr : &m_audio; }

    int length() const { return static_cast<int>(m_slotPacket.size()); }  // frame slots
    AVRational frameRate() const { return m_frameRate; }  // slots per second
    AVRational sampleAspect() const { return m_sampleAspect; }  // of a pixel; 1:1 if unknown
    int packetAtSlot(int slot) const { return m_slotPacket[slot]; }  // -1: a dropped frame
    int keySlotAtOrBefore(int slot) const;  // the slot decoding must start from to show `slot`
    int longestGroup() const { return m_longestGroup; }  // slots from a key frame to the next, at most

    // The payload of packet i of `stream`, with its timing, read straight from the file;
    // nothing if the file no longer holds all of it.
    PacketPtr readPacket(const StreamTable &stream, std::size_t i) const;
    // Whether a read came up short: the file shrank since it was opened (a copy cut
    // short, a capture rewritten). Any thread.
    bool cut() const { return m_cut.load(std::memory_order_relaxed); }

private:
    ClipIndex() = default;
    std::int32_t keepPalette(const AVPacket &pkt);

    std::string m_path;
    int m_fd = -1;
    StreamTable m_video;
    StreamTable m_audio;
    AVRational m_frameRate{25, 1};
    AVRational m_sampleAspect{1, 1};
    std::vector<int> m_slotPacket;
    std::vector<int> m_keySlots;  // ascending
    int m_longestGroup = 1;
    mutable std::atomic<bool> m_cut{false};
    // The stream format's palette and each change inside the stream, in file order: the
    // demuxer hands them over once, but every run the decoder starts needs the one in force.
    std::vector<std::array<std::uint8_t, AVPALETTE_SIZE>> m_palettes;
};

}  // namespace mci
