#include "tools/virtualmouse/VirtualMouse.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestrin::vmouse {
namespace {

struct Event {
    Link link;
    uint16_t code;
    uint16_t value;
    bool operator==(const Event&) const = default;
};

// Writes the checksum the way the byte tables define it: the plain sum of bytes
// [first, at), high byte first.
void PutChecksum(std::vector<uint8_t>& r, std::size_t first, std::size_t at)
{
    unsigned sum = 0;
    for (std::size_t i = first; i < at; ++i)
        sum += r[i];
    r[at] = static_cast<uint8_t>(sum >> 8);
    r[at + 1] = static_cast<uint8_t>(sum);
}

std::vector<uint8_t> Begin() { return {0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0, 0, 0, 0}; }

std::vector<uint8_t> Settings(uint8_t stage = 2)
{
    std::vector<uint8_t> r(56, 0);
    r[0] = 0x04;
    r[1] = 56;
    r[2] = 1;
    r[5] = 0x3F;
    const uint16_t dpi[8] = {15, 23, 31, 63, 111, 519, 0, 0};
    for (int k = 0; k < 8; ++k) {
        r[8 + k] = static_cast<uint8_t>(dpi[k]);
        r[16 + k] = static_cast<uint8_t>(dpi[k] >> 8);
    }
    r[24] = stage;
    r[25] = 0xFF;
    r[49] = 1;
    PutChecksum(r, 3, 50);
    return r;
}

std::vector<uint8_t> Rate(uint8_t code)
{
    return {0x06, 0x09, 0x01, code, uint8_t(~code), 0, 0, 0, 0};
}

// A macro download: a press and a release of key A.
std::vector<uint8_t> Download(uint8_t slot)
{
    std::vector<uint8_t> r(131, 0);
    r[0] = 0x09;
    r[1] = 0x83;
    r[2] = slot;
    r[7] = 1;
    r[28] = 2;
    r[29] = 50;
    r[30] = 0x04;
    r[31] = 0x85;
    r[32] = 0x04;
    PutChecksum(r, 3, 129);
    return r;
}

std::vector<std::vector<uint8_t>> Packets(const std::vector<uint8_t>& report, bool receiver)
{
    std::vector<uint8_t> payload(report.begin() + 3, report.end());
    payload.resize(180, 0);
    std::vector<std::vector<uint8_t>> packets;
    for (int j = 0; j < 3; ++j) {
        std::vector<uint8_t> p(64, 0);
        p[0] = 0x09;
        p[1] = (j == 2 && receiver) ? 0x0C : 0x40;
        p[2] = report[2];
        p[3] = static_cast<uint8_t>(j);
        std::copy_n(payload.begin() + 60 * j, 60, p.begin() + 4);
        packets.push_back(p);
    }
    return packets;
}

class VirtualMouseTest : public testing::Test {
protected:
    VirtualMouseTest()
        : mouse([this](Link link, uint16_t code, uint16_t value) {
              events.push_back({link, code, value});
          })
    {
    }
    LogEntry::Verdict LastVerdict() const { return mouse.Log().back().verdict; }

