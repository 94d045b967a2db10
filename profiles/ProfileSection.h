#pragma once

#include "macros/MacroRecord.h"
#include "patterns/GunRecord.h"
#include "profiles/AppRules.h"
#include "profiles/ProfileStore.h"
#include "profiles/StoredProfile.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace kestrin {

// What the profile section needs from the page that owns it: the list control's rows, the
// refresh of the other controls and the apply request.
class ProfileSectionHost {
public:
    virtual ~ProfileSectionHost() = default;

    virtual void AppendRow(std::u16string_view name) = 0;
    virtual void RemoveRow(int row) = 0;
    virtual void SetRowText(int row, std::u16string_view name) = 0;
    // Selects the row without raising "itemselect": the section switches the profile itself,
    // since a list raises nothing when the row it selects is already its current one (as after
    // a removal).
    virtual void SelectRow(int row) = 0;

    virtual void RefreshSettingsControls() = 0;
    // ApplyAllPending = 1, then post WM_APPLY_REQUEST.
    virtual void RequestFullApply() = 0;
    // The outcome of every save of a store the section makes, for the user to see.
    virtual void ShowSaveResult(StoreKind store, const SaveResult& result) = 0;
    // The user made `name` current (picked, added, imported, or left after a delete); a
    // program's rule switching does not count.
    virtual void UserChoseProfile(std::u16string_view /*name*/) { }
    virtual void ProfileRenamed(std::u16string_view /*from*/, std::u16string_view /*to*/) { }
};

// The questions the section asks the user: message boxes and dialogs over the page's window.
class ProfileSectionPrompts {
public:
    virtual ~ProfileSectionPrompts() = default;

    // A warning box with the text id; true when the user answered OK.
    virtual bool Ask(std::string_view textId) = 0;
    // The same, where OK deletes or overwrites something: the keyboard's answer is Cancel.
    virtual bool Confirm(std::string_view textId) = 0;
    // The profile name dialog titled `titleId`, checking against `profiles`; nullopt when
    // cancelled.
    virtual std::optional<std::u16string> AskProfileName(
        std::string_view titleId, const ProfileList& profiles) = 0;
    // The file dialogs for *.pro files, the save dialog offering `suggestedName`; nullopt when
    // cancelled.
    virtual std::optional<std::string> AskProfileFileToSave(std::u16string_view suggestedName) = 0;
    virtual std::optional<std::string> AskProfileFileToOpen() = 0;
};

// The page's profile data, shared with the apply thread under `lock`.
struct ProfileSectionState {
    ProfileList& profiles;
    ProfileStoreHeader& header;
    ProfileRecord*& current;
    MacroList& macros;
    const GunList& guns;
    std::mutex& lock;
    std::string dataFolder;
};

// Switching, adding, deleting, renaming, restoring, importing and exporting profiles.
class ProfileSection {
public:
    ProfileSection(
        ProfileSectionState state, ProfileSectionHost& host, ProfileSectionPrompts& prompts);

    // Our list raises "itemselect" only for the user's picks and for selections made with a
    // notification; the start-up selection raises none. Nothing foreign is there to swallow,
    // so the flag starts cleared and every selection switches the profile. A page whose list
    // does raise one while it is filled sets it before filling.
    void SetIgnoreNextListSelection(bool ignore) { ignoreNextListSelection_ = ignore; }
    bool IgnoreNextListSelection() const { return ignoreNextListSelection_; }

    // "itemselect" from the list.
    void SelectProfile(int row);
    // Selects and switches to the profile named `name` (compared as names are), as a pick in
    // the list does; false when there is none.
    bool Use(std::u16string_view name);
    // The same for a program's rule: what the user chose stays what they chose.
    bool UseForRule(std::u16string_view name);
    void AddProfile();
    void DeleteProfile();
    void RenameProfile();
    void RestoreProfileDefaults();
    void ExportProfile();
    void ImportProfile();

private:
    // False, with a message, when the list holds the most profiles a store may.
    bool RoomForAnother();
    // True when the profile a question was asked about is still the current one: its answer
    // acts on no other.
    bool StillCurrent(const ProfileRecord* asked) const;
    bool Use(std::u16string_view name, bool byUser);
    void SwitchTo(int row, bool byUser = true);
    SaveResult SaveProfiles();
    // The programs' rules follow a renamed profile and go with a deleted one. A rules file
    // with lines that are not rules is the user's to mend, and is left as it is.
    bool HasAppRules(std::u16string_view profile) const;
    void EditAppRules(const std::function<bool(AppRules&)>& edit) const;

    ProfileSectionState state_;
    ProfileSectionHost& host_;
    ProfileSectionPrompts& prompts_;
    bool ignoreNextListSelection_ = false;
};

} // namespace kestrin
