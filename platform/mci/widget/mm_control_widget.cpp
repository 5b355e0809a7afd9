#include "platform/mci/widget/mm_control_widget.h"

#include "platform/forms/runtime_error.h"
#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "platform/mci/widget/transport_button.h"
#include "platform/mci/widget/video_window.h"
#include "platform/mci/widget/window_video_sink.h"

#include <QAccessible>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>
#include <array>
#include <atomic>

namespace {

using mci::Button;

constexpr int kWidth = 184;
constexpr int kHeight = 41;
constexpr int kDefaultUpdateInterval = 250;
constexpr int kButtonCount = 9;
constexpr std::array<Button, kButtonCount> kButtons{Button::Prev, Button::Next, Button::Play,
                                                   Button::Pause, Button::Back, Button::Step,
                                                   Button::Stop, Button::Record, Button::Eject};

constexpr int indexOf(Button button) {
    return static_cast<int>(button);
}
static_assert(indexOf(Button::Eject) == kButtonCount - 1, "buttons are laid out in enum order");

}  // namespace

class MMControlWidget::Impl : public mci::DeviceListener {
public:
    Impl(MMControlWidget &owner, const mci::DeviceOptions &options, std::unique_ptr<mci::AudioSink> audio)
        : q(owner), sink(window), device(options, sink, std::move(audio), *this) {
        for (int i = 0; i < kButtonCount; ++i) {
            auto *button = new TransportButton(kButtons[i], &q);
            buttons[i] = button;
            QObject::connect(button, &QAbstractButton::pressed, &q, [this, i] { setCursor(i); });
            QObject::connect(button, &QAbstractButton::clicked, &q, [this, i] { press(kButtons[i]); });
        }
        QObject::connect(&statusTimer, &QTimer::timeout, &q, [this] { emit q.statusUpdate(); });
    }

    // DeviceListener: called from any thread, so each only posts to the GUI thread.
    void done(int notifyCode) override {
        post([notifyCode](MMControlWidget &w) { emit w.done(static_cast<std::int16_t>(notifyCode)); });
    }
    void buttonCompleted(Button button, int errorCode) override {
        post([button, errorCode](MMControlWidget &w) {
            switch (button) {
            case Button::Back: emit w.backCompleted(errorCode); break;
            case Button::Next: emit w.nextCompleted(errorCode); break;
            case Button::Prev: emit w.prevCompleted(errorCode); break;
            case Button::Step: emit w.stepCompleted(errorCode); break;
            default: break;
            }
        });
    }
    void stateChanged() override {
        // Plays change state often; one pending refresh covers them all.
        if (refreshPosted.exchange(true)) return;
        post([](MMControlWidget &w) {
            w.m_impl->refreshPosted = false;
            w.m_impl->refresh();
        });
    }

    template <typename F>
    void post(F &&f) {
        MMControlWidget *w = &q;
        QMetaObject::invokeMethod(
            w, [w, f = std::forward<F>(f)] { if (w->m_impl) f(*w); }, Qt::QueuedConnection);
    }

    void refresh() {
        for (TransportButton *button : buttons) button->setEnabled(device.buttonEnabled(button->kind()));
        if (!buttons[cursor]->isEnabled()) {
            const int next = replacementFor(cursor);
            if (next >= 0) setCursor(next);
        }
        const bool run = updateInterval > 0 && device.clipOpen();
        if (!run)
            statusTimer.stop();
        else if (!statusTimer.isActive() || statusTimer.interval() != updateInterval)
            statusTimer.start(updateInterval);
    }

    void afterCommand(const QString &word) {
        if (word == QLatin1String("open") && device.clipOpen()) {
            const QString name = QFileInfo(QFile::decodeName(QByteArray::fromStdString(device.fileName()))).fileName();
            window.openClip(name, QSize(device.videoWidth(), device.videoHeight()), &q);
        } else if (word == QLatin1String("close")) {
            window.closeClip();
        } else if (word == QLatin1String("play") && device.clipOpen()) {
            window.showAgain();
        }
    }

    void press(Button button) {
        const auto error = device.press(button);
        if (!error && button == Button::Play && device.clipOpen()) window.showAgain();
        refresh();
        if (error) {
            const int number = error->number;
            const QString text = QString::fromStdString(error->text);
            post([number, text](MMControlWidget &w) { emit w.buttonError(number, text); });
        }
    }

    // The enabled button nearest to `from` in direction `step` (from itself excluded), or -1.
    int enabledFrom(int from, int step) const {
        for (int i = from + step; i >= 0 && i < kButtonCount; i += step)
            if (buttons[i]->isEnabled()) return i;
        return -1;
    }

    int replacementFor(int index) const {
        int partner = -1;
        if (index == indexOf(Button::Play)) partner = indexOf(Button::Pause);
        if (index == indexOf(Button::Pause) || index == indexOf(Button::Stop)) partner = indexOf(Button::Play);
        if (partner >= 0 && buttons[partner]->isEnabled()) return partner;
        const int right = enabledFrom(index, +1);
        return right >= 0 ? right : enabledFrom(index, -1);
    }

    void setCursor(int index) {
        if (index < 0 || index >= kButtonCount) return;
        if (index != cursor) releaseSpace();
        cursor = index;
        showCursor();
    }

    void showCursor() {
        const bool focused = q.hasFocus();
        for (int i = 0; i < kButtonCount; ++i) buttons[i]->setCursorShown(focused && i == cursor);
        if (focused) {
            QAccessibleEvent event(buttons[cursor], QAccessible::Focus);
            QAccessible::updateAccessibility(&event);
        }
    }

    void releaseSpace() {
        if (!spaceDown) return;
        spaceDown = false;
        buttons[cursor]->setDown(false);
    }

