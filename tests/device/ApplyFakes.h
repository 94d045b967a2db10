#pragma once

// Fakes around the apply engine: a clock in virtual time, links that record their writes, and a
// page that keeps its profiles under a lock and saves them for real. Everything lands in one
// timeline, so a test sees writes, pauses and window steps in the order they happened.
#include "base/StoreFiles.h"
#include "device/AppliedStore.h"
#include "device/ApplyEngine.h"
#include "device/LinkState.h"
#include "profiles/ProfileStore.h"
#include "tests/support/TempFolder.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kestrin::test {

struct Timeline {
    std::mutex mutex;
    std::vector<std::string> steps;

    void Add(std::string step)
    {
        std::lock_guard lock(mutex);
        steps.push_back(std::move(step));
    }
    std::vector<std::string> Take()
    {
        std::lock_guard lock(mutex);
        return std::exchange(steps, {});
    }
};

class FakeClock final : public ApplyClock {
public:
    explicit FakeClock(Timeline& timeline) : timeline_(timeline) { }

    TimePoint Now() const override { return TimePoint{} + elapsed; }
    void SleepFor(Duration pause) override
    {
        timeline_.Add("pause " + std::to_string(pause.count()));
        pauses.push_back(pause);
        elapsed += pause;
        if (duringPause)
            duringPause();
    }

    // What other threads do while the worker sleeps: acknowledgements, edits.
    std::function<void()> duringPause;
    std::vector<Duration> pauses;
    Duration elapsed{0};

private:
    Timeline& timeline_;
};

// One link's SetFeature: records each write as "<link> <hex>" and answers from `results`
// (1 once they run out).
struct FakeLink {
    FakeLink(Timeline& timeline, std::string name) : timeline_(timeline), name_(std::move(name)) { }

    LinkWriter Writer()
    {
        return [this](std::span<const uint8_t> bytes) {
            writes.emplace_back(bytes.begin(), bytes.end());
            timeline_.Add(name_ + " " + ToHex(bytes));
            int result = 1;
            if (!results.empty()) {
                result = results.front();
                results.erase(results.begin());
            }
            if (onWrite)
                onWrite(bytes);
            return result;
        };
    }

    std::vector<std::vector<uint8_t>> writes;
    std::vector<int> results;
    std::function<void(std::span<const uint8_t>)> onWrite;

private:
    Timeline& timeline_;
    std::string name_;
};

// The page as the engine sees it: one lock over the profiles, the snapshot and the slot table.
class FakePage final : public ApplyHost {
public:
    FakePage(Timeline& timeline, std::string dataFolder)
        : timeline_(timeline), dataFolder_(std::move(dataFolder))
    {
        profiles.push_back(NewProfileRecord(u"Profile1"));
        current = profiles.front().get();
        *snapshot = *current;
        header->currentIndex = 0;
    }

    void StopReceiverWatchdog() override { timeline_.Add("watchdog stop"); }
    void ShowApplyRing() override { timeline_.Add("ring show"); }
    void StartReceiverWatchdog() override { timeline_.Add("watchdog start"); }
    void HideApplyRing() override { timeline_.Add("ring hide"); }
    void ShowUntakenChanges(bool untaken) override { untakenShown = untaken; }

    const ProfileRecord* CopyForApply(ProfileRecord& into, ProfileRecord& snapshotInto) override
    {
        std::lock_guard lock(mutex);
        if (!current)
            return nullptr;
        into = *current;
        snapshotInto = *snapshot;
        return current;
    }

    void SaveAppliedProfiles(const ProfileRecord* source, const ProfileRecord& written) override
    {
        timeline_.Add("save");
        saved = SaveAppliedStore(dataFolder_, mutex, profiles, *header, source, written).ok();
    }

    void FinishApply(
        const ProfileRecord& written, const std::optional<DownloadSlotTable>& table) override
    {
        timeline_.Add("snapshot");
        std::lock_guard lock(mutex);
        *snapshot = written;
        if (table)
            slotTable = *table;
    }

    // The UI thread's edit of the current profile.
    void Edit(const std::function<void(ProfileRecord&)>& change)
    {
        std::lock_guard lock(mutex);
        change(*current);
    }

    std::mutex mutex;
    ProfileList profiles;
    ProfileRecord* current = nullptr;
    std::unique_ptr<ProfileRecord> snapshot = std::make_unique<ProfileRecord>();
    std::unique_ptr<ProfileStoreHeader> header = std::make_unique<ProfileStoreHeader>();
    DownloadSlotTable slotTable{};
    bool saved = false;
    std::optional<bool> untakenShown;

private:
    Timeline& timeline_;
    std::string dataFolder_;
};

inline void GiveMacro(ButtonSlot& slot, int actions)
{
    slot.functionCode = kFunctionMacro;
    slot.stepCount = static_cast<uint16_t>(actions);
    for (int i = 0; i < actions; ++i)
        slot.macroCopy[i] = {0x04, static_cast<uint8_t>(1 + i % 2), 20};
}

inline void GivePattern(ButtonSlot& slot, int shots, uint16_t delay)
{
    slot.functionCode = kFunctionRecoilPattern;
    slot.playMode = kPatternPlayMode;
    slot.stepCount = static_cast<uint16_t>(shots);
    for (int k = 0; k < shots; ++k)
        slot.patternCopy[k] = {1, 2, 0, delay};
}

} // namespace kestrin::test
