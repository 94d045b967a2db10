#pragma once

#include "device/ApplyEngine.h"
#include "device/LinkState.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

namespace kestrin {

// The worker's messages, numbered as the main window's message table numbers them.
inline constexpr uint32_t kApplyThreadMessage = 0x600; // WM_APPLY_THREAD
inline constexpr uint32_t kQuitMessage = 0x0012;       // WM_QUIT

// The device worker thread: a message loop of its own that runs one apply per
// kApplyThreadMessage while a link is up, so the protocol's pauses never touch the UI thread.
// Requests that arrive during an apply queue up and run one after the other.
class DeviceWorker final {
public:
    DeviceWorker(ApplyEngine& engine, const LinkState& links);
    // Stops the engine, whose worker ends with the program, and joins. Destroy the worker
    // before the engine and its clock.
    ~DeviceWorker();
    DeviceWorker(const DeviceWorker&) = delete;
    DeviceWorker& operator=(const DeviceWorker&) = delete;

    void Start();
    // Queues a message for the loop; any thread. False once the loop has ended or was told
    // to quit.
    bool Post(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
    // Posts the quit message and waits for the loop to end. Requests queued before the quit
    // still run; call the engine's Stop first to cut them short.
    void QuitAndJoin();

private:
    struct Message {
        uint32_t message;
        uintptr_t wParam;
        intptr_t lParam;
    };

    void Loop();
    Message Next();

    ApplyEngine& engine_;
    const LinkState& links_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<Message> queue_;
    bool quitPosted_ = false;
    std::thread thread_;
};

} // namespace kestrin
