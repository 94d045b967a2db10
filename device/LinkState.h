#pragma once

#include <atomic>
#include <cstdint>

namespace kestrin {

// Values of CableState and ReceiverState. Every test of a link compares with kLinkConnected;
// the other two only differ in which arrival and removal notices are dropped.
inline constexpr int32_t kLinkNotSeen = 0;
inline constexpr int32_t kLinkConnected = 1;
inline constexpr int32_t kLinkRemoved = 2;

// The page's link words. The UI thread writes them (the Bluetooth thread writes
// WriteAcknowledged too); the worker reads them between writes, so each is one atomic word.
struct LinkState {
    std::atomic<int32_t> CableState{kLinkNotSeen};
    std::atomic<int32_t> ReceiverState{kLinkNotSeen};
    std::atomic<int32_t> BlePresent{0};
    std::atomic<int32_t> AnyLinkConnected{0};
    // No mouse can be written to until the cable opens, the receiver's mouse reports or
    // Bluetooth comes up.
    std::atomic<int32_t> MouseUnreachable{1};
    std::atomic<int32_t> ReceiverMouseAwake{0};
    std::atomic<int32_t> WriteAcknowledged{0};
    std::atomic<int32_t> ApplyAllPending{0};

    // The worker runs an apply only while one of these is up.
    bool AnyLinkUp() const
    {
        return CableState.load() == kLinkConnected || ReceiverState.load() == kLinkConnected ||
            BlePresent.load() == 1;
    }
};

static_assert(std::atomic<int32_t>::is_always_lock_free);
static_assert(sizeof(std::atomic<int32_t>) == 4 && alignof(std::atomic<int32_t>) == 4);

} // namespace kestrin
