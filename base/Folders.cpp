#include "base/Folders.h"

#include "base/Trace.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kestrin {
namespace {

std::string WithSlash(std::string path)
{
    if (path.empty() || path.back() != '/')
        path.push_back('/');
    return path;
}

bool FolderIsWritable(const std::string& folder)
{
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace

std::string GetProgramFolder()
{
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        Trace("program folder unknown: /proc/self/exe: %s\n", error.message().c_str());
        return "./";
    }
    return WithSlash(exe.parent_path().string());
}

std::string ChooseDataFolder(const std::string& programFolder, bool programFolderWritable,
    const char* xdgDataHome, const char* home)
{
    // Root can write a system install's folder, but /usr holds only what was installed.
    if (programFolderWritable && !programFolder.starts_with("/usr/"))
        return WithSlash(programFolder) + "Data/";
    // An absolute XDG_DATA_HOME wins; a relative one is invalid by the XDG rules.
    if (xdgDataHome && xdgDataHome[0] == '/')
        return WithSlash(xdgDataHome) + "kestrin/Data/";
    if (home && home[0] != '\0')
        return WithSlash(home) + ".local/share/kestrin/Data/";
    return WithSlash(programFolder) + "Data/";
}

bool EnsureFolder(const std::string& folder)
{
    std::error_code error;
    if (fs::is_directory(folder, error))
        return true;
    fs::create_directories(folder, error);
    if (fs::is_directory(folder))
        return true;
    Trace("cannot create folder %s: %s\n", folder.c_str(),
        error ? error.message().c_str() : "a file of that name is in the way");
    return false;
}

std::string GetDataFolder()
{
    const std::string program = GetProgramFolder();
    const std::string folder = ChooseDataFolder(
        program, FolderIsWritable(program), std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    EnsureFolder(folder);
    return folder;
}

} // namespace kestrin
