#pragma once

#include "base/FileResult.h"
#include "base/WindowProgram.h"

#include <string>
#include <string_view>
#include <vector>

namespace kestrin {

// A program whose window, while in front, makes a profile current. Both names are UTF-8; the
// profile is named as the profile list names it.
struct AppRule {
    std::string program;
    std::string profile;
    // The comment and blank lines above the rule in the file, kept as written.
    std::string above;
};

struct AppRules {
    std::vector<AppRule> rules;
    std::string trailing; // comment and blank lines after the last rule
};

// A line of the file that was skipped, and why.
struct AppRuleProblem {
    int line = 0; // 1-based
    std::string why;
};

struct AppRulesRead {
    AppRules rules;
    std::vector<AppRuleProblem> problems;
};

inline constexpr std::string_view kAppRulesHeader = "kestrin-app-profiles 1";

// The rules file beside the stores of a data folder (`dataFolder` ends with '/').
std::string AppRulesPath(const std::string& dataFolder);

// Rules from the file's text: a version line, then "program = profile" a line; lines starting
// with '#' and blank ones are kept as comments. A line that is not a rule is skipped and told;
// with a wrong version line no rule is taken at all.
AppRulesRead ParseAppRules(std::string_view text);
std::string FormatAppRules(const AppRules& rules);

// Empty when `program` can stand on the left of a rule, else why not.
std::string AppRuleProgramProblem(std::string_view program);
// Empty when `profile` can stand on the right of a rule, else why not.
std::string AppRuleProfileProblem(std::string_view profile);

// The file of a data folder; a missing file is no rules. Unreadable (or too large): not ok.
FileResult<AppRulesRead> LoadAppRules(const std::string& dataFolder);
SaveResult SaveAppRules(const std::string& dataFolder, const AppRules& rules);

// The first rule in the file whose program is the window's class, instance or executable
// (without regard to case, as profile names compare); null when none is.
const AppRule* FindAppRule(const AppRules& rules, const WindowProgram& window);

// The rule for exactly `program` (without regard to case); null when none.
AppRule* FindProgramRule(AppRules& rules, std::string_view program);

// Points the rules of profile `from` at `to`; how many changed.
int RenameAppRulesProfile(AppRules& rules, std::string_view from, std::string_view to);
// Removes the rules of a deleted profile and returns them, so that the caller can tell.
std::vector<AppRule> DropAppRulesOfProfile(AppRules& rules, std::string_view profile);

} // namespace kestrin
