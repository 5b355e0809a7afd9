// The real window over the real control and AVI device, offscreen: where the plays that
// "Loop", "Reverse" and "LoopRev" start begin and end, and "Sound" cleared mid-play.

#include "app/form1.h"
#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "platform/mci/widget/mm_control_widget.h"
#include "tests/doubles/recording_runtime.h"
#include "tests/support/disk_audio.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

// Each Done with the position before the window's handler and the mode and position
// after it. Boxes go to the log, so none holds the test.
struct Player {
    struct Ending { int code, positionBefore, mode, position; };

    explicit Player(std::unique_ptr<mci::AudioSink> audio = mci::makeNullAudioSink())
        : mm(new MMControlWidget(mci::DeviceOptions{}, std::move(audio)))
    {
        // Connected before the window exists, so this runs before its handler, the next after.
        QObject::connect(mm, &MMControlWidget::done, mm, [this](std::int16_t code) { endings.push_back({code, mm->position(), 0, 0}); });
        form = std::make_unique<Form1>(runtime, mm);
        QObject::connect(mm, &MMControlWidget::done, mm, [this] {
            endings.back().mode = mm->mode(), endings.back().position = mm->position();
            if (endings.back().code == 1 && onCompletion) onCompletion();
        });
        mm->setUpdateInterval(20);
        form->load();
        form->show();
    }
    ~Player() { if (!form->isUnloaded()) form->close(); }  // unloads, which closes the control
    void open(const std::string &clip, int length) { form->openFile(QString::fromStdString(clip)); ASSERT_EQ(mm->length(), length); }
    void pressPlay()
    {
        for (QAbstractButton *b : mm->findChildren<QAbstractButton *>())
            if (b->accessibleName() == "Play" && b->isEnabled()) return QTest::mouseClick(b, Qt::LeftButton);
        FAIL() << "no Play button to press";
    }
    void click(const char *boxName)
    {
        auto *box = form->findChild<QCheckBox *>(boxName);
        const bool was = box->isChecked();
        QTest::mouseClick(box, Qt::LeftButton);
        ASSERT_NE(box->isChecked(), was) << boxName << " did not take the click";
    }
    std::vector<Ending> completions() const  // the Done(1)
    {
        std::vector<Ending> ended;
        std::ranges::copy_if(endings, std::back_inserter(ended), [](const Ending &e) { return e.code == 1; });
        return ended;
    }
    static bool waitUntil(const std::function<bool()> &done) { return QTest::qWaitFor(done, 60000); }

    CallLog log;
    RecordingRuntime runtime{log};
    MMControlWidget *mm;  // owned by the form
    std::unique_ptr<Form1> form;
    std::vector<Ending> endings;
    std::function<void()> onCompletion;  // after the window's Done(1)
};

TEST(Player, EachEndStartsTheNextPlayFromItsEnd)
{
    const std::string clip =
        test_clips::make("integration_1s.avi", {"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25:d=1", "-c:v", "mpeg4", "-g", "12"});
    constexpr int kFrames = 25;
    const struct {
        std::vector<const char *> boxes;  // clicked before the open; the last is cleared to end
        std::vector<int> directions;  // of the plays, in order
    } cases[] = {{{"ChkLoop"}, {+1, +1, +1, +1}}, {{"Chkrev", "ChkLoop"}, {-1, -1, -1, -1}},
                 {{"ChkLoopRev"}, {+1, -1, +1, -1, +1}}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.boxes.back());
        Player p;
        for (const char *name : c.boxes) ASSERT_NO_FATAL_FAILURE(p.click(name));
        ASSERT_NO_FATAL_FAILURE(p.open(clip, kFrames));
        p.onCompletion = [&] { if (p.completions().size() == c.directions.size() - 1) p.click(c.boxes.back()); };
        ASSERT_NO_FATAL_FAILURE(p.pressPlay());
        ASSERT_TRUE(p.waitUntil([&] { return p.completions().size() >= c.directions.size(); }));
        const auto ended = p.completions();
        ASSERT_EQ(ended.size(), c.directions.size());
        EXPECT_EQ(p.endings.size(), ended.size()) << "a play was cut short or replaced";
        for (std::size_t i = 0; i < ended.size(); ++i) {
            EXPECT_EQ(ended[i].positionBefore, c.directions[i] > 0 ? kFrames : 0) << "play " << i + 1;
            // The next play runs at once from its own end; the device may have moved on
            // by the time it is asked, but not across half the clip.
            if (i + 1 < ended.size())
                EXPECT_EQ(std::make_pair(ended[i].mode, ended[i].position < kFrames / 2),
                          std::make_pair(int(mci_mode::kPlaying), c.directions[i + 1] > 0)) << "play " << i + 1;
            else
                EXPECT_EQ(std::make_pair(ended[i].mode, ended[i].position),
                          std::make_pair(int(mci_mode::kStopped), ended[i].positionBefore)) << "the cleared box still restarted";
        }
        EXPECT_EQ(p.runtime.errorLines, std::vector<std::string>{});
    }
}

