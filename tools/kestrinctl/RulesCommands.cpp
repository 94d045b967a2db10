#include "tools/kestrinctl/RulesCommands.h"

#include "base/RecordNames.h"
#include "profiles/AppRules.h"
#include "tools/kestrinctl/Json.h"
#include "tools/kestrinctl/StoreCommands.h"
#include "tools/kestrinctl/Words.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>
#include <ostream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace kestrin::ctl {
namespace {

// The rules as read, with each broken line told; nothing when the file cannot be read.
std::optional<AppRulesRead> ReadRules(const std::string& dataFolder, std::ostream& err)
{
    auto loaded = LoadAppRules(dataFolder);
    if (!loaded.ok()) {
        err << "kestrinctl: "
            << Say("ctl_cannot_read_because_text", {AppRulesPath(dataFolder), loaded.error})
            << "\n";
        return std::nullopt;
    }
    for (const AppRuleProblem& problem : loaded.value.problems)
        err << "kestrinctl: "
            << Say("ctl_rules_line_skipped_text",
                   {AppRulesPath(dataFolder), std::to_string(problem.line), problem.why})
            << "\n";
    return std::move(loaded.value);
}

// The rules for a change: a file with broken lines is left alone, since saving would lose them.
std::optional<AppRules> RulesToChange(const std::string& dataFolder, std::ostream& err)
{
    auto read = ReadRules(dataFolder, err);
    if (!read)
        return std::nullopt;
    if (!read->problems.empty()) {
        err << "kestrinctl: " << Say("ctl_rules_broken_text") << "\n";
        return std::nullopt;
    }
    return std::move(read->rules);
}

int Save(const std::string& dataFolder, const AppRules& rules, std::ostream& err)
{
    const SaveResult saved = SaveAppRules(dataFolder, rules);
    if (!saved.ok()) {
        err << "kestrinctl: " << Say("ctl_rules_not_saved_text", {saved.error}) << "\n";
        return kExitFailed;
    }
    return kExitDone;
}

// 128 + the signal, as shells tell a command a signal ended.
int ExitStatusOf(int waited)
{
    if (WIFEXITED(waited))
        return WEXITSTATUS(waited);
    if (WIFSIGNALED(waited))
        return 128 + WTERMSIG(waited);
    return kExitFailed;
}

// Runs `command` and waits for it. Ctrl-C reaches the command; kestrinctl outlives it so that
// the profile goes back.
int RunCommand(const std::vector<std::string>& command, std::ostream& err)
{
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    struct sigaction ignore { };
    ignore.sa_handler = SIG_IGN;
    struct sigaction oldInt { };
    struct sigaction oldQuit { };
    ::sigaction(SIGINT, &ignore, &oldInt);
    ::sigaction(SIGQUIT, &ignore, &oldQuit);
    err.flush();
    // Worded before the fork: the child only writes it.
    const std::string cannotRun = "kestrinctl: " + Say("ctl_cannot_run_text", {command[0], "\x01"});
    const pid_t child = ::fork();
    if (child == 0) {
        ::sigaction(SIGINT, &oldInt, nullptr);
        ::sigaction(SIGQUIT, &oldQuit, nullptr);
        ::execvp(argv[0], argv.data());
        std::string message = cannotRun;
        if (const std::size_t at = message.rfind('\x01'); at != std::string::npos)
            message.replace(at, 1, std::strerror(errno));
        message += "\n";
        [[maybe_unused]] const auto written = ::write(2, message.data(), message.size());
        ::_exit(127);
    }
    int status = kExitFailed;
    if (child < 0) {
        err << "kestrinctl: " << Say("ctl_cannot_start_text", {command[0], std::strerror(errno)})
            << "\n";
    } else {
        int waited = 0;
        pid_t done = -1;
        do
            done = ::waitpid(child, &waited, 0);
        while (done < 0 && errno == EINTR);
        status = done == child ? ExitStatusOf(waited) : kExitFailed;
    }
    ::sigaction(SIGINT, &oldInt, nullptr);
    ::sigaction(SIGQUIT, &oldQuit, nullptr);
    return status;
}

} // namespace

