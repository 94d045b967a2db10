#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// What the driver libraries post to the harness through its KestrinPostMessage, kept in order.
namespace kestrin::guest {

struct Posted {
    uintptr_t window = 0;
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// The first message posted since the last call that `message` names; waits up to `timeout`.
// Messages of other ids that arrive meanwhile stay queued.
std::optional<Posted> WaitFor(uint32_t message, std::chrono::milliseconds timeout);

// Every message still queued, taken out.
std::vector<Posted> TakeAll();

// How many messages have been posted since the start.
std::size_t PostedCount();

// Called with every message as it is posted, on the poster's thread (the program's page would
// act on acknowledgements this way); an empty function removes it.
void WatchPosts(std::function<void(const Posted&)> watcher);

} // namespace kestrin::guest
