#pragma once

#include <array>

// Which of the control's nine buttons is the keyboard's current one, and where it goes
// on a key or when a change of state disables it. Pure: the widget hands in the enabled
// states and draws the result.
class ButtonCursor {
public:
    static constexpr int kButtonCount = 9;
    using Enabled = std::array<bool, kButtonCount>;  // in enum order, Prev .. Eject
    enum class Move { Left, Right, First, Last };

    explicit ButtonCursor(int start) : m_current(start) {}

    int current() const { return m_current; }
    // Returns whether the cursor moved; out-of-range indexes are ignored.
    bool moveTo(int index);
    // Left/Right to the previous/next enabled button, First/Last to the ends; stays if none.
    bool move(Move move, const Enabled &enabled);
    // A disabled current button hands over to its counterpart (Play to Pause, Pause and
    // Stop to Play) if that is enabled, else the nearest enabled one right, else left.
    bool follow(const Enabled &enabled);

private:
    int m_current;
};