    bool handleKeyPress(QKeyEvent *event) {
        switch (event->key()) {
        case Qt::Key_Left:
            setCursor(enabledFrom(cursor, -1));
            return true;
        case Qt::Key_Right:
            setCursor(enabledFrom(cursor, +1));
            return true;
        case Qt::Key_Home:
            setCursor(enabledFrom(-1, +1));
            return true;
        case Qt::Key_End:
            setCursor(enabledFrom(kButtonCount, -1));
            return true;
        case Qt::Key_Space:
            if (!event->isAutoRepeat() && buttons[cursor]->isEnabled()) {
                spaceDown = true;
                buttons[cursor]->setDown(true);
            }
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!buttons[cursor]->isEnabled()) return false;
            releaseSpace();
            buttons[cursor]->click();
            return true;
        default:
            return false;
        }
    }

    bool handleKeyRelease(QKeyEvent *event) {
        if (event->key() != Qt::Key_Space) return false;
        if (event->isAutoRepeat() || !spaceDown) return true;
        releaseSpace();
        buttons[cursor]->click();  // does nothing if the button was disabled meanwhile
        return true;
    }

    void placeButtons() {
        for (int i = 0; i < kButtonCount; ++i) {
            const int left = i * q.width() / kButtonCount;
            const int right = (i + 1) * q.width() / kButtonCount;
            buttons[i]->setGeometry(left, 0, right - left, q.height());
        }
    }

    MMControlWidget &q;
    // Declared in this order so that the device stops before its sink, listener and
    // window go away.
    VideoWindow window;
    WindowVideoSink sink;
    std::array<TransportButton *, kButtonCount> buttons{};
    QTimer statusTimer;
    std::atomic<bool> refreshPosted{false};
    int updateInterval = kDefaultUpdateInterval;
    int cursor = indexOf(Button::Play);
    bool spaceDown = false;
    bool notify = false;  // stored only: commands never wait or notify differently
    bool wait = true;
    bool shareable = false;
    mci::MciDevice device;
};

MMControlWidget::MMControlWidget(QWidget *parent)
    : MMControlWidget(mci::DeviceOptions{}, mci::makeSdlAudioSink(), parent) {}

MMControlWidget::MMControlWidget(const mci::DeviceOptions &options, std::unique_ptr<mci::AudioSink> audio,
                                 QWidget *parent)
    : QWidget(parent) {
    setFixedSize(kWidth, kHeight);
    setFocusPolicy(Qt::StrongFocus);
    m_impl = std::make_unique<Impl>(*this, options, std::move(audio));
    m_impl->placeButtons();
    m_impl->refresh();
}

MMControlWidget::~MMControlWidget() = default;

void MMControlWidget::setDeviceType(const QString &type) {
    m_impl->device.setDeviceType(type.toStdString());
}

QString MMControlWidget::deviceType() const {
    return QString::fromStdString(m_impl->device.deviceType());
}

void MMControlWidget::setFileName(const QString &path) {
    m_impl->device.setFileName(QFile::encodeName(path).toStdString());
}

QString MMControlWidget::fileName() const {
    return QFile::decodeName(QByteArray::fromStdString(m_impl->device.fileName()));
}

void MMControlWidget::setCommand(const QString &word) {
    const auto error = m_impl->device.command(word.toStdString());
    m_impl->refresh();
    if (error) throw RuntimeError(error->number, QString::fromStdString(error->text));
    m_impl->afterCommand(word);
}

void MMControlWidget::setNotify(bool on) {
    m_impl->notify = on;
}

void MMControlWidget::setWait(bool on) {
    m_impl->wait = on;
}

void MMControlWidget::setShareable(bool on) {
    m_impl->shareable = on;
}

void MMControlWidget::setFrom(std::int32_t position) {
    m_impl->device.setFrom(position);
}

void MMControlWidget::setTo(std::int32_t position) {
    m_impl->device.setTo(position);
}

std::int32_t MMControlWidget::mode() const {
    return m_impl->device.mode();
}

std::int32_t MMControlWidget::length() const {
    return m_impl->device.length();
}

std::int32_t MMControlWidget::position() const {
    return m_impl->device.position();
}

void MMControlWidget::setSilent(bool silent) {
    m_impl->device.setSilent(silent);
}

void MMControlWidget::setFrames(std::int16_t frames) {
    m_impl->device.setFrames(frames);
}

void MMControlWidget::setUpdateInterval(int ms) {
    m_impl->updateInterval = std::max(0, ms);
    m_impl->refresh();
}

int MMControlWidget::updateInterval() const {
    return m_impl->updateInterval;
}

VideoWindow *MMControlWidget::videoWindow() const {
    return &m_impl->window;
}

QSize MMControlWidget::sizeHint() const {
    return {kWidth, kHeight};
}

void MMControlWidget::keyPressEvent(QKeyEvent *event) {
    if (!m_impl->handleKeyPress(event)) QWidget::keyPressEvent(event);
}

void MMControlWidget::keyReleaseEvent(QKeyEvent *event) {
    if (!m_impl->handleKeyRelease(event)) QWidget::keyReleaseEvent(event);
}

void MMControlWidget::focusInEvent(QFocusEvent *event) {
    QWidget::focusInEvent(event);
    m_impl->showCursor();
    m_impl->post([](MMControlWidget &w) { emit w.gotFocus(); });
}

void MMControlWidget::focusOutEvent(QFocusEvent *event) {
    QWidget::focusOutEvent(event);
    m_impl->releaseSpace();
    m_impl->showCursor();
}

void MMControlWidget::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    m_impl->placeButtons();
}
