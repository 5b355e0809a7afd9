#pragma once

#include "platform/forms/app_path.h"
#include "platform/forms/forms_runtime.h"

// The forms runtime on Qt: boxes are QMessageBoxes, programs start without a shell.
// Needs a QApplication for msgBox(); GUI thread only.
class QtFormsRuntime : public FormsRuntime {
public:
    explicit QtFormsRuntime(QString title, QString appPath = runningProgramFolder());

    QString title() const override;
    QString appPath() const override;
    QString helpFile() const override;
    void setHelpFile(const QString &path) override;
    void msgBox(const QString &text, int style, const QString &title) override;
    void shell(const QString &commandLine, int windowStyle) override;

    // A box text as Qt shows it: a carriage return alone, or before a line feed,
    // becomes one line break.
    static QString displayText(const QString &text);

private:
    QString m_title;
    QString m_appPath;
    QString m_helpFile;
};
