// Writes a profile store of COUNT profiles into a data folder, each a little unlike the others,
// for the start-up benchmark's large-store case.
// usage: bench_profile_fill DATA_FOLDER COUNT
#include "base/Folders.h"
#include "profiles/ProfileStore.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace kestrin;

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_profile_fill DATA_FOLDER COUNT\n");
        return 2;
    }
    std::string data = argv[1];
    if (!data.ends_with('/'))
        data += '/';
    const int count = std::atoi(argv[2]);
    ProfileList list;
    for (int i = 0; i < count; ++i) {
        ProfileRecord& profile = CreateDefaultProfile(list, u"Profile");
        profile.currentDpiStage = i % 4;
        profile.reportRate = i % 4;
    }
    auto header = std::make_unique<ProfileStoreHeader>();
    header->currentIndex = count / 2;
    if (!EnsureFolder(StoreFolder(data)) || !SaveProfileStore(data, list, *header)) {
        std::fprintf(stderr, "bench_profile_fill: cannot save in %s\n", data.c_str());
        return 1;
    }
    return 0;
}
