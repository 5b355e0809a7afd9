#include "platform/forms/runtime_error.h"
#include "tests/playback/recording_form.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace {

// The value of the latest write whose log line starts with `prefix`.
int lastWritten(const CallLog &log, const std::string &prefix)
{
    for (auto it = log.entries.rbegin(); it != log.entries.rend(); ++it) {
        if (it->rfind(prefix, 0) == 0)
            return std::stoi(it->substr(prefix.size()));
    }
    ADD_FAILURE() << "no write " << prefix;
    return -1;
}

struct DoneCase {
    const char *name;
    std::int16_t loop, reverse, loopRev;
    std::int32_t length;
    std::deque<std::int32_t> positions;  // what successive Position reads report
    Log expected;
};

class DoneDecision : public testing::TestWithParam<DoneCase> {};

TEST_P(DoneDecision, readsAndSendsInOrder)
{
    const DoneCase &row = GetParam();
    RecordingForm f;
    f.ChkLoop.valueField = row.loop;
    f.Chkrev.valueField = row.reverse;
    f.ChkLoopRev.valueField = row.loopRev;
    f.MMControl1.lengthValue = row.length;
    f.MMControl1.positionQueue = row.positions;
    std::int16_t code = 1;

    f.handlers.MMControl1_Done(code);

    EXPECT_EQ(f.log.entries, row.expected);
    EXPECT_EQ(code, 1);
}

const DoneCase kDoneCases[] = {
    {"nothingCheckedStillReadsPositionTwice", 0, 1, 0, 900, {450},
     {"ChkLoop.Value -> 0",
      "ChkLoopRev.Value -> 0", "MMControl1.Position -> 450",
      "ChkLoopRev.Value -> 0", "MMControl1.Position -> 450", "MMControl1.Length -> 900"}},
    {"loopRestartsFromTheStart", 1, 0, 0, 900, {900},
     {"ChkLoop.Value -> 1",
      "Chkrev.Value -> 0", "MMControl1.Command = prev", "MMControl1.Command = play",
      "Chkrev.Value -> 0",
      "ChkLoopRev.Value -> 0", "MMControl1.Position -> 900",
      "ChkLoopRev.Value -> 0", "MMControl1.Position -> 900", "MMControl1.Length -> 900"}},
    {"loopWithReversePlaysBackwardFromTheEnd", 1, 1, 0, 900, {0},
     {"ChkLoop.Value -> 1",
      "Chkrev.Value -> 1",
      "Chkrev.Value -> 1", "MMControl1.To = 0", "MMControl1.Length -> 900", "MMControl1.From = 900",
      "MMControl1.Command = play",
      "ChkLoopRev.Value -> 0", "MMControl1.Position -> 0",
      "ChkLoopRev.Value -> 0", "MMControl1.Position -> 0", "MMControl1.Length -> 900"}},
    {"loopWithAReverseValueNeitherZeroNorOneSendsNothing", 1, 2, 0, 900, {450},
     {"ChkLoop.Value -> 1",
      "Chkrev.Value -> 2",
      "Chkrev.Value -> 2",
      "ChkLoopRev.Value -> 0", "MMControl1.Position -> 450",
      "ChkLoopRev.Value -> 0", "MMControl1.Position -> 450", "MMControl1.Length -> 900"}},
    {"loopRevAtTheStartPlaysForward", 0, 0, 1, 900, {0},
     {"ChkLoop.Value -> 0",
      "ChkLoopRev.Value -> 1", "MMControl1.Position -> 0",
      "MMControl1.From = 0", "MMControl1.Length -> 900", "MMControl1.To = 900", "MMControl1.Command = play",
      "ChkLoopRev.Value -> 1", "MMControl1.Position -> 0", "MMControl1.Length -> 900"}},
    {"loopRevAtTheStartThenTheControlReportsTheEnd", 0, 0, 1, 900, {0, 900},
     {"ChkLoop.Value -> 0",
      "ChkLoopRev.Value -> 1", "MMControl1.Position -> 0",
      "MMControl1.From = 0", "MMControl1.Length -> 900", "MMControl1.To = 900", "MMControl1.Command = play",
      "ChkLoopRev.Value -> 1", "MMControl1.Position -> 900", "MMControl1.Length -> 900",
      "MMControl1.To = 0", "MMControl1.Length -> 900", "MMControl1.From = 900", "MMControl1.Command = play"}},
    {"loopRevAtTheEndPlaysBackward", 0, 0, 1, 900, {900},
     {"ChkLoop.Value -> 0",
      "ChkLoopRev.Value -> 1", "MMControl1.Position -> 900",
      "ChkLoopRev.Value -> 1", "MMControl1.Position -> 900", "MMControl1.Length -> 900",
      "MMControl1.To = 0", "MMControl1.Length -> 900", "MMControl1.From = 900", "MMControl1.Command = play"}},
    {"loopRevMidwaySendsNothing", 0, 0, 1, 900, {450},
     {"ChkLoop.Value -> 0",
      "ChkLoopRev.Value -> 1", "MMControl1.Position -> 450",
      "ChkLoopRev.Value -> 1", "MMControl1.Position -> 450", "MMControl1.Length -> 900"}},
    {"loopRevOnAnEmptyClipPlaysTwice", 0, 0, 1, 0, {0},
     {"ChkLoop.Value -> 0",
      "ChkLoopRev.Value -> 1", "MMControl1.Position -> 0",
      "MMControl1.From = 0", "MMControl1.Length -> 0", "MMControl1.To = 0", "MMControl1.Command = play",
      "ChkLoopRev.Value -> 1", "MMControl1.Position -> 0", "MMControl1.Length -> 0",
      "MMControl1.To = 0", "MMControl1.Length -> 0", "MMControl1.From = 0", "MMControl1.Command = play"}},
    {"loopAndLoopRevTogetherRunBothOnFreshReadings", 1, 0, 1, 900, {0},
     {"ChkLoop.Value -> 1",
      "Chkrev.Value -> 0", "MMControl1.Command = prev", "MMControl1.Command = play",
      "Chkrev.Value -> 0",
      "ChkLoopRev.Value -> 1", "MMControl1.Position -> 0",
      "MMControl1.From = 0", "MMControl1.Length -> 900", "MMControl1.To = 900", "MMControl1.Command = play",
      "ChkLoopRev.Value -> 1", "MMControl1.Position -> 0", "MMControl1.Length -> 900"}},
};

