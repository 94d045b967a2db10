#pragma once

#include "profiles/ProfileRecord.h"
#include "protocol/Report.h"

namespace kestrin {

// The constant report that opens every apply.
Report BuildBeginReport();

// DPI stages, stage colours and the sensor options of a profile.
Report BuildSettingsReport(const ProfileRecord& profile);

// Lighting effect, colour, timers and key debounce. Only the wired/2.4 GHz lighting mode
// travels; the Bluetooth lighting mode is never sent.
Report BuildLightingReport(const ProfileRecord& profile);

// Polling interval in ms for a report-rate setting: 0..3 (125..1000 Hz) give 8, 4, 2, 1;
// any other setting gives 2.
uint8_t ReportRateCode(int32_t setting);

Report BuildReportRateReport(const ProfileRecord& profile);

} // namespace kestrin
