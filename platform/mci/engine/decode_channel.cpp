#include "platform/mci/engine/decode_channel.h"

namespace mci {

std::uint64_t DecodeChannel::ask(DecodeRequest request) {
    // What is replaced is let go of outside the lock: it may hold the last reference to
    // a clip's session.
    std::deque<SlotPicture> dropped;
    DecodeRequest replaced;
    std::uint64_t serial = 0;
    {
        std::lock_guard lock(m_mutex);
        // A backward play has shown nothing yet: its top slot is still to come, and
        // must not make room for the ones below it.
        m_shown = request.kind == DecodeRequest::Backward ? request.from + 1 : request.from;
        replaced = std::exchange(m_request, std::move(request));
        dropped.swap(m_pictures);
        serial = m_serial.load() + 1;
        m_serial = serial;
    }
    m_changed.notify_all();
    return serial;
}

std::optional<Picture> DecodeChannel::take(std::uint64_t serial, int slot, const FrameCache *cache,
                                           const std::function<bool()> &abandon) {
    std::optional<Picture> found;
    std::deque<SlotPicture> passed;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] {
            if (abandon() || stale(serial)) return true;
            bool freed = false;
            while (!m_pictures.empty() && m_pictures.front().until <= slot) {
                passed.push_back(std::move(m_pictures.front()));
                m_pictures.pop_front();
                freed = true;
            }
            if (freed) m_changed.notify_all();  // room for the decode thread
            // Pictures follow each other without a gap, so the front one is in force
            // at the slot, or it is the run's first and starts later (the stream's
            // first pictures do not decode): shown there, as a seek shows it.
            if (!m_pictures.empty()) {
                found = m_pictures.front().picture;
                return true;
            }
            if (cache && (found = cache->find(slot))) return true;
            return m_finished >= serial;
        });
    }
    return found;
}

void DecodeChannel::waitFinished(std::uint64_t serial, std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, stop, [&] { return m_finished >= serial; });
}

bool leadInTime(int first, int high, std::chrono::steady_clock::time_point ready,
                std::chrono::duration<double> frame, std::chrono::steady_clock::time_point now) {
    constexpr double kTrust = 0.8;
    const auto reached = std::chrono::duration_cast<std::chrono::steady_clock::duration>(frame * (first - high));
    return high < first && ready - now <= reached * kTrust;
}

void DecodeChannel::waitForLead(std::uint64_t serial, int first, std::chrono::duration<double> frame,
                                const std::function<bool()> &abandon) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] {
        const bool inTime = m_expected.serial == serial &&
                            leadInTime(first, m_expected.high, m_expected.ready, frame, std::chrono::steady_clock::now());
        return abandon() || stale(serial) || m_roomWanted == serial || m_finished >= serial || inTime;
    });
}

void DecodeChannel::expect(std::uint64_t serial, int high, std::chrono::steady_clock::time_point ready) {
    {
        std::lock_guard lock(m_mutex);
        m_expected = {serial, high, ready};
    }
    m_changed.notify_all();
}

void DecodeChannel::shown(int slot) {
    {
        std::lock_guard lock(m_mutex);
        m_shown = slot;
    }
    m_changed.notify_all();
}

void DecodeChannel::interrupt() {
    { std::lock_guard lock(m_mutex); }  // a waiter is either before its check or asleep
    m_changed.notify_all();
}

std::optional<std::pair<std::uint64_t, DecodeRequest>> DecodeChannel::next(std::uint64_t served,
                                                                           std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, stop, [&] { return m_serial.load() != served; });
    if (stop.stop_requested()) return std::nullopt;
    return std::pair{m_serial.load(), m_request};
}

bool DecodeChannel::put(std::uint64_t serial, SlotPicture picture, std::stop_token stop) {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, stop, [&] { return stale(serial) || m_pictures.size() < kDepth; });
        if (stale(serial) || stop.stop_requested()) return false;
        m_pictures.push_back(std::move(picture));
    }
    m_changed.notify_all();
    return true;
}

bool DecodeChannel::waitToAdd(std::uint64_t serial, std::stop_token stop, const std::function<bool()> &tryAdd) {
    {
        std::unique_lock lock(m_mutex);
        bool added = false;
        m_changed.wait(lock, stop, [&] {
            if (stale(serial) || (added = tryAdd())) return true;
            if (m_roomWanted != serial) m_changed.notify_all();  // a worker waiting for pictures goes on
            m_roomWanted = serial;
            return false;
        });
        m_roomWanted = 0;
        if (!added) return false;
    }
    m_changed.notify_all();
    return true;
}

void DecodeChannel::finish(std::uint64_t serial) {
    {
        std::lock_guard lock(m_mutex);
        if (m_finished < serial) m_finished = serial;
    }
    m_changed.notify_all();
}

}  // namespace mci
