#pragma once

#include "platform/forms/forms_runtime.h"
#include "platform/forms/runtime_error.h"
#include "platform/forms/runtime_errors.h"

#include <utility>

// "Run-time error 'N':", an empty line, then the description.
QString unhandledErrorText(const RuntimeError &error);

// The runtime's treatment of an error no handler traps: a critical box titled with the
// application's title. The program then goes on: every piece of state lives in the
// controls, so ending would gain nothing.
void reportUnhandledError(FormsRuntime &runtime, const RuntimeError &error);

// Runs one event handler under that treatment; false when it ended by an error. Every
// event the window delivers goes through here, so no error escapes into the toolkit's
// event loop.
template <typename Handler>
bool runHandler(FormsRuntime &runtime, Handler &&handler)
{
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (const RuntimeError &error) {
        reportUnhandledError(runtime, error);
    } catch (const std::exception &error) {
        reportUnhandledError(runtime, RuntimeError(runtime_errors::kInternal,
                                                   QStringLiteral("Internal error: ") + QString::fromUtf8(error.what())));
    }
    return false;
}
