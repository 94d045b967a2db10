#include "profiles/ProfileSection.h"

#include "base/RecordNames.h"
#include "base/StoreFiles.h"
#include "base/Trace.h"
#include "macros/MacroStore.h"
#include "profiles/ProfileExchange.h"

#include <algorithm>
#include <utility>

namespace kestrin {

ProfileSection::ProfileSection(
    ProfileSectionState state, ProfileSectionHost& host, ProfileSectionPrompts& prompts)
    : state_(std::move(state)), host_(host), prompts_(prompts)
{
}

void ProfileSection::SelectProfile(int row)
{
    if (!std::exchange(ignoreNextListSelection_, false))
        SwitchTo(row);
}

bool ProfileSection::Use(std::u16string_view name) { return Use(name, true); }

bool ProfileSection::UseForRule(std::u16string_view name) { return Use(name, false); }

bool ProfileSection::Use(std::u16string_view name, bool byUser)
{
    int row = -1;
    {
        std::lock_guard guard(state_.lock);
        for (std::size_t i = 0; i < state_.profiles.size() && row < 0; ++i)
            if (NamesEqual(ReadName(state_.profiles[i].NameField()), name))
                row = static_cast<int>(i);
    }
    if (row < 0)
        return false;
    host_.SelectRow(row);
    SwitchTo(row, byUser);
    return true;
}

void ProfileSection::SwitchTo(int row, bool byUser)
{
    std::u16string name;
    {
        std::lock_guard guard(state_.lock);
        if (row < 0 || static_cast<std::size_t>(row) >= state_.profiles.size())
            return;
        state_.header.currentIndex = row;
        state_.current = state_.profiles[static_cast<std::size_t>(row)].get();
        name = ReadName(state_.current->name);
    }
    // Saved now, mouse or not: the apply that follows may never come (no mouse, a quit).
    SaveProfiles();
    host_.RefreshSettingsControls();
    host_.RequestFullApply();
    if (byUser)
        host_.UserChoseProfile(name);
}

bool ProfileSection::HasAppRules(std::u16string_view profile) const
{
    const auto loaded = LoadAppRules(state_.dataFolder);
    if (!loaded.ok())
        return false;
    const std::string wanted = ToUtf8(profile);
    return std::ranges::any_of(loaded.value.rules.rules,
        [&](const AppRule& rule) { return NamesEqual(ToU16(rule.profile), ToU16(wanted)); });
}

void ProfileSection::EditAppRules(const std::function<bool(AppRules&)>& edit) const
{
    auto loaded = LoadAppRules(state_.dataFolder);
    if (!loaded.ok()) {
        Trace("app-profiles.conf left as it is: %s\n", loaded.error.c_str());
        return;
    }
    if (!loaded.value.problems.empty()) {
        Trace("app-profiles.conf left as it is: line %d: %s\n", loaded.value.problems[0].line,
            loaded.value.problems[0].why.c_str());
        return;
    }
    if (!edit(loaded.value.rules))
        return;
    if (const SaveResult saved = SaveAppRules(state_.dataFolder, loaded.value.rules); !saved.ok())
        Trace("saving app-profiles.conf failed: %s\n", saved.error.c_str());
}

bool ProfileSection::StillCurrent(const ProfileRecord* asked) const
{
    std::lock_guard guard(state_.lock);
    return state_.current == asked;
}

bool ProfileSection::RoomForAnother()
{
    // A store holding more is set aside as damage when it is read.
    if (state_.profiles.size() < kMaxStoreRecords)
        return true;
    prompts_.Ask("profile_limit_text");
    return false;
}

void ProfileSection::AddProfile()
{
    if (!RoomForAnother())
        return;
    const auto name = prompts_.AskProfileName("profile_name_1_text", state_.profiles);
    if (!name)
        return;
    int row = 0;
    {
        std::lock_guard guard(state_.lock);
        state_.profiles.push_back(NewProfileRecord(*name));
        row = static_cast<int>(state_.profiles.size()) - 1;
    }
    host_.AppendRow(ReadName(state_.profiles.back().NameField()));
    host_.SelectRow(row);
    SwitchTo(row);
}

void ProfileSection::DeleteProfile()
{
    if (state_.profiles.size() <= 1) {
        prompts_.Ask("one_profile_text");
        return;
    }
    const ProfileRecord* asked = state_.current;
    const std::u16string deleted = asked ? ReadName(asked->name) : std::u16string();
    // Programs switch to it: the question says they will not any more.
    const bool ruled = HasAppRules(deleted);
    if (!prompts_.Confirm(ruled ? "delete_profile_rules_text" : "delete_profile_text") ||
        !StillCurrent(asked))
        return;
    if (ruled)
        EditAppRules([&](AppRules& rules) {
            return !DropAppRulesOfProfile(rules, ToUtf8(deleted)).empty();
        });
    int row = 0;
    int index = 0;
    {
        std::lock_guard guard(state_.lock);
        const auto size = static_cast<int>(state_.profiles.size());
        index = std::clamp(state_.header.currentIndex, 0, size - 1);
        state_.profiles.erase(state_.profiles.begin() + index);
        row = std::min(index, size - 2);
        // Never leave the page pointing at the freed record, even for a moment.
        state_.header.currentIndex = row;
        state_.current = state_.profiles[static_cast<std::size_t>(row)].get();
    }
    host_.RemoveRow(index);
    host_.SelectRow(row);
    SwitchTo(row);
}

void ProfileSection::RenameProfile()
{
    const ProfileRecord* asked = state_.current;
    if (!asked)
        return;
    const auto name = prompts_.AskProfileName("profile_name_2_text", state_.profiles);
    if (!name || !StillCurrent(asked))
        return;
    std::u16string before;
    {
        std::lock_guard guard(state_.lock);
        before = ReadName(state_.current->name);
        WriteName(state_.current->name, *name);
    }
    host_.SetRowText(state_.header.currentIndex, ReadName(state_.current->name));
    const SaveResult saved = SaveProfiles();
    host_.ProfileRenamed(before, *name);
    // Only once the store holds the new name: a rule must never name a profile that is not.
    if (saved.ok() && HasAppRules(before))
        EditAppRules([&](AppRules& rules) {
            return RenameAppRulesProfile(rules, ToUtf8(before), ToUtf8(*name)) > 0;
        });
}

void ProfileSection::RestoreProfileDefaults()
{
    const ProfileRecord* asked = state_.current;
    if (!asked || !prompts_.Confirm("restore_text") || !StillCurrent(asked))
        return;
    {
        std::lock_guard guard(state_.lock);
        ResetProfileDefaults(*state_.current);
    }
    SaveProfiles();
    host_.RefreshSettingsControls();
    host_.RequestFullApply();
}

void ProfileSection::ExportProfile()
{
    if (!state_.current)
        return;
    ProfileRecord copy;
    {
        std::lock_guard guard(state_.lock);
        copy = *state_.current;
    }
    const auto path = prompts_.AskProfileFileToSave(ReadName(copy.name));
    if (!path)
        return;
    const SaveResult result = WriteProfileFile(*path, copy);
    if (!result.ok()) {
        Trace("profile export to %s failed: %s", path->c_str(), result.error.c_str());
        prompts_.Ask("profile_export_error_text");
    }
}

void ProfileSection::ImportProfile()
{
    if (!RoomForAnother())
        return;
    const auto path = prompts_.AskProfileFileToOpen();
    if (!path)
        return;
    ProfileFileRead read = ReadProfileFile(*path);
    if (!read.ok()) {
        Trace("profile import from %s refused: %s", path->c_str(), read.error.c_str());
        prompts_.Ask("profile_file_error_text");
        return;
    }
    ProfileImport imported;
    std::u16string name;
    {
        std::lock_guard guard(state_.lock);
        imported =
            ImportProfileRecord(std::move(read.value), state_.profiles, state_.macros, state_.guns);
        name =
            ReadName(state_.profiles[static_cast<std::size_t>(imported.profileIndex)].NameField());
    }
    if (imported.macrosAdded > 0) {
        const SaveResult saved = SaveMacroStore(state_.dataFolder, state_.macros);
        if (!saved.ok())
            Trace("saving macro.data after an import failed: %s", saved.error.c_str());
        host_.ShowSaveResult(StoreKind::Macros, saved);
    }
    host_.AppendRow(name);
    host_.SelectRow(imported.profileIndex);
    SwitchTo(imported.profileIndex);
}

SaveResult ProfileSection::SaveProfiles()
{
    std::lock_guard guard(state_.lock);
    SaveResult result = SaveProfileStore(state_.dataFolder, state_.profiles, state_.header);
    if (!result.ok())
        Trace("saving pro.data failed: %s", result.error.c_str());
    host_.ShowSaveResult(StoreKind::Profiles, result);
    return result;
}

} // namespace kestrin
