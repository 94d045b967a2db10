#pragma once

#include <memory>
#include <string>

namespace kestrin {

// What the key code tables need of a keyboard layout. Scan codes are set-1 make codes; an
// extended key carries its prefix in the high byte (0xE01C is the keypad Enter key, 0xE11D
// Pause).
class KeyLayout {
public:
    virtual ~KeyLayout() = default;

    // The scan code of the key that gives `virtualKey`; 0 when no key gives it.
    virtual unsigned VirtualKeyToScanCode(unsigned virtualKey) const = 0;

    // The virtual key of the key at `scanCode` (left and right modifiers kept apart);
    // 0 when the layout has no such key.
    virtual unsigned ScanCodeToVirtualKey(unsigned scanCode) const = 0;

    // The characters the key gives with no modifier held; a dead key gives its accent.
    // `scanCode` picks the key when it is not 0, else `virtualKey` does. Empty when the key
    // gives no printable character.
    virtual std::u16string KeyText(unsigned virtualKey, unsigned scanCode) const = 0;
};

// A layout that has no keys: every query answers 0 or nothing.
class NoKeyLayout final : public KeyLayout {
public:
    unsigned VirtualKeyToScanCode(unsigned) const override { return 0; }
    unsigned ScanCodeToVirtualKey(unsigned) const override { return 0; }
    std::u16string KeyText(unsigned, unsigned) const override { return {}; }
};

// The layout the key functions use when none is passed: the desktop's, installed by the
// program at start-up; a NoKeyLayout until then. Replacing it returns the previous one.
std::shared_ptr<const KeyLayout> SetCurrentKeyLayout(std::shared_ptr<const KeyLayout> layout);
std::shared_ptr<const KeyLayout> CurrentKeyLayout();

} // namespace kestrin
