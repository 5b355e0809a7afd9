#pragma once

#include "playback/form_controls.h"

#include <QObject>
#include <QStringList>

class QFileDialog;
class QWidget;

// The window's open-file dialog: Qt's own file dialog (never the desktop's native one,
// so that it can be driven like any other window of the program), modal over `parent`.
//
// Filter is "description|pattern|description|pattern...": each pair is one entry of
// the dialog's file-type list, showing the description alone. A pattern may hold
// several wildcards separated by ";". Patterns match without regard to case, so
// "*.AVI" finds "clip.avi", and "*.*" means every file, dotted or not. A description
// without a pattern after it is dropped.
//
// The member with dispatch id 23 is FilterIndex: the 1-based index of the filter
// selected when the dialog opens; an index outside the list selects the first. After
// an accepted dialog it holds the filter the user left selected.
//
// FileName is the chosen file's absolute path. It is kept from one showing to the
// next: the dialog opens on it, and a cancelled dialog leaves it as it was. A start
// folder, when set, is where the dialog opens instead, unless FileName lies in it.
class CommonDialog : public QObject, public OpenFileDialog {
    Q_OBJECT

public:
    explicit CommonDialog(QWidget *parent);

    // OpenFileDialog
    void setFilter(const QString &pairs) override;
    void setFilterIndex(std::int16_t index) override;
    bool showOpen() override;  // false when cancelled
    QString fileName() const override { return m_fileName; }

    std::int16_t filterIndex() const { return m_filterIndex; }
    void setStartFolder(const QString &folder) { m_startFolder = folder; }

signals:
    // The dialog, fully set up, just before it runs modally. Lets a test or a script
    // reach it; a call queued on it runs inside the dialog's own event loop.
    void aboutToShow(QFileDialog *dialog);

private:
    QWidget *m_parent;
    QStringList m_nameFilters;  // in Qt's "description (patterns)" form
    std::int16_t m_filterIndex = 0;
    QString m_fileName;
    QString m_startFolder;  // empty: wherever FileName, or Qt, puts it
};
