#pragma once

#include "base/KeyLayout.h"
#include "keyboard/AnnouncedLayout.h"

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace kestrin {

// A keyboard layout compiled by libxkbcommon, seen through Windows virtual-key codes.
// Keys outside the alphanumeric block have fixed virtual keys; a letter key gives the
// virtual key of the letter it carries (on a French layout the key at the US "Q" position
// gives 'A'), a punctuation key that of its character where it has a US counterpart, and
// any other key that of its US position.
class XkbKeyboardLayout final : public KeyLayout {
public:
    ~XkbKeyboardLayout() override;
    XkbKeyboardLayout(const XkbKeyboardLayout&) = delete;
    XkbKeyboardLayout& operator=(const XkbKeyboardLayout&) = delete;

    // Compiled from layout names ("us", "fr", "de"; variant may be empty). Nothing when
    // libxkbcommon has no such layout.
    static std::unique_ptr<XkbKeyboardLayout> FromNames(
        std::string_view layout, std::string_view variant = {});

    // Group `group` of a compiled keymap; takes a reference of its own.
    static std::unique_ptr<XkbKeyboardLayout> FromKeymap(
        xkb_keymap* keymap, unsigned group, std::string description);

    // Where the layout came from, for diagnostics: "fr", "de(nodeadkeys)", "x11: French".
    const std::string& Description() const { return description_; }

    unsigned VirtualKeyToScanCode(unsigned virtualKey) const override;
    unsigned ScanCodeToVirtualKey(unsigned scanCode) const override;
    std::u16string KeyText(unsigned virtualKey, unsigned scanCode) const override;

private:
    XkbKeyboardLayout(xkb_keymap* keymap, unsigned group, std::string description);
    void AssignVirtualKeys();

    xkb_keymap* keymap_;
    xkb_state* state_;
    std::string description_;
    std::map<unsigned, unsigned> scanToVirtualKey_;
    std::array<unsigned, 256> virtualKeyToScan_{};
};

// A libxkbcommon context that ignores the XKB_DEFAULT_* names and logs to the trace.
xkb_context* NewXkbContext();

// Set-1 scan code (extended keys with 0xE0 or 0xE1 in the high byte) <-> Linux input event
// code; 0 where there is none.
unsigned ScanCodeToEvdevCode(unsigned scanCode);
unsigned EvdevCodeToScanCode(unsigned evdevCode);

// The virtual key of a key by its Linux input event code (xkb keycode less 8), for key
// capture; 0 for keys the layout does not know.
unsigned EvdevCodeToVirtualKey(const KeyLayout& layout, unsigned evdevCode);

// The desktop's layout, to install with SetCurrentKeyLayout at start-up: the X server's,
// following the user's layout switches, where there is a display; else the announced one;
// else "us". Nothing only when libxkbcommon has no layouts at all.
std::unique_ptr<KeyLayout> OpenDesktopKeyLayout();

} // namespace kestrin
