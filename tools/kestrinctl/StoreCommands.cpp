#include "tools/kestrinctl/StoreCommands.h"

#include "base/RecordNames.h"
#include "base/StoreFiles.h"
#include "macros/MacroStore.h"
#include "patterns/GunStore.h"
#include "profiles/ProfileExchange.h"
#include "profiles/ProfileStore.h"
#include "tools/kestrinctl/InstanceClient.h"
#include "tools/kestrinctl/Json.h"

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
        err << "kestrinctl: no profiles in " << dataFolder
            << " yet: Kestrin makes them when it first starts (or give the data folder with "
               "--data)\n";
        return false;
    }
    StoreLoadReport report;
    if (!file.ok() || !ParseProfileStore(file.value, list, header, report)) {
        err << "kestrinctl: " << path << " cannot be read"
            << (file.ok() ? std::string(": it holds no whole profile") : ": " + file.error) << "\n";
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
        err << "kestrinctl: no profile named '" << name << "' (kestrinctl list shows them)\n";
        return kExitFailed;
    }
    const SaveResult saved = WriteProfileFile(file, *list[static_cast<std::size_t>(index)]);
    if (!saved.ok()) {
        err << "kestrinctl: " << file << " could not be written: " << saved.error << "\n";
        return kExitFailed;
    }
    out << "exported '" << ToUtf8(ReadName(list[static_cast<std::size_t>(index)]->name)) << "' to "
        << file << "\n";
    return kExitDone;
}

int ImportProfile(const std::string& dataFolder, const std::string& file, bool programRunning,
    std::ostream& out, std::ostream& err)
{
    if (programRunning) {
        err << "kestrinctl: Kestrin is running and would save its own profiles over the import: "
               "import from its window, or end it first\n";
        return kExitFailed;
    }
    ProfileFileRead read = ReadProfileFile(file);
    if (!read.ok()) {
        err << "kestrinctl: " << file << " is not a profile file Kestrin can take: " << read.error
            << "\n";
        return kExitFailed;
    }
    ProfileList profiles;
    ProfileStoreHeader header{};
    MacroList macros;
    GunList guns;
    const StoreLoadReport loaded = LoadProfileStore(dataFolder, profiles, header, kProfileBase);
    if (loaded.Damaged() || (loaded.createdFresh && !loaded.freshSave.ok())) {
        err << "kestrinctl: the saved profiles were damaged or could not be saved; start Kestrin, "
               "which tells what it kept, then import again\n";
        return kExitFailed;
    }
    LoadMacroStore(dataFolder, macros);
    LoadGunStore(dataFolder, guns);
    if (profiles.size() >= kMaxStoreRecords) {
        err << "kestrinctl: there are " << profiles.size()
            << " profiles, as many as Kestrin keeps; delete one first\n";
        return kExitFailed;
    }
    const ProfileImport imported =
        ImportProfileRecord(std::move(read.value), profiles, macros, guns);
    if (imported.macrosAdded > 0) {
        const SaveResult saved = SaveMacroStore(dataFolder, macros);
        if (!saved.ok()) {
            err << "kestrinctl: the macros could not be saved: " << saved.error << "\n";
            return kExitFailed;
        }
    }
    const SaveResult saved = SaveProfileStore(dataFolder, profiles, header);
    if (!saved.ok()) {
        err << "kestrinctl: the profiles could not be saved: " << saved.error << "\n";
        return kExitFailed;
    }
    out << "imported as '"
        << ToUtf8(ReadName(profiles[static_cast<std::size_t>(imported.profileIndex)]->name)) << "'"
        << (imported.macrosAdded > 0 ? " with " + std::to_string(imported.macrosAdded) +
                       " macro(s) added to the library"
                                     : std::string())
        << "\n";
    return kExitDone;
}

bool ProgramRunning() { return ProgramListening(); }

} // namespace kestrin::ctl
