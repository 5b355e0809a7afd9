#pragma once

#include "app/form1.h"
#include "app/identity.h"
#include "platform/controls/common_dialog.h"
#include "platform/controls/slider_widget.h"
#include "platform/forms/qt_forms_runtime.h"
#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "platform/mci/widget/mm_control_widget.h"
#include "platform/mci/widget/video_window.h"
#include "tests/support/test_clips.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

// Clips whose every picture shows its frame number as eight bars, bar k white when bit
// k is set and the lower half inverted, so codec noise cannot make another number.
// Keyframes every 12 frames: reaching a frame means decoding from an earlier one.
namespace numbered_clips {
inline constexpr int kShortFrames = 25;  // 1 s at 25 fps, no sound
inline constexpr int kLongFrames = 100;  // 4 s, a loud 1 kHz tone (0.8) all along, 16-bit 48 kHz

inline QString make(const std::string &name, int seconds, std::vector<std::string> args)
{
    args.insert(args.begin(), {"-f", "lavfi", "-i", "color=c=black:s=64x48:r=25:d=" + std::to_string(seconds)});
    args.insert(args.end(), {"-vf",
                             "format=yuv420p,geq=lum='if(lt(Y,H/2),16+219*mod(floor(N/pow(2,floor(X*8/W))),2),"
                             "235-219*mod(floor(N/pow(2,floor(X*8/W))),2))':cb=128:cr=128",
                             "-c:v", "mpeg4", "-q:v", "2", "-g", "12"});
    return QString::fromStdString(test_clips::make(name, args));
}
inline QString shortClip() { return make("integration_numbered_1s.avi", 1, {}); }
inline QString longClipWithTone()
{
    return make("integration_numbered_4s_tone.avi", 4,
                {"-f", "lavfi", "-i", "aevalsrc=0.8*sin(2*PI*1000*t):s=48000:d=4", "-c:a", "pcm_s16le"});
}

inline int frameNumber(const QImage &picture)  // -1: black, blank or not ours
{
    if (picture.isNull() || picture.width() < 8)
        return -1;
    int number = 0;
    for (int bit = 0; bit < 8; ++bit) {
        const int x = (2 * bit + 1) * picture.width() / 16;
        const int top = qGray(picture.pixel(x, picture.height() / 4));
        const int bottom = qGray(picture.pixel(x, picture.height() * 3 / 4));
        if (!((top > 192 && bottom < 64) || (top < 64 && bottom > 192)))
            return -1;
        number |= (top > 192) << bit;
    }
    return number;
}
}  // namespace numbered_clips

// The real window over the real control and AVI device, offscreen, recording each Done
// with the position and picture before the window's handler and the mode and position
// after it. Every message box is answered OK and kept, so that an unexpected one cannot
// hold a test.
class PlayerHarness {
public:
    struct Ending { int code, positionBefore, shownBefore, mode, position; };
    struct Box { QString title, text; QMessageBox::Icon icon; };

