#include "app/HookLibrary.h"

#include "base/Trace.h"

#include <dlfcn.h>

namespace kestrin {
namespace {

template <class Fn> void Resolve(void* library, const char* name, Fn& slot)
{
    slot = reinterpret_cast<Fn>(::dlsym(library, name));
}

} // namespace

void* LoadHookLibrary(const std::string& file, HookTable& table)
{
    table = HookTable{};
    void* library = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = ::dlerror();
        Trace("hook library not loaded: %s\n", why ? why : file.c_str());
        return nullptr;
    }
    Resolve(library, "installmousehook", table.installmousehook);
    Resolve(library, "removemousehook", table.removemousehook);
    Resolve(library, "enablemousehook", table.enablemousehook);
    Resolve(library, "installhook", table.installhook);
    Resolve(library, "removehook", table.removehook);
    Resolve(library, "enablehook", table.enablehook);
    Resolve(library, "mousewheelenable", table.mousewheelenable);
    return library;
}

void UnloadHookLibrary(void* library, HookTable& table)
{
    table = HookTable{};
    if (library)
        ::dlclose(library);
}

} // namespace kestrin
