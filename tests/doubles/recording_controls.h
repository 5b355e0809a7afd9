#pragma once

#include "playback/form_controls.h"
#include "playback/mm_control.h"
#include "tests/doubles/call_log.h"

#include <concepts>
#include <deque>
#include <functional>
#include <type_traits>

// Recording doubles of the window's controls. Each logs into the shared CallLog and
// answers reads from its fields; a test scripts the control by setting those fields
// (Name.value) or the hooks (a hook may change fields or throw RuntimeError).

inline QString logText(const QString &v) { return v; }
inline QString logText(bool v) { return boolText(v); }
inline QString logText(std::integral auto v) { return QString::number(v); }

// One member of a control, its reads and writes logged.
template <typename T> struct Logged {
    CallLog &log;
    const char *name, *member;
    T value{};
    T get() const { log.read(name, member, logText(value)); return value; }
    void set(T v) { log.write(name, member, logText(v)); value = v; }
};

// How the interfaces take a value.
template <typename T> using Param = std::conditional_t<std::is_same_v<T, QString>, const QString &, T>;

// The member, its getter and its setter, as the interface names them.
#define VIDLARK_LOGGED(Type, Member, getter, setter, ...) \
    Logged<Type> Member{m_log, m_name, #Member __VA_OPT__(, ) __VA_ARGS__}; \
    Type getter() const override { return Member.get(); } \
    void setter(Param<Type> v) override { Member.set(v); }
#define VIDLARK_WRITTEN(Type, Member, setter) \
    void setter(Param<Type> v) override { m_log.write(m_name, #Member, logText(v)); }

struct Recording {
    CallLog &m_log;
    const char *m_name;
};

struct RecordingMMControl : Recording, MMControl {
    explicit RecordingMMControl(CallLog &log) : Recording{log, "MMControl1"} {}
    VIDLARK_LOGGED(QString, DeviceType, deviceType, setDeviceType)
    VIDLARK_LOGGED(QString, FileName, fileName, setFileName)
    VIDLARK_WRITTEN(bool, Notify, setNotify)
    VIDLARK_WRITTEN(bool, Wait, setWait)
    VIDLARK_WRITTEN(bool, Shareable, setShareable)
    VIDLARK_WRITTEN(std::int32_t, From, setFrom)
    VIDLARK_WRITTEN(std::int32_t, To, setTo)
    VIDLARK_WRITTEN(bool, Silent, setSilent)
    VIDLARK_WRITTEN(std::int16_t, Frames, setFrames)
    Logged<std::int32_t> Mode{m_log, m_name, "Mode", mci_mode::kStopped}, Length{m_log, m_name, "Length"};
    mutable Logged<std::int32_t> Position{m_log, m_name, "Position"};
    mutable std::deque<std::int32_t> positions;  // if not empty, successive Position reads pop from it
    std::function<void(const QString &)> onCommand;  // runs after the write is logged
    std::int32_t mode() const override { return Mode.get(); }
    std::int32_t length() const override { return Length.get(); }
    std::int32_t position() const override {
        if (!positions.empty()) Position.value = positions.front(), positions.pop_front();
        return Position.get();
    }
    void setCommand(const QString &w) override { m_log.write(m_name, "Command", w); if (onCommand) onCommand(w); }
};

struct RecordingCheckBox : Recording, CheckBox {
    RecordingCheckBox(CallLog &log, const char *name) : Recording{log, name} {}
    VIDLARK_LOGGED(std::int16_t, Value, value, setValue)
    VIDLARK_WRITTEN(bool, Enabled, setEnabled)
};

struct RecordingLabel : Recording, Label {
    RecordingLabel(CallLog &log, const char *name) : Recording{log, name} {}
    VIDLARK_WRITTEN(QString, Caption, setCaption)
};

struct RecordingSlider : Recording, Slider {
    explicit RecordingSlider(CallLog &log) : Recording{log, "Slider1"} {}
    VIDLARK_LOGGED(std::int32_t, Min, min, setMin)
    VIDLARK_LOGGED(std::int32_t, Max, max, setMax, 10)
    VIDLARK_LOGGED(std::int32_t, Value, value, setValue)
};

struct RecordingOpenFileDialog : Recording, OpenFileDialog {
    explicit RecordingOpenFileDialog(CallLog &log) : Recording{log, "CommonDialog1"} {}
    VIDLARK_WRITTEN(QString, Filter, setFilter)
    VIDLARK_WRITTEN(std::int16_t, FilterIndex, setFilterIndex)
    Logged<QString> FileName{m_log, m_name, "FileName"};
    bool accept = true;  // what the user does with the dialog
    QString fileName() const override { return FileName.get(); }
    bool showOpen() override { m_log.call(m_name, accept ? "ShowOpen -> OK" : "ShowOpen -> Cancel"); return accept; }
};

struct RecordingFormWindow : Recording, FormWindow {
    explicit RecordingFormWindow(CallLog &log) : Recording{log, "Form1"} {}
    VIDLARK_WRITTEN(QString, Caption, setCaption)
    std::function<void()> onUnload;  // the real window runs the unload handlers here
    void unload() override { m_log.call(m_name, "Unload"); if (onUnload) onUnload(); }
};

#undef VIDLARK_LOGGED
#undef VIDLARK_WRITTEN
