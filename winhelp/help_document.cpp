#include "winhelp/help_document.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextDocument>

namespace {

constexpr qint64 kMaxHelpBytes = 16 << 20;  // far above any help file; stops /dev/zero and the like
const QString kViewerName = QStringLiteral("Help");

HelpDocument failure(const QString &path, const QString &reason)
{
    HelpDocument doc;
    doc.path = path;
    doc.title = kViewerName + QStringLiteral(" - ") + (path.isEmpty() ? QStringLiteral("no file") : QFileInfo(path).fileName());
    doc.body = QStringLiteral("<h2>The help cannot be shown</h2>");
    if (path.isEmpty())
        doc.body += QStringLiteral("<p>No help file was named when the viewer was started.</p>");
    else
        doc.body += QStringLiteral("<p>The help file <b>%1</b> could not be opened:</p>").arg(path.toHtmlEscaped());
    if (!reason.isEmpty())
        doc.body += QStringLiteral("<p>%1</p>").arg(reason.toHtmlEscaped());
    return doc;
}

QString htmlTitle(const QString &html)
{
    static const QRegularExpression title(QStringLiteral("<title[^>]*>(.*?)</title>"),
                                          QRegularExpression::CaseInsensitiveOption
                                              | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = title.match(html);
    if (!match.hasMatch())
        return QString();
    QTextDocument plain;
    plain.setHtml(match.captured(1));
    return plain.toPlainText().simplified();
}

}  // namespace

HelpDocument HelpDocument::load(const QString &path)
{
    if (path.isEmpty())
        return failure(path, QString());
    const QFileInfo info(path);
    if (!info.exists())
        return failure(path, QStringLiteral("There is no such file."));
    if (!info.isFile())
        return failure(path, QStringLiteral("It is not a file."));
    if (info.size() > kMaxHelpBytes)
        return failure(path, QStringLiteral("It is too large to be a help file."));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(path, file.errorString());
    const QByteArray bytes = file.read(kMaxHelpBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return failure(path, file.errorString());

    const QString text = QString::fromUtf8(bytes);
    HelpDocument doc;
    doc.loaded = true;
    doc.path = path;
    // A help file is HTML when it starts as markup does; anything else is shown as the
    // text it is, so "a < b" in a note is never read as a tag.
    if (text.trimmed().startsWith(u'<') && Qt::mightBeRichText(text))
        doc.body = text;
    else
        doc.body = QStringLiteral("<pre>") + text.toHtmlEscaped() + QStringLiteral("</pre>");
    const QString title = htmlTitle(text);
    doc.title = title.isEmpty() ? kViewerName + QStringLiteral(" - ") + info.fileName() : title;
    return doc;
}

QString HelpDocument::pathFromArguments(const QStringList &arguments)
{
    return arguments.mid(1).join(u' ');
}
