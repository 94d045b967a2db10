#include "tools/kestrinctl/ProfileFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace kestrin::ctl {

ProfileFileResult ReadProfileFile(const std::string& path)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0)
        return "cannot read " + path + ": " + std::strerror(errno);
    if (!S_ISREG(info.st_mode))
        return "cannot read " + path + ": not a regular file";

    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return "cannot read " + path + ": " + std::strerror(errno);
    auto profile = std::make_unique<ProfileRecord>();
    const std::size_t got = std::fread(profile.get(), 1, sizeof(ProfileRecord), file);
    const bool failed = std::ferror(file) != 0;
    // One byte more tells a longer file from an exact one without trusting its size.
    unsigned char extra;
    const bool longer = !failed && std::fread(&extra, 1, 1, file) == 1;
    std::fclose(file);
    if (failed)
        return "cannot read " + path;
    if (got != sizeof(ProfileRecord) || longer)
        return path + " is not a profile record: it has " +
            (longer ? "more than " + std::to_string(got) : std::to_string(got)) +
            " bytes, a profile record has exactly " + std::to_string(sizeof(ProfileRecord));
    return profile;
}

} // namespace kestrin::ctl