    std::vector<Event> events;
    VirtualMouse mouse;
};

TEST_F(VirtualMouseTest, TakesWellFormedReportsOverTheCableAndAppliesThem)
{
    mouse.SetPlugged(Link::Cable, true);
    EXPECT_TRUE(mouse.Write(Link::Cable, Begin()));
    EXPECT_TRUE(mouse.Write(Link::Cable, Settings(3)));
    EXPECT_TRUE(mouse.Write(Link::Cable, Rate(8)));
    for (const auto& packet : Packets(Download(1), false))
        EXPECT_TRUE(mouse.Write(Link::Cable, packet));

    const auto log = mouse.Log();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(FormatLogEntry(log[0]), "cable 0c0a01fe01fe00000000 accepted");
    EXPECT_EQ(log[3].verdict, LogEntry::Verdict::Partial);
    EXPECT_EQ(log[5].verdict, LogEntry::Verdict::Accepted) << log[5].note;

    const MouseState state = mouse.State();
    EXPECT_EQ(state.beginReports, 1);
    EXPECT_EQ(state.settings.currentStage, 3);
    EXPECT_EQ(state.settings.dpiCode[5], 519);
    EXPECT_EQ(state.rateCode, 8);
    ASSERT_EQ(state.downloads.count(1), 1u);
    EXPECT_EQ(state.downloads.at(1).entries.size(), 2u);
    EXPECT_TRUE(events.empty()) << "the cable is never acknowledged";
}

TEST_F(VirtualMouseTest, RefusesWhatTheProtocolDoesNotDefineAndKeepsItsState)
{
    mouse.SetPlugged(Link::Cable, true);
    auto settings = Settings();
    settings[30] ^= 0x01; // a colour byte changed after the checksum
    mouse.Write(Link::Cable, settings);
    EXPECT_EQ(LastVerdict(), LogEntry::Verdict::Refused);
    EXPECT_EQ(mouse.Log().back().note, "settings: bad checksum");
    EXPECT_FALSE(mouse.State().hasSettings);

    auto begin = Begin();
    begin.push_back(0);
    mouse.Write(Link::Cable, begin);
    EXPECT_EQ(LastVerdict(), LogEntry::Verdict::Refused) << "a report longer than its length";
    mouse.Write(Link::Cable, Rate(3));
    EXPECT_EQ(LastVerdict(), LogEntry::Verdict::Refused) << "3 ms is no polling interval";
    mouse.Write(Link::Cable, std::vector<uint8_t>{0x07, 0x03, 0x01});
    EXPECT_EQ(LastVerdict(), LogEntry::Verdict::Refused) << "unknown id";
    EXPECT_EQ(mouse.State().rateCode, 1);
}

TEST_F(VirtualMouseTest, ChecksTheChunkFormOfDownloadsPerLink)
{
    mouse.SetPlugged(Link::Cable, true);
    mouse.SetPlugged(Link::Receiver, true);

    auto cable = Packets(Download(2), true); // 0x0C in the third packet is the receiver's form
    for (const auto& packet : cable)
        mouse.Write(Link::Cable, packet);
    EXPECT_EQ(LastVerdict(), LogEntry::Verdict::Refused);

    auto receiver = Packets(Download(2), false);
    for (const auto& packet : receiver)
        mouse.Write(Link::Receiver, packet);
    EXPECT_EQ(LastVerdict(), LogEntry::Verdict::Refused) << "the receiver's third packet has 0x0C";

    auto packets = Packets(Download(2), false);
    mouse.Write(Link::Cable, packets[1]);
    EXPECT_EQ(LastVerdict(), LogEntry::Verdict::Refused) << "packet 1 before packet 0";

    mouse.Write(Link::Cable, packets[0]);
    mouse.Write(Link::Cable, Begin());
    mouse.Write(Link::Cable, packets[1]);
    EXPECT_EQ(LastVerdict(), LogEntry::Verdict::Refused) << "another report broke the download";

    auto slotChanged = Packets(Download(2), false);
    slotChanged[2][2] = 3;
    for (const auto& packet : slotChanged)
        mouse.Write(Link::Cable, packet);
    EXPECT_EQ(LastVerdict(), LogEntry::Verdict::Refused);
    EXPECT_EQ(mouse.State().downloads.count(2), 0u);

    for (const auto& packet : Packets(Download(2), false))
        mouse.Write(Link::Cable, packet);
    EXPECT_EQ(LastVerdict(), LogEntry::Verdict::Accepted) << mouse.Log().back().note;
}

TEST_F(VirtualMouseTest, AnswersReceiverWritesByItsAcknowledgementMode)
{
    mouse.SetPlugged(Link::Receiver, true);
    mouse.Write(Link::Receiver, Begin());
    auto bad = Begin();
    bad[3] = 0;
    mouse.Write(Link::Receiver, bad);
    for (const auto& packet : Packets(Download(1), true))
        mouse.Write(Link::Receiver, packet);
    EXPECT_EQ(events,
        (std::vector<Event>{
            {Link::Receiver, 0x5010, 0}, {Link::Receiver, 0x5010, 1}, {Link::Receiver, 0x5010, 0}}))
        << "one answer per whole report, non-zero for a refused one";

    events.clear();
    mouse.SetAckMode(AckMode::Refuse);
    mouse.Write(Link::Receiver, Begin());
    mouse.SetAckMode(AckMode::Off);
    mouse.Write(Link::Receiver, Begin());
    EXPECT_EQ(events, (std::vector<Event>{{Link::Receiver, 0x5010, 1}}));
}

TEST_F(VirtualMouseTest, ASleepingOrUnpluggedMouseHearsNothing)
{
    EXPECT_FALSE(mouse.Write(Link::Cable, Begin())) << "unplugged";
    EXPECT_TRUE(mouse.Log().empty());

    mouse.SetPlugged(Link::Receiver, true);
    mouse.SetPlugged(Link::Ble, true);
    mouse.SetAsleep(true);
    EXPECT_TRUE(mouse.Write(Link::Receiver, Begin())) << "the receiver takes the write";
    EXPECT_EQ(LastVerdict(), LogEntry::Verdict::Dropped);
    EXPECT_FALSE(mouse.Write(Link::Ble, Begin()));
    EXPECT_EQ(mouse.State().beginReports, 0);
    EXPECT_FALSE(mouse.SelectDpiStage(3));
    EXPECT_TRUE(events.empty());

    mouse.SetPlugged(Link::Cable, true);
    EXPECT_TRUE(mouse.SelectDpiStage(3)) << "the cable wakes it";
    EXPECT_EQ(events.back(), (Event{Link::Cable, 0x1010, 3}));
}

TEST_F(VirtualMouseTest, ItsButtonsAndSensorsSpeakOnTheBestLink)
{
    mouse.SetPlugged(Link::Ble, true);
    mouse.SelectLightingMode(5);
    EXPECT_EQ(events.back(), (Event{Link::Ble, 0x7010, 0x50})) << "Bluetooth's high nibble";
    mouse.SetPlugged(Link::Receiver, true);
    mouse.SelectLightingMode(5);
    EXPECT_EQ(events.back(), (Event{Link::Receiver, 0x7010, 5}));
    mouse.SendStatus(0, 57);
    EXPECT_EQ(events.back(), (Event{Link::Receiver, 0x4010, 0x3900}));

    mouse.SetPlugged(Link::Cable, true);
    auto settings = Settings(6);
    settings[5] = 0b00100101; // stages 1, 3 and 6
    PutChecksum(settings, 3, 50);
    mouse.Write(Link::Cable, settings);
    mouse.CycleDpiStage();
    EXPECT_EQ(events.back(), (Event{Link::Cable, 0x1010, 1})) << "wraps to the first enabled";
    mouse.CycleDpiStage();
    EXPECT_EQ(events.back(), (Event{Link::Cable, 0x1010, 3}));
    EXPECT_FALSE(mouse.SelectReportRate(3));
    EXPECT_TRUE(mouse.SelectReportRate(2));
    EXPECT_EQ(events.back(), (Event{Link::Cable, 0x2010, 2}));
}

} // namespace
} // namespace kestrin::vmouse
