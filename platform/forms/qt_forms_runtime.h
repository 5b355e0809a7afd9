#pragma once

#include "platform/forms/app_path.h"
#include "platform/forms/forms_runtime.h"

#include <QStringList>

// The forms runtime on Qt: boxes are QMessageBoxes, programs start without a shell,
// errors are also written to standard error. Needs a QApplication for msgBox(); GUI
// thread only. `helperFolders`: where programs started by name are looked for after
// App.Path and before PATH (an installed program keeps its helpers apart).
class QtFormsRuntime : public FormsRuntime {
public:
    explicit QtFormsRuntime(QString title, QString appPath = runningProgramFolder(), QStringList helperFolders = {});

    QString title() const override;
    QString appPath() const override;
    QString helpFile() const override;
    void setHelpFile(const QString &path) override;
    void msgBox(const QString &text, int style, const QString &title) override;
    void logError(int number, const QString &text) override;
    void shell(const QString &commandLine, int windowStyle) override;

    // A box text as Qt shows it: a carriage return alone, or before a line feed,
    // becomes one line break.
    static QString displayText(const QString &text);
    // "vidlark: error N: text" on one line, whatever the text holds.
    static QString errorLine(int number, const QString &text);

private:
    QString m_title;
    QString m_appPath;
    QStringList m_helperFolders;
    QString m_helpFile;
};