    explicit PlayerHarness(std::unique_ptr<mci::AudioSink> audio = mci::makeNullAudioSink())
        : m_runtime(QString::fromUtf8(identity::kTitle)),
          m_mm(new MMControlWidget(mci::DeviceOptions{}, std::move(audio)))
    {
        // Connected before the window exists, so this runs before its handler...
        QObject::connect(m_mm, &MMControlWidget::done, m_mm, [this](std::int16_t code) {
            m_endings.push_back(Ending{code, m_mm->position(), shownFrame(), 0, 0});
        });
        m_form = std::make_unique<Form1>(m_runtime, m_mm);
        // ... and this after.
        QObject::connect(m_mm, &MMControlWidget::done, m_mm, [this] {
            m_endings.back().mode = m_mm->mode();
            m_endings.back().position = m_mm->position();
            if (m_endings.back().code == 1 && onCompletion)
                onCompletion();
        });
        QObject::connect(&m_boxWatch, &QTimer::timeout, &m_boxWatch, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box->isVisible() && box->button(QMessageBox::Ok)) {
                m_boxes.push_back({box->windowTitle(), box->text(), box->icon()});
                box->button(QMessageBox::Ok)->click();
            }
        });
        m_boxWatch.start(10);
        m_mm->setUpdateInterval(20);
        m_form->load();
        m_form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
    }
    ~PlayerHarness()
    {
        if (!m_form->isUnloaded())
            m_form->close();  // unloads, which closes the control, as the program ends
    }

    Form1 &form() const { return *m_form; }
    MMControlWidget &mm() const { return *m_mm; }
    template <class T> T &child(const char *name = nullptr) const { return *m_form->findChild<T *>(name); }
    SliderWidget &slider() const { return child<SliderWidget>("Slider1"); }
    int shownFrame() const { return numbered_clips::frameNumber(m_mm->videoWindow()->picture()); }
    const std::vector<Box> &boxes() const { return m_boxes; }
    const std::vector<Ending> &endings() const { return m_endings; }
    std::function<void()> onCompletion;  // after the window's Done(1)

    std::vector<Ending> completions() const  // the Done(1)
    {
        std::vector<Ending> ended;
        std::ranges::copy_if(m_endings, std::back_inserter(ended), [](const Ending &e) { return e.code == 1; });
        return ended;
    }

    static bool waitUntil(const std::function<bool()> &done) { return QTest::qWaitFor(done, 60000); }
    bool waitForCompletions(std::size_t count) { return waitUntil([&] { return completions().size() >= count; }); }

    void chooseInOpenDialog(const QString &path)  // "Open", as a user would
    {
        QObject::connect(
            &child<CommonDialog>(), &CommonDialog::aboutToShow, m_form.get(),
            [path](QFileDialog *dialog) {
                dialog->setDirectory(QFileInfo(path).absolutePath());
                dialog->selectFile(path);
                // Accepted from the dialog's own event loop, as the user's OK would be.
                QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
            },
            Qt::SingleShotConnection);
        QTest::mouseClick(&child<QPushButton>("Command1"), Qt::LeftButton);
    }

    void open(const QString &path, int length)  // ... and checks it opened, stopped at frame 0
    {
        ASSERT_NO_FATAL_FAILURE(chooseInOpenDialog(path));
        EXPECT_EQ(QFileInfo(m_mm->fileName()).canonicalFilePath(), QFileInfo(path).canonicalFilePath());
        EXPECT_EQ(m_form->windowTitle(), QString::fromUtf8(identity::kTitle) + " - " + m_mm->fileName());
        ASSERT_EQ(m_mm->length(), length);
        EXPECT_EQ(std::make_tuple(slider().min(), slider().value(), slider().max()), std::make_tuple(0, 0, length));
        EXPECT_EQ(child<QLabel>("Label3").text(), QString::number(length));
        EXPECT_EQ(std::make_pair(m_mm->mode(), m_mm->position()), std::make_pair(int(mci_mode::kStopped), 0));
        // "open" returns once its first picture is handed over: take it now.
        QCoreApplication::sendPostedEvents(m_mm->videoWindow(), QEvent::MetaCall);
        EXPECT_EQ(shownFrame(), 0);
    }

    void pressPlay()
    {
        const auto buttons = m_mm->findChildren<QAbstractButton *>();
        const auto play = std::ranges::find(buttons, QString("Play"), &QAbstractButton::accessibleName);
        ASSERT_TRUE(play != buttons.end() && (*play)->isEnabled()) << "no Play button to press";
        QTest::mouseClick(*play, Qt::LeftButton);
    }

    void click(const char *boxName)
    {
        const bool was = child<QCheckBox>(boxName).isChecked();
        QTest::mouseClick(&child<QCheckBox>(boxName), Qt::LeftButton);
        ASSERT_NE(child<QCheckBox>(boxName).isChecked(), was) << boxName << " did not take the click";
    }

private:
    QtFormsRuntime m_runtime;
    MMControlWidget *m_mm;  // owned by the form
    std::unique_ptr<Form1> m_form;
    std::vector<Ending> m_endings;
    std::vector<Box> m_boxes;
    QTimer m_boxWatch;
};
