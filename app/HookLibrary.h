#pragma once

#include "base/HookTable.h"

#include <string>

namespace kestrin {

inline constexpr const char* HOOK_LIBRARY_FILE = "libHook.so";

// Opens `file` and resolves the entry points by name into `table`; an entry point the library
// lacks leaves its slot null. Returns the library handle, or null (every slot null) when the
// library is missing or cannot be loaded.
void* LoadHookLibrary(const std::string& file, HookTable& table);
void UnloadHookLibrary(void* library, HookTable& table);

} // namespace kestrin
