#include "base/ThreadMessageQueue.h"

namespace kestrin {

bool ThreadMessageQueue::Post(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    {
        std::lock_guard lock(mutex_);
        if (quit_)
            return false;
        queue_.push_back({message, wParam, lParam});
    }
    ready_.notify_one();
    return true;
}

std::optional<ThreadMessage> ThreadMessageQueue::Get()
{
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return quit_ || !queue_.empty(); });
    if (queue_.empty())
        return std::nullopt;
    const ThreadMessage next = queue_.front();
    queue_.pop_front();
    return next;
}

std::optional<ThreadMessage> ThreadMessageQueue::GetFor(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    if (!ready_.wait_for(lock, timeout, [this] { return quit_ || !queue_.empty(); }))
        return std::nullopt;
    if (queue_.empty())
        return std::nullopt;
    const ThreadMessage next = queue_.front();
    queue_.pop_front();
    return next;
}

bool ThreadMessageQueue::Quit()
{
    {
        std::lock_guard lock(mutex_);
        if (quit_)
            return false;
        quit_ = true;
    }
    ready_.notify_all();
    return true;
}

bool ThreadMessageQueue::HasQuit() const
{
    std::lock_guard lock(mutex_);
    return quit_;
}

} // namespace kestrin
