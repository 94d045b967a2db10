#pragma once

#include "tools/virtualmouse/MouseReports.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrin::vmouse {

enum class Link : uint8_t { Cable, Receiver, Ble };
inline constexpr Link kAllLinks[] = {Link::Cable, Link::Receiver, Link::Ble};
const char* LinkName(Link link);
std::optional<Link> ParseLink(std::string_view name);

// How the mouse answers a whole report written through the receiver.
enum class AckMode : uint8_t { On, Off, Refuse };

inline constexpr uint16_t kEventDpiStage = 0x1010;
inline constexpr uint16_t kEventReportRate = 0x2010;
inline constexpr uint16_t kEventStatus = 0x4010;
inline constexpr uint16_t kEventAck = 0x5010;
inline constexpr uint16_t kEventLighting = 0x7010;

struct LogEntry {
    enum class Verdict : uint8_t { Accepted, Refused, Partial, Dropped };
    uint64_t sequence = 0;
    Link link = Link::Cable;
    std::vector<uint8_t> bytes; // one write as it arrived
    Verdict verdict = Verdict::Accepted;
    std::string note;
};

// "cable 0c0a01fe01fe00000000 accepted" and the like, one line without a newline.
std::string FormatLogEntry(const LogEntry& entry);

// The emulated mouse behind its three links. Thread-safe: writes come from the program's
// worker, control from the tool; events leave through the sink outside the lock.
class VirtualMouse final {
public:
    using EventSink = std::function<void(Link link, uint16_t code, uint16_t value)>;

    explicit VirtualMouse(EventSink sink);
    VirtualMouse(const VirtualMouse&) = delete;
    VirtualMouse& operator=(const VirtualMouse&) = delete;

    void SetPlugged(Link link, bool plugged);
    bool IsPlugged(Link link) const;
    // A sleeping mouse ignores the receiver and Bluetooth; the cable keeps it awake.
    void SetAsleep(bool asleep);
    bool IsAsleep() const;
    void SetAckMode(AckMode mode);

    // A feature write (cable, receiver) or a characteristic write (Bluetooth). True when the
    // link took the bytes, as SetFeature would report; whether the mouse accepted the report is
    // in the log and, through the receiver, in the acknowledgement event.
    bool Write(Link link, std::span<const uint8_t> bytes);

    // The mouse's own doings. Each returns false when no link can carry the event.
    bool SelectDpiStage(int stage);      // 1..8
    bool CycleDpiStage();                // to the next enabled stage, as the DPI button does
    bool SelectReportRate(int rateCode); // 1, 2, 4 or 8 ms
    bool SelectLightingMode(int mode);   // 0..7
    bool SendStatus(int status, int percent);
    bool SendEvent(uint16_t code, uint16_t value);

    // The link the mouse talks on: the cable, else an awake mouse's receiver, else Bluetooth.
    std::optional<Link> EventLink() const;

    MouseState State() const;
    std::vector<LogEntry> Log() const;
    void ClearLog();

private:
    struct Assembly {
        bool active = false;
        int nextPacket = 0;
        std::vector<uint8_t> report;
    };
    struct PendingEvent {
        Link link;
        uint16_t code;
        uint16_t value;
    };

    bool WriteLocked(Link link, std::span<const uint8_t> bytes, std::vector<PendingEvent>& out);
    void TakeReport(Link link, std::span<const uint8_t> write, std::span<const uint8_t> report,
        std::vector<PendingEvent>& out);
    void TakePacket(Link link, std::span<const uint8_t> packet, std::vector<PendingEvent>& out);
    void AbandonAssembly(Link link);
    void Record(
        Link link, std::span<const uint8_t> bytes, LogEntry::Verdict verdict, std::string note);
    std::optional<Link> EventLinkLocked() const;
    void Emit(const std::vector<PendingEvent>& events);

    EventSink sink_;
    mutable std::mutex mutex_;
    bool plugged_[3] = {};
    bool asleep_ = false;
    AckMode ackMode_ = AckMode::On;
    Assembly assembly_[3];
    MouseState state_;
    std::vector<LogEntry> log_;
    uint64_t sequence_ = 0;
};

} // namespace kestrin::vmouse
