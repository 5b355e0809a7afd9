#pragma once

#include "platform/forms/forms_runtime.h"
#include "tests/doubles/call_log.h"

#include <functional>

// A recording forms runtime: App's members log as reads and writes of "App", boxes and
// program starts as calls, all into the test's one CallLog so that a handler's whole
// run compares as a single list.
class RecordingRuntime : public FormsRuntime {
public:
    explicit RecordingRuntime(CallLog &log) : m_log(log) {}

    QString titleValue = QStringLiteral("Vidlark 1.0");
    QString appPathValue = QStringLiteral("/opt/vidlark");
    QString helpFileValue;
    std::function<void(const QString &)> onShell;  // may throw RuntimeError
    std::function<void()> onMsgBox;  // runs when the user has dismissed the box

    QString title() const override { m_log.read("App", "Title", titleValue); return titleValue; }
    QString appPath() const override { m_log.read("App", "Path", appPathValue); return appPathValue; }
    QString helpFile() const override { m_log.read("App", "HelpFile", helpFileValue); return helpFileValue; }
    void setHelpFile(const QString &path) override { m_log.write("App", "HelpFile", path); helpFileValue = path; }
    void msgBox(const QString &text, int style, const QString &title) override {
        m_log.entries.push_back(msgBoxEntry(text, style, title));
        if (onMsgBox) onMsgBox();
    }
    void shell(const QString &commandLine, int windowStyle) override {
        m_log.entries.push_back("Shell(" + commandLine.toStdString() + ", " + std::to_string(windowStyle) + ")");
        if (onShell) onShell(commandLine);
    }

    static std::string msgBoxEntry(const QString &text, int style, const QString &title) {
        return "MsgBox(" + text.toStdString() + ", " + std::to_string(style) + ", " + title.toStdString() + ")";
    }

private:
    CallLog &m_log;
};
