// What backward play may hold: a whole group where that is little, pieces where a group
// would take gigabytes, and never more than the machine can spare.

#include "platform/mci/engine/backward_budget.h"

#include <gtest/gtest.h>

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;
constexpr std::size_t kGiB = kMiB << 10;

// A decoded yuv420p picture as FFmpeg's pool hands it out (height padded).
constexpr std::size_t picture(std::size_t width, std::size_t height) { return width * (height + 16) * 3 / 2; }

TEST(BackwardBudget, HoldsAWholeGroupWhereThatIsLittleAndPiecesWhereItWouldBeGigabytes) {
    struct Case {
        const char *name;
        std::size_t pictureBytes;
        int group;
        std::size_t machine;
        bool whole;  // the longest group and its lead fit
        std::size_t atLeast, atMost;  // in pictures
    };
    const Case cases[] = {
        {"640x480, groups of 250", picture(640, 480), 250, 24 * kGiB, true, 261, 261},
        {"1280x720, groups of 250", picture(1280, 720), 250, 24 * kGiB, true, 261, 261},
        {"1920x1080, groups of 250: two pieces", picture(1920, 1080), 250, 24 * kGiB, false, 180, 210},
        {"3840x2160, groups of 250: four pieces", picture(3840, 2160), 250, 24 * kGiB, false, 70, 90},
        {"3840x2160, groups of 12", picture(3840, 2160), 12, 24 * kGiB, true, 23, 23},
        {"3840x2160 on a 4 GiB machine: an eighth", picture(3840, 2160), 250, 4 * kGiB, false, 40, 43},
        {"1280x720 on a 2 GiB machine: an eighth", picture(1280, 720), 250, 2 * kGiB, false, 180, 190},
        {"machine unknown", picture(3840, 2160), 250, 0, false, 70, 90},
    };
    for (const Case &c : cases) {
        const std::size_t need = mci::backwardNeedBytes(c.group, c.pictureBytes);
        const std::size_t budget =
            mci::backwardBudgetBytes(c.group, c.pictureBytes, mci::backwardCeilingBytes(c.pictureBytes, c.machine));
        EXPECT_EQ(budget == need, c.whole) << c.name;
        EXPECT_GE(budget / c.pictureBytes, c.atLeast) << c.name;
        EXPECT_LE(budget / c.pictureBytes, c.atMost) << c.name;
    }
}

TEST(BackwardBudget, GrowsWithThePictureSize) {
    std::size_t before = 0;
    for (std::size_t width : {320, 640, 1280, 1920, 2560, 3840, 5120}) {
        const std::size_t ceiling = mci::backwardCeilingBytes(picture(width, width * 9 / 16), 24 * kGiB);
        EXPECT_GE(ceiling, before) << width;
        before = ceiling;
    }
    EXPECT_GT(mci::backwardCeilingBytes(picture(3840, 2160), 24 * kGiB),
              mci::backwardCeilingBytes(picture(1280, 720), 24 * kGiB));
}

}  // namespace
