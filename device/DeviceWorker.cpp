#include "device/DeviceWorker.h"

#include <pthread.h>

namespace kestrin {

DeviceWorker::DeviceWorker(ApplyEngine& engine, const LinkState& links)
    : engine_(engine), links_(links)
{
}

DeviceWorker::~DeviceWorker()
{
    engine_.Stop();
    QuitAndJoin();
}

void DeviceWorker::Start()
{
    std::lock_guard lock(mutex_);
    if (thread_.joinable() || quitPosted_)
        return;
    thread_ = std::thread(&DeviceWorker::Loop, this);
}

bool DeviceWorker::Post(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    {
        std::lock_guard lock(mutex_);
        if (quitPosted_)
            return false;
        if (message == kQuitMessage)
            quitPosted_ = true;
        queue_.push_back({message, wParam, lParam});
    }
    arrived_.notify_one();
    return true;
}

void DeviceWorker::QuitAndJoin()
{
    Post(kQuitMessage);
    std::thread thread;
    {
        std::lock_guard lock(mutex_);
        thread.swap(thread_);
    }
    if (thread.joinable())
        thread.join();
}

DeviceWorker::Message DeviceWorker::Next()
{
    std::unique_lock lock(mutex_);
    arrived_.wait(lock, [this] { return !queue_.empty(); });
    const Message message = queue_.front();
    queue_.pop_front();
    return message;
}

void DeviceWorker::Loop()
{
    ::pthread_setname_np(::pthread_self(), "kestrin-apply");
    for (;;) {
        const Message message = Next();
        if (message.message == kQuitMessage)
            return;
        if (message.message == kApplyThreadMessage && links_.AnyLinkUp())
            engine_.ApplyProfile();
    }
}

} // namespace kestrin
