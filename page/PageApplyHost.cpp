#include "page/PageApplyHost.h"

#include "base/Trace.h"

namespace kestrin {
namespace {
const QString kApplyRing = QStringLiteral("apply_ring");
}

PageApplyHost::PageApplyHost(DeviceProfiles& profiles, DeviceLinks& links,
    std::function<void(StoreKind, const SaveResult&)> saved, const PageWindow& window,
    UiQueue queue)
    : profiles_(profiles), links_(links), saved_(std::move(saved)), window_(window),
      queue_(std::move(queue))
{
}

void PageApplyHost::StopReceiverWatchdog()
{
    queue_([&links = links_] { links.StopWatchdog(); });
}

void PageApplyHost::ShowApplyRing()
{
    queue_([&window = window_] { window.Show(kApplyRing, true); });
}

void PageApplyHost::StartReceiverWatchdog()
{
    queue_([&links = links_] { links.RestartWatchdog(); });
}

void PageApplyHost::ShowUntakenChanges(bool untaken)
{
    queue_([&links = links_, untaken] { links.SetChangesUntaken(untaken); });
}

void PageApplyHost::HideApplyRing()
{
    queue_([&window = window_] { window.Show(kApplyRing, false); });
}

const ProfileRecord* PageApplyHost::CopyForApply(ProfileRecord& current, ProfileRecord& snapshot)
{
    return profiles_.CopyForApply(current, snapshot);
}

void PageApplyHost::SaveAppliedProfiles(const ProfileRecord* source, const ProfileRecord& written)
{
    if (!profiles_.MaySave())
        return;
    const SaveResult saved = profiles_.SaveApplied(source, written);
    if (!saved)
        Trace("saving the applied profile failed: %s", saved.error.c_str());
    queue_([&told = saved_, saved] { told(StoreKind::Profiles, saved); });
}

void PageApplyHost::FinishApply(
    const ProfileRecord& written, const std::optional<DownloadSlotTable>& slotTable)
{
    profiles_.FinishApply(written, slotTable);
}

} // namespace kestrin
