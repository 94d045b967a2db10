#include "device/ApplyEngine.h"

#include "base/Trace.h"
#include "protocol/ApplyPlan.h"
#include "protocol/LinkWrites.h"

#include <memory>

namespace kestrin {

ApplyEngine::ApplyEngine(LinkState& links, LinkWriters writers, ApplyHost& host, ApplyClock& clock)
    : links_(links), writers_(std::move(writers)), host_(host), clock_(clock)
{
}

void ApplyEngine::Stop()
{
    stopped_ = true;
    clock_.Interrupt();
}

void ApplyEngine::ApplyProfile()
{
    if (Stopped())
        return;
    // A change made while no link can take it is untaken on every link: whichever comes up
    // next sends it.
    if (links_.MouseUnreachable.load() == 1 || !links_.AnyLinkUp()) {
        host_.ShowUntakenChanges(true);
        return;
    }

    // Taken before the copy rather than cleared at the end: a profile switch made once the
    // copy may be of the old profile sets the flag again for the apply it requests.
    const bool allPending = links_.ApplyAllPending.exchange(0) == 1;
    // Two records of 41 KiB each: kept off the worker's stack.
    auto current = std::make_unique<ProfileRecord>();
    auto snapshot = std::make_unique<ProfileRecord>();
    const ProfileRecord* source = host_.CopyForApply(*current, *snapshot);
    if (!source) {
        if (allPending)
            links_.ApplyAllPending = 1;
        return; // no profile loaded yet
    }

    host_.StopReceiverWatchdog();
    host_.ShowApplyRing();
    const auto started = clock_.Now();

    const ApplyPlan plan = PlanApply(*current, *snapshot, allPending);
    GroupFlags untaken;
    for (std::size_t i = 0; i < plan.reports.size() && !Stopped(); ++i) {
        if (!Send(plan.reports[i]).taken && plan.reportGroups[i])
            untaken.Set(*plan.reportGroups[i]);
    }

    if (Stopped()) {
        if (allPending)
            links_.ApplyAllPending = 1;
        host_.HideApplyRing();
        return;
    }
    host_.StartReceiverWatchdog();
    host_.SaveAppliedProfiles(source, *current);
    // What the mouse did not take stays as the snapshot had it, so it goes out again.
    CopyGroups(*current, *snapshot, untaken);
    if (untaken.Any() && allPending)
        links_.ApplyAllPending = 1;
    host_.FinishApply(*current, untaken.button ? std::nullopt : plan.slotTable);
    host_.ShowUntakenChanges(untaken.Any());
    host_.HideApplyRing();
    Trace("apply of %zu reports took %lld ms%s", plan.reports.size(),
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(clock_.Now() - started).count()),
        untaken.Any() ? "; the mouse did not take every group" : "");
}

int ApplyEngine::SendReport(const Report& report) { return Send(report).result; }

ApplyEngine::Sent ApplyEngine::Send(const Report& report)
{
    Sent sent;
    bool delivered = false;
    if (links_.CableState.load() == kLinkConnected)
        sent = SendOverCable(report, delivered);

    if (!delivered) {
        if (links_.ReceiverState.load() == kLinkConnected &&
            links_.ReceiverMouseAwake.load() == 1) {
            sent = SendOverReceiver(report);
        } else if (links_.BlePresent.load() != 0) {
            // LinkWrites holds back the report-rate report, which Bluetooth does not take.
            sent.taken = true;
            for (const Report& write : LinkWrites(report, LinkKind::Bluetooth)) {
                sent.result = Write(writers_.bluetooth, "bluetooth", write);
                sent.taken = sent.taken && sent.result != 0;
            }
        }
    }

    if (sent.result != 0)
        Pause(kReportPause);
    return sent;
}

ApplyEngine::Sent ApplyEngine::SendOverCable(const Report& report, bool& delivered)
{
    Sent sent;
    if (report.id() != kDownloadReportId) {
        delivered = true; // a short report that failed is not offered elsewhere
        sent.result = Write(writers_.cable, "cable", report);
        sent.taken = sent.result != 0;
        return sent;
    }
    sent.taken = true;
    for (const Report& packet : LinkWrites(report, LinkKind::Cable)) {
        sent.result = Write(writers_.cable, "cable", packet);
        sent.taken = sent.taken && sent.result != 0;
        if (sent.result != 0)
            Pause(kCablePacketPause);
    }
    delivered = sent.result != 0;
    return sent;
}

ApplyEngine::Sent ApplyEngine::SendOverReceiver(const Report& report)
{
    links_.WriteAcknowledged = 0;
    const std::vector<Report> writes = LinkWrites(report, LinkKind::Receiver);
    const bool download = report.id() == kDownloadReportId;
    Sent sent;
    for (int attempt = 0; attempt < kReceiverTries; ++attempt) {
        if (links_.WriteAcknowledged.load() == 1 || Stopped())
            break;
        for (const Report& write : writes) {
            sent.result = Write(writers_.receiver, "receiver", write);
            if (!download)
                Trace("Wireless Send = %d", sent.result);
            Pause(download ? kReceiverPacketPause : kReceiverAttemptPause);
        }
    }
    // Only the mouse's acknowledgement says that it took the report.
    sent.taken = links_.WriteAcknowledged.load() == 1;
    return sent;
}

int ApplyEngine::Write(const LinkWriter& writer, const char* link, const Report& bytes)
{
    if (!writer || Stopped())
        return 0;
    const int result = writer(bytes.data());
    Trace("%s write %s: %d", link, ToHex(bytes.data()).c_str(), result);
    return result;
}

void ApplyEngine::Pause(std::chrono::milliseconds pause)
{
    if (!Stopped())
        clock_.SleepFor(pause);
}

} // namespace kestrin
