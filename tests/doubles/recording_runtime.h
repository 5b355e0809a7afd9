#pragma once

#include "platform/forms/forms_runtime.h"
#include "tests/doubles/call_log.h"

#include <functional>
#include <string>
#include <vector>

// A recording forms runtime: App's members log as reads and writes of "App"; boxes log
// as "MsgBox(text, style, title)" and program starts as "Shell(line, style)". Lines for
// standard error are kept apart, as "N text", so that the call logs stay the window's.
class RecordingRuntime : public FormsRuntime {
public:
    explicit RecordingRuntime(CallLog &log) : m_log(log) {}

    QString titleValue = QStringLiteral("Vidlark 1.0");
    QString appPathValue = QStringLiteral("/opt/vidlark");
    QString helpFileValue;
    std::function<void()> onShell;  // may throw RuntimeError
    std::vector<std::string> errorLines;

    QString title() const override { m_log.read("App", "Title", titleValue); return titleValue; }
    QString appPath() const override { m_log.read("App", "Path", appPathValue); return appPathValue; }
    QString helpFile() const override { m_log.read("App", "HelpFile", helpFileValue); return helpFileValue; }
    void setHelpFile(const QString &path) override { m_log.write("App", "HelpFile", path); helpFileValue = path; }
    void msgBox(const QString &text, int style, const QString &title) override {
        m_log.entries.push_back(
            QStringLiteral("MsgBox(%1, %2, %3)").arg(text, QString::number(style), title).toStdString());
    }
    void logError(int number, const QString &text) override {
        errorLines.push_back(QStringLiteral("%1 %2").arg(number).arg(text).toStdString());
    }
    void shell(const QString &commandLine, int windowStyle) override {
        m_log.entries.push_back(
            QStringLiteral("Shell(%1, %2)").arg(commandLine, QString::number(windowStyle)).toStdString());
        if (onShell) onShell();
    }

private:
    CallLog &m_log;
};
