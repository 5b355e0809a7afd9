#include "platform/mci/engine/job_board.h"

#include "platform/mci/engine/decode_channel.h"

namespace mci {

JobBoard::JobBoard(DeviceListener &listener, DecodeChannel &channel) : m_listener(listener), m_channel(channel) {}

void JobBoard::setSession(std::shared_ptr<ClipSession> session) {
    std::lock_guard lock(m_mutex);
    m_session = std::move(session);
}

int JobBoard::apply(const std::function<TransportState::Result(TransportState &)> &change) {
    int error = 0;
    {
        std::lock_guard lock(m_mutex);
        const TransportState::Result result = change(m_state);
        error = result.error;
        post(result);
    }
    m_changed.notify_all();  // after the lock: the worker wakes to a free lock
    m_channel.interrupt();
    return error;
}

void JobBoard::post(const TransportState::Result &result) {
    if (result.order) {
        m_job = Job{*result.order, m_generation.load() + 1, m_session};
        m_generation = m_job.generation;
    }
    // Mode and position first: a Done handler on the GUI thread reads them at once.
    publish();
    for (int code : result.done) m_listener.done(code);
}

void JobBoard::publish() {
    m_position = m_state.position();
    if (m_mode.exchange(m_state.mode()) != m_state.mode()) m_listener.stateChanged();
}

void JobBoard::waitHandled(std::uint64_t generation) const {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_handled >= generation; });
}

void JobBoard::waitUntilStopped() const {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] {
        const bool running = m_job.order.kind == Order::Play && !m_job.order.paused;
        return !running && m_handled >= m_job.generation;
    });
}

std::optional<Job> JobBoard::next(std::uint64_t handled, std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, stop, [&] { return m_job.generation != handled; });
    if (stop.stop_requested()) return std::nullopt;
    return m_job;
}

bool JobBoard::advance(std::uint64_t generation, int slot) {
    std::lock_guard lock(m_mutex);
    if (!current(generation)) return false;
    m_state.advance(slot);
    publish();
    return true;
}

void JobBoard::playEnded(std::uint64_t generation) {
    {
        std::lock_guard lock(m_mutex);
        if (!current(generation)) return;
        TransportState::Result result = m_state.playEnded();
        result.order = Order{Order::Idle};
        post(result);
    }
    m_changed.notify_all();
    m_channel.interrupt();
}

void JobBoard::showFinished(std::uint64_t generation) {
    std::lock_guard lock(m_mutex);
    if (!current(generation)) return;
    m_state.showFinished();
    publish();
}

bool JobBoard::waitUntil(std::uint64_t generation, Clock::time_point when, std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    m_changed.wait_until(lock, stop, when, [&] { return !current(generation); });
    return current(generation) && !stop.stop_requested();
}

void JobBoard::handled(std::uint64_t generation) {
    {
        std::lock_guard lock(m_mutex);
        if (m_handled < generation) m_handled = generation;
    }
    m_changed.notify_all();
}

}  // namespace mci
