#include "platform/forms/unhandled_error.h"

namespace {
constexpr int kCriticalStyle = 16;
}

QString unhandledErrorText(const RuntimeError &error)
{
    return QStringLiteral("Run-time error '%1':\r\r%2").arg(QString::number(error.number()), error.description());
}

void reportUnhandledError(FormsRuntime &runtime, const RuntimeError &error)
{
    runtime.logError(error.number(), error.description());
    runtime.msgBox(unhandledErrorText(error), kCriticalStyle, runtime.title());
}
