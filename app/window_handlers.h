#pragma once

#include "platform/forms/forms_runtime.h"
#include "playback/form_controls.h"
#include "playback/mm_control.h"

#include <cstdint>

// What the window's own handlers reach, by the names the window gives them.
struct WindowControls {
    FormsRuntime &App;
    MMControl &MMControl1;
    FormWindow &Form1;
};

// Form1's handlers for start-up, shutdown, Help and About. They keep no state. Only
// Form_Load (from the opening of the device on) and Command2_Click trap errors; any
// other RuntimeError leaves the handler at the failing step and goes to the caller.
class WindowHandlers {
public:
    explicit WindowHandlers(WindowControls controls) : c(controls) {}

    void Form_Load();
    void Form_QueryUnload(std::int16_t &Cancel, std::int16_t &UnloadMode);
    void Form_Unload(std::int16_t &Cancel);
    void Command2_Click();  // "Help!"
    void Command3_Click();  // "About"
    void Command4_Click();  // "Exit"

private:
    WindowControls c;
};
