#pragma once

#include "platform/mci/engine/clip_index.h"
#include "platform/mci/picture.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace mci {

// Decodes the clip's video forward from a key slot and says at which slot each
// picture comes into force. One per thread; not thread-safe.
//
// Pictures are placed by the decoder's own timestamps, lined up so that the first
// picture of a run belongs to the run's key slot: in an AVI those stamps lag by the
// decoder's reordering delay, and lining them up this way is what keeps frame N the
// same picture whichever way it is reached.
class FrameDecoder {
public:
    FrameDecoder(std::shared_ptr<const ClipIndex> clip, int threads);
    ~FrameDecoder();

    bool ok() const { return m_context != nullptr; }
    const ClipIndex &clip() const { return *m_clip; }

    // Starts a new run at `keySlot` (a slot from ClipIndex::keySlotAtOrBefore).
    void restart(int keySlot);
    // Starts a run from which `slot` can be reached and returns its first picture,
    // which comes into force at or before `slot`. A key slot whose run does not begin
    // with a whole picture (the index or the bitstream lied) is remembered and passed
    // over for an earlier one; a run to a group holding damage starts a group early.
    // Pictures before `exactFrom` are only stepping stones: their chunks may be decoded
    // partly (frames nothing refers to are skipped), so what they show must not be kept.
    // Right after a seek whose run serves this one too, that run goes on, not again.
    std::optional<Picture> seek(int slot, int exactFrom = 0);
    // The slot of the first picture a run from `keySlot` shows, once a seek has learnt
    // it: later than the key when the group opens with frames shown from the one before.
    std::optional<int> groupFirstSlot(int keySlot) const;
    // Whether the last picture next() gave, and how long it lasts, can be trusted.
    bool exact() const { return m_lastSlot >= std::max(m_exactFrom, m_historyFor); }
    // The next picture of the run, or nothing at the end of the clip.
    std::optional<Picture> next();

private:
    void open(int threads);
    bool feedNextPacket();
    std::optional<Picture> decodeDamagedAgain();
    static void insertSorted(std::vector<int> &keys, int key);
    int startableKeyAtOrBefore(int slot) const;  // passing over keys no run can start from
    int keyBefore(int key) const;  // the one a run can start from
    int runTarget() const { return m_historyFor >= 0 ? m_historyFor : m_runStart; }  // the group the run is for
    bool damaged(int key) const;
    bool mayStartBefore(int key, int target) const;
    int historyStart(int target) const;  // where a run to the group at `target` starts
    bool needsHistory(std::int64_t slot) const;
    void startWithHistory();
    std::optional<Picture> runStillOnItsFirstFor(int slot) const;

    std::shared_ptr<const ClipIndex> m_clip;
    // Set by the decoder's threads when it reports an error; outlives the context.
    std::atomic<bool> m_errorReported{false};
    CodecContextPtr m_context;
    FramePtr m_frame;
    int m_nextFeedSlot = 0;
    bool m_draining = false;
    bool m_ended = false;
    bool m_started = false;
    int m_runStart = 0;
    std::int64_t m_shift = 0;
    bool m_haveShift = false;
    int m_lastSlot = -1;
    std::vector<int> m_falseKeys;  // sorted; keys no run can start from
    std::vector<int> m_damagedKeys;  // sorted; keys of groups holding damage: runs start a group before
    std::map<int, int> m_groupFirst;  // key slot -> slot of its run's first picture
    int m_exactFrom = 0;  // chunks well before it are decoded with non-reference frames skipped
    bool m_damaged = false;  // a picture came out concealed: one thread, no frame skipped
    // The key of the damaged group a run started early for; what the run shows before
    // it is only history, its own damage filled in from less than a whole run's past.
    int m_historyFor = -1;
    int m_resumeAfter = -1;  // a run started again passes over what the last one showed
    std::optional<Picture> m_runFirst;  // what seek gave, while the run has gone no further
    int m_skippedTo = -1;  // the last chunk of the run decoded with frames skipped
};

}  // namespace mci
