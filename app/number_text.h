#pragma once

#include <QString>

#include <cstdint>

// A number as message texts show it: decimal, with a leading blank when it is 0 or
// more and the minus sign in the blank's place when it is negative.
QString numberAsText(std::int32_t number);
