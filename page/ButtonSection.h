#pragma once

#include "base/HookTable.h"
#include "page/MouseDrawing.h"
#include "page/PageSection.h"
#include "page/library/GunWnd.h"
#include "ui/MenuWnd.h"

#include <QString>

#include <memory>
#include <optional>

namespace kestrin {

// The button section: one control per mouse button (`ms_1_btn_key_1` to `_18`) labelled with its
// function, a drawing of the mouse with the buttons numbered (hovering or focusing a control
// highlights its button there, hovering the drawing highlights the control), the function menu
// of buttons 1 to 12, and the assignment of the chosen function
// with the rule that one of buttons 1 to 16 stays a left click. A shortcut, a macro or a pattern
// opens its dialog first. The two library buttons open the macro and the pattern editor; when
// one closes, every button's macro or pattern is linked again by name and the mouse sent what
// changed.
class ButtonSection final {
public:
    explicit ButtonSection(PageSectionContext& context) : context_(context) { }
    ~ButtonSection();

    void SetHooks(const HookTable* hooks) { hooks_ = HookCalls(hooks); }
    bool Notify(TNotifyUI& msg);
    // Every button's label from `profile`.
    void Refresh(const ProfileRecord& profile);
    // A menu item the main window hands on (its name begins with "ms_1").
    void AssignFunction(const QString& itemName);

    // The drawing of the mouse, once the section has been shown.
    MouseDrawing* Drawing() const { return drawing_; }
    // The open function menu, if any, and the slot it was opened for.
    CMenuWnd* Menu() const { return menu_.get(); }
    int EditedSlot() const { return editedSlot_; }

private:
    void OpenFunctionMenu(int slot);
    // Puts the drawing of the mouse into its place in the layout, once.
    void ShowDrawing();
    // Marks button n's control as the one the pointer is on in the drawing (0: none).
    void HighlightControl(int button);
    void ShowButtonFunction(int slot, const ButtonSlot& assigned);
    // A library record chosen in the macro or pattern selection dialog.
    struct LibraryChoice {
        int32_t index;
        int32_t playMode;
        int32_t loopCount;
    };
    // The selection dialog for `code` (macro or pattern), opened on the slot's choice when it
    // has that function; nothing when cancelled or nothing was chosen.
    std::optional<LibraryChoice> AskLibraryRecord(uint8_t code, const ButtonSlot& edited);
    // The shortcut dialog over the slot; the slot's new modifiers and key on OK with either set.
    std::optional<std::pair<uint8_t, uint8_t>> AskShortcut(uint8_t modifiers, uint8_t key);
    void OpenMacroLibrary();
    void OpenPatternLibrary();
    void RelinkLibraries();

    PageSectionContext& context_;
    HookCalls hooks_;
    std::unique_ptr<CMenuWnd> menu_;
    int editedSlot_ = -1;
    const ProfileRecord* menuProfile_ = nullptr; // the profile the menu was opened on
    MouseDrawing* drawing_ = nullptr;            // owned by its place in the layout
    int highlightedControl_ = 0;
    std::unique_ptr<CMS_1_Gun> patternLibrary_; // kept for the program's run once opened
};

} // namespace kestrin
