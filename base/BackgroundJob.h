#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace kestrin {

// Runs one job on a thread of its own, so that a caller never waits on what the job blocks on
// (a flushed save on a slow disk). Requests made while the job is waiting or running collapse
// into one further run: the job reads the newest state itself when it starts, so none is lost
// and a burst costs at most two runs.
class BackgroundJob final {
public:
    explicit BackgroundJob(std::function<void()> job);
    // Waits for a requested run to finish, then ends the thread.
    ~BackgroundJob();
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    void Request();
    // Returns once no run is requested or running.
    void Wait();

private:
    void Loop();

    std::function<void()> job_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool requested_ = false;
    bool running_ = false;
    bool ending_ = false;
    std::thread thread_;
};

} // namespace kestrin
