#include "platform/mci/engine/play_worker.h"

#include "platform/mci/engine/play_clock.h"

#include <algorithm>

namespace mci {

PlayWorker::PlayWorker(JobBoard &board, DecodeChannel &channel, VideoSink &video, bool untimed)
    : m_board(board), m_channel(channel), m_video(video), m_untimed(untimed) {}

void PlayWorker::resetStats() {
    m_shown = 0;
    m_dropped = 0;
}

void PlayWorker::run(std::stop_token stop) {
    std::uint64_t handled = 0;
    while (std::optional<Job> job = m_board.next(handled, stop)) {
        handled = job->generation;
        const Order &order = job->order;
        if (order.kind == Order::Close) close(job->session, stop);
        if (order.kind == Order::Show || (order.kind == Order::Play && order.paused)) show(*job, stop);
        if (order.kind == Order::Play && !order.paused) play(*job, stop);
        job.reset();  // let go of the clip before saying so
        m_board.handled(handled);
    }
}

void PlayWorker::close(const std::shared_ptr<ClipSession> &session, std::stop_token stop) {
    // The decode thread frees the decoder and lets go of the clip; then the screen is
    // cleared, after any picture presented before.
    DecodeRequest release;
    release.kind = DecodeRequest::Release;
    release.session = session;
    m_channel.waitFinished(m_channel.ask(std::move(release)), stop);
    if (session) {
        if (session->sound) session->sound->close();
        session->cache.clear();
    }
    m_video.clear();
}

void PlayWorker::present(const Picture &picture, int slot) {
    Picture shown = picture;
    shown.slot = slot;
    m_video.present(shown);
    ++m_shown;
}

std::function<bool()> PlayWorker::abandoned(const Job &job, std::stop_token stop) const {
    return [this, generation = job.generation, stop] { return !m_board.current(generation) || stop.stop_requested(); };
}

std::optional<Picture> PlayWorker::pictureAt(const Job &job, std::uint64_t serial, int slot, bool fromCache,
                                             std::stop_token stop) {
    return m_channel.take(serial, slot, fromCache ? &job.session->cache : nullptr, abandoned(job, stop));
}

void PlayWorker::show(const Job &job, std::stop_token stop) {
    const ClipSession &session = *job.session;
    const int slot = std::clamp(job.order.from, 0, std::max(0, session.length() - 1));
    std::optional<Picture> picture = session.cache.find(slot);
    if (!picture) {
        DecodeRequest request{DecodeRequest::Show, job.session, slot};
        request.stepping = job.order.stepping;
        picture = pictureAt(job, m_channel.ask(std::move(request)), slot, false, stop);
    }
    if (picture && m_board.current(job.generation)) present(*picture, slot);
    m_board.showFinished(job.generation);
}

void PlayWorker::play(const Job &job, std::stop_token stop) {
    const Order &order = job.order;
    // Forward shows from .. to-1 and ends at `to`; backward shows from-1 .. to. A play
    // moved past its end point ends at once.
    const bool backward = order.backward;
    const int first = backward ? order.from - 1 : order.from;
    const int count = std::max(0, backward ? order.from - order.to : order.to - order.from);

    std::uint64_t serial = 0;
    if (count > 0) {
        DecodeRequest request{backward ? DecodeRequest::Backward : DecodeRequest::Forward, job.session};
        request.from = std::clamp(first, 0, job.session->length() - 1);
        request.to = order.to;
        serial = m_channel.ask(std::move(request));
    }
    if (!playThrough(job, serial, first, count, stop)) return;  // the sound stops first
    m_board.playEnded(job.generation);
}

bool PlayWorker::playThrough(const Job &job, std::uint64_t serial, int first, int count, std::stop_token stop) {
    const ClipSession &session = *job.session;
    const bool backward = job.order.backward;
    auto slotOf = [&](int i) { return std::clamp(backward ? first - i : first + i, 0, session.length() - 1); };
    const double fps = av_q2d(session.clip->frameRate());
    PlayClock clock(fps, job.order.from / fps, backward, m_untimed ? nullptr : session.sound.get());
    // The clocks start once the first picture is ready, so that a play that must first
    // decode a group of frames does not begin late and drop what it just decoded.
    // Backwards, once the segment below will be ready in time: it costs a decode from its
    // key frame, which a short first segment (a clip's last group) may not cover. Untimed,
    // nothing is late: waiting would only keep the pictures there from being shown.
    std::optional<Picture> picture;
    if (count > 0) picture = pictureAt(job, serial, slotOf(0), backward, stop);
    if (backward && count > 1 && !m_untimed)
        m_channel.waitForLead(serial, first, std::chrono::duration<double>(1.0 / fps), abandoned(job, stop));
    clock.start();

    for (int i = 0; i < count; ++i) {
        const int slot = backward ? first - i : first + i;
        if (i > 0) picture = pictureAt(job, serial, slotOf(i), backward, stop);
        if (!m_board.current(job.generation) || stop.stop_requested()) return false;
        if (!picture && session.clip->cut()) {
            // The file was cut short under the play: it ends where the file does now.
            m_board.playEnded(job.generation);
            return false;
        }
        if (!m_untimed) {
            const auto due = clock.due(i);
            if (clock.late(due) && i + 1 < count) {
                ++m_dropped;
                if (!m_board.advance(job.generation, slot)) return false;
                m_channel.shown(slot);
                continue;
            }
            if (!m_board.waitUntil(job.generation, due, stop)) return false;
        }
        if (picture) present(*picture, slotOf(i));
        if (!m_board.advance(job.generation, slot)) return false;
        m_channel.shown(slot);
    }
    // The last picture stays for its whole frame time before the play ends.
    return m_untimed || m_board.waitUntil(job.generation, clock.end(count), stop);
}

}  // namespace mci
