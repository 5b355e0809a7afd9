#include "tests/integration/player_harness.h"

#include "app/identity.h"
#include "platform/controls/common_dialog.h"
#include "platform/controls/slider_widget.h"
#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "platform/mci/widget/mm_control_widget.h"
#include "platform/mci/widget/video_window.h"
#include "tests/integration/numbered_clips.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>
#include <sstream>

namespace {

constexpr int kUpdateIntervalMs = 20;
constexpr int kWaitMs = 60000;

std::string describe(const PlayerHarness::Sample &s)
{
    std::ostringstream out;
    out << "sample: mode " << s.modeBefore << "->" << s.mode << ", position " << s.positionBefore << "->"
        << s.position << ", slider " << s.slider << ", shown " << s.shown << (s.fresh ? "" : " (stale)");
    return out.str();
}

}  // namespace

PlayerHarness::PlayerHarness(std::unique_ptr<mci::AudioSink> audio)
    : m_runtime(QString::fromUtf8(identity::kTitle)),
      m_mm(new MMControlWidget(mci::DeviceOptions{}, audio ? std::move(audio) : mci::makeNullAudioSink()))
{
    m_segments.push_back({0, -1});

    // Connected before the window exists, so these run before its handlers.
    QObject::connect(m_mm, &MMControlWidget::done, m_mm, [this](std::int16_t code) {
        m_pendingEnding = Ending{code, m_mm->mode(), m_mm->position(), shownFrame(), 0, 0};
    });
    QObject::connect(m_mm, &MMControlWidget::statusUpdate, m_mm, [this] {
        m_pendingSample = Sample{m_segment, m_mm->mode(), m_mm->position(), 0, 0, 0, 0, false};
    });

    m_form = std::make_unique<Form1>(m_runtime, m_mm);

    // ... and these after them.
    QObject::connect(m_mm, &MMControlWidget::done, m_mm, [this](std::int16_t) {
        Ending ending = m_pendingEnding;
        ending.mode = m_mm->mode();
        ending.position = m_mm->position();
        m_endings.push_back(ending);
        m_startedSinceEnding = false;
        if (ending.code != 1)
            return;
        beginSegment(-1);
        if (onCompletion)
            onCompletion(ending);
    });
    QObject::connect(m_mm, &MMControlWidget::statusUpdate, m_mm, [this] {
        Sample sample = m_pendingSample;
        sample.mode = m_mm->mode();
        sample.position = m_mm->position();
        sample.slider = slider().value();
        sample.shown = shownFrame();
        sample.fresh = m_mm->videoWindow()->picture().cacheKey() != m_segments[m_segment].staleKey;
        m_samples.push_back(sample);
    });

    m_mm->setUpdateInterval(kUpdateIntervalMs);
    m_form->load();
    m_form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
}

PlayerHarness::~PlayerHarness()
{
    // As the program ends: the window unloads, which closes the control.
    if (!m_form->isUnloaded())
        m_form->close();
    m_form.reset();
}

SliderWidget &PlayerHarness::slider() const
{
    return *m_form->findChild<SliderWidget *>(QStringLiteral("Slider1"));
}

QCheckBox &PlayerHarness::box(const char *name) const
{
    return *m_form->findChild<QCheckBox *>(QString::fromUtf8(name));
}

QLabel &PlayerHarness::label(const char *name) const
{
    return *m_form->findChild<QLabel *>(QString::fromUtf8(name));
}

int PlayerHarness::shownFrame() const
{
    return numbered_clips::frameNumber(m_mm->videoWindow()->picture());
}

