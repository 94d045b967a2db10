#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

static_assert(
    std::endian::native == std::endian::little, "records are stored raw as little-endian bytes");

namespace kestrin {

enum class MacroActionKind : uint8_t { Press = 1, Release = 2 };

// Key codes 0xF1..0xF5 stand for the mouse buttons inside a macro.
inline constexpr uint8_t kMouseLeftKey = 0xF1;
inline constexpr uint8_t kMouseRightKey = 0xF2;
inline constexpr uint8_t kMouseMiddleKey = 0xF3;
// The side buttons go by the X button that plays them: X button 1 (Linux button 8, mostly
// "back") is 0xF5 and X button 2 (button 9) is 0xF4, although the key names call 0xF4 "back".
inline constexpr uint8_t kMouseXButton2Key = 0xF4;
inline constexpr uint8_t kMouseXButton1Key = 0xF5;

struct MacroAction {
    uint8_t key;    // HID keyboard usage, or a mouse button code
    uint8_t kind;   // MacroActionKind
    uint16_t delay; // ms to wait after this action
};

inline constexpr int kMacroMaxActions = 46;
inline constexpr int kMacroNameUnits = 24;
inline constexpr int kMacroMaxSizeUnits = 47;    // largest size a macro may be stored with
inline constexpr int kMacroRecordStopUnits = 46; // recording stops here
inline constexpr int kMacroMinEditedDelay = 1;
inline constexpr int kMacroMaxDelay = 25000;
// The longest pause a download entry carries on its own; a longer one takes a long-delay entry.
inline constexpr int kShortDelayMax = 127;

struct MacroRecord {
    char16_t name[kMacroNameUnits];
    uint8_t reserved48[4];
    int32_t actionCount; // 0..46
    MacroAction actions[kMacroMaxActions];
};

static_assert(sizeof(MacroAction) == 4);
static_assert(offsetof(MacroAction, key) == 0);
static_assert(offsetof(MacroAction, kind) == 1);
static_assert(offsetof(MacroAction, delay) == 2);
static_assert(sizeof(MacroRecord) == 240);
static_assert(offsetof(MacroRecord, name) == 0);
static_assert(offsetof(MacroRecord, reserved48) == 48);
static_assert(offsetof(MacroRecord, actionCount) == 52);
static_assert(offsetof(MacroRecord, actions) == 56);
static_assert(std::is_trivially_copyable_v<MacroRecord>);
static_assert(std::is_standard_layout_v<MacroRecord>);

// Records live on the heap, one block each; the list order is the order of macro.data.
using MacroList = std::vector<std::unique_ptr<MacroRecord>>;

// The size of a macro in the editor's units; also traced as "iTotalNum = %d\r\n".
// A count outside 0..actions.size() is clamped, so a damaged record never reads past its actions.
int MacroSizeUnits(std::span<const MacroAction> actions, int actionCount);

// Whether an action may carry this key code: a key of the key code table or a mouse button. Any
// other code would reach the mouse as another kind of entry (0xF6 a move, 0xFE a link).
bool IsMacroKey(uint8_t key);
constexpr bool IsMacroKind(uint8_t kind)
{
    return kind == uint8_t(MacroActionKind::Press) || kind == uint8_t(MacroActionKind::Release);
}

// The first of `actions` the editor could not have made, in words for the trace: a key code no
// key or mouse button has, or a kind other than press and release. Nothing when there is none.
std::optional<std::string> ForeignMacroAction(std::span<const MacroAction> actions);

// Holds the pauses of `actions` to what the editor and the mouse take: each to 1..25000 ms, and
// all of them to 47 size units, the last actions' long pauses cut to 127 ms first, as the
// download would cut them. True when one was held.
bool HoldDelaysInRange(std::span<MacroAction> actions);
// The same for the counted actions of a macro read from a file.
bool HoldDelaysInRange(MacroRecord& macro);

} // namespace kestrin
