#include "tools/kestrinctl/ProfileFile.h"
#include "tools/kestrinctl/Words.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace kestrin::ctl {

ProfileFileResult ReadProfileFile(const std::string& path)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0)
        return Say("ctl_cannot_read_because_text", {path, std::strerror(errno)});
    if (!S_ISREG(info.st_mode))
        return Say("ctl_not_regular_file_text", {path});

    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return Say("ctl_cannot_read_because_text", {path, std::strerror(errno)});
    auto profile = std::make_unique<ProfileRecord>();
    const std::size_t got = std::fread(profile.get(), 1, sizeof(ProfileRecord), file);
    const bool failed = std::ferror(file) != 0;
    // One byte more tells a longer file from an exact one without trusting its size.
    unsigned char extra;
    const bool longer = !failed && std::fread(&extra, 1, 1, file) == 1;
    std::fclose(file);
    if (failed)
        return Say("ctl_cannot_read_text", {path});
    if (got != sizeof(ProfileRecord) || longer)
        return Say(longer ? "ctl_record_longer_text" : "ctl_record_shorter_text",
            {path, std::to_string(got), std::to_string(sizeof(ProfileRecord))});
    return profile;
}

} // namespace kestrin::ctl
