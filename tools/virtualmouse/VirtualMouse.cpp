#include "tools/virtualmouse/VirtualMouse.h"

#include <algorithm>

namespace kestrin::vmouse {
namespace {

int Index(Link link) { return static_cast<int>(link); }

constexpr uint8_t kPacketLengthByte = 0x40;
constexpr uint8_t kReceiverLastPacketByte = 0x0C;
constexpr int kPacketPayload = 60;

} // namespace

const char* LinkName(Link link)
{
    switch (link) {
    case Link::Cable:
        return "cable";
    case Link::Receiver:
        return "receiver";
    case Link::Ble:
        return "ble";
    }
    return "?";
}

std::optional<Link> ParseLink(std::string_view name)
{
    for (const Link link : kAllLinks)
        if (name == LinkName(link))
            return link;
    return std::nullopt;
}

std::string FormatLogEntry(const LogEntry& entry)
{
    static constexpr const char* kVerdicts[] = {"accepted", "refused", "partial", "dropped"};
    std::string line = std::string(LinkName(entry.link)) + ' ' + ToHex(entry.bytes) + ' ' +
        kVerdicts[static_cast<int>(entry.verdict)];
    if (!entry.note.empty())
        line += ": " + entry.note;
    return line;
}

VirtualMouse::VirtualMouse(EventSink sink) : sink_(std::move(sink)) { }

void VirtualMouse::SetPlugged(Link link, bool plugged)
{
    std::lock_guard lock(mutex_);
    plugged_[Index(link)] = plugged;
    if (!plugged)
        assembly_[Index(link)] = {};
}

bool VirtualMouse::IsPlugged(Link link) const
{
    std::lock_guard lock(mutex_);
    return plugged_[Index(link)];
}

void VirtualMouse::SetAsleep(bool asleep)
{
    std::lock_guard lock(mutex_);
    asleep_ = asleep;
}

bool VirtualMouse::IsAsleep() const
{
    std::lock_guard lock(mutex_);
    return asleep_;
}

void VirtualMouse::SetAckMode(AckMode mode)
{
    std::lock_guard lock(mutex_);
    ackMode_ = mode;
}

bool VirtualMouse::Write(Link link, std::span<const uint8_t> bytes)
{
    std::vector<PendingEvent> events;
    bool taken;
    {
        std::lock_guard lock(mutex_);
        taken = WriteLocked(link, bytes, events);
    }
    Emit(events);
    return taken;
}

bool VirtualMouse::WriteLocked(
    Link link, std::span<const uint8_t> bytes, std::vector<PendingEvent>& out)
{
    if (!plugged_[Index(link)])
        return false;
    if (asleep_ && link == Link::Ble)
        return false; // a sleeping mouse drops its Bluetooth connection
    if (asleep_ && link == Link::Receiver) {
        // The receiver itself takes the write; the mouse never hears of it.
        Record(link, bytes, LogEntry::Verdict::Dropped, "mouse asleep");
        return true;
    }
    if (link != Link::Ble && !bytes.empty() && bytes[0] == kDownloadId) {
        TakePacket(link, bytes, out);
        return true;
    }
    AbandonAssembly(link);
    TakeReport(link, bytes, bytes, out);
    return true;
}

void VirtualMouse::TakeReport(Link link, std::span<const uint8_t> write,
    std::span<const uint8_t> report, std::vector<PendingEvent>& out)
{
    std::string refusal = ApplyReport(report, state_);
    const bool accepted = refusal.empty();
    Record(link, write, accepted ? LogEntry::Verdict::Accepted : LogEntry::Verdict::Refused,
        std::move(refusal));
    if (link != Link::Receiver || ackMode_ == AckMode::Off)
        return;
    const uint16_t value = (accepted && ackMode_ == AckMode::On) ? 0 : 1;
    out.push_back({Link::Receiver, kEventAck, value});
}

void VirtualMouse::TakePacket(
    Link link, std::span<const uint8_t> packet, std::vector<PendingEvent>& out)
{
    Assembly& assembly = assembly_[Index(link)];
    auto refuse = [&](std::string why) {
        assembly = {};
        Record(link, packet, LogEntry::Verdict::Refused, std::move(why));
        if (link == Link::Receiver && ackMode_ != AckMode::Off)
            out.push_back({Link::Receiver, kEventAck, 1});
    };

    if (packet.size() != kPacketLength)
        return refuse("download packet of " + std::to_string(packet.size()) + " bytes, not 64");
    const int index = packet[3];
    if (index == 0)
        AbandonAssembly(link); // a first packet starts over, as after a failed pass
    const int expected = assembly.active ? assembly.nextPacket : 0;
    if (index != expected)
        return refuse("download packet " + std::to_string(index) + " where " +
            std::to_string(expected) + " was due");
    const bool last = index == 2;
    const uint8_t lengthByte =
        (last && link == Link::Receiver) ? kReceiverLastPacketByte : kPacketLengthByte;
    if (packet[1] != lengthByte)
        return refuse("download packet " + std::to_string(index) +
            " has byte 1 = " + std::to_string(packet[1]));
    if (index == 0) {
        assembly.active = true;
        assembly.report.assign(kDownloadLength, 0);
        assembly.report[0] = kDownloadId;
        assembly.report[1] = static_cast<uint8_t>(kDownloadLength);
        assembly.report[2] = packet[2];
    } else if (packet[2] != assembly.report[2]) {
        return refuse("download packet " + std::to_string(index) + " names another slot");
    }

    const std::size_t from = 3 + kPacketPayload * index;
    const std::size_t count = std::min<std::size_t>(kPacketPayload, kDownloadLength - from);
    std::copy_n(packet.begin() + 4, count, assembly.report.begin() + from);
    if (last && !std::all_of(packet.begin() + 4 + count, packet.end(), [](uint8_t byte) {
            return byte == 0;
        }))
        return refuse("download padding not zero");
    if (!last) {
        assembly.nextPacket = index + 1;
        Record(link, packet, LogEntry::Verdict::Partial, {});
        return;
    }
    const std::vector<uint8_t> report = std::move(assembly.report);
    assembly = {};
    TakeReport(link, packet, report, out);
}

void VirtualMouse::AbandonAssembly(Link link)
{
    Assembly& assembly = assembly_[Index(link)];
    if (!assembly.active)
        return;
    assembly = {};
    Record(link, {}, LogEntry::Verdict::Refused, "download abandoned mid-way");
}

void VirtualMouse::Record(
    Link link, std::span<const uint8_t> bytes, LogEntry::Verdict verdict, std::string note)
{
    log_.push_back({++sequence_, link, std::vector<uint8_t>(bytes.begin(), bytes.end()), verdict,
        std::move(note)});
}

std::optional<Link> VirtualMouse::EventLinkLocked() const
{
    if (plugged_[Index(Link::Cable)])
        return Link::Cable;
    if (asleep_)
        return std::nullopt;
    if (plugged_[Index(Link::Receiver)])
        return Link::Receiver;
    if (plugged_[Index(Link::Ble)])
        return Link::Ble;
    return std::nullopt;
}

std::optional<Link> VirtualMouse::EventLink() const
{
    std::lock_guard lock(mutex_);
    return EventLinkLocked();
}

void VirtualMouse::Emit(const std::vector<PendingEvent>& events)
{
    if (!sink_)
        return;
    for (const PendingEvent& event : events)
        sink_(event.link, event.code, event.value);
}

bool VirtualMouse::SendEvent(uint16_t code, uint16_t value)
{
    std::optional<Link> link;
    {
        std::lock_guard lock(mutex_);
        link = EventLinkLocked();
    }
    if (!link)
        return false;
    Emit({{*link, code, value}});
    return true;
}

bool VirtualMouse::SelectDpiStage(int stage)
{
    if (stage < 1 || stage > 8)
        return false;
    {
        std::lock_guard lock(mutex_);
        if (!EventLinkLocked())
            return false;
        state_.settings.currentStage = static_cast<uint8_t>(stage);
    }
    return SendEvent(kEventDpiStage, static_cast<uint16_t>(stage));
}

bool VirtualMouse::CycleDpiStage()
{
    int next;
    {
        std::lock_guard lock(mutex_);
        // Before any settings arrive the mouse cycles its factory stages 1..6.
        const uint8_t mask = state_.hasSettings ? state_.settings.stageMask : 0x3F;
        next = state_.settings.currentStage;
        for (int step = 1; step <= 8; ++step) {
            const int candidate = (state_.settings.currentStage - 1 + step) % 8 + 1;
            if (mask & (1 << (candidate - 1))) {
                next = candidate;
                break;
            }
        }
    }
    return SelectDpiStage(next);
}

bool VirtualMouse::SelectReportRate(int rateCode)
{
    if (rateCode != 1 && rateCode != 2 && rateCode != 4 && rateCode != 8)
        return false;
    {
        std::lock_guard lock(mutex_);
        if (!EventLinkLocked())
            return false;
        state_.rateCode = static_cast<uint8_t>(rateCode);
    }
    return SendEvent(kEventReportRate, static_cast<uint16_t>(rateCode));
}

bool VirtualMouse::SelectLightingMode(int mode)
{
    if (mode < 0 || mode > 7)
        return false;
    std::optional<Link> link;
    {
        std::lock_guard lock(mutex_);
        link = EventLinkLocked();
        if (!link)
            return false;
        state_.lighting.mode = static_cast<uint8_t>(mode);
    }
    // Bluetooth carries the mode in the high nibble of the value's low byte.
    const auto value = static_cast<uint16_t>(*link == Link::Ble ? mode << 4 : mode);
    return SendEvent(kEventLighting, value);
}

bool VirtualMouse::SendStatus(int status, int percent)
{
    return SendEvent(kEventStatus, static_cast<uint16_t>((status & 0xFF) | (percent & 0xFF) << 8));
}

MouseState VirtualMouse::State() const
{
    std::lock_guard lock(mutex_);
    return state_;
}

std::vector<LogEntry> VirtualMouse::Log() const
{
    std::lock_guard lock(mutex_);
    return log_;
}

void VirtualMouse::ClearLog()
{
    std::lock_guard lock(mutex_);
    log_.clear();
}

} // namespace kestrin::vmouse
