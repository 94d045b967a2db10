#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kestrin {

// Every pause of an apply goes through this, so tests run the protocol in virtual time.
class ApplyClock {
public:
    using Duration = std::chrono::milliseconds;
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~ApplyClock() = default;
    virtual TimePoint Now() const = 0;
    virtual void SleepFor(Duration pause) = 0;
    // Ends the pause in progress and every later one at once; any thread. For shutdown.
    virtual void Interrupt() { }
};

// The steady clock, sleeping for real.
class RealClock final : public ApplyClock {
public:
    TimePoint Now() const override { return std::chrono::steady_clock::now(); }
    void SleepFor(Duration pause) override;
    void Interrupt() override;

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool interrupted_ = false;
};

} // namespace kestrin
