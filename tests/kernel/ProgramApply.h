#pragma once

#include "device/ApplyHost.h"
#include "tools/virtualmouse/UhidMouse.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kestrin::guest {

// The page's side of an apply, reduced to what the engine needs: the profile to send.
class ProfileHost final : public ApplyHost {
public:
    explicit ProfileHost(const ProfileRecord& profile) : profile_(profile) { }
    void StopReceiverWatchdog() override { }
    void ShowApplyRing() override { }
    void StartReceiverWatchdog() override { }
    void HideApplyRing() override { }
    void ShowUntakenChanges(bool untaken) override { untaken_ = untaken; }
    bool AllTaken() const { return !untaken_; }
    const ProfileRecord* CopyForApply(ProfileRecord& current, ProfileRecord& snapshot) override
    {
        std::memcpy(&current, &profile_, sizeof current);
        std::memset(&snapshot, 0, sizeof snapshot);
        return &profile_;
    }
    void SaveAppliedProfiles(const ProfileRecord*, const ProfileRecord&) override { }
    void FinishApply(const ProfileRecord&, const std::optional<DownloadSlotTable>&) override { }

private:
    const ProfileRecord& profile_;
    bool untaken_ = true;
};

// A full apply of the profile in `profilePath` by the program's own apply engine, with its
// real pauses, over the cable and then over the receiver (whose acknowledgements the engine
// waits for): the mouse must log exactly the expected writes, each once.
void ApplyThroughTheProgram(vmouse::UhidMouse& uhid, const std::string& libraryDir,
    const std::string& profilePath, const std::vector<std::vector<uint8_t>>& cableWrites,
    const std::vector<std::vector<uint8_t>>& receiverWrites);

} // namespace kestrin::guest
