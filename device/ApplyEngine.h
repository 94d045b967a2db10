#pragma once

#include "device/ApplyClock.h"
#include "device/ApplyHost.h"
#include "device/LinkState.h"
#include "protocol/Report.h"

#include <atomic>
#include <chrono>

namespace kestrin {

// The pauses the protocol mandates; the mouse needs them to take each write.
inline constexpr std::chrono::milliseconds kCablePacketPause{200};
inline constexpr std::chrono::milliseconds kReceiverPacketPause{1000};
inline constexpr std::chrono::milliseconds kReceiverAttemptPause{500};
inline constexpr std::chrono::milliseconds kReportPause{500};
// Passes of a download, or attempts of another report, through the receiver.
inline constexpr int kReceiverTries = 10;

// Writes the current profile to the mouse: runs on the worker thread, one apply at a time.
class ApplyEngine final {
public:
    ApplyEngine(LinkState& links, LinkWriters writers, ApplyHost& host, ApplyClock& clock);
    ApplyEngine(const ApplyEngine&) = delete;
    ApplyEngine& operator=(const ApplyEngine&) = delete;

    // Sends what changed since the snapshot (everything when ApplyAllPending is set), then
    // saves pro.data and takes what the mouse took as the new snapshot: a group whose report
    // was not written (or, through the receiver, not acknowledged) keeps its old bytes there,
    // so the next apply sends it again. Returns at once when no mouse can be written to (no
    // link up, or none reaching it); the change then waits in the snapshot's difference.
    void ApplyProfile();

    // Writes one report over the cable, else the awake receiver (until acknowledged), else
    // Bluetooth. Nonzero when the last write succeeded; pauses after a success.
    int SendReport(const Report& report);

    // Any thread, for shutdown: the running apply stops before its next write or at its
    // current pause, leaving snapshot and file as they were; later applies do nothing.
    void Stop();
    bool Stopped() const { return stopped_.load(); }

private:
    struct Sent {
        int result = 0;     // of the last write, as SendReport returns it
        bool taken = false; // every write went out, and the receiver acknowledged
    };
    Sent Send(const Report& report);
    Sent SendOverCable(const Report& report, bool& delivered);
    Sent SendOverReceiver(const Report& report);
    int Write(const LinkWriter& writer, const char* link, const Report& bytes);
    void Pause(std::chrono::milliseconds pause);

    LinkState& links_;
    LinkWriters writers_;
    ApplyHost& host_;
    ApplyClock& clock_;
    std::atomic<bool> stopped_{false};
};

} // namespace kestrin
