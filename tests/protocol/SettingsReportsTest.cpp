#include "protocol/SettingsReports.h"

#include "tests/device/ReportBytes.h"

#include <gtest/gtest.h>

namespace kestrin {
namespace {

using test::Bytes;
using test::StoredChecksum;
using test::SumOf;
using Vec = std::vector<uint8_t>;

TEST(BeginReport, IsTheConstantTenBytes)
{
    const Report report = BuildBeginReport();
    EXPECT_EQ(report.length, 10u);
    EXPECT_EQ(Bytes(report, 0, 10), (Vec{0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0, 0, 0, 0}));
}

TEST(SettingsReport, CarriesTheDefaultStagesAsValueMinusOneInSplitByteArrays)
{
    const auto profile = NewProfileRecord(u"p");
    const Report report = BuildSettingsReport(*profile);
    EXPECT_EQ(report.length, 56u);
    EXPECT_EQ(Bytes(report, 0, 3), (Vec{0x04, 0x38, 0x01}));
    EXPECT_EQ(Bytes(report, 8, 16), (Vec{0x0F, 0x17, 0x1F, 0x3F, 0x6F, 0x07, 0x00, 0x00}));
    EXPECT_EQ(Bytes(report, 16, 24), (Vec{0, 0, 0, 0, 0, 0x02, 0, 0}));
    EXPECT_EQ(report.bytes[5], 0x3F) << "stages 0..5 enabled";
    EXPECT_EQ(report.bytes[24], 2) << "stage index 1 travels 1-based";
    EXPECT_EQ(Bytes(report, 3, 5), (Vec{0, 1})) << "lift-off, ripple";
    EXPECT_EQ(Bytes(report, 6, 8), (Vec{1, 1})) << "angle snap, motion sync";
    EXPECT_EQ(Bytes(report, 25, 28), (Vec{255, 0, 0})) << "stage 1 red";
    EXPECT_EQ(Bytes(report, 46, 49), (Vec{255, 255, 255})) << "stage 8 white";
    EXPECT_EQ(report.bytes[49], 0x01);
    EXPECT_EQ(StoredChecksum(report, 50), SumOf(report, 3, 50));
    EXPECT_EQ(Bytes(report, 52, 56), (Vec{0, 0, 0, 0}));
}

TEST(SettingsReport, LeavesUnsetAndNegativeStagesZeroInsteadOfWrapping)
{
    auto profile = NewProfileRecord(u"p");
    profile->dpiX[0] = 0;
    profile->dpiX[1] = -5;
    profile->dpiX[2] = 1;
    const Report report = BuildSettingsReport(*profile);
    EXPECT_EQ(Bytes(report, 8, 11), (Vec{0, 0, 0}));
    EXPECT_EQ(Bytes(report, 16, 19), (Vec{0, 0, 0}));
}

TEST(SettingsReport, MasksOnlyStagesWhoseEnabledValueIsExactlyOne)
{
    auto profile = NewProfileRecord(u"p");
    const int32_t enabled[8] = {1, 0, 2, 1, -1, 0, 0, 1};
    std::copy(std::begin(enabled), std::end(enabled), profile->stageEnabled);
    EXPECT_EQ(BuildSettingsReport(*profile).bytes[5], 0x89);
}

TEST(LightingReport, SplitsTheSleepTimerAcrossTwoBytes)
{
    auto profile = NewProfileRecord(u"p");
    profile->lightingMode = 1;
    profile->sleepTimer = 0xA7;
    profile->breathSpeed = 6;
    profile->brightness = 5;
    profile->lightingColor = {10, 20, 30, 0};
    profile->lightOffTimer = 0x1F3; // only the low byte travels
    profile->keyDebounce = 4;
    const Report report = BuildLightingReport(*profile);
    EXPECT_EQ(report.length, 15u);
    EXPECT_EQ(Bytes(report, 0, 11), (Vec{0x05, 0x0F, 0x01, 0x10, 0xA3, 0x75, 10, 20, 30, 0xF3, 4}));
    const uint16_t sum = 0x10 + 0xA3 + 0x75 + 10 + 20 + 30 + 0xF3 + 4;
    EXPECT_EQ(StoredChecksum(report, 11), sum);
    EXPECT_EQ(Bytes(report, 13, 15), (Vec{0, 0}));
}

TEST(LightingReport, SendsBrightnessOnlyForTheDimmableModes)
{
    auto profile = NewProfileRecord(u"p");
    profile->sleepTimer = 0;
    profile->brightness = 3;
    for (const int mode : {0, 2, 5, 8}) {
        profile->lightingMode = mode;
        EXPECT_EQ(BuildLightingReport(*profile).bytes[5], 8) << "mode " << mode;
    }
    for (const int mode : {1, 9}) {
        profile->lightingMode = mode;
        EXPECT_EQ(BuildLightingReport(*profile).bytes[5], 3) << "mode " << mode;
        EXPECT_EQ(BuildLightingReport(*profile).bytes[3], mode << 4);
    }
}

TEST(LightingReport, IgnoresTheBluetoothLightingMode)
{
    auto profile = NewProfileRecord(u"p");
    const Report before = BuildLightingReport(*profile);
    profile->bleLightingMode = 4;
    EXPECT_EQ(BuildLightingReport(*profile), before);
}

TEST(LightingReport, KeepsTheSleepNibblesWhenSpeedOrBrightnessIsOutOfRange)
{
    auto profile = NewProfileRecord(u"p");
    profile->lightingMode = 1;
    profile->sleepTimer = 0x5A;
    profile->breathSpeed = 12; // 9 - 12 < 0
    profile->brightness = 0x33;
    const Report report = BuildLightingReport(*profile);
    EXPECT_EQ(report.bytes[4] & 0xF0, 0x50);
    EXPECT_EQ(report.bytes[5] & 0xF0, 0xA0);
}

TEST(ReportRateReport, CarriesTheIntervalAndItsComplement)
{
    auto profile = NewProfileRecord(u"p");
    profile->reportRate = 3;
    const Report report = BuildReportRateReport(*profile);
    EXPECT_EQ(report.length, 9u);
    EXPECT_EQ(Bytes(report, 0, 9), (Vec{0x06, 0x09, 0x01, 0x01, 0xFE, 0, 0, 0, 0}));

    const std::pair<int, uint8_t> cases[] = {{0, 8}, {1, 4}, {2, 2}, {3, 1}, {4, 2}, {-1, 2}};
    for (const auto& [setting, code] : cases) {
        profile->reportRate = setting;
        const Report r = BuildReportRateReport(*profile);
        EXPECT_EQ(r.bytes[3], code) << "setting " << setting;
        EXPECT_EQ(r.bytes[4], 255 - code) << "setting " << setting;
    }
}

} // namespace
} // namespace kestrin
