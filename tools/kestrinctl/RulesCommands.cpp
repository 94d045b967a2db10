#include "tools/kestrinctl/RulesCommands.h"

#include "base/RecordNames.h"
#include "profiles/AppRules.h"
#include "tools/kestrinctl/Json.h"
#include "tools/kestrinctl/StoreCommands.h"

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
        err << "kestrinctl: " << AppRulesPath(dataFolder) << " cannot be read: " << loaded.error
            << "\n";
        return std::nullopt;
    }
    for (const AppRuleProblem& problem : loaded.value.problems)
        err << "kestrinctl: " << AppRulesPath(dataFolder) << " line " << problem.line << ": "
            << problem.why << "; skipped\n";
    return std::move(loaded.value);
}

// The rules for a change: a file with broken lines is left alone, since saving would lose them.
std::optional<AppRules> RulesToChange(const std::string& dataFolder, std::ostream& err)
{
    auto read = ReadRules(dataFolder, err);
    if (!read)
        return std::nullopt;
    if (!read->problems.empty()) {
        err << "kestrinctl: set those lines right (or remove them) first; saving now would lose "
               "them\n";
        return std::nullopt;
    }
    return std::move(read->rules);
}

int Save(const std::string& dataFolder, const AppRules& rules, std::ostream& err)
{
    const SaveResult saved = SaveAppRules(dataFolder, rules);
    if (!saved.ok()) {
        err << "kestrinctl: the rules could not be saved: " << saved.error << "\n";
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
    const pid_t child = ::fork();
    if (child == 0) {
        ::sigaction(SIGINT, &oldInt, nullptr);
        ::sigaction(SIGQUIT, &oldQuit, nullptr);
        ::execvp(argv[0], argv.data());
        const std::string message =
            "kestrinctl: cannot run '" + command[0] + "': " + std::strerror(errno) + "\n";
        [[maybe_unused]] const auto written = ::write(2, message.data(), message.size());
        ::_exit(127);
    }
    int status = kExitFailed;
    if (child < 0) {
        err << "kestrinctl: cannot start '" << command[0] << "': " << std::strerror(errno) << "\n";
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
        err << "kestrinctl: '" << program << "' cannot be a rule's program: " << why << "\n";
        return kExitFailed;
    }
    ProfileList list;
    ProfileStoreHeader header{};
    if (!ReadProfiles(dataFolder, list, header, err))
        return kExitFailed;
    const int index = FindProfile(list, profile);
    if (index < 0) {
        err << "kestrinctl: no profile named '" << profile << "' (kestrinctl list shows them)\n";
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
    out << "'" << program << "' switches to '" << named << "'\n";
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
        err << "kestrinctl: no rule for '" << program << "' (kestrinctl rules list shows them)\n";
        return kExitFailed;
    }
    const std::string removed = rule->program;
    std::erase_if(rules->rules, [&](const AppRule& each) { return &each == rule; });
    if (const int saved = Save(dataFolder, *rules, err); saved != kExitDone)
        return saved;
    out << "'" << removed << "' no longer switches profiles\n";
    return kExitDone;
}

int RunWithProfile(const DeviceContext& context, const std::string& profile,
    const std::vector<std::string>& command, std::ostream& err)
{
    const auto remembered = CurrentProfile(context, err);
    if (!remembered) {
        err << "kestrinctl: the command was not run\n";
        return kExitFailed;
    }
    // What the switches say goes to `err`: the command's output stays its own.
    std::ostringstream quiet;
    if (const int used = UseProfile(context, profile, err, err); used != kExitDone) {
        // A switch saved before the mouse failed it would stay behind.
        if (const auto now = CurrentProfile(context, quiet); now && *now != *remembered)
            UseProfile(context, *remembered, quiet, quiet);
        err << "kestrinctl: the command was not run\n";
        return used;
    }
    const int status = RunCommand(command, err);
    if (UseProfile(context, *remembered, err, err) != kExitDone) {
        err << "kestrinctl: could not switch back to '" << *remembered << "'\n";
        return status == kExitDone ? kExitFailed : status;
    }
    return status;
}

} // namespace kestrin::ctl
