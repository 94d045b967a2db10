#include "app/Application.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>

// A library unloaded before the leak check takes its symbols with it, and what it still held is
// reported from "<unknown module>": in the sanitizer build nothing is unloaded, so every report
// names its frames.
extern "C" int dlclose(void*) noexcept { return 0; }
#endif

int main(int argc, char** argv)
{
    const int result = kestrin::RunKestrin(argc, argv);
#if defined(__SANITIZE_ADDRESS__)
    // All of the program's own is freed by now. Qt's own threads (D-Bus, the X reader, the pool)
    // end only in its static destructors, and the usual check at exit races with their ends (it
    // took such a thread's data for a leak about once in 16 runs): leaks are looked for here.
    __lsan_do_leak_check();
#endif
    return result;
}
