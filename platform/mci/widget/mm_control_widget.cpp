#include "platform/mci/widget/mm_control_widget.h"

#include "platform/forms/runtime_error.h"
#include "platform/mci/audio_interfaces.h"
#include "platform/mci/mci_device.h"
#include "platform/mci/widget/button_cursor.h"
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
constexpr int kButtonCount = ButtonCursor::kButtonCount;
constexpr std::array<Button, kButtonCount> kButtons{Button::Prev, Button::Next, Button::Play,
                                                   Button::Pause, Button::Back, Button::Step,
                                                   Button::Stop, Button::Record, Button::Eject};

constexpr int indexOf(Button button) {
    return static_cast<int>(button);
}

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
        const int before = cursor.current();
        if (cursor.follow(enabledStates())) {
            releaseSpace(before);
            showCursor();
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

    ButtonCursor::Enabled enabledStates() const {
        ButtonCursor::Enabled enabled{};
        for (int i = 0; i < kButtonCount; ++i) enabled[i] = buttons[i]->isEnabled();
        return enabled;
    }

    void setCursor(int index) {
        const int before = cursor.current();
        if (cursor.moveTo(index)) releaseSpace(before);
        showCursor();
    }

    void moveCursor(ButtonCursor::Move move) {
        const int before = cursor.current();
        if (cursor.move(move, enabledStates())) releaseSpace(before);
        showCursor();
    }

    void showCursor() {
        const bool focused = q.hasFocus();
        for (int i = 0; i < kButtonCount; ++i) buttons[i]->setCursorShown(focused && i == cursor.current());
        if (focused) announceCursor();
    }

    // Assistive tools follow the last focus event: the current button's, not the bar's.
    void announceCursor() {
        QAccessibleEvent event(buttons[cursor.current()], QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }

    void releaseSpace(int index) {
        if (!spaceDown) return;
        spaceDown = false;
        buttons[index]->setDown(false);
    }
    void releaseSpace() { releaseSpace(cursor.current()); }

    TransportButton &current() { return *buttons[cursor.current()]; }

    bool handleKeyPress(QKeyEvent *event) {
        switch (event->key()) {
        case Qt::Key_Left: moveCursor(ButtonCursor::Move::Left); return true;
        case Qt::Key_Right: moveCursor(ButtonCursor::Move::Right); return true;
        case Qt::Key_Home: moveCursor(ButtonCursor::Move::First); return true;
        case Qt::Key_End: moveCursor(ButtonCursor::Move::Last); return true;
        case Qt::Key_Space:
            if (!event->isAutoRepeat() && current().isEnabled()) {
                spaceDown = true;
                current().setDown(true);
            }
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!current().isEnabled()) return false;
            releaseSpace();
            current().click();
            return true;
        default:
            return false;
        }
    }

    bool handleKeyRelease(QKeyEvent *event) {
        if (event->key() != Qt::Key_Space) return false;
        if (event->isAutoRepeat() || !spaceDown) return true;
        releaseSpace();
        current().click();  // does nothing if the button was disabled meanwhile
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
    ButtonCursor cursor{indexOf(Button::Play)};
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
    // Qt tells assistive tools about the bar after this returns; the button comes later.
    m_impl->post([](MMControlWidget &w) {
        if (w.hasFocus()) w.m_impl->announceCursor();
        emit w.gotFocus();
    });
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
