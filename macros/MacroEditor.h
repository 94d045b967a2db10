#pragma once

#include "base/FileResult.h"
#include "base/Messages.h"
#include "macros/MacroRecord.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrin {

// How pauses between recorded events are stored.
enum class MacroDelayMode : int32_t { Recorded = 0, Default = 1, None = 2 };

// Where the action list scrolls once its rows are shown: to the end, to the selected row, or to
// it a moment later, when rows just added have their places (the row where a recording began,
// or the last inserted one).
enum class MacroScroll { ToEnd, ToSelected, ToRecordStartLater, ToInsertionLater };

// The macro editor without its window: the library, the selected macro, the working copy of its
// actions that every edit acts on, and live recording. An edit that leaves the macro within 47
// size units, or no larger than it is stored (an imported macro may be larger), is written into
// the record and the library saved at once; one that would not is undone by reloading the
// record. The window shows what this holds after each call.
class MacroEditor {
public:
    MacroEditor(MacroList& macros, std::string dataFolder);

    // The library and the selected macro.
    const MacroList& Macros() const { return macros_; }
    int32_t CurrentIndex() const { return currentIndex_; }
    const MacroRecord* Current() const { return current_; }
    // The working copy.
    std::span<const MacroAction> Actions() const { return {work_.data(), std::size_t(count_)}; }
    int32_t SelectedAction() const { return selected_; }
    // Set by every call that rebuilds the action list.
    MacroScroll Scroll() const { return scroll_; }
    bool Recording() const { return recording_; }
    // Told the outcome of every save of macro.data.
    void SetSaveObserver(std::function<void(const SaveResult&)> observer)
    {
        saved_ = std::move(observer);
    }
    // Told of every rename that was stored: the macro's index and the name it had.
    void SetRenameObserver(std::function<void(int index, std::u16string_view oldName)> observer)
    {
        renamed_ = std::move(observer);
    }
    // True when the last edit was undone: the working copy and the selected action are the
    // stored macro's again.
    bool EditUndone() const { return undone_; }

    // Macro `index` becomes the current one and its actions the working copy.
    void SelectMacro(int index);
    // Appends a new empty macro named `baseText` and a number, and selects it. Nothing (-1) when
    // the library is full.
    int AddMacro(std::u16string_view baseText);
    // Removes macro `index` and selects the one now at its place, or the one before when it was
    // the last; none when the library is empty.
    void DeleteMacro(int index);
    // Renames the current macro (cut to its field) and stores the name, whatever the macro's
    // size. False, leaving the name, when another macro has it without regard to case or the
    // text is empty: a nameless macro cannot be told apart in a list or on a button.
    bool Rename(std::u16string_view text);
    // Appends an imported macro under a free name (one without a name is named from
    // `baseText` as a new macro is) and selects it; its index, or -1 when the library is full.
    int Import(std::unique_ptr<MacroRecord> imported, std::u16string_view baseText);

    // A row of the action list was selected.
    void SelectAction(int row);
    // Inserts a press and a release of mouse button `button` (1..5) after the selected action
    // (at the start with none), each with `delay` ms.
    void InsertClick(int button, uint16_t delay);
    void MoveActionUp();
    void MoveActionDown();
    void DeleteAction();
    void ClearActions();

    // Action editing: the selected action's mouse button (combo entry 0..4, as the click
    // inserts' buttons 1..5), its key and its delay. The delay is held to 1..25000 (no number
    // counts as 0) and returned; the last action's delay is a placeholder and stays.
    void SetActionMouseButton(int entry);
    // A key without a key code (IsMacroKey) changes nothing.
    void SetActionKey(uint8_t key);
    uint16_t SetActionDelay(std::optional<long long> typed);
    // Discards every change since the last commit.
    void CancelEdits();

    // Live recording. Starts after the selected action, or replacing the working copy when none
    // is selected (a macro is added first when none is current). `nowMs` is a monotonic clock.
    void StartRecording(MacroDelayMode mode, uint16_t defaultDelay, uint64_t nowMs,
        std::u16string_view newMacroText);
    // One hook event while recording; false when it ended the recording. A key or button
    // without a key code (IsMacroKey) is left out.
    bool RecordEvent(uint32_t message, uint32_t param, uint64_t nowMs);
    // Whether the pointer rests on the control that stops the recording: a left click there
    // stops it and is not part of it; every other click is.
    void SetPointerOnStop(bool on) { pointerOnStop_ = on; }
    // Keeps the recording when it fits in 47 units, else restores the stored macro.
    void StopRecording();

    // The key code a hook event names for key capture (0 when it names none).
    static uint8_t KeyCodeOf(uint32_t virtualKey);

private:
    bool Commit();
    void Reload();
    void Rebuilt();
    bool InsertAction(const MacroAction& action);
    void Save();
    bool HasSelectedAction() const { return selected_ >= 0 && selected_ < count_; }

    MacroList& macros_;
    std::string dataFolder_;
    MacroRecord* current_ = nullptr;
    int32_t currentIndex_ = -1;
    std::array<MacroAction, kMacroMaxActions> work_{};
    int32_t count_ = 0;
    bool recording_ = false;
    bool firstEvent_ = false;
    std::optional<std::pair<uint32_t, uint32_t>> lastEvent_; // the last accepted hook event
    bool pointerOnStop_ = false;
    bool stopClickHeld_ = false; // a left press on the stop control was left out
    int32_t recordStart_ = -1;
    bool inserting_ = false;
    uint16_t defaultDelay_ = 10;
    MacroDelayMode delayMode_ = MacroDelayMode::Default;
    int32_t selected_ = -1;
    int32_t insertAt_ = -1;
    bool reselect_ = false;
    uint64_t lastEventMs_ = 0;
    MacroScroll scroll_ = MacroScroll::ToEnd;
    bool undone_ = false;
    std::function<void(const SaveResult&)> saved_;
    std::function<void(int, std::u16string_view)> renamed_;
};

// What the editor shows beside the actions so a macro can be trusted.
struct MacroSummary {
    int units = 0;           // size units, of at most 47
    uint32_t durationMs = 0; // the pauses between the actions (the last one's is not waited)
    // Per action: a press never released later, or a release never pressed before.
    std::vector<bool> unpaired;
};
MacroSummary SummarizeMacro(std::span<const MacroAction> actions);

} // namespace kestrin
