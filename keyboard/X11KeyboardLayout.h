#pragma once

#include "keyboard/KeyboardLayout.h"

#include <cstdint>
#include <memory>
#include <mutex>

struct xcb_connection_t;

namespace kestrin {

// The X server's core keyboard as the user has it now: a new keymap (setxkbmap, the
// desktop's settings) or a switch to another group is picked up at the next query.
class X11KeyboardLayout final : public KeyLayout {
public:
    ~X11KeyboardLayout() override;
    X11KeyboardLayout(const X11KeyboardLayout&) = delete;
    X11KeyboardLayout& operator=(const X11KeyboardLayout&) = delete;

    // Nothing without a reachable display (nullptr: $DISPLAY) or its XKB extension.
    static std::unique_ptr<X11KeyboardLayout> Connect(const char* displayName = nullptr);

    unsigned VirtualKeyToScanCode(unsigned virtualKey) const override;
    unsigned ScanCodeToVirtualKey(unsigned scanCode) const override;
    std::u16string KeyText(unsigned virtualKey, unsigned scanCode) const override;

    // The layout in use, as of now.
    std::shared_ptr<const XkbKeyboardLayout> Snapshot() const;

private:
    X11KeyboardLayout(xcb_connection_t* connection, std::int32_t device, std::uint8_t xkbEvent,
        std::unique_ptr<XkbKeyboardLayout> layout);
    // Reads the server's events; true when the keymap or the group changed.
    bool TakeChanges() const;

    xcb_connection_t* connection_;
    std::int32_t device_;
    std::uint8_t xkbEvent_;
    mutable std::mutex mutex_;
    mutable std::shared_ptr<const XkbKeyboardLayout> layout_;
};

} // namespace kestrin
