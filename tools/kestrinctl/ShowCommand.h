#pragma once

#include "profiles/ProfileRecord.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace kestrin::ctl {

// Where the summary's words come from: the window's texts by id, and a key's name as the
// keyboard shows it.
struct Labels {
    std::function<std::u16string(std::string_view textId)> text;
    std::function<std::u16string(unsigned keyCode)> keyName;
};

// Every setting of `profile` as the window shows it: DPI stages with colours, report rate,
// sensor options, lighting, timers and each button's function as its label reads; as JSON
// with `json`.
void WriteProfileSummary(
    const ProfileRecord& profile, bool current, bool json, const Labels& labels, std::ostream& out);

// The profile named `name` of the data folder, or the current one.
int ShowProfile(const std::string& dataFolder, const std::optional<std::string>& name, bool json,
    const Labels& labels, std::ostream& out, std::ostream& err);

} // namespace kestrin::ctl
