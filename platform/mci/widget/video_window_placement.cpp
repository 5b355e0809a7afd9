#include "platform/mci/widget/video_window_placement.h"

#include <algorithm>
#include <array>

namespace {

// A picture smaller than this on its longer side is of no use; a smaller clip is
// shown at its own size.
constexpr int kSensible = 160;

int longer(QSize size) { return std::max(size.width(), size.height()); }

// The clip at its own size if it fits `inner`, else the largest with its shape that does.
QSize pictureWithin(QSize inner, QSize clip) {
    if (inner.isEmpty()) return {};
    if (clip.width() <= inner.width() && clip.height() <= inner.height()) return clip;
    return clip.scaled(inner, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

int within(int at, int first, int last) { return std::max(first, std::min(at, last)); }

// `frame` moved the least that puts it on `screen` (its top left, if it is larger).
QRect onScreen(QRect frame, const QRect &screen) {
    frame.moveTo(within(frame.left(), screen.left(), screen.right() + 1 - frame.width()),
                 within(frame.top(), screen.top(), screen.bottom() + 1 - frame.height()));
    return frame;
}

int overlap(const QRect &a, const QRect &b) {
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : both.width() * both.height();
}

// A frame of `size` next to `main` on each side, in the order they are preferred:
// below, right, left, above. Lined up with the main window's left or top edge.
std::array<QRect, 4> besideMain(QSize size, const QRect &main) {
    return {QRect(QPoint(main.left(), main.bottom() + 1), size),
            QRect(QPoint(main.right() + 1, main.top()), size),
            QRect(QPoint(main.left() - size.width(), main.top()), size),
            QRect(QPoint(main.left(), main.top() - size.height()), size)};
}

}  // namespace

QRect placeVideoWindow(const VideoWindowRoom &room) {
    const QRect &screen = room.available;
    // A main window partly off its screen leaves the room its visible part leaves; one
    // wholly off it, the whole screen from its top left corner.
    const QRect visible = room.mainFrame.intersected(screen);
    const QRect main = visible.isEmpty() ? QRect(screen.topLeft(), QSize(0, 0)) : visible;

    // The room on each side: from the main window to the screen's edge.
    const std::array<QRect, 4> rooms = {QRect(QPoint(screen.left(), main.bottom() + 1), screen.bottomRight()),
                                        QRect(QPoint(main.right() + 1, screen.top()), screen.bottomRight()),
                                        QRect(screen.topLeft(), QPoint(main.left() - 1, screen.bottom())),
                                        QRect(screen.topLeft(), QPoint(screen.right(), main.top() - 1))};
    int best = 0;
    QSize picture;
    for (int side = 0; side < 4; ++side) {
        const QSize here = pictureWithin(rooms[side].size().shrunkBy(room.frame), room.clip);
        if (here.width() > picture.width()) {
            best = side;
            picture = here;
        }
    }
    const bool sensible = longer(picture) >= std::min(kSensible, longer(room.clip));
    if (!sensible)
        picture = pictureWithin(screen.size().shrunkBy(room.frame), pictureWithin({kSensible, kSensible}, room.clip));
    const QSize size = picture.grownBy(room.frame);

    // The user's place is kept while it still suits.
    if (room.current) {
        const QRect kept(room.current->topLeft(), size);
        if (screen.contains(kept) && !kept.intersects(room.mainFrame)) return kept;
    }
    const std::array<QRect, 4> beside = besideMain(size, main);
    if (sensible) return onScreen(beside[best], screen);

    // No side holds a picture: where it covers the main window least.
    std::array<QRect, 8> places = {beside[0],
                                   beside[1],
                                   beside[2],
                                   beside[3],
                                   QRect(screen.topLeft(), size),
                                   QRect(QPoint(screen.right(), screen.top()), size),
                                   QRect(QPoint(screen.left(), screen.bottom()), size),
                                   QRect(screen.bottomRight(), size)};
    for (QRect &place : places) place = onScreen(place, screen);
    return *std::ranges::min_element(places, {}, [&](const QRect &place) { return overlap(place, room.mainFrame); });
}
