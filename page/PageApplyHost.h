#pragma once

#include "device/ApplyHost.h"
#include "device/DeviceLinks.h"
#include "device/DeviceProfiles.h"
#include "ui/PageWindow.h"

#include <functional>

namespace kestrin {

// The device page as the apply engine sees it. The window steps (watchdog, "apply_ring") are
// queued to the UI thread through one queue, so they run in the order the worker reached them
// and the worker never waits for the window.
class PageApplyHost final : public ApplyHost {
public:
    // Runs a step on the UI thread later, in call order; callable from any thread.
    using UiQueue = std::function<void(std::function<void()>)>;

    // `saved` is told on the UI thread of every save of pro.data an apply makes.
    PageApplyHost(DeviceProfiles& profiles, DeviceLinks& links,
        std::function<void(StoreKind, const SaveResult&)> saved, const PageWindow& window,
        UiQueue queue);

    void StopReceiverWatchdog() override;
    void ShowApplyRing() override;
    void StartReceiverWatchdog() override;
    void HideApplyRing() override;
    void ShowUntakenChanges(bool untaken) override;
    const ProfileRecord* CopyForApply(ProfileRecord& current, ProfileRecord& snapshot) override;
    void SaveAppliedProfiles(const ProfileRecord* source, const ProfileRecord& written) override;
    void FinishApply(
        const ProfileRecord& written, const std::optional<DownloadSlotTable>& slotTable) override;

private:
    DeviceProfiles& profiles_;
    DeviceLinks& links_;
    std::function<void(StoreKind, const SaveResult&)> saved_;
    const PageWindow& window_;
    UiQueue queue_;
};

} // namespace kestrin
