#include "platform/mci/widget/video_window_placement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {

std::string show(const QRect &r) {
    return std::to_string(r.width()) + "x" + std::to_string(r.height()) + "+" + std::to_string(r.x()) + "+" +
           std::to_string(r.y());
}

// The main window as it first stands, undecorated.
constexpr QRect kMain(101, 114, 466, 101);

TEST(VideoWindowPlacement, FitsTheRoomTheMainWindowLeavesOnItsScreen) {
    const struct {
        const char *name;
        QRect available, main;
        QMargins frame;
        QSize clip;
        std::optional<QRect> current;
        QRect expected;
    } cases[] = {
        {"a small clip at its own size, below", {0, 0, 1366, 768}, kMain, {}, {160, 120}, {}, {101, 215, 160, 120}},
        {"720p on a laptop", {0, 0, 1366, 768}, kMain, {}, {1280, 720}, {}, {101, 215, 983, 553}},
        {"1080p on 1080p", {0, 0, 1920, 1080}, kMain, {}, {1920, 1080}, {}, {101, 215, 1537, 865}},
        {"2160p on 1080p", {0, 0, 1920, 1080}, kMain, {}, {3840, 2160}, {}, {101, 215, 1537, 865}},
        {"720p at ratio 2 on 1080p", {0, 0, 960, 540}, kMain, {}, {1280, 720}, {}, {101, 215, 577, 325}},
        {"a panel at the bottom", {0, 0, 1366, 728}, kMain, {}, {1280, 720}, {}, {101, 215, 912, 513}},
        {"a portrait clip, beside", {0, 0, 1366, 768}, kMain, {}, {1080, 1920}, {}, {567, 0, 432, 768}},
        {"a wide short screen, beside", {0, 0, 2560, 600}, kMain, {}, {1280, 720}, {}, {567, 0, 1066, 600}},
        {"the main window on the right, left of it",
         {0, 0, 2560, 600}, {2000, 114, 466, 101}, {}, {1280, 720}, {}, {934, 0, 1066, 600}},
        {"the main window at the bottom, above it",
         {0, 0, 1366, 768}, {101, 600, 466, 101}, {}, {1280, 720}, {}, {101, 0, 1066, 600}},
        {"the second screen", {1920, 0, 1366, 768}, {2021, 114, 466, 101}, {}, {1280, 720}, {}, {2021, 215, 983, 553}},
        {"the main window past the right edge, left of it",
         {0, 0, 1366, 768}, {1200, 114, 466, 101}, {}, {1280, 720}, {}, {0, 93, 1200, 675}},
        {"decorated windows", {0, 0, 1366, 768}, {100, 90, 468, 126}, {1, 24, 1, 1}, {1280, 720}, {},
         {100, 216, 938, 552}},
        {"the user's place", {0, 0, 1366, 768}, kMain, {}, {160, 120}, QRect(500, 300, 50, 50), {500, 300, 160, 120}},
        {"the user's place holds the next clip",
         {0, 0, 1366, 768}, kMain, {}, {1280, 720}, QRect(300, 215, 160, 120), {300, 215, 983, 553}},
        {"the user's place would cover the main window",
         {0, 0, 1366, 768}, kMain, {}, {160, 120}, QRect(150, 150, 160, 120), {101, 215, 160, 120}},
        {"the user's place would leave the screen",
         {0, 0, 1366, 768}, kMain, {}, {1280, 720}, QRect(800, 400, 160, 120), {101, 215, 983, 553}},
        {"ratio 3 on a laptop: only above holds a picture",
         {0, 0, 455, 256}, kMain, {}, {1280, 720}, {}, {101, 0, 202, 114}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QRect placed = placeVideoWindow({c.available, c.main, c.frame, c.clip, c.current});
        EXPECT_EQ(show(placed), show(c.expected));
        EXPECT_TRUE(c.available.contains(placed));
        EXPECT_FALSE(placed.intersects(c.main));
        const QSize picture = placed.size().shrunkBy(c.frame);
        EXPECT_LE(std::abs(picture.width() * c.clip.height() - picture.height() * c.clip.width()),
                  std::max(c.clip.width(), c.clip.height()))
            << "shape not kept to a pixel";
    }
}

// No side holds a picture worth the name: a small one on the screen, covering the
// main window as little as a corner of the screen can.
TEST(VideoWindowPlacement, OnAScreenWithNoRoomASmallPictureCoversTheMainWindowLeast) {
    const QRect screen(0, 0, 500, 250), main(20, 80, 466, 101);
    EXPECT_EQ(show(placeVideoWindow({screen, main, {}, {1280, 720}, {}})), show({0, 0, 160, 90}));
    EXPECT_EQ(show(placeVideoWindow({screen, main, {}, {120, 90}, {}})), show({0, 0, 120, 90}));
}

}  // namespace
