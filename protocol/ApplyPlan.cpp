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
    const auto add = [&plan](const Report& report, std::optional<ReportGroup> group) {
        plan.reports.push_back(report);
        plan.reportGroups.push_back(group);
    };
    plan.groups = applyAllPending ? GroupFlags::All() : DetectChanges(current, snapshot);
    if (applyAllPending)
        add(BuildBeginReport(), std::nullopt);
    add(BuildBeginReport(), std::nullopt);
    if (plan.groups.settings)
        add(BuildSettingsReport(current), ReportGroup::Settings);
    if (plan.groups.lighting)
        add(BuildLightingReport(current), ReportGroup::Lighting);
    if (plan.groups.reportRate)
        add(BuildReportRateReport(current), ReportGroup::ReportRate);
    if (plan.groups.button) {
        DownloadSlotTable table{};
        for (const Report& report : PlanButtonReports(current, table))
            add(report, ReportGroup::Button);
        plan.slotTable = table;
    }
    return plan;
}

} // namespace kestrin
