#pragma once

#include "profiles/ProfileRecord.h"
#include "protocol/ChangeDetection.h"
#include "protocol/DownloadSlotTable.h"
#include "protocol/Report.h"

#include <optional>
#include <vector>

namespace kestrin {

// Everything one apply writes, decided before the first write.
//
// The apply engine hands `reports` to its send routine one by one, in order, and does not
// build, skip or reorder any of them: the send routine alone decides how a report travels
// (see LinkWrites) and whether it is dropped on a link (the report-rate report over
// Bluetooth). Once the apply is done the engine clears its pending-all flag, replaces its
// DownloadSlotTable with `slotTable` when it holds one, and copies the profile it planned
// from over the snapshot.
struct ApplyPlan {
    GroupFlags groups;
    // The begin report (twice when everything was pending), then the settings, lighting and
    // report-rate reports of the groups that changed, then, for the button group, the
    // downloads in slot order followed by the button map.
    std::vector<Report> reports;
    // The group of each report of `reports`, nothing for the begin reports.
    std::vector<std::optional<ReportGroup>> reportGroups;
    // Filled when the button group goes out: per button, the first slot of its macro or
    // pattern. Left empty otherwise, and the table of the last apply stays in force.
    std::optional<DownloadSlotTable> slotTable;
};

// Plans the apply of `current` against `snapshot`; with `applyAllPending` every group goes
// out and the snapshot is not looked at. Downloads take slots from 1 in button order: a macro
// one slot, a recoil pattern as many as its shots need.
ApplyPlan PlanApply(
    const ProfileRecord& current, const ProfileRecord& snapshot, bool applyAllPending);

// The downloads of the button group with the slot table they fill, the button map last.
std::vector<Report> PlanButtonReports(const ProfileRecord& profile, DownloadSlotTable& slotTable);

} // namespace kestrin
