#pragma once

#include "base/MessagePost.h"

#include <string>

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

inline constexpr const char* HOOK_LIBRARY_FILE = "libHook.so";

// Opens `file` and resolves the entry points by name into `table`; an entry point the library
// lacks leaves its slot null. Returns the library handle, or null (every slot null) when the
// library is missing or cannot be loaded.
void* LoadHookLibrary(const std::string& file, HookTable& table);
void UnloadHookLibrary(void* library, HookTable& table);

} // namespace kestrin
