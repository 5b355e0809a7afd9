#include "platform/mci/widget/button_cursor.h"

#include "platform/mci/device_listener.h"

namespace {

constexpr int indexOf(mci::Button button) {
    return static_cast<int>(button);
}
static_assert(indexOf(mci::Button::Eject) == ButtonCursor::kButtonCount - 1,
              "buttons are laid out in enum order");

// The enabled button nearest to `from` in direction `step` (from itself excluded), or -1.
int enabledFrom(const ButtonCursor::Enabled &enabled, int from, int step) {
    for (int i = from + step; i >= 0 && i < ButtonCursor::kButtonCount; i += step)
        if (enabled[i]) return i;
    return -1;
}

}  // namespace

bool ButtonCursor::moveTo(int index) {
    if (index < 0 || index >= kButtonCount || index == m_current) return false;
    m_current = index;
    return true;
}

bool ButtonCursor::move(Move move, const Enabled &enabled) {
    switch (move) {
    case Move::Left: return moveTo(enabledFrom(enabled, m_current, -1));
    case Move::Right: return moveTo(enabledFrom(enabled, m_current, +1));
    case Move::First: return moveTo(enabledFrom(enabled, -1, +1));
    case Move::Last: return moveTo(enabledFrom(enabled, kButtonCount, -1));
    }
    return false;
}

bool ButtonCursor::follow(const Enabled &enabled) {
    if (enabled[m_current]) return false;
    int partner = -1;
    if (m_current == indexOf(mci::Button::Play)) partner = indexOf(mci::Button::Pause);
    if (m_current == indexOf(mci::Button::Pause) || m_current == indexOf(mci::Button::Stop))
        partner = indexOf(mci::Button::Play);
    if (partner >= 0 && enabled[partner]) return moveTo(partner);
    const int right = enabledFrom(enabled, m_current, +1);
    return moveTo(right >= 0 ? right : enabledFrom(enabled, m_current, -1));
}
