#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

namespace kestrin {

struct ThreadMessage {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// The message queue of a plain worker thread: any thread posts, the worker waits for the next
// message. After Quit the queue refuses posts and Get returns nothing once it is drained, so the
// worker's loop ends and its owner can join it.
class ThreadMessageQueue final {
public:
    ThreadMessageQueue() = default;
    ThreadMessageQueue(const ThreadMessageQueue&) = delete;
    ThreadMessageQueue& operator=(const ThreadMessageQueue&) = delete;

    bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam);
    // Blocks until a message arrives; nothing once the queue has quit and is empty.
    std::optional<ThreadMessage> Get();
    // As Get, but gives up after `timeout`.
    std::optional<ThreadMessage> GetFor(std::chrono::milliseconds timeout);
    // False when the queue had quit already.
    bool Quit();
    bool HasQuit() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<ThreadMessage> queue_;
    bool quit_ = false;
};

} // namespace kestrin
