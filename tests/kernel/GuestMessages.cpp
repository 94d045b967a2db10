#include "tests/kernel/GuestMessages.h"

#include "base/MessagePost.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace kestrin::guest {
namespace {

std::mutex g_mutex;
std::condition_variable g_arrived;
std::deque<Posted> g_queue;
std::size_t g_count = 0;
std::function<void(const Posted&)> g_watcher;

} // namespace

std::optional<Posted> WaitFor(uint32_t message, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(g_mutex);
    std::optional<Posted> found;
    g_arrived.wait_for(lock, timeout, [&] {
        const auto it = std::find_if(g_queue.begin(), g_queue.end(),
            [&](const Posted& posted) { return posted.message == message; });
        if (it == g_queue.end())
            return false;
        found = *it;
        g_queue.erase(it);
        return true;
    });
    return found;
}

std::vector<Posted> TakeAll()
{
    std::lock_guard lock(g_mutex);
    std::vector<Posted> all(g_queue.begin(), g_queue.end());
    g_queue.clear();
    return all;
}

void WatchPosts(std::function<void(const Posted&)> watcher)
{
    std::lock_guard lock(g_mutex);
    g_watcher = std::move(watcher);
}

std::size_t PostedCount()
{
    std::lock_guard lock(g_mutex);
    return g_count;
}

} // namespace kestrin::guest

extern "C" __attribute__((visibility("default"))) int KestrinPostMessage(
    KestrinWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    using namespace kestrin::guest;
    {
        std::lock_guard lock(g_mutex);
        g_queue.push_back({window, message, wParam, lParam});
        ++g_count;
        if (g_watcher)
            g_watcher(g_queue.back());
    }
    g_arrived.notify_all();
    return 1;
}
