#include "platform/mci/engine/transport_state.h"

#include <algorithm>
#include <utility>

namespace mci {

using namespace mci_mode;

void TransportState::setFrames(int frames) {
    m_frames = std::max(1, frames);
}

TransportState::Ends TransportState::takeEnds() {
    return std::exchange(m_ends, Ends{});
}

TransportState::Result TransportState::ordered(const Order &order) {
    Result result;
    result.order = order;
    return result;
}

TransportState::Result TransportState::open(std::optional<int> length) {
    m_clipOpen = length.has_value();
    m_length = length.value_or(0);
    m_position = 0;
    m_backward = false;
    m_play.reset();
    m_mode = kStopped;
    Result result;
    if (m_clipOpen) result.order = Order{Order::Show, 0};
    return result;
}

TransportState::Result TransportState::close() {
    Result result;
    if (m_mode == kNotOpen) return result;  // closing what is not open does nothing
    endPlay(result);
    m_clipOpen = false;
    m_length = 0;
    m_position = 0;
    m_mode = kNotOpen;
    result.order = Order{Order::Close};
    return result;
}

void TransportState::endPlay(Result &result) {
    if (m_play && !m_play->paused) result.done.push_back(mci_notify::kAborted);
    m_play.reset();
}

void TransportState::rememberDirection(const Ends &ends) {
    if (ends.from && ends.to && *ends.from != *ends.to) m_backward = *ends.from > *ends.to;
}

TransportState::Result TransportState::command(Transport word, const Ends &ends) {
    Result result;
    if (!m_clipOpen) return result;  // the device does nothing without a clip
    auto outside = [this](const std::optional<int> &end) { return end && (*end < 0 || *end > m_length); };
    if ((word == Transport::Play || word == Transport::Seek) && (outside(ends.from) || outside(ends.to))) {
        result.error = 30282;
        return result;
    }
    if (word == Transport::Play) return play(ends.from.value_or(m_position), ends.to.value_or(m_length));
    rememberDirection(ends);
    switch (word) {
    case Transport::Seek: return ends.to ? moveTo(*ends.to) : result;
    case Transport::Prev: return moveTo(0);
    case Transport::Next: return moveTo(m_length);
    case Transport::Step: return showAt(std::min(m_length, m_position + m_frames));
    case Transport::Back: return showAt(std::max(0, m_position - m_frames));
    case Transport::Stop:
        if (m_play) {
            endPlay(result);
            result.order = Order{Order::Idle};
        }
        m_mode = kStopped;
        return result;
    case Transport::Pause:
        if (m_play && !m_play->paused) {
            result.done.push_back(mci_notify::kAborted);
            m_play->paused = true;
            m_play->from = m_position;
            result.order = m_play;
            m_mode = kPaused;
        }
        return result;
    case Transport::Play: break;
    }
    return result;
}

TransportState::Result TransportState::pressPlay() {
    if (!m_clipOpen) return {};
    if (m_play && m_play->paused) {
        m_play->paused = false;
        m_play->from = m_position;
        m_mode = kPlaying;
        return ordered(*m_play);
    }
    const int end = m_backward ? 0 : m_length;
    if (m_position == end) return play(m_backward ? m_length : 0, end);  // at that end: over again
    return play(m_position, end);
}

TransportState::Result TransportState::play(int from, int to) {
    Result result;
    if (m_play && !m_play->paused) result.done.push_back(mci_notify::kSuperseded);
    m_backward = from > to;
    m_position = from;
    m_play = Order{Order::Play, from, to, from > to};
    m_mode = kPlaying;
    result.order = m_play;
    return result;
}

TransportState::Result TransportState::moveTo(int position) {
    m_position = position;
    if (m_play) {
        m_play->from = position;
        return ordered(*m_play);
    }
    if (m_mode == kStopped) m_mode = kSeeking;
    return ordered(Order{Order::Show, position});
}

TransportState::Result TransportState::showAt(int position) {
    Result result;
    endPlay(result);
    m_position = position;
    m_mode = kSeeking;
    result.order = Order{Order::Show, position, 0, false, false, true};
    return result;
}

TransportState::Result TransportState::playEnded() {
    Result result;
    if (!m_play) return result;
    m_position = m_play->to;
    m_play.reset();
    m_mode = kStopped;
    result.done.push_back(mci_notify::kSuccessful);
    return result;
}

void TransportState::showFinished() {
    if (m_mode == kSeeking) m_mode = kStopped;
}

bool TransportState::buttonEnabled(Button button, int mode, bool clipOpen) {
    if (button == Button::Record || button == Button::Eject || !clipOpen) return false;
    switch (mode) {
    case kPlaying:
        return button == Button::Prev || button == Button::Next || button == Button::Pause || button == Button::Stop;
    case kPaused: return button != Button::Pause;
    default: return button != Button::Pause && button != Button::Stop;
    }
}

}  // namespace mci
