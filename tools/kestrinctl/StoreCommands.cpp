#include "tools/kestrinctl/StoreCommands.h"

#include "base/RecordNames.h"
#include "base/StoreFiles.h"
#include "macros/MacroStore.h"
#include "patterns/GunStore.h"
#include "profiles/ProfileExchange.h"
#include "profiles/ProfileStore.h"
#include "tools/kestrinctl/InstanceClient.h"
#include "tools/kestrinctl/Json.h"
#include "tools/kestrinctl/Words.h"

#include <ostream>

namespace kestrin::ctl {
namespace {

constexpr std::u16string_view kProfileBase = u"Profile";

} // namespace

// pro.data read as it is, never made or set right: listing and exporting change nothing.
bool ReadProfiles(
    const std::string& dataFolder, ProfileList& list, ProfileStoreHeader& header, std::ostream& err)
{
    const std::string path = ProfileStorePath(dataFolder);
    const FileBytes file =
        ReadWholeFile(path, kProfileStoreHeaderSize + kMaxStoreRecords * sizeof(ProfileRecord));
    if (file.code == FileError::Missing) {
        err << "kestrinctl: " << Say("ctl_no_profiles_yet_text", {dataFolder}) << "\n";
        return false;
    }
    StoreLoadReport report;
    if (!file.ok() || !ParseProfileStore(file.value, list, header, report)) {
        err << "kestrinctl: "
            << (file.ok() ? Say("ctl_store_no_profile_text", {path})
                          : Say("ctl_cannot_read_because_text", {path, file.error}))
            << "\n";
        return false;
    }
    return true;
}

int FindProfile(const ProfileList& list, const std::string& name)
{
    const std::u16string wanted = ToU16(name);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] && NamesEqual(ReadName(NameFieldOf(list[i])), wanted))
            return static_cast<int>(i);
    }
    return -1;
}

int ListProfiles(const std::string& dataFolder, bool json, std::ostream& out, std::ostream& err)
{
    ProfileList list;
    ProfileStoreHeader header{};
    if (!ReadProfiles(dataFolder, list, header, err))
        return kExitFailed;
    if (json)
        out << "[";
    for (std::size_t i = 0; i < list.size(); ++i) {
        // Read without unpacking: a listing needs nothing else of each profile.
        const std::string name = ToUtf8(ReadName(NameFieldOf(list[i])));
        const bool current = static_cast<int>(i) == header.currentIndex;
        if (json)
            out << (i ? "," : "") << "\n  {\"name\": " << JsonString(name)
                << ", \"current\": " << (current ? "true" : "false") << "}";
        else
            out << (current ? "* " : "  ") << name << "\n";
    }
    if (json)
        out << "\n]\n";
    return out ? kExitDone : kExitFailed;
}

int ExportProfile(const std::string& dataFolder, const std::string& name, const std::string& file,
    std::ostream& out, std::ostream& err)
{
    ProfileList list;
    ProfileStoreHeader header{};
    if (!ReadProfiles(dataFolder, list, header, err))
        return kExitFailed;
    const int index = FindProfile(list, name);
    if (index < 0) {
        err << "kestrinctl: " << Say("ctl_no_profile_text", {name}) << "\n";
        return kExitFailed;
    }
    const SaveResult saved = WriteProfileFile(file, *list[static_cast<std::size_t>(index)]);
    if (!saved.ok()) {
        err << "kestrinctl: " << Say("ctl_not_written_text", {file, saved.error}) << "\n";
        return kExitFailed;
    }
    out << Say("ctl_exported_text",
               {ToUtf8(ReadName(list[static_cast<std::size_t>(index)]->name)), file})
        << "\n";
    return kExitDone;
}

int ImportProfile(const std::string& dataFolder, const std::string& file, bool programRunning,
    std::ostream& out, std::ostream& err)
{
    if (programRunning) {
        err << "kestrinctl: " << Say("ctl_import_running_text") << "\n";
        return kExitFailed;
    }
    ProfileFileRead read = ReadProfileFile(file);
    if (!read.ok()) {
        err << "kestrinctl: " << Say("ctl_import_not_profile_text", {file, read.error}) << "\n";
        return kExitFailed;
    }
    ProfileList profiles;
    ProfileStoreHeader header{};
    MacroList macros;
    GunList guns;
    const StoreLoadReport loaded = LoadProfileStore(dataFolder, profiles, header, kProfileBase);
    if (loaded.Damaged() || (loaded.createdFresh && !loaded.freshSave.ok())) {
        err << "kestrinctl: " << Say("ctl_import_store_damaged_text") << "\n";
        return kExitFailed;
    }
    LoadMacroStore(dataFolder, macros);
    LoadGunStore(dataFolder, guns);
    if (profiles.size() >= kMaxStoreRecords) {
        err << "kestrinctl: " << Say("ctl_profile_limit_text", {std::to_string(profiles.size())})
            << "\n";
        return kExitFailed;
    }
    const ProfileImport imported =
        ImportProfileRecord(std::move(read.value), profiles, macros, guns);
    if (imported.macrosAdded > 0) {
        const SaveResult saved = SaveMacroStore(dataFolder, macros);
        if (!saved.ok()) {
            err << "kestrinctl: " << Say("ctl_macros_not_saved_text", {saved.error}) << "\n";
            return kExitFailed;
        }
    }
    const SaveResult saved = SaveProfileStore(dataFolder, profiles, header);
    if (!saved.ok()) {
        err << "kestrinctl: " << Say("ctl_profiles_not_saved_text", {saved.error}) << "\n";
        return kExitFailed;
    }
    const std::string named =
        ToUtf8(ReadName(profiles[static_cast<std::size_t>(imported.profileIndex)]->name));
    out << (imported.macrosAdded > 0
                   ? Say("ctl_imported_macros_text", {named, std::to_string(imported.macrosAdded)})
                   : Say("ctl_imported_text", {named}))
        << "\n";
    return kExitDone;
}

bool ProgramRunning() { return ProgramListening(); }

} // namespace kestrin::ctl
