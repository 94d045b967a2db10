#pragma once

#include "profiles/ProfileRecord.h"

#include <memory>
#include <string>
#include <variant>

namespace kestrin::ctl {

// A profile record read from a file that holds exactly one, or why it could not be read.
using ProfileFileResult = std::variant<std::unique_ptr<ProfileRecord>, std::string>;

ProfileFileResult ReadProfileFile(const std::string& path);

} // namespace kestrin::ctl
