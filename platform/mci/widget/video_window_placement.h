#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

#include <optional>

// Where the video window goes when a clip is opened. Everything is in the screen's
// logical pixels and, but for `clip`, counts the window decorations in.
struct VideoWindowRoom {
    QRect available;  // the available area of the main window's screen
    QRect mainFrame;  // the main window
    QMargins frame;  // the video window's decorations around its picture
    QSize clip;  // the clip's display size (pixel aspect applied), not empty
    std::optional<QRect> current;  // where the video window stands, if it was placed before
};

// The video window's frame: at the clip's size where that fits the room the main window
// leaves on the screen (below it, else beside or above it where that holds a bigger
// picture), else at the largest size with the clip's shape that fits there; left where
// it stands when it fits there without covering the main window. Where no side holds a
// sensible picture, a small one goes on the screen where it covers the main window
// least, and the caller keeps the main window above it.
QRect placeVideoWindow(const VideoWindowRoom &room);
