#pragma once

#include "base/MessagePost.h"

namespace kestrin {

// The seven entry points of the keyboard and mouse hook library (libHook.so), C linkage.
// While installed it posts WM_HOOK_EVENT to the window given to installhook. A slot is null
// when the library or the entry point is missing; HookCalls calls through it.
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

// The hook library's calls as its users make them. Without a table, or without an entry point,
// a call does nothing, and an install fails: the caller listens some other way.
class HookCalls {
public:
    HookCalls() = default;
    explicit HookCalls(const HookTable* table) : table_(table) { }

    // Listens for `window`, key events on; false when the hook cannot listen here.
    bool Install(KestrinWindow window) const
    {
        return table_ && table_->installhook && table_->installhook(window) != 0;
    }
    void Remove() const { Call(&HookTable::removehook); }
    void RemoveMouse() const { Call(&HookTable::removemousehook); }
    void EnableKeys(bool on) const { Call(&HookTable::enablehook, on ? 1 : 0); }
    void EnableButtons(bool on) const { Call(&HookTable::enablemousehook, on ? 1 : 0); }
    void EnableWheel(bool on) const { Call(&HookTable::mousewheelenable, on ? 1 : 0); }

private:
    template <class Slot, class... Args> void Call(Slot HookTable::*slot, Args... args) const
    {
        if (table_ && table_->*slot)
            (table_->*slot)(args...);
    }

    const HookTable* table_ = nullptr;
};

} // namespace kestrin
