/* The one way a run-time library (driver libraries, hook library) reaches the program:
 * a thread-safe post of a window message, exported by the program with C linkage.
 * Libraries resolve it with dlsym(RTLD_DEFAULT, KESTRIN_POST_MESSAGE_SYMBOL) when they are
 * opened, so that a test harness can export its own. Plain C: the libraries are C-callable. */
#ifndef KESTRIN_MESSAGE_POST_H
#define KESTRIN_MESSAGE_POST_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* An opaque window handle: nonzero for a live window, never a pointer the library may use. */
typedef uintptr_t KestrinWindow;

/* Queues `message` for `window`'s thread and returns at once. Returns nonzero when queued,
 * 0 when the window is unknown or gone (a post to a closed window is dropped, never a crash). */
typedef int (*KestrinPostMessageFn)(
    KestrinWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);

#define KESTRIN_POST_MESSAGE_SYMBOL "KestrinPostMessage"

int KestrinPostMessage(KestrinWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);

#ifdef __cplusplus
}
#endif

#endif
