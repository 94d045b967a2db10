#include "macros/MacroEditor.h"

#include "base/RecordNameRules.h"
#include "base/StoreFiles.h"
#include "base/Trace.h"
#include "keys/KeyTable.h"
#include "macros/MacroExchange.h"
#include "macros/MacroStore.h"

#include <algorithm>

namespace kestrin {
namespace {

// Combo entries 0..4 of the mouse editor, and the buttons 1..5 of the click inserts.
constexpr uint8_t kMouseKeys[] = {
    kMouseLeftKey, kMouseRightKey, kMouseMiddleKey, kMouseXButton1Key, kMouseXButton2Key};

uint16_t HeldDelay(long long delay)
{
    return static_cast<uint16_t>(
        std::clamp<long long>(delay, kMacroMinEditedDelay, kMacroMaxDelay));
}

struct Translated {
    uint8_t key;
    MacroActionKind kind;
};

Translated TranslateHookEvent(uint32_t message, uint32_t param)
{
    using enum MacroActionKind;
    switch (message) {
    case WM_LBUTTONDOWN:
        return {kMouseLeftKey, Press};
    case WM_LBUTTONUP:
        return {kMouseLeftKey, Release};
    case WM_RBUTTONDOWN:
        return {kMouseRightKey, Press};
    case WM_RBUTTONUP:
        return {kMouseRightKey, Release};
    case WM_MBUTTONDOWN:
        return {kMouseMiddleKey, Press};
    case WM_MBUTTONUP:
        return {kMouseMiddleKey, Release};
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP:
        if (param == 1 || param == 2)
            return {param == 1 ? kMouseXButton1Key : kMouseXButton2Key,
                message == WM_XBUTTONDOWN ? Press : Release};
        break;
    default:
        break;
    }
    return {MacroEditor::KeyCodeOf(message), param == 0 ? Press : Release};
}

} // namespace

MacroEditor::MacroEditor(MacroList& macros, std::string dataFolder)
    : macros_(macros), dataFolder_(std::move(dataFolder))
{
}

uint8_t MacroEditor::KeyCodeOf(uint32_t virtualKey)
{
    unsigned usage = 0;
    VirtualKeyToUsage(static_cast<int>(virtualKey), usage);
    return static_cast<uint8_t>(usage);
}

void MacroEditor::SelectMacro(int index)
{
    currentIndex_ = index;
    if (index < 0 || std::size_t(index) >= macros_.size()) {
        current_ = nullptr;
        return;
    }
    current_ = macros_[std::size_t(index)].get();
    std::ranges::copy(current_->actions, work_.begin());
    count_ = std::clamp(current_->actionCount, 0, kMacroMaxActions);
    if (count_ == 0)
        selected_ = -1;
    Rebuilt();
    Trace("iActionIndex=%d, iNextActionIndex=%d\r\n", selected_, -1);
}

void MacroEditor::Reload()
{
    if (currentIndex_ >= 0)
        SelectMacro(currentIndex_);
}

void MacroEditor::Rebuilt()
{
    int32_t row = count_ - 1;
    scroll_ = MacroScroll::ToEnd;
    if (reselect_ && recordStart_ >= 0) {
        row = recordStart_;
        scroll_ = MacroScroll::ToRecordStartLater;
    } else if (inserting_) {
        row = insertAt_ - 1;
        scroll_ = MacroScroll::ToInsertionLater;
    }
    // A row the list does not have selects the last one.
    selected_ = row >= 0 && row < count_ ? row : count_ - 1;
}

void MacroEditor::Save()
{
    const SaveResult result = SaveMacroStore(dataFolder_, macros_);
    if (saved_)
        saved_(result);
}

bool MacroEditor::Commit()
{
    const int units = MacroSizeUnits(work_, count_);
    // A macro stored larger than the limit (imported so) may still shrink.
    undone_ = units > kMacroMaxSizeUnits &&
        !(current_ && units <= MacroSizeUnits(current_->actions, current_->actionCount));
    if (undone_) {
        Reload();
        reselect_ = false;
        return false;
    }
    if (current_) {
        std::ranges::copy(work_, current_->actions);
        current_->actionCount = count_;
        Save();
    }
    return true;
}

int MacroEditor::AddMacro(std::u16string_view baseText)
{
    if (macros_.size() >= kMaxStoreRecords)
        return -1;
    SaveResult saved;
    CreateMacro(dataFolder_, macros_, baseText, &saved);
    if (saved_)
        saved_(saved);
    const int index = static_cast<int>(macros_.size()) - 1;
    SelectMacro(index);
    return index;
}

int MacroEditor::Import(std::unique_ptr<MacroRecord> imported, std::u16string_view baseText)
{
    if (macros_.size() >= kMaxStoreRecords || !imported)
        return -1;
    const int index = ImportMacroRecord(std::move(imported), macros_, baseText);
    Save();
    SelectMacro(index);
    return index;
}

void MacroEditor::DeleteMacro(int index)
{
    if (index < 0 || std::size_t(index) >= macros_.size())
        return;
    macros_.erase(macros_.begin() + index);
    Save();
    current_ = nullptr;
    if (macros_.empty()) {
        // Nothing is left to show: the deleted macro's rows go with it.
        currentIndex_ = -1;
        count_ = 0;
        selected_ = -1;
        return;
    }
    SelectMacro(std::min(index, static_cast<int>(macros_.size()) - 1));
}

bool MacroEditor::Rename(std::u16string_view text)
{
    if (!current_)
        return false;
    const std::u16string oldName = ReadName(current_->name);
    if (NamesEqual(oldName, text))
        return true;
    if (text.empty() || NameExistsInList(macros_, text))
        return false;
    WriteName(current_->name, text);
    // The working copy is the record's already: the name is all there is to store.
    Save();
    if (renamed_)
        renamed_(currentIndex_, oldName);
    return true;
}

void MacroEditor::SelectAction(int row) { selected_ = row >= 0 && row < count_ ? row : -1; }

bool MacroEditor::InsertAction(const MacroAction& action)
{
    if (count_ >= kMacroMaxActions)
        return false;
    const int32_t at = insertAt_ < 0 ? count_ : std::min(insertAt_, count_);
    std::copy_backward(work_.begin() + at, work_.begin() + count_, work_.begin() + count_ + 1);
    work_[std::size_t(at)] = action;
    ++count_;
    ++selected_;
    if (insertAt_ >= 0)
        insertAt_ = at + 1;
    return true;
}

void MacroEditor::InsertClick(int button, uint16_t delay)
{
    if (!current_ || button < 1 || button > 5 || count_ + 2 > kMacroMaxActions)
        return;
    const uint8_t key = kMouseKeys[button - 1];
    const uint16_t held = HeldDelay(delay);
    insertAt_ = selected_ + 1;
    inserting_ = true;
    InsertAction({key, uint8_t(MacroActionKind::Press), held});
    InsertAction({key, uint8_t(MacroActionKind::Release), held});
    Rebuilt();
    Commit();
    inserting_ = false;
}

void MacroEditor::MoveActionUp()
{
    if (!HasSelectedAction() || selected_ < 1)
        return;
    std::swap(work_[std::size_t(selected_ - 1)], work_[std::size_t(selected_)]);
    --selected_;
    scroll_ = MacroScroll::ToSelected;
    Commit();
}

void MacroEditor::MoveActionDown()
{
    if (!HasSelectedAction() || selected_ >= count_ - 1)
        return;
    std::swap(work_[std::size_t(selected_)], work_[std::size_t(selected_ + 1)]);
    ++selected_;
    scroll_ = MacroScroll::ToSelected;
    Commit();
}

void MacroEditor::DeleteAction()
{
    if (!HasSelectedAction())
        return;
    std::copy(work_.begin() + selected_ + 1, work_.begin() + count_, work_.begin() + selected_);
    work_[std::size_t(--count_)] = {};
    selected_ = std::min(selected_, count_ - 1);
    scroll_ = MacroScroll::ToSelected;
    Commit();
}

void MacroEditor::ClearActions()
{
    if (!current_)
        return;
    work_ = {};
    count_ = 0;
    inserting_ = false;
    insertAt_ = -1;
    selected_ = -1;
    Commit();
    Rebuilt();
}

void MacroEditor::SetActionMouseButton(int entry)
{
    if (!HasSelectedAction() || entry < 0 || entry >= int(std::size(kMouseKeys)))
        return;
    work_[std::size_t(selected_)].key = kMouseKeys[entry];
    scroll_ = MacroScroll::ToSelected;
    Commit();
}

void MacroEditor::SetActionKey(uint8_t key)
{
    if (!HasSelectedAction() || !IsMacroKey(key))
        return;
    work_[std::size_t(selected_)].key = key;
    scroll_ = MacroScroll::ToSelected;
    Commit();
}

uint16_t MacroEditor::SetActionDelay(std::optional<long long> typed)
{
    const uint16_t held = HeldDelay(typed.value_or(0));
    if (HasSelectedAction() && selected_ < count_ - 1)
        work_[std::size_t(selected_)].delay = held;
    scroll_ = MacroScroll::ToSelected;
    Commit();
    return held;
}

void MacroEditor::CancelEdits()
{
    reselect_ = true;
    Reload();
    reselect_ = false;
}

void MacroEditor::StartRecording(
    MacroDelayMode mode, uint16_t defaultDelay, uint64_t nowMs, std::u16string_view newMacroText)
{
    if (recording_)
        return;
    if (!current_ && AddMacro(newMacroText) < 0)
        return;
    if (HasSelectedAction()) {
        insertAt_ = recordStart_ = selected_ + 1;
        inserting_ = true;
    } else {
        work_ = {};
        count_ = 0;
        insertAt_ = recordStart_ = -1;
        inserting_ = false;
    }
    recording_ = true;
    delayMode_ = mode;
    defaultDelay_ = HeldDelay(defaultDelay);
    lastEventMs_ = nowMs;
    // A repeat is a repeat within one recording: the key that ended the last one may begin this.
    lastEvent_.reset();
    stopClickHeld_ = false;
    firstEvent_ = true;
}

bool MacroEditor::RecordEvent(uint32_t message, uint32_t param, uint64_t nowMs)
{
    if (!recording_)
        return false;
    // The click that stops the recording, with its release wherever it lands.
    if (message == WM_LBUTTONDOWN && pointerOnStop_) {
        stopClickHeld_ = true;
        return true;
    }
    if (message == WM_LBUTTONUP && stopClickHeld_) {
        stopClickHeld_ = false;
        return true;
    }
    // A held key repeats its press; only the first one counts.
    if (lastEvent_ && lastEvent_->first == message && lastEvent_->second == param)
        return true;
    lastEvent_ = {message, param};
    if (MacroSizeUnits(work_, count_) >= kMacroRecordStopUnits) {
        StopRecording();
        return false;
    }
    const Translated event = TranslateHookEvent(message, param);
    // A key or button without a code of its own cannot be played; it is left out.
    if (!IsMacroKey(event.key))
        return true;
    // The first event has no pause before it: the time since the start is not part of the macro.
    if (!firstEvent_) {
        uint16_t pause = 1;
        if (delayMode_ == MacroDelayMode::Recorded)
            pause = HeldDelay(
                static_cast<long long>(std::min<uint64_t>(nowMs - lastEventMs_, kMacroMaxDelay)));
        else if (delayMode_ == MacroDelayMode::Default)
            pause = defaultDelay_;
        // The pause belongs to the action before the new one.
        const int32_t before = insertAt_ < 0 ? count_ - 1 : insertAt_ - 1;
        if (before >= 0 && before < count_)
            work_[std::size_t(before)].delay = pause;
    }
    InsertAction({event.key, uint8_t(event.kind), 1});
    lastEventMs_ = nowMs;
    firstEvent_ = false;
    Rebuilt();
    if (count_ >= kMacroMaxActions) {
        StopRecording();
        return false;
    }
    return true;
}

void MacroEditor::StopRecording()
{
    if (!recording_)
        return;
    recording_ = false;
    lastEventMs_ = 0;
    inserting_ = false;
    if (MacroSizeUnits(work_, count_) > kMacroMaxSizeUnits) {
        // Too large to keep: the recording goes as a whole.
        Reload();
        reselect_ = false;
    } else if (current_) {
        std::ranges::copy(work_, current_->actions);
        current_->actionCount = count_;
        Save();
    }
}

MacroSummary SummarizeMacro(std::span<const MacroAction> actions)
{
    MacroSummary summary;
    summary.units = MacroSizeUnits(actions, static_cast<int>(actions.size()));
    summary.unpaired.assign(actions.size(), false);
    for (std::size_t i = 0; i + 1 < actions.size(); ++i)
        summary.durationMs += actions[i].delay;
    // Match each release with the latest open press of its key.
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < actions.size(); ++i) {
        const MacroAction& action = actions[i];
        if (action.kind == uint8_t(MacroActionKind::Press)) {
            open.push_back(i);
            continue;
        }
        const auto press = std::find_if(open.rbegin(), open.rend(),
            [&](std::size_t at) { return actions[at].key == action.key; });
        if (press == open.rend()) {
            summary.unpaired[i] = true;
        } else {
            open.erase(std::next(press).base());
        }
    }
    for (std::size_t at : open)
        summary.unpaired[at] = true;
    return summary;
}

} // namespace kestrin
