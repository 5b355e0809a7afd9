#pragma once

#include "platform/mci/engine/decode_channel.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>

namespace mci {

// The decode thread's work: the only code that touches a clip's decoder. It serves the
// worker's requests one at a time, dropping one as soon as a newer one comes: a single
// picture (caching what it passes, so that Back after Back is instant), a forward run
// into the channel's queue, or a backward play's segments into the frame cache. It
// keeps its forward cursor between requests, so that playing on or stepping does not
// start again from a key frame. No lock is held while it decodes.
class PictureSource {
public:
    explicit PictureSource(DecodeChannel &channel) : m_channel(channel) {}

    void run(std::stop_token stop);  // the decode thread's body

private:
    struct Serving {
        std::uint64_t serial;
        std::stop_token stop;
    };

    void show(const Serving &serving, const DecodeRequest &request);
    void forward(const Serving &serving, const DecodeRequest &request);
    void backward(const Serving &serving, const DecodeRequest &request);
    bool decodeSegment(const Serving &serving, int low, int high);
    // Moves the cursor to the picture in force at `slot`, decoding exactly from `low`
    // on; with `cacheFrom`, keeps the whole pictures from there up to the slot.
    bool reach(const Serving &serving, int slot, int low, std::optional<int> cacheFrom,
               std::size_t keepBytes = SIZE_MAX);
    bool advanceCursor();
    bool cancelled(const Serving &serving) const;
    void learnPictureBytes(const Picture &picture);
    int cursorUntil() const;

    DecodeChannel &m_channel;

    // The decode thread only.
    std::shared_ptr<ClipSession> m_session;
    std::optional<Picture> m_cursor;  // the decoder's last picture, and the one after it
    std::optional<Picture> m_cursorNext;
    bool m_cursorExact = false;  // m_cursor was decoded whole
    std::size_t m_pictureBytes = 0;  // learnt from the first picture
    double m_wholePerSecond = 0;  // pictures decoded whole per second, in the last segment
};

}  // namespace mci
