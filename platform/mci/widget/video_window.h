#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

// The multimedia control's video window: a top-level window of its own showing the
// latest picture scaled to fit, aspect ratio kept, black around it. Closing it only
// hides it. It never takes the keyboard focus, and it does not keep the program
// running when the main window closes. GUI thread only.
class VideoWindow : public QWidget {
    Q_OBJECT

public:
    explicit VideoWindow(QWidget *parent = nullptr);

    // A clip was opened: title it, size and place it for the clip beside `anchor`'s
    // window (see video_window_placement.h), and show it as soon as it has a picture.
    void openClip(const QString &title, QSize displaySize, QWidget *anchor);
    void showAgain();  // a play started: shows the window if the user closed it
    void closeClip();  // hides it and drops the picture

    // displaySize: the picture's shape on screen (sample aspect applied).
    void setPicture(const QImage &image, QSize displaySize);
    void clearPicture();
    QImage picture() const { return m_picture; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    void showWithoutFocus();
    void placeBeside(QWidget &main);
    QRect pictureRect() const;

    QImage m_picture;
    QSize m_displaySize;  // of the picture, else of the clip
    QSize m_clipSize{320, 240};
    bool m_placed = false;  // it stands where it was placed or the user put it
    QPointer<QWidget> m_main;  // the window it was placed beside, kept above it where they overlap
    bool m_showOnPicture = false;  // a clip was opened; its first picture shows the window
    QPointer<QWidget> m_keepActive;  // the window that had the focus when this one was shown
};
