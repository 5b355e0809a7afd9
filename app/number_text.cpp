#include "app/number_text.h"

QString numberAsText(std::int32_t number)
{
    const QString digits = QString::number(number);
    return number < 0 ? digits : QStringLiteral(" ") + digits;
}
