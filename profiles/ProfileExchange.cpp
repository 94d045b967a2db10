#include "profiles/ProfileExchange.h"

#include "base/RecordNames.h"
#include "base/StoreFiles.h"
#include "base/Trace.h"
#include "profiles/ButtonRelink.h"
#include "profiles/ProfileRanges.h"
#include "profiles/ProfileStore.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace kestrin {
ProfileFileRead ReadProfileFile(const std::string& path)
{
    const auto refused = [&](FileError code, std::string why) {
        Trace("profile file %s refused: %s\n", path.c_str(), why.c_str());
        return ProfileFileRead::Failed(code, std::move(why));
    };
    const auto wrongSize = [](std::uintmax_t size) {
        return std::to_string(size) + " bytes, not " + std::to_string(sizeof(ProfileRecord));
    };
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    // A file of the wrong size is refused before it is read: it may be anything, and large.
    if (!error && size != sizeof(ProfileRecord))
        return refused(FileError::WrongSize, wrongSize(size));
    const FileBytes file = ReadWholeFile(path);
    if (!file.ok())
        return refused(FileError::Unreadable, file.error.empty() ? "cannot be read" : file.error);
    if (file.value.size() != sizeof(ProfileRecord))
        return refused(FileError::WrongSize, wrongSize(file.value.size()));
    auto profile = std::make_unique_for_overwrite<ProfileRecord>();
    std::memcpy(profile.get(), file.value.data(), sizeof(ProfileRecord));
    // Read as it lies, a file could put anything on the mouse: a DPI it refuses, or buttons
    // without a left click.
    if (const auto fault = SettingOutOfRange(*profile))
        return refused(FileError::OutOfRange, *fault);
    return ProfileFileRead::Ok(std::move(profile));
}

SaveResult WriteProfileFile(const std::string& path, const ProfileRecord& profile)
{
    const ByteRun runs[] = {BytesOf(profile)};
    return WriteFileSafely(path, runs);
}

ProfileImport ImportProfileRecord(std::unique_ptr<ProfileRecord> imported, ProfileList& profiles,
    MacroList& macros, const GunList& guns)
{
    ProfileRecord& profile = *imported;
    RepairProfile(profile, profiles); // also suffixes a name the list already has

    DropDanglingIndexes(profile, macros, guns);

    ProfileImport result;
    for (int k = 0; k < kButtonCount; ++k) {
        ButtonSlot& slot = profile.buttons[k];
        if (slot.functionCode != kFunctionMacro)
            continue;
        auto macro = std::make_unique<MacroRecord>();
        const std::u16string name = MakeUniqueName(macros, ReadName(slot.assignedName));
        WriteName(macro->name, name);
        WriteName(slot.assignedName, name);
        // The slot's repeat count travels with the macro in its otherwise unused bytes 48..51.
        static_assert(sizeof macro->reserved48 == sizeof slot.repeatCount);
        std::memcpy(macro->reserved48, &slot.repeatCount, sizeof slot.repeatCount);
        macro->actionCount = std::min<int32_t>(slot.stepCount, kMacroMaxActions);
        std::copy(std::begin(slot.macroCopy), std::end(slot.macroCopy), std::begin(macro->actions));
        macros.push_back(std::move(macro));
        slot.macroIndex = static_cast<int32_t>(macros.size() - 1);
        ++result.macrosAdded;
    }
    profiles.push_back(std::move(imported));
    result.profileIndex = static_cast<int>(profiles.size() - 1);
    return result;
}

} // namespace kestrin
