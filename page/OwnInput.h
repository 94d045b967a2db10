#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class QObject;
class QWidget;

namespace kestrin {

// The window's own key and mouse events as the hook library would post them, for desktops where
// the hook cannot listen (a Wayland session, where X input sees only X clients, or no library).
struct OwnInput {
    QWidget* window = nullptr; // only events of this window's widgets
    // Set: only the keys this widget receives; Tab, Backtab and Escape keep moving the focus and
    // cancelling. Unset: every key of the window. Presses and releases alike.
    QWidget* keysOf = nullptr;
    bool withMouse = false;   // button presses and releases too
    QWidget* spare = nullptr; // its mouse events pass untouched
    // Each event as a hook message and parameter. The events it is given act on nothing else.
    std::function<void(uint32_t message, uint32_t param)> take;
};

// Listens while the returned object lives.
std::unique_ptr<QObject> MakeOwnInputListener(OwnInput input);

// The virtual key of a key event: letters as the layout types them, every other key by where
// it sits on a US keyboard (as the hook library names keys); 0 for none.
int VirtualKeyOfKeyEvent(int qtKey, uint32_t nativeScanCode);

} // namespace kestrin
