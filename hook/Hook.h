/* The hook library's entry points: global key and mouse-button events, delivered to one window
 * of the program as WM_HOOK_EVENT through the program's message post (MessagePost.h).
 * Plain C with C linkage; the program resolves each by name after dlopen.
 *
 * There is one hook, one target window and one listener thread per process.
 *  - installhook(w): install for window w (or move an installed hook to w). Key events on;
 *    mouse-button and wheel events off until enabled. Returns 1 when listening, 0 when there is
 *    nothing to listen to (no X11 display, no XInput 2.2, w == 0, no message post exported).
 *  - installmousehook(w): the same with mouse-button events on and key events off.
 *  - removehook(), removemousehook(): stop listening, join the thread, forget the window. When
 *    either returns, nothing more is posted. Safe when nothing is installed.
 *  - enablehook(on), enablemousehook(on), mousewheelenable(on): gate key events, mouse-button
 *    events, and wheel events (posted only while mouse-button events are on too); nonzero is on.
 *    They act at once and last until the next install, which sets them as above.
 *
 * Posted: wParam a Windows virtual-key code with lParam 0 for a press and 1 for a release (a held
 * key may or may not repeat its press); keys without a virtual-key code are not posted. Or a
 * mouse message of base/Messages.h: a button going down or up with lParam 0 down, 1 up, the
 * X buttons' with lParam the X-button number (2 = back, 1 = forward), the vertical or horizontal
 * wheel's with lParam +120 (up, right) or -120 per notch.
 * Buttons are the physical ones, before a left-handed swap.
 * Messages are posted from the listener thread, in the order the events happened; every call here
 * is thread-safe. Events that arrive while a remove is under way may be dropped. */
#ifndef KESTRIN_HOOK_H
#define KESTRIN_HOOK_H

#include "base/MessagePost.h"

#ifdef __cplusplus
extern "C" {
#endif

#define KESTRIN_HOOK_EXPORT __attribute__((visibility("default")))

KESTRIN_HOOK_EXPORT int installmousehook(KestrinWindow window);
KESTRIN_HOOK_EXPORT void removemousehook(void);
KESTRIN_HOOK_EXPORT void enablemousehook(int enable);
KESTRIN_HOOK_EXPORT int installhook(KestrinWindow window);
KESTRIN_HOOK_EXPORT void removehook(void);
KESTRIN_HOOK_EXPORT void enablehook(int enable);
KESTRIN_HOOK_EXPORT void mousewheelenable(int enable);

typedef int (*KestrinInstallHookFn)(KestrinWindow window);
typedef void (*KestrinRemoveHookFn)(void);
typedef void (*KestrinEnableHookFn)(int enable);

#ifdef __cplusplus
}
#endif

#endif
