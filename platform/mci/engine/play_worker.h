#pragma once

#include "platform/mci/engine/decode_channel.h"
#include "platform/mci/engine/job_board.h"
#include "platform/mci/video_sink.h"

#include <atomic>
#include <stop_token>

namespace mci {

// The presentation worker: takes each job from the board and carries it out — shows a
// picture, plays forwards or backwards in time, closes — asking the decode thread for
// the pictures and presenting them into the video sink. The only thread that presents.
// It never decodes, and holds no lock while it presents.
class PlayWorker {
public:
    PlayWorker(JobBoard &board, DecodeChannel &channel, VideoSink &video, bool untimed);

    void run(std::stop_token stop);  // the worker thread's body

    long shown() const { return m_shown.load(); }
    long dropped() const { return m_dropped.load(); }
    void resetStats();

private:
    void show(const Job &job, std::stop_token stop);
    void play(const Job &job, std::stop_token stop);
    // Shows `count` pictures from `first` in time; false when another job came first.
    bool playThrough(const Job &job, std::uint64_t serial, int first, int count, std::stop_token stop);
    void close(const std::shared_ptr<ClipSession> &session, std::stop_token stop);
    std::function<bool()> abandoned(const Job &job, std::stop_token stop) const;
    std::optional<Picture> pictureAt(const Job &job, std::uint64_t serial, int slot, bool fromCache,
                                     std::stop_token stop);
    void present(const Picture &picture, int slot);

    JobBoard &m_board;
    DecodeChannel &m_channel;
    VideoSink &m_video;
    const bool m_untimed;

    // Written by the worker, read anywhere.
    std::atomic<long> m_shown{0};
    std::atomic<long> m_dropped{0};  // pictures skipped because they were late
};

}  // namespace mci
