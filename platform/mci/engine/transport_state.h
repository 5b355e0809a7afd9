#pragma once

#include "platform/mci/device_listener.h"
#include "platform/mci/mci_mode.h"

#include <optional>
#include <vector>

namespace mci {

// What the presentation worker is to do. Every change of plan is a new order.
struct Order {
    enum Kind { Idle, Show, Play, Close } kind = Idle;
    int from = 0;  // Play: where it starts or goes on from; Show: the slot to show
    int to = 0;  // Play: its end point
    bool backward = false;  // Play: its direction, kept when the play is moved
    bool paused = false;  // Play: show `from` and wait to be resumed
    bool stepping = false;  // Show: keep some pictures behind it, for Back after Back
};

enum class Transport { Play, Pause, Stop, Prev, Next, Step, Back, Seek };

// The transport of the device: waiting ends, remembered direction, mode, position and
// the play in progress, and what every command makes of them. Pure: no threads, no
// clip, no decoding; the device keeps one behind its job board's lock.
class TransportState {
public:
    struct Result {
        std::optional<Order> order;  // a new order for the worker
        std::vector<int> done;  // Done codes to raise, in this order
        int error = 0;  // the command failed with this number; nothing else changed
    };
    struct Ends {
        std::optional<int> from, to;
    };

    void setFrom(int position) { m_ends.from = position; }
    void setTo(int position) { m_ends.to = position; }
    void setFrames(int frames);
    bool endsWaiting() const { return m_ends.from || m_ends.to; }
    // Every command consumes both waiting ends, whatever it does with them.
    Ends takeEnds();

    // `length` of the clip opened, or nothing for a device opened without one.
    Result open(std::optional<int> length);
    Result close();
    Result command(Transport word, const Ends &ends);
    Result pressPlay();  // the control's Play button, with no ends waiting

    // What the worker reports, for the order still in force.
    void advance(int slot) { m_position = slot; }
    Result playEnded();
    void showFinished();

    int mode() const { return m_mode; }
    int position() const { return m_position; }
    int length() const { return m_length; }
    bool clipOpen() const { return m_clipOpen; }
    static bool buttonEnabled(Button button, int mode, bool clipOpen);

private:
    static Result ordered(const Order &order);
    Result play(int from, int to);
    Result moveTo(int position);  // seek, prev, next: a play goes on from there
    Result showAt(int position);  // step, back: a play ends first
    void endPlay(Result &result);  // Done 4 if it was running
    void rememberDirection(const Ends &ends);

    Ends m_ends;
    std::optional<Order> m_play;  // the play in progress, paused or running
    int m_mode = mci_mode::kNotOpen;
    int m_position = 0;
    int m_length = 0;
    int m_frames = 1;
    bool m_clipOpen = false;
    bool m_backward = false;  // the direction the Play button goes
};

}  // namespace mci
