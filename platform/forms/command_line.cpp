#include "platform/forms/command_line.h"

CommandLine CommandLine::split(const QString &text)
{
    const qsizetype blank = text.indexOf(u' ');
    if (blank < 0)
        return {text, std::nullopt};
    QString rest = text.mid(blank + 1);
    if (rest.isEmpty())
        return {text.left(blank), std::nullopt};
    return {text.left(blank), std::move(rest)};
}
