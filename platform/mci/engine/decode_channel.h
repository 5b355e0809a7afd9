#pragma once

#include "platform/mci/engine/clip_session.h"
#include "platform/mci/picture.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <utility>

namespace mci {

// Whether a backward play from `first` may start its clock at `now`: the segment below
// it will be cached up to `high` by `ready`, before the play, one picture per `frame`,
// reaches it, with a fifth of that time to spare for a guess.
bool leadInTime(int first, int high, std::chrono::steady_clock::time_point ready,
                std::chrono::duration<double> frame, std::chrono::steady_clock::time_point now);

// What the presentation worker asks of the decode thread.
struct DecodeRequest {
    enum Kind { None, Show, Forward, Backward, Release } kind = None;
    std::shared_ptr<ClipSession> session;  // Release: the clip being closed, if any
    int from = 0;  // Show: the slot; Forward: the first slot; Backward: the top slot
    int to = 0;  // Forward: the end (exclusive); Backward: the bottom (inclusive)
    bool stepping = false;  // Show: keep some seconds of pictures behind the slot
};

// A decoded picture and the slots it is in force for: picture.slot up to `until`.
struct SlotPicture {
    Picture picture;
    int until = 0;
};

// The hand-off between the presentation worker, which asks for pictures, and the
// decode thread, which makes them: the latest request and the pictures made for it.
// Its lock is held only to move a request or a picture in or out; the frame cache's
// own lock may be taken inside it, never the other way round.
class DecodeChannel {
public:
    // ---- the worker ----
    // Replaces whatever was asked before and drops what was made for it.
    std::uint64_t ask(DecodeRequest request);
    // The picture in force at `slot` for request `serial` (or the run's first, when
    // that starts later): from the queue (what lies before the slot is dropped), else
    // from `cache` when one is given. Waits until it is there, the request has been
    // finished without it, or `abandon` holds.
    std::optional<Picture> take(std::uint64_t serial, int slot, const FrameCache *cache,
                                const std::function<bool()> &abandon);
    void waitFinished(std::uint64_t serial, std::stop_token stop);
    // Waits until a backward play from `first` can start its clock: the decode thread
    // expects the segment it decodes below `first` to be cached before the play, one
    // picture per `frame`, reaches its top; or it can add nothing more until the worker
    // shows a picture; or the request has been finished; or `abandon` holds.
    void waitForLead(std::uint64_t serial, int first, std::chrono::duration<double> frame,
                     const std::function<bool()> &abandon);
    // The worker has shown `slot`: what it leaves behind may make room.
    void shown(int slot);
    // Wakes the worker's waits so that they look at their `abandon` again.
    void interrupt();

    // ---- the decode thread ----
    // Waits for a request newer than `served`; nothing once stopped.
    std::optional<std::pair<std::uint64_t, DecodeRequest>> next(std::uint64_t served, std::stop_token stop);
    bool stale(std::uint64_t serial) const { return m_serial.load() != serial; }
    int shownSlot() const { return m_shown.load(); }
    // The segment being decoded for request `serial` will be cached up to `high` by `ready`.
    void expect(std::uint64_t serial, int high, std::chrono::steady_clock::time_point ready);
    // Queues a picture for the worker, waiting for room; false once the request is stale.
    bool put(std::uint64_t serial, SlotPicture picture, std::stop_token stop);
    // Runs `tryAdd` under the lock until it succeeds, again each time the worker shows
    // a slot; false once the request is stale. Notifies the worker when it succeeds.
    bool waitToAdd(std::uint64_t serial, std::stop_token stop, const std::function<bool()> &tryAdd);
    void finish(std::uint64_t serial);

private:
    static constexpr std::size_t kDepth = 3;  // pictures decoded ahead of a forward play

    // Under m_mutex. m_serial and m_shown are written under it and read anywhere.
    std::mutex m_mutex;
    std::condition_variable_any m_changed;  // any change, for both sides
    DecodeRequest m_request;
    std::deque<SlotPicture> m_pictures;  // made for m_request, in slot order
    std::uint64_t m_finished = 0;  // the last request the decode thread is done with
    std::uint64_t m_roomWanted = 0;  // the request whose picture waits for the worker to show one
    struct Expected {
        std::uint64_t serial = 0;
        int high = 0;
        std::chrono::steady_clock::time_point ready;
    } m_expected;  // the decode thread's guess for the segment it decodes
    std::atomic<std::uint64_t> m_serial{0};
    std::atomic<int> m_shown{0};
};

}  // namespace mci
