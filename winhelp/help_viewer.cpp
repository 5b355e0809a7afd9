#include "winhelp/help_viewer.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpViewer::HelpViewer(QWidget *parent) : QWidget(parent), m_browser(new QTextBrowser(this))
{
    m_browser->setObjectName(QStringLiteral("helpText"));
    m_browser->setOpenExternalLinks(false);
    m_browser->setOpenLinks(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(640, 560);
}

void HelpViewer::display(const HelpDocument &document)
{
    m_document = document;
    setWindowTitle(document.title);
    // Relative images and links inside the help resolve beside the file.
    m_browser->document()->setBaseUrl(document.loaded ? QUrl::fromLocalFile(document.path) : QUrl());
    m_browser->setHtml(document.body);
}

QString HelpViewer::shownText() const
{
    return m_browser->toPlainText();
}
