#pragma once

#include "app/form1.h"
#include "app/identity.h"
#include "platform/controls/common_dialog.h"
#include "platform/controls/slider_widget.h"
#include "platform/forms/qt_forms_runtime.h"
#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "platform/mci/widget/mm_control_widget.h"
#include "tests/support/test_clips.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

inline constexpr int kShortFrames = 25;  // 1 s at 25 fps, no sound
inline constexpr int kLongFrames = 100;  // 4 s, a loud 1 kHz tone (0.8) all along, 16-bit 48 kHz
inline QString shortClip()
{
    return QString::fromStdString(test_clips::make(
        "integration_1s.avi", {"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25:d=1", "-c:v", "mpeg4", "-g", "12"}));
}
inline QString longClipWithTone()
{
    return QString::fromStdString(test_clips::make(
        "integration_4s_tone.avi", {"-f", "lavfi", "-i", "testsrc2=s=64x48:r=25:d=4", "-f", "lavfi", "-i",
                                    "aevalsrc=0.8*sin(2*PI*1000*t):s=48000:d=4", "-c:v", "mpeg4", "-g", "12", "-c:a",
                                    "pcm_s16le"}));
}

// The real window over the real control and AVI device, offscreen, recording each Done
// with the position before the window's handler and the mode and position after it.
// A message box would hold the test: each is answered OK and kept.
class PlayerHarness {
public:
    struct Ending { int code, positionBefore, mode, position; };

    explicit PlayerHarness(std::unique_ptr<mci::AudioSink> audio = mci::makeNullAudioSink())
        : m_runtime(QString::fromUtf8(identity::kTitle)),
          m_mm(new MMControlWidget(mci::DeviceOptions{}, std::move(audio)))
    {
        // Connected before the window exists, so this runs before its handler...
        QObject::connect(m_mm, &MMControlWidget::done, m_mm,
                         [this](std::int16_t code) { endings.push_back(Ending{code, m_mm->position(), 0, 0}); });
        m_form = std::make_unique<Form1>(m_runtime, m_mm);
        // ... and this after.
        QObject::connect(m_mm, &MMControlWidget::done, m_mm, [this] {
            endings.back().mode = m_mm->mode();
            endings.back().position = m_mm->position();
            if (endings.back().code == 1 && onCompletion)
                onCompletion();
        });
        QObject::connect(&m_boxWatch, &QTimer::timeout, &m_boxWatch, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()); box && box->button(QMessageBox::Ok)) {
                boxes.push_back(box->text());
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

    MMControlWidget &mm() const { return *m_mm; }
    template <class T> T &child(const char *name) const { return *m_form->findChild<T *>(name); }
    SliderWidget &slider() const { return child<SliderWidget>("Slider1"); }
    std::vector<Ending> endings;
    QStringList boxes;
    std::function<void()> onCompletion;  // after the window's Done(1)

    std::vector<Ending> completions() const  // the Done(1)
    {
        std::vector<Ending> ended;
        std::ranges::copy_if(endings, std::back_inserter(ended), [](const Ending &e) { return e.code == 1; });
        return ended;
    }
    static bool waitUntil(const std::function<bool()> &done) { return QTest::qWaitFor(done, 60000); }
    bool waitForCompletions(std::size_t count) { return waitUntil([&] { return completions().size() >= count; }); }

    // "Open", as a user would, and checks the clip opened, stopped at frame 0.
    void open(const QString &path, int length)
    {
        QObject::connect(
            m_form->findChild<CommonDialog *>(), &CommonDialog::aboutToShow, m_form.get(),
            [path](QFileDialog *dialog) {
                dialog->setDirectory(QFileInfo(path).absolutePath());
                dialog->selectFile(path);
                // Accepted from the dialog's own event loop, as the user's OK would be.
                QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
            },
            Qt::SingleShotConnection);
        QTest::mouseClick(&child<QPushButton>("Command1"), Qt::LeftButton);
        EXPECT_EQ(QFileInfo(m_mm->fileName()).canonicalFilePath(), QFileInfo(path).canonicalFilePath());
        EXPECT_EQ(m_form->windowTitle(), QString::fromUtf8(identity::kTitle) + " - " + m_mm->fileName());
        ASSERT_EQ(m_mm->length(), length);
        EXPECT_EQ(std::make_tuple(slider().max(), m_mm->mode(), m_mm->position()),
                  std::make_tuple(length, int(mci_mode::kStopped), 0));
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
    QTimer m_boxWatch;
};
