#pragma once

#include "playback/form_controls.h"
#include "playback/mm_control.h"
#include "tests/doubles/call_log.h"

#include <deque>
#include <functional>

// Recording doubles of the window's controls. Each logs into the shared CallLog and
// answers reads from its fields; a test scripts the control by setting those fields
// or the hooks (a hook may change fields or throw RuntimeError).

class RecordingMMControl : public MMControl {
public:
    explicit RecordingMMControl(CallLog &log, const char *name = "MMControl1") : m_log(log), m_name(name) {}

    QString deviceTypeValue, fileNameValue;
    std::int32_t modeValue = mci_mode::kStopped;
    std::int32_t lengthValue = 0;
    std::int32_t positionValue = 0;
    std::deque<std::int32_t> positionQueue;  // if not empty, successive Position reads pop from it
    std::function<void(const QString &)> onCommand;  // runs after the write is logged

    void setDeviceType(const QString &t) override { m_log.write(m_name, "DeviceType", t); deviceTypeValue = t; }
    QString deviceType() const override { m_log.read(m_name, "DeviceType", deviceTypeValue); return deviceTypeValue; }
    void setFileName(const QString &p) override { m_log.write(m_name, "FileName", p); fileNameValue = p; }
    QString fileName() const override { m_log.read(m_name, "FileName", fileNameValue); return fileNameValue; }
    void setCommand(const QString &w) override {
        m_log.write(m_name, "Command", w);
        if (onCommand) onCommand(w);
    }
    void setNotify(bool on) override { m_log.write(m_name, "Notify", boolText(on)); }
    void setWait(bool on) override { m_log.write(m_name, "Wait", boolText(on)); }
    void setShareable(bool on) override { m_log.write(m_name, "Shareable", boolText(on)); }
    void setFrom(std::int32_t v) override { m_log.write(m_name, "From", QString::number(v)); }
    void setTo(std::int32_t v) override { m_log.write(m_name, "To", QString::number(v)); }
    std::int32_t mode() const override { m_log.read(m_name, "Mode", QString::number(modeValue)); return modeValue; }
    std::int32_t length() const override { m_log.read(m_name, "Length", QString::number(lengthValue)); return lengthValue; }
    std::int32_t position() const override {
        auto *self = const_cast<RecordingMMControl *>(this);
        if (!self->positionQueue.empty()) {
            self->positionValue = self->positionQueue.front();
            self->positionQueue.pop_front();
        }
        m_log.read(m_name, "Position", QString::number(positionValue));
        return positionValue;
    }
    void setSilent(bool s) override { m_log.write(m_name, "Silent", boolText(s)); }
    void setFrames(std::int16_t f) override { m_log.write(m_name, "Frames", QString::number(f)); }

private:
    CallLog &m_log;
    const char *m_name;
};

class RecordingCheckBox : public CheckBox {
public:
    RecordingCheckBox(CallLog &log, const char *name, std::int16_t initial = 0)
        : valueField(initial), m_log(log), m_name(name) {}

    std::int16_t valueField;
    bool enabledField = true;
    std::function<void()> onValueWritten;  // stands in for a toolkit that raises Click on a write

    std::int16_t value() const override { m_log.read(m_name, "Value", QString::number(valueField)); return valueField; }
    void setValue(std::int16_t v) override {
        m_log.write(m_name, "Value", QString::number(v));
        valueField = v;
        if (onValueWritten) onValueWritten();
    }
    void setEnabled(bool e) override { m_log.write(m_name, "Enabled", boolText(e)); enabledField = e; }

private:
    CallLog &m_log;
    const char *m_name;
};

class RecordingLabel : public Label {
public:
    RecordingLabel(CallLog &log, const char *name) : m_log(log), m_name(name) {}
    QString captionField;
    void setCaption(const QString &t) override { m_log.write(m_name, "Caption", t); captionField = t; }

private:
    CallLog &m_log;
    const char *m_name;
};

class RecordingSlider : public Slider {
public:
    explicit RecordingSlider(CallLog &log, const char *name = "Slider1") : m_log(log), m_name(name) {}
    std::int32_t minField = 0, maxField = 10, valueField = 0;

    std::int32_t min() const override { m_log.read(m_name, "Min", QString::number(minField)); return minField; }
    std::int32_t max() const override { m_log.read(m_name, "Max", QString::number(maxField)); return maxField; }
    std::int32_t value() const override { m_log.read(m_name, "Value", QString::number(valueField)); return valueField; }
    void setMin(std::int32_t v) override { m_log.write(m_name, "Min", QString::number(v)); minField = v; }
    void setMax(std::int32_t v) override { m_log.write(m_name, "Max", QString::number(v)); maxField = v; }
    void setValue(std::int32_t v) override { m_log.write(m_name, "Value", QString::number(v)); valueField = v; }

private:
    CallLog &m_log;
    const char *m_name;
};

class RecordingOpenFileDialog : public OpenFileDialog {
public:
    explicit RecordingOpenFileDialog(CallLog &log, const char *name = "CommonDialog1") : m_log(log), m_name(name) {}
    QString fileNameField;
    bool accept = true;  // what the user does with the dialog

    void setFilter(const QString &f) override { m_log.write(m_name, "Filter", f); }
    void setFilterIndex(std::int16_t i) override { m_log.write(m_name, "FilterIndex", QString::number(i)); }
    bool showOpen() override { m_log.call(m_name, accept ? "ShowOpen -> OK" : "ShowOpen -> Cancel"); return accept; }
    QString fileName() const override { m_log.read(m_name, "FileName", fileNameField); return fileNameField; }

private:
    CallLog &m_log;
    const char *m_name;
};

class RecordingFormWindow : public FormWindow {
public:
    explicit RecordingFormWindow(CallLog &log, const char *name = "Form1") : m_log(log), m_name(name) {}
    QString captionField;
    std::function<void()> onUnload;  // the real window runs the unload handlers here

    void setCaption(const QString &t) override { m_log.write(m_name, "Caption", t); captionField = t; }
    void unload() override { m_log.call(m_name, "Unload"); if (onUnload) onUnload(); }

private:
    CallLog &m_log;
    const char *m_name;
};
