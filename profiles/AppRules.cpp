#include "profiles/AppRules.h"

#include "base/RecordNames.h"
#include "base/SafeFile.h"
#include "base/StoreFiles.h"

#include <algorithm>
#include <span>

namespace kestrin {
namespace {

// Hand-edited, so small; a larger file is not ours and is not read whole.
constexpr std::size_t kMaxRulesFileBytes = std::size_t{1} << 20;
constexpr std::string_view kHeaderWord = "kestrin-app-profiles";

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool ValidUtf8(std::string_view text) { return ToUtf8(ToU16(text)) == text; }

std::string NameProblem(std::string_view name, std::string_view what)
{
    const std::string label(what);
    if (name.empty())
        return "no " + label;
    if (Trim(name) != name)
        return "the " + label + " starts or ends with a space";
    if (std::ranges::any_of(name, [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        return "the " + label + " holds a control character";
    if (!ValidUtf8(name))
        return "the " + label + " is not UTF-8 text";
    return {};
}

bool SameName(std::string_view a, std::string_view b) { return NamesEqual(ToU16(a), ToU16(b)); }

} // namespace

std::string AppRulesPath(const std::string& dataFolder)
{
    return StoreFolder(dataFolder) + "app-profiles.conf";
}

std::string AppRuleProgramProblem(std::string_view program)
{
    if (std::string why = NameProblem(program, "program"); !why.empty())
        return why;
    if (program.find('=') != std::string_view::npos)
        return "the program holds '=', which parts it from the profile";
    if (program.starts_with('#'))
        return "the program starts with '#', which starts a comment";
    return {};
}

std::string AppRuleProfileProblem(std::string_view profile)
{
    return NameProblem(profile, "profile");
}

AppRulesRead ParseAppRules(std::string_view text)
{
    AppRulesRead read;
    std::string above;
    int number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        ++number;
        if (number == 1) {
            if (Trim(line) == kAppRulesHeader)
                continue;
            // An unknown version may mean anything: nothing of it is taken.
            const bool otherVersion = line.starts_with(std::string(kHeaderWord) + " ");
            read.problems.push_back({number,
                otherVersion ? "'" + std::string(line) + "' is a version this Kestrin cannot read"
                             : "the first line must be '" + std::string(kAppRulesHeader) + "'"});
            return read;
        }
        const std::string_view trimmed = Trim(line);
        if (trimmed.empty() || trimmed.starts_with('#')) {
            above.append(line).push_back('\n');
            continue;
        }
        const auto equals = trimmed.find('=');
        if (equals == std::string_view::npos) {
            read.problems.push_back({number, "no '=' between a program and a profile"});
            continue;
        }
        AppRule rule{std::string(Trim(trimmed.substr(0, equals))),
            std::string(Trim(trimmed.substr(equals + 1))), {}};
        std::string why = AppRuleProgramProblem(rule.program);
        if (why.empty())
            why = AppRuleProfileProblem(rule.profile);
        if (why.empty() && FindProgramRule(read.rules, rule.program))
            why = "'" + rule.program + "' has a rule above; only the first counts";
        if (!why.empty()) {
            read.problems.push_back({number, why});
            continue;
        }
        rule.above = std::exchange(above, {});
        read.rules.rules.push_back(std::move(rule));
    }
    read.rules.trailing = std::move(above);
    return read;
}

std::string FormatAppRules(const AppRules& rules)
{
    std::string text(kAppRulesHeader);
    text += '\n';
    for (const AppRule& rule : rules.rules)
        text += rule.above + rule.program + " = " + rule.profile + "\n";
    return text + rules.trailing;
}

FileResult<AppRulesRead> LoadAppRules(const std::string& dataFolder)
{
    const FileBytes file = ReadWholeFile(AppRulesPath(dataFolder), kMaxRulesFileBytes);
    if (file.code == FileError::Missing)
        return FileResult<AppRulesRead>::Ok({});
    if (!file.ok())
        return FileResult<AppRulesRead>::Failed(file.code, file.error);
    return FileResult<AppRulesRead>::Ok(ParseAppRules(
        std::string_view(reinterpret_cast<const char*>(file.value.data()), file.value.size())));
}

SaveResult SaveAppRules(const std::string& dataFolder, const AppRules& rules)
{
    const std::string text = FormatAppRules(rules);
    const ByteRun runs[] = {std::as_bytes(std::span(text))};
    return WriteFileSafely(AppRulesPath(dataFolder), runs);
}

const AppRule* FindAppRule(const AppRules& rules, const WindowProgram& window)
{
    const auto matches = [](std::string_view name, const std::string& program) {
        return !name.empty() && SameName(name, program);
    };
    for (const AppRule& rule : rules.rules)
        if (matches(window.windowClass, rule.program) || matches(window.instance, rule.program) ||
            matches(window.executable, rule.program))
            return &rule;
    return nullptr;
}

AppRule* FindProgramRule(AppRules& rules, std::string_view program)
{
    for (AppRule& rule : rules.rules)
        if (SameName(rule.program, program))
            return &rule;
    return nullptr;
}

int RenameAppRulesProfile(AppRules& rules, std::string_view from, std::string_view to)
{
    int changed = 0;
    for (AppRule& rule : rules.rules)
        if (SameName(rule.profile, from)) {
            rule.profile = std::string(to);
            ++changed;
        }
    return changed;
}

std::vector<AppRule> DropAppRulesOfProfile(AppRules& rules, std::string_view profile)
{
    std::vector<AppRule> dropped;
    std::erase_if(rules.rules, [&](AppRule& rule) {
        if (!SameName(rule.profile, profile))
            return false;
        dropped.push_back(std::move(rule));
        return true;
    });
    return dropped;
}

} // namespace kestrin
