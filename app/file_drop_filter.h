#pragma once

#include <QObject>
#include <QString>

class QMimeData;
class QWidget;

// Lets the user drop a file on a window: a watched window accepts a drag that carries
// exactly one local file, and `dropped` names the file. Several files, a folder-less
// URL or plain text are refused at the window's edge. GUI thread only.
class FileDropFilter : public QObject {
    Q_OBJECT

public:
    explicit FileDropFilter(QObject *parent = nullptr) : QObject(parent) {}

    void watch(QWidget *window);  // from now on the window takes drops

    // The one local file the data carries, else empty.
    static QString droppedFile(const QMimeData *data);

signals:
    // Emitted inside the drop's own event: connect queued before doing anything modal.
    void dropped(const QString &fileName);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
