#pragma once

#include "platform/mci/device_listener.h"
#include "platform/mci/engine/clip_session.h"
#include "platform/mci/engine/transport_state.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>

namespace mci {

class DecodeChannel;

// An order for the presentation worker, for one clip, in one generation. Every change
// of plan (a seek, a restart, a change of direction, a close) is a new generation; the
// worker drops whatever it was doing for an older one.
struct Job {
    Order order;
    std::uint64_t generation = 0;
    std::shared_ptr<ClipSession> session;
};

// The hand-off between the device's owner, who gives commands, and the presentation
// worker, which carries them out: the transport state and the job in force, behind one
// lock held only to change them. The listener is called under it (it only posts), so
// Done codes keep their order. Mode and position can be read without it.
class JobBoard {
public:
    using Clock = std::chrono::steady_clock;

    JobBoard(DeviceListener &listener, DecodeChannel &channel);

    // ---- the owner ----
    // The clip the jobs posted from now on are for (null: none).
    void setSession(std::shared_ptr<ClipSession> session);
    // Runs `change` on the transport, posts the order it gives as a new job, raises its
    // Done codes and tells the listener when the mode changed. Returns its error (0: none).
    int apply(const std::function<TransportState::Result(TransportState &)> &change);
    // Reads or edits the transport under the lock, posting nothing.
    template <typename F>
    auto with(F &&f) {
        std::lock_guard lock(m_mutex);
        return f(m_state);
    }
    DeviceListener &listener() const { return m_listener; }
    int mode() const { return m_mode.load(); }
    int position() const { return m_position.load(); }
    std::uint64_t generation() const { return m_generation.load(); }
    // Waits until the worker has handled the job of `generation` ("open" only).
    void waitHandled(std::uint64_t generation) const;
    // Waits until no play runs and the worker has caught up (tools and tests).
    void waitUntilStopped() const;

    // ---- the worker ----
    std::optional<Job> next(std::uint64_t handled, std::stop_token stop);
    bool current(std::uint64_t generation) const { return m_generation.load() == generation; }
    // Each of these acts only while `generation` is in force; false when it is not.
    bool advance(std::uint64_t generation, int slot);
    void playEnded(std::uint64_t generation);
    void showFinished(std::uint64_t generation);
    // Sleeps until `when`; false if another job came meanwhile (or the worker stops).
    bool waitUntil(std::uint64_t generation, Clock::time_point when, std::stop_token stop);
    void handled(std::uint64_t generation);

private:
    void post(const TransportState::Result &result);  // under m_mutex
    void publish();  // under m_mutex

    DeviceListener &m_listener;
    DecodeChannel &m_channel;  // interrupted after each post, so the worker's waits see it

    // Under m_mutex; m_generation, m_mode and m_position are written under it and read
    // anywhere.
    mutable std::mutex m_mutex;
    mutable std::condition_variable_any m_changed;
    TransportState m_state;
    std::shared_ptr<ClipSession> m_session;
    Job m_job;
    std::uint64_t m_handled = 0;  // the last generation the worker has finished with
    std::atomic<std::uint64_t> m_generation{0};
    std::atomic<int> m_mode{mci_mode::kNotOpen};
    std::atomic<int> m_position{0};
};

}  // namespace mci
