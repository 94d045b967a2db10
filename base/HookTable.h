#pragma once

#include "base/MessagePost.h"

namespace kestrin {

// The seven entry points of the keyboard and mouse hook library (libHook.so), C linkage.
// While installed it posts WM_HOOK_EVENT to the window given to installhook. Every caller
// skips a slot that is null (library or entry point missing).
struct HookTable {
    // The signatures of hook/Hook.h.
    using InstallMouseHook = int (*)(KestrinWindow window);
    using RemoveMouseHook = void (*)();
    using EnableMouseHook = void (*)(int on);
    using InstallHook = int (*)(KestrinWindow window);
    using RemoveHook = void (*)();
    using EnableHook = void (*)(int on);
    using MouseWheelEnable = void (*)(int on);

    InstallMouseHook installmousehook = nullptr;
    RemoveMouseHook removemousehook = nullptr;
    EnableMouseHook enablemousehook = nullptr;
    InstallHook installhook = nullptr;
    RemoveHook removehook = nullptr;
    EnableHook enablehook = nullptr;
    MouseWheelEnable mousewheelenable = nullptr;
};

} // namespace kestrin
