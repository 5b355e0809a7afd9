#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>

#include <vector>

// Answers every message box the program shows, as a user pressing its OK button, and
// keeps what each one said. Watches the whole application from construction to
// destruction; GUI thread only. Without it, an unexpected box would hold a test
// until its time-out.
class MessageBoxAnswerer : public QObject {
    Q_OBJECT

public:
    struct Box {
        QString title;
        QString text;
        QMessageBox::Icon icon;
    };

    MessageBoxAnswerer();
    ~MessageBoxAnswerer() override;

    const std::vector<Box> &boxes() const { return m_boxes; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::vector<Box> m_boxes;
};
