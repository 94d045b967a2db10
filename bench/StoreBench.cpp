// Loads and saves a profile store of 200 profiles and compares each with `cp` copying the same
// bytes in the same run, so the ratio holds on any machine. The saves flush to disk and cp does
// not, so the save is also set against `cp` followed by `sync` of the copy. Then loads macro
// stores of 1,000 and 10,000 records that all carry one name (each must be renamed apart, the
// worst case) and sets the time per record of the larger against the smaller: about 1 when the
// load grows linearly.
// usage: store_bench [FOLDER] [ROUNDS]
#include "base/RecordNames.h"
#include "macros/MacroStore.h"
#include "profiles/ProfileStore.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using namespace kestrin;

namespace {

constexpr int kProfiles = 200;

double MedianMs(int rounds, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Run(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot run %s\n", argv[0]);
        std::exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", argv[0]);
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const fs::path root = (argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path()) /
        ("kestrin-store-bench-" + std::to_string(getpid()));
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
    const std::string data = root.string() + "/Data/";

    ProfileList list;
    for (int i = 0; i < kProfiles; ++i) {
        CreateDefaultProfile(list, u"Profile");
        list.back()->buttons[1 + i % (kButtonCount - 1)].functionCode = kFunctionMacro;
    }
    auto header = std::make_unique<ProfileStoreHeader>();
    header->currentIndex = 17;
    if (!SaveProfileStore(data, list, *header)) {
        std::fprintf(stderr, "cannot save in %s\n", data.c_str());
        return 1;
    }
    const std::string store = ProfileStorePath(data);
    const std::string copy = root.string() + "/copy.data";
    const auto bytes = fs::file_size(store);

    ProfileList loaded;
    auto loadedHeader = std::make_unique<ProfileStoreHeader>();
    // Interleaved rounds would favour neither side with a warm cache; warm both first.
    Run({"cp", store, copy});
    const double cpMs = MedianMs(rounds, [&] { Run({"cp", store, copy}); });
    const double cpSyncMs = MedianMs(rounds, [&] {
        Run({"cp", store, copy});
        Run({"sync", copy});
    });
    const double saveMs = MedianMs(rounds, [&] { SaveProfileStore(data, list, *header); });
    const double loadMs = MedianMs(rounds, [&] {
        const StoreLoadReport report = LoadProfileStore(data, loaded, *loadedHeader, u"Profile");
        if (loaded.size() != kProfiles || report.Damaged()) {
            std::fprintf(stderr, "the store did not load whole\n");
            std::exit(1);
        }
    });

    std::printf("profile store: %d profiles, %ju bytes, median of %d rounds\n", kProfiles,
        static_cast<uintmax_t>(bytes), rounds);
    std::printf("  cp          %8.2f ms\n", cpMs);
    std::printf("  cp + sync   %8.2f ms\n", cpSyncMs);
    std::printf("  load        %8.2f ms   ratio load/cp        %.2f\n", loadMs, loadMs / cpMs);
    std::printf("  save        %8.2f ms   ratio save/cp        %.2f\n", saveMs, saveMs / cpMs);
    std::printf("                           ratio save/(cp+sync) %.2f\n", saveMs / cpSyncMs);

    double perRecordMs[2] = {};
    const int sizes[2] = {1000, static_cast<int>(kMaxStoreRecords)};
    for (int i = 0; i < 2; ++i) {
        MacroList macros;
        for (int k = 0; k < sizes[i]; ++k) {
            macros.push_back(std::make_unique<MacroRecord>());
            WriteName(macros.back()->name, u"Same");
        }
        if (!SaveMacroStore(data, macros)) {
            std::fprintf(stderr, "cannot save in %s\n", data.c_str());
            return 1;
        }
        const double ms = MedianMs(std::max(1, rounds / 3), [&] {
            MacroList read;
            const StoreLoadReport report = LoadMacroStore(data, read);
            if (read.size() != macros.size() || !report.KeptAside()) {
                std::fprintf(stderr, "the macro store did not load whole\n");
                std::exit(1);
            }
        });
        perRecordMs[i] = ms / sizes[i];
        std::printf("macro store of %5d records of one name: load %8.2f ms\n", sizes[i], ms);
    }
    std::printf("  time per record, %d against %d records: ratio %.2f (1 = linear)\n", sizes[1],
        sizes[0], perRecordMs[1] / perRecordMs[0]);
    fs::remove_all(root);
    return 0;
}
