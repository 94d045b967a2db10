#include "protocol/ApplyPlan.h"

#include "protocol/ButtonMapReport.h"
#include "protocol/MacroDownload.h"
#include "protocol/PatternDownload.h"
#include "protocol/SettingsReports.h"

namespace kestrin {

std::vector<Report> PlanButtonReports(const ProfileRecord& profile, DownloadSlotTable& slotTable)
{
    std::vector<Report> reports;
    slotTable.fill(0);
    // At most 18 patterns of 4 slots: the counter never leaves its byte.
    uint8_t slot = 0;
    for (int i = 0; i < kButtonCount; ++i) {
        const ButtonSlot& button = profile.buttons[i];
        if (button.functionCode == kFunctionMacro) {
            slotTable[i] = ++slot;
            reports.push_back(BuildMacroReport(button, slot));
        } else if (button.functionCode == kFunctionRecoilPattern) {
            slotTable[i] = ++slot;
            PatternReport part = BuildPatternReport(button, slot, 0);
            reports.push_back(part.report);
            while (part.goesOn) {
                ++slot;
                part = BuildPatternReport(button, slot, part.nextShot);
                reports.push_back(part.report);
            }
        }
    }
    reports.push_back(BuildButtonMapReport(profile, slotTable));
    return reports;
}

ApplyPlan PlanApply(
    const ProfileRecord& current, const ProfileRecord& snapshot, bool applyAllPending)
{
    ApplyPlan plan;
    plan.groups = applyAllPending ? GroupFlags::All() : DetectChanges(current, snapshot);
    if (applyAllPending)
        plan.reports.push_back(BuildBeginReport());
    plan.reports.push_back(BuildBeginReport());
    if (plan.groups.settings)
        plan.reports.push_back(BuildSettingsReport(current));
    if (plan.groups.lighting)
        plan.reports.push_back(BuildLightingReport(current));
    if (plan.groups.reportRate)
        plan.reports.push_back(BuildReportRateReport(current));
    if (plan.groups.button) {
        DownloadSlotTable table{};
        for (Report& report : PlanButtonReports(current, table))
            plan.reports.push_back(report);
        plan.slotTable = table;
    }
    return plan;
}

} // namespace kestrin
