#pragma once

#include "base/MessagePost.h"

#include <QEvent>

#include <cstdint>

class QObject;

namespace kestrin {

// A posted window message, delivered on the receiving window's thread.
class WindowMessageEvent final : public QEvent {
public:
    WindowMessageEvent(uint32_t message, uintptr_t wParam, intptr_t lParam);
    static QEvent::Type EventType();

    const uint32_t message;
    const uintptr_t wParam;
    const intptr_t lParam;
};

// Window handles: opaque nonzero numbers, never reused during a run, mapped to the live object
// that receives WindowMessageEvents. Lookups and posts are safe from any thread.
KestrinWindow RegisterWindow(QObject* receiver);
void UnregisterWindow(KestrinWindow window);
bool IsLiveWindow(KestrinWindow window);

// Queues a message for the window; false (and dropped) when the window is unknown or gone.
bool PostWindowMessage(KestrinWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Ends the UI thread's event loop with `exitCode` once the current message is handled.
void PostQuitMessage(int exitCode);

} // namespace kestrin
