#pragma once

#include "profiles/ProfileRecord.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kestrin {

// One function a button can have: its code, the menu item that chooses it (empty when no menu
// item does) and the language text id of its label (empty for a composed or an empty label).
struct ButtonFunction {
    uint8_t code;
    std::string_view menuItem;
    std::string_view labelTextId;
};

// Every function code the program knows.
std::span<const ButtonFunction> ButtonFunctionTable();

// Whether the table holds `code`.
bool IsFunctionCode(uint8_t code);

// The code a menu item chooses, compared without regard to case; nothing for an item of no
// function.
std::optional<uint8_t> FunctionForMenuItem(std::string_view menuItem);

// Turns a language text id into its text.
using TextLookup = std::function<std::u16string(std::string_view textId)>;

// A button's label: the text of its function; for a shortcut the modifiers ("Ctrl+Shift+") and
// the key's name, for a macro or a pattern the assignment text and the name it carries; empty
// for a code the table does not know.
std::u16string ButtonLabel(const ButtonSlot& slot, const TextLookup& text,
    const std::function<std::u16string(unsigned keyCode)>& keyName);

} // namespace kestrin
