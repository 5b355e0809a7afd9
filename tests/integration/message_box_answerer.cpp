#include "tests/integration/message_box_answerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QPointer>

namespace {
const char *const kAnswered = "integrationAnswered";
}

MessageBoxAnswerer::MessageBoxAnswerer()
{
    QApplication::instance()->installEventFilter(this);
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    QApplication::instance()->removeEventFilter(this);
}

bool MessageBoxAnswerer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Show)
        return false;
    auto *box = qobject_cast<QMessageBox *>(watched);
    if (!box || box->property(kAnswered).toBool())
        return false;
    box->setProperty(kAnswered, true);
    m_boxes.push_back({box->windowTitle(), box->text(), box->icon()});
    // Pressed from the box's own event loop, once it runs.
    QPointer<QMessageBox> shown = box;
    QMetaObject::invokeMethod(
        box,
        [shown] {
            if (!shown)
                return;
            if (QAbstractButton *ok = shown->button(QMessageBox::Ok))
                ok->click();
            else
                shown->reject();
        },
        Qt::QueuedConnection);
    return false;
}
