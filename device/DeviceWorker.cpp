#include "device/DeviceWorker.h"

#include <pthread.h>

namespace kestrin {

DeviceWorker::DeviceWorker(ApplyEngine& engine) : engine_(engine) { }

DeviceWorker::~DeviceWorker()
{
    engine_.Stop();
    QuitAndJoin();
}

void DeviceWorker::Start()
{
    std::lock_guard lock(threadMutex_);
    if (thread_.joinable() || queue_.HasQuit())
        return;
    thread_ = std::thread(&DeviceWorker::Loop, this);
}

bool DeviceWorker::Post(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    // Requests queued before the quit still run: the loop ends once the queue is drained.
    if (message == kQuitMessage)
        return queue_.Quit();
    return queue_.Post(message, wParam, lParam);
}

void DeviceWorker::QuitAndJoin()
{
    Post(kQuitMessage);
    std::thread thread;
    {
        std::lock_guard lock(threadMutex_);
        thread.swap(thread_);
    }
    if (thread.joinable())
        thread.join();
}

void DeviceWorker::Loop()
{
    ::pthread_setname_np(::pthread_self(), "kestrin-apply");
    while (const auto message = queue_.Get()) {
        if (message->message == kApplyThreadMessage)
            engine_.ApplyProfile();
        else if (message->message == kBarrierMessage && barrier_)
            barrier_();
    }
}

} // namespace kestrin
