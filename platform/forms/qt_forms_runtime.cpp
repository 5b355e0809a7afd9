#include "platform/forms/qt_forms_runtime.h"

#include "platform/forms/program_starter.h"
#include "platform/forms/runtime_errors.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace {

QMessageBox::Icon iconForStyle(int style)
{
    switch (style & 0xF0) {
    case 16: return QMessageBox::Critical;
    case 32: return QMessageBox::Question;
    case 48: return QMessageBox::Warning;
    case 64: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// 0 hidden, 1 normal with focus, 2 minimised, 3 maximised, 4 normal without focus,
// 6 minimised without focus.
bool isWindowStyle(int style)
{
    return style >= 0 && style <= 6 && style != 5;
}

}  // namespace

QtFormsRuntime::QtFormsRuntime(QString title, QString appPath, QStringList helperFolders)
    : m_title(std::move(title)), m_appPath(std::move(appPath)), m_helperFolders(std::move(helperFolders))
{
}

QString QtFormsRuntime::title() const { return m_title; }
QString QtFormsRuntime::appPath() const { return m_appPath; }
QString QtFormsRuntime::helpFile() const { return m_helpFile; }
void QtFormsRuntime::setHelpFile(const QString &path) { m_helpFile = path; }

QString QtFormsRuntime::displayText(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

void QtFormsRuntime::msgBox(const QString &text, int style, const QString &title)
{
    // Centred over the window the user is looking at, and modal to the whole program.
    QMessageBox box(iconForStyle(style), title, displayText(text), QMessageBox::Ok, QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    // File names go into box texts: never let them be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString QtFormsRuntime::errorLine(int number, const QString &text)
{
    // A file name in the text may hold line breaks or terminal controls: blank them.
    QString line = QStringLiteral("vidlark: error %1: %2").arg(number).arg(text);
    for (QChar &c : line) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    }
    return line;
}

void QtFormsRuntime::logError(int number, const QString &text)
{
    std::fprintf(stderr, "%s\n", errorLine(number, text).toLocal8Bit().constData());
    std::fflush(stderr);
}

void QtFormsRuntime::shell(const QString &commandLine, int windowStyle)
{
    if (!isWindowStyle(windowStyle))
        throw RuntimeError(runtime_errors::kInvalidCall, QStringLiteral("Invalid procedure call or argument"));
    // The started program places its own window; the style is the request, not a command.
    ProgramStarter(QStringList{m_appPath} + m_helperFolders).start(commandLine);
}