void PlayerHarness::chooseInOpenDialog(const QString &path)
{
    auto *dialog = m_form->findChild<CommonDialog *>();
    ASSERT_NE(dialog, nullptr);
    bool shown = false;
    QObject::connect(
        dialog, &CommonDialog::aboutToShow, dialog,
        [&shown, path](QFileDialog *fileDialog) {
            shown = true;
            fileDialog->setDirectory(QFileInfo(path).absolutePath());
            fileDialog->selectFile(path);
            // Accepted from the dialog's own event loop, as the user's OK would be.
            QMetaObject::invokeMethod(
                fileDialog, [fileDialog] { static_cast<QDialog *>(fileDialog)->accept(); }, Qt::QueuedConnection);
        },
        Qt::SingleShotConnection);
    QTest::mouseClick(m_form->findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    ASSERT_TRUE(shown) << "Open showed no dialog";
}

void PlayerHarness::open(const QString &path, int expectedLength)
{
    ASSERT_NO_FATAL_FAILURE(chooseInOpenDialog(path));
    const QString chosen = m_form->findChild<CommonDialog *>()->fileName();
    EXPECT_EQ(QFileInfo(chosen).canonicalFilePath(), QFileInfo(path).canonicalFilePath());
    EXPECT_EQ(m_mm->fileName(), chosen);
    EXPECT_EQ(m_form->windowTitle(), QString::fromUtf8(identity::kTitle) + QStringLiteral(" - ") + chosen);
    ASSERT_EQ(m_mm->length(), expectedLength);
    EXPECT_EQ(slider().min(), 0);
    EXPECT_EQ(slider().max(), expectedLength);
    EXPECT_EQ(slider().value(), 0);
    EXPECT_EQ(label("Label3").text(), QString::number(expectedLength));
    EXPECT_EQ(m_mm->mode(), mci_mode::kStopped);
    EXPECT_EQ(m_mm->position(), 0);
    // "open" returns once its first picture is handed over: take it now.
    QCoreApplication::sendPostedEvents(m_mm->videoWindow(), QEvent::MetaCall);
    EXPECT_EQ(shownFrame(), 0);
    EXPECT_TRUE(m_mm->videoWindow()->isVisible());
    beginSegment(-1);
}

void PlayerHarness::pressPlay()
{
    for (QAbstractButton *button : m_mm->findChildren<QAbstractButton *>()) {
        if (button->accessibleName() != QLatin1String("Play"))
            continue;
        ASSERT_TRUE(button->isEnabled());
        m_startedSinceEnding = true;
        QTest::mouseClick(button, Qt::LeftButton);
        return;
    }
    FAIL() << "the control has no Play button";
}

void PlayerHarness::click(const char *boxName)
{
    QCheckBox &b = box(boxName);
    const bool was = b.isChecked();
    QTest::mouseClick(&b, Qt::LeftButton);
    ASSERT_NE(b.isChecked(), was) << boxName << " did not take the click";
}

void PlayerHarness::restart(const std::function<void()> &action)
{
    const int reached = std::max(m_mm->position(), shownFrame());
    m_startedSinceEnding = true;
    action();
    beginSegment(reached + 1);
}

void PlayerHarness::beginSegment(int leftoverUpTo)
{
    ++m_segment;
    m_segments.push_back({m_mm->videoWindow()->picture().cacheKey(), leftoverUpTo});
}

bool PlayerHarness::waitUntil(const std::function<bool()> &done)
{
    const QDeadlineTimer deadline(kWaitMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

bool PlayerHarness::waitForCompletions(int count)
{
    waitUntil([&] {
        if (static_cast<int>(completions().size()) >= count)
            return true;
        // A Done that left the control stopped, and nothing started since: nothing
        // will play any more.
        return !m_endings.empty() && m_endings.back().mode != mci_mode::kPlaying && !m_startedSinceEnding;
    });
    return static_cast<int>(completions().size()) >= count;
}

std::vector<PlayerHarness::Ending> PlayerHarness::completions() const
{
    std::vector<Ending> ended;
    for (const Ending &e : m_endings)
        if (e.code == 1)
            ended.push_back(e);
    return ended;
}

int PlayerHarness::expectPlayed(int segment, int direction) const
{
    SCOPED_TRACE("segment " + std::to_string(segment) + (direction > 0 ? ", forward" : ", backward"));
    const Segment &seg = m_segments.at(segment);
    bool leftovers = seg.leftoverUpTo >= 0;
    std::optional<int> lastPosition;
    std::optional<int> lastShown;
    int checked = 0;
    for (const Sample &s : m_samples) {
        if (s.segment != segment)
            continue;
        const std::string what = describe(s);
        if (lastPosition) {
            EXPECT_GE(direction * (s.positionBefore - *lastPosition), 0) << what;
        }
        EXPECT_GE(direction * (s.position - s.positionBefore), 0) << what;
        lastPosition = s.position;
        // The handler read the position between the two readings, while the mode was playing.
        if (s.modeBefore == mci_mode::kPlaying && s.mode == mci_mode::kPlaying) {
            EXPECT_GE(direction * (s.slider - s.positionBefore), 0) << what;
            EXPECT_GE(direction * (s.position - s.slider), 0) << what;
        }
        if (!s.fresh)
            continue;
        if (leftovers && s.shown != -1 && s.shown <= seg.leftoverUpTo)
            continue;
        leftovers = false;
        EXPECT_NE(s.shown, -1) << what;
        if (lastShown) {
            EXPECT_GE(direction * (s.shown - *lastShown), 0) << what;
        }
        // The picture is delivered before the position moves on to it, never later.
        if (direction > 0) {
            EXPECT_LE(s.shown, s.position + 1) << what;
        } else {
            EXPECT_GE(s.shown, s.position - 1) << what;
        }
        lastShown = s.shown;
        ++checked;
    }
    return checked;
}
