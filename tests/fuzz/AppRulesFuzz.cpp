// The rules file is edited by hand, so any bytes may reach the reader: whatever it takes must
// write out and read back as the same rules, and every problem must name a line of the input.
#include "profiles/AppRules.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace kestrin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const AppRulesRead read = ParseAppRules(text);
    const auto lines = static_cast<int>(std::ranges::count(text, '\n')) + 1;
    for (const AppRuleProblem& problem : read.problems)
        if (problem.line < 1 || problem.line > lines || problem.why.empty())
            std::abort();
    for (const AppRule& rule : read.rules.rules)
        if (!AppRuleProgramProblem(rule.program).empty() ||
            !AppRuleProfileProblem(rule.profile).empty())
            std::abort();

    const std::string written = FormatAppRules(read.rules);
    const AppRulesRead again = ParseAppRules(written);
    if (!again.problems.empty() || again.rules.rules.size() != read.rules.rules.size() ||
        FormatAppRules(again.rules) != written)
        std::abort();
    return 0;
}
