#include "app/start_options.h"

#include "app/identity.h"

#include <QCommandLineParser>
#include <QFileInfo>

StartOptions StartOptions::parse(const QStringList &arguments, bool strict)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Plays AVI files frame by frame, forwards and backwards."));
    // Not addHelpOption(): its --help-all is answered only by process(), which exits.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Displays this help."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("An AVI file to open at start."),
                                 QStringLiteral("[FILE]"));
    const bool parsed = parser.parse(arguments);

    StartOptions options;
    if (parser.isSet(help)) {
        options.action = Action::Help;
        options.text = parser.helpText();
    } else if (parser.isSet(version)) {
        options.action = Action::Version;
        options.text = QStringLiteral("vidlark %1\n").arg(QString::fromUtf8(identity::kVersion));
    } else if (strict && !parsed) {
        options.action = Action::Fail;
        options.text = parser.errorText();
    } else if (strict && parser.positionalArguments().size() > 1) {
        options.action = Action::Fail;
        options.text = QStringLiteral("Only one FILE can be opened.");
    } else if (strict && !parser.positionalArguments().isEmpty() && !parser.positionalArguments().first().isEmpty()) {
        // Absolute, so that the title and the open dialog's next folder name it fully.
        options.file = QFileInfo(parser.positionalArguments().first()).absoluteFilePath();
    }
    return options;
}
