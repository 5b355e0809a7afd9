#pragma once

#include "winhelp/help_document.h"

#include <QWidget>

class QTextBrowser;

// The help viewer's window: the help file's text in a browser, its title in the
// window's caption. Links inside the file are followed; links leaving it are not.
class HelpViewer : public QWidget {
    Q_OBJECT

public:
    explicit HelpViewer(QWidget *parent = nullptr);

    void display(const HelpDocument &document);
    const HelpDocument &document() const { return m_document; }
    QString shownText() const;  // what the reader sees, as plain text

private:
    QTextBrowser *m_browser;
    HelpDocument m_document;
};
