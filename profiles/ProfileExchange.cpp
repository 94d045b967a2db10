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
namespace {

std::string WrongSize(std::uintmax_t size)
{
    return std::to_string(size) + " bytes, not " + std::to_string(sizeof(ProfileRecord));
}

} // namespace

ProfileFileRead ParseProfileFile(std::span<const std::byte> bytes)
{
    if (bytes.size() != sizeof(ProfileRecord))
        return ProfileFileRead::Failed(FileError::WrongSize, WrongSize(bytes.size()));
    auto profile = std::make_unique_for_overwrite<ProfileRecord>();
    std::memcpy(profile.get(), bytes.data(), sizeof(ProfileRecord));
    // Read as it lies, a file could put anything on the mouse: a DPI it refuses, or buttons
    // without a left click.
    if (auto fault = SettingOutOfRange(*profile))
        return ProfileFileRead::Failed(FileError::OutOfRange, std::move(*fault));
    return ProfileFileRead::Ok(std::move(profile));
}

ProfileFileRead ReadProfileFile(const std::string& path)
{
    const auto refused = [&](ProfileFileRead result) {
        Trace("profile file %s refused: %s\n", path.c_str(), result.error.c_str());
        return result;
    };
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    // A file of the wrong size is refused before it is read: it may be anything, and large.
    if (!error && size != sizeof(ProfileRecord))
        return refused(ProfileFileRead::Failed(FileError::WrongSize, WrongSize(size)));
    const FileBytes file = ReadWholeFile(path);
    if (!file.ok())
        return refused(ProfileFileRead::Failed(
            FileError::Unreadable, file.error.empty() ? "cannot be read" : file.error));
    ProfileFileRead read = ParseProfileFile(file.value);
    return read.ok() ? std::move(read) : refused(std::move(read));
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
