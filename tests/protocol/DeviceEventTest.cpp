#include "protocol/DeviceEvent.h"

#include <gtest/gtest.h>

namespace kestrin {
namespace {

constexpr LinkKind kUsb = LinkKind::Receiver;
constexpr LinkKind kBle = LinkKind::Bluetooth;

template <class T> T As(std::optional<DeviceEvent> event)
{
    EXPECT_TRUE(event.has_value());
    EXPECT_TRUE(event && std::holds_alternative<T>(*event));
    return event && std::holds_alternative<T>(*event) ? std::get<T>(*event) : T{};
}

TEST(DecodeDeviceEvent, DropsCodesWhoseLowByteIsNotTheEventMark)
{
    for (const uint16_t code : {0x1011, 0x1000, 0x20FF, 0x4001, 0x5020, 0x7011})
        for (const LinkKind link : {LinkKind::Cable, kUsb, kBle})
            EXPECT_FALSE(DecodeDeviceEvent(code, 1, link)) << std::hex << code;
}

TEST(DecodeDeviceEvent, DropsUnknownEventKinds)
{
    for (const uint16_t code : {0x0010, 0x3010, 0x9010, 0xA010, 0xFF10})
        EXPECT_FALSE(DecodeDeviceEvent(code, 1, kUsb)) << std::hex << code;
}

TEST(DecodeDeviceEvent, TurnsDpiStagesOneToEightIntoZeroBasedStages)
{
    EXPECT_EQ(As<DpiStageChanged>(DecodeDeviceEvent(0x1010, 1, kUsb)).stage, 0);
    EXPECT_EQ(As<DpiStageChanged>(DecodeDeviceEvent(0x1010, 8, kBle)).stage, 7);
    EXPECT_FALSE(DecodeDeviceEvent(0x1010, 0, kUsb));
    EXPECT_FALSE(DecodeDeviceEvent(0x1010, 9, kUsb));
    EXPECT_FALSE(DecodeDeviceEvent(0x1010, 0x0101, kUsb));
}

TEST(DecodeDeviceEvent, MapsReportRateIntervalsOntoTheSettingItTravelsAs)
{
    EXPECT_EQ(As<ReportRateChanged>(DecodeDeviceEvent(0x2010, 8, kUsb)).setting, 0);
    EXPECT_EQ(As<ReportRateChanged>(DecodeDeviceEvent(0x2010, 4, kUsb)).setting, 1);
    EXPECT_EQ(As<ReportRateChanged>(DecodeDeviceEvent(0x2010, 2, kUsb)).setting, 2);
    EXPECT_EQ(As<ReportRateChanged>(DecodeDeviceEvent(0x2010, 1, kBle)).setting, 3);
    for (const uint16_t value : {0, 3, 5, 6, 7, 9, 16, 0x0108})
        EXPECT_FALSE(DecodeDeviceEvent(0x2010, value, kUsb)) << value;
}

TEST(DecodeDeviceEvent, SplitsBatteryStatusAndPercent)
{
    const auto battery = As<BatteryStatus>(DecodeDeviceEvent(0x4010, 0x9603, kUsb));
    EXPECT_EQ(battery.status, BatteryState::Charging);
    EXPECT_EQ(battery.percent, 150);
}

TEST(DecodeDeviceEvent, AcceptsAWriteOnlyWhenTheLowByteIsZero)
{
    EXPECT_TRUE(As<WriteAcknowledgement>(DecodeDeviceEvent(0x5010, 0x0000, kUsb)).accepted);
    EXPECT_TRUE(As<WriteAcknowledgement>(DecodeDeviceEvent(0x5010, 0x1200, kUsb)).accepted);
    EXPECT_FALSE(As<WriteAcknowledgement>(DecodeDeviceEvent(0x5010, 0x0001, kUsb)).accepted);
}

TEST(DecodeDeviceEvent, ReadsTheLightingModeByLink)
{
    const auto usb = As<LightingModeChanged>(DecodeDeviceEvent(0x7010, 7, kUsb));
    EXPECT_EQ(usb.mode, 7);
    EXPECT_FALSE(usb.refreshControls);
    EXPECT_EQ(As<LightingModeChanged>(DecodeDeviceEvent(0x7010, 0, LinkKind::Cable)).mode, 0);
    EXPECT_FALSE(DecodeDeviceEvent(0x7010, 8, kUsb));
    EXPECT_FALSE(DecodeDeviceEvent(0x7010, 0x30, kUsb));

    const auto ble = As<LightingModeChanged>(DecodeDeviceEvent(0x7010, 0xAB5C, kBle));
    EXPECT_EQ(ble.mode, 5) << "bits 4..7";
    EXPECT_TRUE(ble.refreshControls);
}

TEST(DecodeDeviceEvent, KeepsNoticesInsideTheirRanges)
{
    As<IdleNotice>(DecodeDeviceEvent(0x6010, 10, kUsb));
    EXPECT_FALSE(DecodeDeviceEvent(0x6010, 0, kUsb));
    EXPECT_FALSE(DecodeDeviceEvent(0x6010, 11, kUsb));
    As<StoreNotice>(DecodeDeviceEvent(0x8010, 1, kBle));
    As<StoreNotice>(DecodeDeviceEvent(0x8010, 5, kUsb));
    EXPECT_FALSE(DecodeDeviceEvent(0x8010, 0, kUsb));
    EXPECT_FALSE(DecodeDeviceEvent(0x8010, 6, kUsb));
}

TEST(EventStoresProfile, HoldsForTheMouseSideChangesOnly)
{
    auto stores = [](uint16_t code, uint16_t value) {
        return EventStoresProfile(*DecodeDeviceEvent(code, value, kUsb));
    };
    EXPECT_TRUE(stores(0x1010, 2));
    EXPECT_TRUE(stores(0x2010, 2));
    EXPECT_TRUE(stores(0x7010, 2));
    EXPECT_TRUE(stores(0x8010, 2));
    EXPECT_FALSE(stores(0x4010, 0x5000));
    EXPECT_FALSE(stores(0x5010, 0));
    EXPECT_FALSE(stores(0x6010, 2));
}

} // namespace
} // namespace kestrin