int ListRules(const std::string& dataFolder, bool json, std::ostream& out, std::ostream& err)
{
    const auto read = ReadRules(dataFolder, err);
    if (!read)
        return kExitFailed;
    if (json)
        out << "[";
    bool first = true;
    for (const AppRule& rule : read->rules.rules) {
        if (json)
            out << (first ? "" : ",") << "\n  {\"program\": " << JsonString(rule.program)
                << ", \"profile\": " << JsonString(rule.profile) << "}";
        else
            out << rule.program << " = " << rule.profile << "\n";
        first = false;
    }
    if (json)
        out << "\n]\n";
    return out ? kExitDone : kExitFailed;
}

int AddRule(const std::string& dataFolder, const std::string& program, const std::string& profile,
    std::ostream& out, std::ostream& err)
{
    if (const std::string why = AppRuleProgramProblem(program); !why.empty()) {
        err << "kestrinctl: " << Say("ctl_rule_program_bad_text", {program, why}) << "\n";
        return kExitFailed;
    }
    ProfileList list;
    ProfileStoreHeader header{};
    if (!ReadProfiles(dataFolder, list, header, err))
        return kExitFailed;
    const int index = FindProfile(list, profile);
    if (index < 0) {
        err << "kestrinctl: " << Say("ctl_no_profile_text", {profile}) << "\n";
        return kExitFailed;
    }
    auto rules = RulesToChange(dataFolder, err);
    if (!rules)
        return kExitFailed;
    // Named as the profile list names it, whatever case it was typed in.
    const std::string named = ToUtf8(ReadName(list[static_cast<std::size_t>(index)]->name));
    if (AppRule* existing = FindProgramRule(*rules, program))
        existing->profile = named;
    else
        rules->rules.push_back({program, named, {}});
    if (const int saved = Save(dataFolder, *rules, err); saved != kExitDone)
        return saved;
    out << Say("ctl_rule_added_text", {program, named}) << "\n";
    return kExitDone;
}

int RemoveRule(
    const std::string& dataFolder, const std::string& program, std::ostream& out, std::ostream& err)
{
    auto rules = RulesToChange(dataFolder, err);
    if (!rules)
        return kExitFailed;
    const AppRule* rule = FindProgramRule(*rules, program);
    if (!rule) {
        err << "kestrinctl: " << Say("ctl_no_rule_text", {program}) << "\n";
        return kExitFailed;
    }
    const std::string removed = rule->program;
    std::erase_if(rules->rules, [&](const AppRule& each) { return &each == rule; });
    if (const int saved = Save(dataFolder, *rules, err); saved != kExitDone)
        return saved;
    out << Say("ctl_rule_removed_text", {removed}) << "\n";
    return kExitDone;
}

int RunWithProfile(const DeviceContext& context, const std::string& profile,
    const std::vector<std::string>& command, std::ostream& err)
{
    const auto remembered = CurrentProfile(context, err);
    if (!remembered) {
        err << "kestrinctl: " << Say("ctl_command_not_run_text") << "\n";
        return kExitFailed;
    }
    // What the switches say goes to `err`: the command's output stays its own.
    std::ostringstream quiet;
    if (const int used = UseProfile(context, profile, err, err); used != kExitDone) {
        // A switch saved before the mouse failed it would stay behind.
        if (const auto now = CurrentProfile(context, quiet); now && *now != *remembered)
            UseProfile(context, *remembered, quiet, quiet);
        err << "kestrinctl: " << Say("ctl_command_not_run_text") << "\n";
        return used;
    }
    const int status = RunCommand(command, err);
    if (UseProfile(context, *remembered, err, err) != kExitDone) {
        err << "kestrinctl: " << Say("ctl_switch_back_failed_text", {*remembered}) << "\n";
        return status == kExitDone ? kExitFailed : status;
    }
    return status;
}

} // namespace kestrin::ctl
