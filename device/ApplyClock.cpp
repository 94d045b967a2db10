#include "device/ApplyClock.h"

namespace kestrin {

void RealClock::SleepFor(Duration pause)
{
    // An absolute deadline: a spurious wake-up must not stretch or cut the pause.
    const TimePoint until = Now() + pause;
    std::unique_lock lock(mutex_);
    wake_.wait_until(lock, until, [this] { return interrupted_; });
}

void RealClock::Interrupt()
{
    {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
    }
    wake_.notify_all();
}

} // namespace kestrin
