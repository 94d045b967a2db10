/* A hook library with only some of the seven entry points, to prove the program resolves each
 * by name and leaves the missing ones null. Calls are counted for the test to read. */
#include <stdint.h>

int fake_hook_calls_removehook = 0;

int installhook(uintptr_t window) { return window != 0; }
int removehook(void) { return ++fake_hook_calls_removehook; }
int enablehook(int on) { return on; }
