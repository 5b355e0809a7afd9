#pragma once

#include "playback/form_controls.h"

class QLabel;

// A QLabel as the handlers see a label.
class LabelAdapter : public Label {
public:
    explicit LabelAdapter(QLabel *label) : m_label(label) {}

    void setCaption(const QString &text) override;

private:
    QLabel *m_label;
};
