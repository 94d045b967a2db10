#include "base/BackgroundJob.h"

namespace kestrin {

BackgroundJob::BackgroundJob(std::function<void()> job)
    : job_(std::move(job)), thread_([this] { Loop(); })
{
}

BackgroundJob::~BackgroundJob()
{
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BackgroundJob::Request()
{
    {
        std::lock_guard lock(mutex_);
        requested_ = true;
    }
    changed_.notify_all();
}

void BackgroundJob::Wait()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !requested_ && !running_; });
}

void BackgroundJob::Loop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return requested_ || ending_; });
        // A run still requested when the owner goes is made: it may hold the last change.
        if (!requested_)
            return;
        requested_ = false;
        running_ = true;
        lock.unlock();
        job_();
        lock.lock();
        running_ = false;
        changed_.notify_all();
    }
}

} // namespace kestrin
