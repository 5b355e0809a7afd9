#include "platform/controls/common_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>

namespace {

// Qt reads the patterns from the last "(...)" of an entry and separates them by blanks.
QString nameFilter(const QString &description, const QString &patterns)
{
    QStringList wildcards;
    for (const QString &part : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString wildcard = part.trimmed();
        if (wildcard.isEmpty())
            continue;
        // "*.*" has always meant every file, also those without a dot.
        wildcards.append(wildcard == QLatin1String("*.*") ? QStringLiteral("*") : wildcard);
    }
    if (wildcards.isEmpty())
        wildcards.append(QStringLiteral("*"));
    return description + QStringLiteral(" (") + wildcards.join(QLatin1Char(' ')) + QLatin1Char(')');
}

}  // namespace

CommonDialog::CommonDialog(QWidget *parent) : QObject(parent), m_parent(parent)
{
}

void CommonDialog::setFilter(const QString &pairs)
{
    m_nameFilters.clear();
    const QStringList parts = pairs.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        m_nameFilters.append(nameFilter(parts[i], parts[i + 1]));
}

void CommonDialog::setFilterIndex(std::int16_t index)
{
    m_filterIndex = index;
}

bool CommonDialog::showOpen()
{
    // Held by a guarded pointer: the window may go away while the dialog runs.
    QPointer<QFileDialog> dialog = new QFileDialog(m_parent);
    dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setFilter(dialog->filter() & ~QDir::CaseSensitive);
    if (!m_nameFilters.isEmpty()) {
        dialog->setNameFilters(m_nameFilters);
        const bool inRange = m_filterIndex >= 1 && m_filterIndex <= m_nameFilters.size();
        dialog->selectNameFilter(m_nameFilters[inRange ? m_filterIndex - 1 : 0]);
    }
    const bool inStartFolder = m_startFolder.isEmpty() || QFileInfo(m_fileName).absolutePath() == m_startFolder;
    if (!m_fileName.isEmpty() && inStartFolder)
        dialog->selectFile(m_fileName);
    else if (!m_startFolder.isEmpty())
        dialog->setDirectory(m_startFolder);

    emit aboutToShow(dialog);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!dialog)
        return false;  // gone with its parent window: nothing was chosen
    const QStringList files = dialog->selectedFiles();
    const bool chosen = accepted && !files.isEmpty();
    if (chosen) {
        m_fileName = files.constFirst();
        const qsizetype selected = m_nameFilters.indexOf(dialog->selectedNameFilter());
        if (selected >= 0)
            m_filterIndex = static_cast<std::int16_t>(selected + 1);
    }
    delete dialog;
    return chosen;
}
