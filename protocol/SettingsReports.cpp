#include "protocol/SettingsReports.h"

namespace kestrin {
namespace {

// Fields are stored as signed 32-bit values of any content; the wire keeps low bits only,
// so arithmetic on them runs unsigned to stay defined for every stored value.
uint32_t Bits(int32_t value) { return static_cast<uint32_t>(value); }
uint8_t Low(uint32_t value) { return static_cast<uint8_t>(value); }
uint8_t Low(int32_t value) { return static_cast<uint8_t>(value); }

} // namespace

Report BuildBeginReport()
{
    Report report = NewReport(kBeginReportId, kBeginReportLength);
    report.bytes[3] = 0xFE;
    report.bytes[4] = 0x01;
    report.bytes[5] = 0xFE;
    return report;
}

Report BuildSettingsReport(const ProfileRecord& profile)
{
    Report report = NewReport(kSettingsReportId, kSettingsReportLength);
    auto& b = report.bytes;
    b[3] = Low(profile.liftOffDistance);
    b[4] = Low(profile.rippleControl);
    uint8_t enabledMask = 0;
    for (int k = 0; k < kDpiStageCount; ++k)
        if (profile.stageEnabled[k] == 1)
            enabledMask |= static_cast<uint8_t>(1u << k);
    b[5] = enabledMask;
    b[6] = Low(profile.angleSnap);
    b[7] = Low(profile.motionSync);
    for (int k = 0; k < kDpiStageCount; ++k) {
        // The mouse counts stages from 0 = 50 DPI; an unset stage (0) must stay 0, not wrap.
        const int32_t dpi = profile.dpiX[k];
        const uint32_t wire = dpi > 0 ? static_cast<uint32_t>(dpi - 1) : 0;
        b[8 + k] = static_cast<uint8_t>(wire);
        b[16 + k] = static_cast<uint8_t>(wire >> 8);
    }
    b[24] = Low(Bits(profile.currentDpiStage) + 1);
    for (int k = 0; k < kDpiStageCount; ++k) {
        b[25 + 3 * k] = profile.stageColor[k].r;
        b[26 + 3 * k] = profile.stageColor[k].g;
        b[27 + 3 * k] = profile.stageColor[k].b;
    }
    b[49] = 0x01;
    WriteChecksum(report, 3, 50);
    return report;
}

Report BuildLightingReport(const ProfileRecord& profile)
{
    Report report = NewReport(kLightingReportId, kLightingReportLength);
    auto& b = report.bytes;
    b[3] = Low(Bits(profile.lightingMode) << 4);
    // The sleep timer's high nibble shares byte 4 with the speed and its low nibble shares
    // byte 5 with the brightness; the small values are masked so that an out-of-range one
    // cannot spill into the sleep timer's bits.
    const uint32_t sleep = Bits(profile.sleepTimer);
    const uint32_t speed = (9u - Bits(profile.breathSpeed)) & 0x0F;
    const bool dimmable = profile.lightingMode == 1 || profile.lightingMode == 9;
    const uint32_t brightness = Bits(dimmable ? profile.brightness : 8) & 0x0F;
    b[4] = Low((sleep & 0xF0) | speed);
    b[5] = Low(((sleep << 4) & 0xF0) | brightness);
    b[6] = profile.lightingColor.r;
    b[7] = profile.lightingColor.g;
    b[8] = profile.lightingColor.b;
    b[9] = Low(profile.lightOffTimer);
    b[10] = Low(profile.keyDebounce);
    WriteChecksum(report, 3, 11);
    return report;
}

uint8_t ReportRateCode(int32_t setting)
{
    switch (setting) {
    case 0:
        return 8;
    case 1:
        return 4;
    case 2:
        return 2;
    case 3:
        return 1;
    default:
        return 2;
    }
}

Report BuildReportRateReport(const ProfileRecord& profile)
{
    Report report = NewReport(kReportRateReportId, kReportRateReportLength);
    const uint8_t code = ReportRateCode(profile.reportRate);
    report.bytes[3] = code;
    report.bytes[4] = static_cast<uint8_t>(~code);
    return report;
}

} // namespace kestrin
