#include "tools/kestrinctl/ReportsCommand.h"

#include "device/ApplyPlan.h"
#include "device/LinkWrites.h"

namespace kestrin::ctl {

void PrintApplyWrites(const ProfileRecord& profile, LinkKind link, std::ostream& out)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    const ApplyPlan plan = PlanApply(profile, profile, true);
    std::string line;
    for (const Report& report : plan.reports) {
        for (const Report& write : LinkWrites(report, link)) {
            line.clear();
            for (const uint8_t byte : write.data()) {
                line.push_back(kDigits[byte >> 4]);
                line.push_back(kDigits[byte & 0x0F]);
            }
            out << line << '\n';
        }
    }
}

} // namespace kestrin::ctl
