#pragma once

#include "app/window_handlers.h"

#include <cstdint>

// Unloading Form1: Form_QueryUnload, then Form_Unload, each under the runtime's
// treatment of unhandled errors. Whatever asks (Exit, the close box, a start-up or Help
// error, the session ending), the handlers run once per closing, so the device gets
// exactly one "close".
class FormUnloader {
public:
    // The reasons Form_QueryUnload is told.
    static constexpr std::int16_t kFormControlMenu = 0;  // the close box
    static constexpr std::int16_t kFormCode = 1;  // Unload from a handler
    static constexpr std::int16_t kAppWindows = 2;  // the session is ending

    FormUnloader(FormsRuntime &runtime, WindowHandlers &handlers);

    // True when the window may go: it is (or already was) unloaded. False when a
    // handler set Cancel, or while an unload is already under way.
    bool unload(std::int16_t unloadMode);
    bool isUnloaded() const { return m_unloaded; }

private:
    FormsRuntime &m_runtime;
    WindowHandlers &m_handlers;
    bool m_unloading = false;
    bool m_unloaded = false;
};
