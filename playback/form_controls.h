#pragma once

#include <QString>
#include <cstdint>

// The window's intrinsic controls and components as the handlers reach them. The real
// ones wrap Qt widgets; tests use recording doubles. All calls are on the GUI thread.

class CheckBox {
public:
    virtual ~CheckBox() = default;
    virtual std::int16_t value() const = 0;  // 0 unchecked, 1 checked
    virtual void setValue(std::int16_t value) = 0;
    virtual void setEnabled(bool enabled) = 0;
};

class Label {
public:
    virtual ~Label() = default;
    virtual void setCaption(const QString &text) = 0;
};

class Slider {
public:
    virtual ~Slider() = default;
    virtual std::int32_t min() const = 0;
    virtual std::int32_t max() const = 0;
    virtual std::int32_t value() const = 0;
    virtual void setMin(std::int32_t value) = 0;
    virtual void setMax(std::int32_t value) = 0;
    virtual void setValue(std::int32_t value) = 0;
};

class OpenFileDialog {
public:
    virtual ~OpenFileDialog() = default;
    virtual void setFilter(const QString &pairs) = 0;  // "description|pattern|..."
    virtual void setFilterIndex(std::int16_t index) = 0;  // 1-based; the first filter is 1
    virtual bool showOpen() = 0;  // modal; false when the user cancelled
    virtual QString fileName() const = 0;
};

// The main window itself: its title, and unloading it (which ends the program).
class FormWindow {
public:
    virtual ~FormWindow() = default;
    virtual void setCaption(const QString &text) = 0;
    virtual void unload() = 0;
};
