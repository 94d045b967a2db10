#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kestrin {

class KeyLayout;

// Turns a language text id into the text shown to the user; the UI layer's resource manager
// supplies it.
using KeyTextLookup = std::function<std::u16string(std::u16string_view id)>;

// The lookup the key functions use when none is passed; until one is installed every id
// reads as itself. Replacing it returns the previous one.
KeyTextLookup SetKeyTextLookup(KeyTextLookup lookup);

// The language text id naming a virtual key, or nothing when the layout names it.
std::optional<std::u16string_view> VirtualKeyTextId(unsigned virtualKey);

// The language text id naming a key code that the layout does not name, or nothing.
std::optional<std::u16string_view> UsageTextId(unsigned usage);

// The name of a virtual key: its language text, or the upper-cased characters the key gives
// on `layout`.
std::u16string VirtualKeyName(
    unsigned virtualKey, const KeyLayout& layout, const KeyTextLookup& lookup);
std::u16string VirtualKeyName(unsigned virtualKey);

// The name of a key code, as the user's keyboard shows it; writes the trace "m_key = %s".
std::u16string UsageName(unsigned usage, const KeyLayout& layout, const KeyTextLookup& lookup);
std::u16string UsageName(unsigned usage);

// Upper case of a name, unit by unit, the way the program compares names (ß stays ß).
std::u16string UpperCaseName(std::u16string_view name);

} // namespace kestrin
