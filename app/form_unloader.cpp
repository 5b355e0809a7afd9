#include "app/form_unloader.h"

#include "platform/forms/unhandled_error.h"

FormUnloader::FormUnloader(FormsRuntime &runtime, WindowHandlers &handlers)
    : m_runtime(runtime), m_handlers(handlers)
{
}

bool FormUnloader::unload(std::int16_t unloadMode)
{
    if (m_unloaded)
        return true;
    if (m_unloading)
        return false;
    m_unloading = true;

    std::int16_t cancel = 0;
    runHandler(m_runtime, [&] { m_handlers.Form_QueryUnload(cancel, unloadMode); });
    if (cancel == 0) {
        // An error from "close" is reported and the window still goes: a device that
        // cannot close must not keep the player on screen.
        runHandler(m_runtime, [&] { m_handlers.Form_Unload(cancel); });
    }
    m_unloading = false;
    m_unloaded = cancel == 0;
    return m_unloaded;
}
