#pragma once

#include "profiles/ProfileRecord.h"
#include "protocol/LinkKind.h"

#include <ostream>

namespace kestrin::ctl {

// Writes every write that a full apply of `profile` makes over `link`, one per line, as
// lower-case hex without separators.
void PrintApplyWrites(const ProfileRecord& profile, LinkKind link, std::ostream& out);

} // namespace kestrin::ctl
