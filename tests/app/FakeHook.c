/* A hook library with only some of the seven entry points, to prove the program resolves each
 * by name and leaves the missing ones null. Calls are counted for the test to read. */
#include <stdint.h>

int fake_hook_calls_removehook = 0;

int installhook(uintptr_t window) { return window != 0; }
void removehook(void) { ++fake_hook_calls_removehook; }
int fake_hook_enabled = -1;

void enablehook(int on) { fake_hook_enabled = on; }