INSTANTIATE_TEST_SUITE_P(EndOfPlay, DoneDecision, testing::ValuesIn(kDoneCases),
                         [](const testing::TestParamInfo<DoneCase> &info) { return std::string(info.param.name); });

TEST(EndOfPlay, anyCodeButOneReadsAndSendsNothing)
{
    for (std::int16_t code : {0, 2, 4, 8, -1, 257}) {
        SCOPED_TRACE(code);
        RecordingForm f;
        f.ChkLoop.valueField = 1;
        f.Chkrev.valueField = 1;
        f.ChkLoopRev.valueField = 1;
        f.handlers.MMControl1_Done(code);
        EXPECT_TRUE(f.log.entries.empty());
    }
}

TEST(EndOfPlay, failedPlayEndsTheHandlerAtThatStep)
{
    RecordingForm f;
    f.ChkLoop.valueField = 1;
    f.ChkLoopRev.valueField = 1;
    f.MMControl1.lengthValue = 900;
    f.MMControl1.onCommand = [](const QString &word) {
        if (word == "play")
            throw RuntimeError(30282, "range out of bounds");
    };
    std::int16_t code = 1;

    EXPECT_THROW(f.handlers.MMControl1_Done(code), RuntimeError);
    EXPECT_EQ(f.log.entries, (Log{"ChkLoop.Value -> 1", "Chkrev.Value -> 0", "MMControl1.Command = prev",
                                  "MMControl1.Command = play"}));
}

// Each play's own completion starts the next, in the other direction, for as long as
// "LoopRev" stays checked; clearing it ends the cycle at the next completion.
TEST(EndOfPlay, loopRevAlternatesDirectionAtEachEnd)
{
    RecordingForm f;
    f.ChkLoopRev.valueField = 1;
    f.MMControl1.lengthValue = 900;
    f.MMControl1.positionValue = 900;  // a forward play has just ended
    std::vector<std::string> directions;
    f.MMControl1.onCommand = [&](const QString &word) {
        if (word != "play")
            return;
        const bool backward = lastWritten(f.log, "MMControl1.From = ") > lastWritten(f.log, "MMControl1.To = ");
        directions.push_back(backward ? "backward" : "forward");
    };

    for (int i = 0; i < 4; ++i) {
        f.log.clear();
        std::int16_t code = 1;
        f.handlers.MMControl1_Done(code);
        ASSERT_EQ(directions.size(), std::size_t(i + 1));
        f.MMControl1.positionValue = directions.back() == "backward" ? 0 : 900;
    }
    f.ChkLoopRev.valueField = 0;
    std::int16_t code = 1;
    f.handlers.MMControl1_Done(code);

    EXPECT_EQ(directions, (std::vector<std::string>{"backward", "forward", "backward", "forward"}));
}

}  // namespace
