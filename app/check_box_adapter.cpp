#include "app/check_box_adapter.h"

#include <QCheckBox>

std::int16_t CheckBoxAdapter::value() const
{
    return m_box->isChecked() ? 1 : 0;
}

void CheckBoxAdapter::setValue(std::int16_t value)
{
    m_box->setChecked(value != 0);
}

void CheckBoxAdapter::setEnabled(bool enabled)
{
    m_box->setEnabled(enabled);
}
