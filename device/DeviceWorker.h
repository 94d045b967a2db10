#pragma once

#include "base/Messages.h"
#include "base/ThreadMessageQueue.h"
#include "device/ApplyEngine.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace kestrin {

// The worker's messages.
inline constexpr uint32_t kApplyThreadMessage = WM_APPLY_THREAD;
inline constexpr uint32_t kBarrierMessage = WM_APPLY_BARRIER_THREAD;
inline constexpr uint32_t kQuitMessage = WM_QUIT;

// The device worker thread: a message loop of its own that runs one apply per
// kApplyThreadMessage, so the protocol's pauses never touch the UI thread. Requests that arrive
// during an apply queue up and run one after the other.
class DeviceWorker final {
public:
    explicit DeviceWorker(ApplyEngine& engine);
    // Stops the engine, whose worker ends with the program, and joins. Destroy the worker
    // before the engine and its clock.
    ~DeviceWorker();
    DeviceWorker(const DeviceWorker&) = delete;
    DeviceWorker& operator=(const DeviceWorker&) = delete;

    // Runs on the worker for each kBarrierMessage, once every message posted before it has
    // run: whoever posted it learns that the applies it asked for are over. Set before Start.
    void SetBarrierHandler(std::function<void()> handler) { barrier_ = std::move(handler); }

    void Start();
    // Queues a message for the loop; any thread. False once the loop has ended or was told
    // to quit.
    bool Post(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
    // Posts the quit message and waits for the loop to end. Requests queued before the quit
    // still run; call the engine's Stop first to cut them short.
    void QuitAndJoin();

private:
    void Loop();

    ApplyEngine& engine_;
    std::function<void()> barrier_;
    ThreadMessageQueue queue_;
    std::mutex threadMutex_;
    std::thread thread_; // under threadMutex_
};

} // namespace kestrin
