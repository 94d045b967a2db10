#include "tests/kernel/GuestChecks.h"

#include <atomic>
#include <cstdio>

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

} // namespace kestrin::guest
