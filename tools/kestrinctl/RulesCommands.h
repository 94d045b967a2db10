#pragma once

#include "tools/kestrinctl/DeviceCommands.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace kestrin::ctl {

// The rules of app-profiles.conf, one "program = profile" a line; as JSON with `json`. Lines
// that are not rules are told on `err` and skipped.
int ListRules(const std::string& dataFolder, bool json, std::ostream& out, std::ostream& err);
// Makes `program` switch to the existing profile `profile`, in place of a rule it had.
int AddRule(const std::string& dataFolder, const std::string& program, const std::string& profile,
    std::ostream& out, std::ostream& err);
int RemoveRule(const std::string& dataFolder, const std::string& program, std::ostream& out,
    std::ostream& err);

// Switches to `profile` as `use` does, runs `command` and waits for it, then switches back to the
// profile that was current; the command's exit status (128 + the signal that ended it). When the
// first switch fails the command is not run.
int RunWithProfile(const DeviceContext& context, const std::string& profile,
    const std::vector<std::string>& command, std::ostream& err);

} // namespace kestrin::ctl
