#pragma once

#include "playback/form_controls.h"

class QCheckBox;

// A QCheckBox as the handlers see a check box: value 0 or 1.
//
// The box's Click handler is wired to QCheckBox::clicked, which Qt emits only for the
// user's own toggles (mouse or Space), after the new state is set. The program's
// setValue() therefore never raises Click: a handler clearing "Loop" or "Reverse" does
// not run that box's handler.
class CheckBoxAdapter : public CheckBox {
public:
    explicit CheckBoxAdapter(QCheckBox *box) : m_box(box) {}

    std::int16_t value() const override;
    void setValue(std::int16_t value) override;
    void setEnabled(bool enabled) override;

private:
    QCheckBox *m_box;
};
