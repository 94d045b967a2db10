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
    if (links_.MouseUnreachable.load() == 1 || Stopped())
        return;

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
    for (const Report& report : plan.reports) {
        if (Stopped())
            break;
        SendReport(report);
    }

    if (Stopped()) {
        if (allPending)
            links_.ApplyAllPending = 1;
        host_.HideApplyRing();
        return;
    }
    host_.StartReceiverWatchdog();
    host_.SaveAppliedProfiles(source, *current);
    host_.FinishApply(*current, plan.slotTable);
    host_.HideApplyRing();
    Trace("apply of %zu reports took %lld ms", plan.reports.size(),
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(clock_.Now() - started).count()));
}

int ApplyEngine::SendReport(const Report& report)
{
    int result = 0;
    bool delivered = false;
    if (links_.CableState.load() == kLinkConnected)
        result = SendOverCable(report, delivered);

    if (!delivered) {
        if (links_.ReceiverState.load() == kLinkConnected &&
            links_.ReceiverMouseAwake.load() == 1) {
            result = SendOverReceiver(report);
        } else if (links_.BlePresent.load() != 0) {
            // LinkWrites holds back the report-rate report, which Bluetooth does not take.
            for (const Report& write : LinkWrites(report, LinkKind::Bluetooth))
                result = Write(writers_.bluetooth, "bluetooth", write);
        }
    }

    if (result != 0)
        Pause(kReportPause);
    return result;
}

int ApplyEngine::SendOverCable(const Report& report, bool& delivered)
{
    if (report.id() != kDownloadReportId) {
        delivered = true; // a short report that failed is not offered elsewhere
        return Write(writers_.cable, "cable", report);
    }
    int result = 0;
    for (const Report& packet : LinkWrites(report, LinkKind::Cable)) {
        result = Write(writers_.cable, "cable", packet);
        if (result != 0)
            Pause(kCablePacketPause);
    }
    delivered = result != 0;
    return result;
}

int ApplyEngine::SendOverReceiver(const Report& report)
{
    links_.WriteAcknowledged = 0;
    const std::vector<Report> writes = LinkWrites(report, LinkKind::Receiver);
    const bool download = report.id() == kDownloadReportId;
    int result = 0;
    for (int attempt = 0; attempt < kReceiverTries; ++attempt) {
        if (links_.WriteAcknowledged.load() == 1 || Stopped())
            break;
        for (const Report& write : writes) {
            result = Write(writers_.receiver, "receiver", write);
            if (!download)
                Trace("Wireless Send = %d", result);
            Pause(download ? kReceiverPacketPause : kReceiverAttemptPause);
        }
    }
    return result;
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
