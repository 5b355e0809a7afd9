#include "app/label_adapter.h"

#include <QLabel>

void LabelAdapter::setCaption(const QString &text)
{
    m_label->setText(text);
}
