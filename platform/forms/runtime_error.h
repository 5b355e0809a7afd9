#pragma once

#include <QString>
#include <stdexcept>

// An error raised by a control or the runtime, carrying the number the window's
// handlers test and the text shown to the user when no handler traps it.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const QString &description)
        : std::runtime_error(description.toStdString()), m_number(number), m_description(description) {}

    int number() const { return m_number; }
    QString description() const { return m_description; }

private:
    int m_number;
    QString m_description;
};
