#include "tests/kernel/GuestChecks.h"

#include "tools/virtualmouse/Wire.h"

#include <atomic>
#include <cstdio>
#include <fstream>

namespace kestrin::guest {
namespace {

std::atomic<int> g_checks{0};
std::atomic<int> g_failures{0};

} // namespace

bool Check(bool ok, const std::string& what, const std::string& detail)
{
    ++g_checks;
    if (!ok)
        ++g_failures;
    std::printf("%s - %s%s%s\n", ok ? "ok" : "not ok", what.c_str(), detail.empty() ? "" : ": ",
        detail.c_str());
    std::fflush(stdout);
    return ok;
}

int Checks() { return g_checks; }
int Failures() { return g_failures; }

std::vector<std::vector<uint8_t>> ReadWrites(const std::string& path)
{
    std::vector<std::vector<uint8_t>> writes;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (const auto bytes = vmouse::ParseHex(line); bytes && !bytes->empty())
            writes.push_back(*bytes);
    }
    return writes;
}

} // namespace kestrin::guest