// The tone stops from the click on, while the picture plays on to the end. The sound
// devices opened from here on write to a file at a real device's pace: the last test.
TEST(SoundSwitch, ClearingSoundMidPlaySilencesTheRestAndThePictureGoesOn)
{
    constexpr int kRate = 48000, kFrames = 100;  // 4 s at 25 fps, a loud 1 kHz tone all along
    constexpr double kFps = 25.0;
    const std::string clip = test_clips::make(
        "integration_4s_tone.avi", {"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25:d=4", "-f", "lavfi", "-i",
                                    "aevalsrc=0.8*sin(2*PI*1000*t):s=48000:d=4", "-c:v", "mpeg4", "-g", "12", "-c:a",
                                    "pcm_s16le"});
    const auto onsetOf = [](const std::vector<float> &heard) {  // the play's first sample
        return std::size_t(std::ranges::find_if(heard, [](float v) { return std::abs(v) >= 0.05f; }) - heard.begin());
    };
    const std::string file = disk_audio::capture("integration_sound_switch");
    int clickedAt = 0;
    {
        Player p(mci::makeSdlAudioSink());
        ASSERT_TRUE(p.form->findChild<QCheckBox *>("Check2")->isChecked());
        ASSERT_NO_FATAL_FAILURE(p.open(clip, kFrames));
        ASSERT_NO_FATAL_FAILURE(p.pressPlay());
        ASSERT_TRUE(p.waitUntil([&] { return p.mm->position() >= 30; }));
        ASSERT_EQ(p.mm->mode(), mci_mode::kPlaying);
        ASSERT_NO_FATAL_FAILURE(p.click("Check2"));
        clickedAt = p.mm->position();
        ASSERT_LT(clickedAt, kFrames - 20) << "too late in the play to hear the silence";
        EXPECT_EQ(p.mm->mode(), mci_mode::kPlaying) << "clearing Sound stopped the play";
        ASSERT_TRUE(p.waitUntil([&] { return !p.endings.empty(); }));
        EXPECT_EQ(std::make_tuple(p.endings.size(), p.endings[0].code, p.endings[0].positionBefore),
                  std::make_tuple(1u, 1, kFrames)) << "the picture did not play on to the end";
        // The device writes silence on while the clip stays open: keep it open until
        // the file reaches past the end of the play.
        ASSERT_TRUE(p.waitUntil([&] {
            const std::vector<float> heard = disk_audio::played(file);
            return onsetOf(heard) + std::size_t((kFrames / kFps + 0.1) * kRate) <= heard.size();
        })) << "no sound was played, or not to the end";
    }  // the window unloads: the clip, the sound device and its file close

    const std::vector<float> heard = disk_audio::played(file);
    std::filesystem::remove(file);
    const std::size_t onset = onsetOf(heard);
    const auto at = [&](double seconds) { return onset + static_cast<std::size_t>(seconds * kRate); };
    ASSERT_GE(heard.size(), at(kFrames / kFps));
    // Loud in every 10 ms up to the click...
    for (std::size_t from = onset, window = kRate / 100; from + window <= at(clickedAt / kFps - 0.05); from += window) {
        double sum = 0;
        for (std::size_t i = from; i < from + window; ++i) sum += double(heard[i]) * heard[i];
        ASSERT_GT(std::sqrt(sum / window), 0.4) << "gap in the tone at " << double(from - onset) / kRate << " s";
    }
    // ... and silent from shortly after it (the frame on screen, the device's buffer) to the end.
    for (std::size_t i = at((clickedAt + 1) / kFps + 0.2); i < at(kFrames / kFps); ++i)
        ASSERT_LE(std::abs(heard[i]), 1e-4f) << "sound at " << double(i - onset) / kRate << " s, after the click at "
                                             << clickedAt / kFps << " s";
}

}  // namespace
