#include "tools/kestrinctl/ReportsCommand.h"

#include "protocol/ApplyPlan.h"
#include "protocol/LinkWrites.h"

namespace kestrin::ctl {

void PrintApplyWrites(const ProfileRecord& profile, LinkKind link, std::ostream& out)
{
    const ApplyPlan plan = PlanApply(profile, profile, true);
    for (const Report& report : plan.reports)
        for (const Report& write : LinkWrites(report, link))
            out << ToHex(write.data()) << '\n';
}

} // namespace kestrin::ctl
