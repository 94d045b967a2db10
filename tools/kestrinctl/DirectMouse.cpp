#include "tools/kestrinctl/DirectMouse.h"

#include "base/MessagePost.h"
#include "base/Messages.h"

#include <atomic>

namespace kestrin::ctl {
namespace {

// What the libraries post to; any live handle will do, there is no window.
constexpr KestrinWindow kHandle = 1;

std::atomic<DirectMouse*> g_mouse{nullptr};

} // namespace

DirectMouse::DirectMouse(const std::string& programFolder)
{
    g_mouse = this;
    // The libraries may post as soon as their monitors run.
    std::lock_guard lock(mutex_);
    deviceLinks_.Open(programFolder, kHandle, {});
}

DirectMouse::~DirectMouse()
{
    // Not under `mutex_`: closing a monitor waits for its thread, which may be posting.
    deviceLinks_.Libraries().CloseAndUnload();
    g_mouse = nullptr;
}

bool DirectMouse::LibrariesUsable() const
{
    const DriverLibraries& libraries = deviceLinks_.Libraries();
    return libraries.cable.Usable() || libraries.receiver.Usable();
}

std::string DirectMouse::LoadError() const
{
    const DriverLibraries& libraries = deviceLinks_.Libraries();
    return libraries.cable.Usable() ? libraries.receiver.LoadError() : libraries.cable.LoadError();
}

void DirectMouse::WaitForBatteryReport(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    reported_.wait_for(lock, timeout, [this] { return battery_.has_value(); });
}

std::optional<BatteryReading> DirectMouse::LastBattery() const
{
    std::lock_guard lock(mutex_);
    return battery_;
}

void DirectMouse::OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    std::lock_guard lock(mutex_);
    switch (message) {
    case WM_CABLE_EVENT:
        return OnEvent(uint16_t(wParam), uint16_t(lParam), LinkKind::Cable);
    case WM_RECEIVER_EVENT:
        return OnEvent(uint16_t(wParam), uint16_t(lParam), LinkKind::Receiver);
    case WM_CABLE_STATE:
    case WM_RECEIVER_STATE: {
        const LinkKind link = message == WM_CABLE_STATE ? LinkKind::Cable : LinkKind::Receiver;
        if (wParam == 1)
            deviceLinks_.OnArrival(link);
        else if (wParam == 0)
            deviceLinks_.OnRemoval(link);
        return;
    }
    default:
        return;
    }
}

void DirectMouse::OnEvent(uint16_t code, uint16_t value, LinkKind source)
{
    const std::optional<DeviceEvent> event = DecodeDeviceEvent(code, value, source);
    if (!event)
        return;
    if (const auto* ack = std::get_if<WriteAcknowledgement>(&*event)) {
        deviceLinks_.OnWriteAcknowledged(ack->accepted);
    } else if (const auto* battery = std::get_if<BatteryStatus>(&*event)) {
        deviceLinks_.OnBatteryStatus(*battery, source);
        reported_.notify_all();
    }
}

} // namespace kestrin::ctl

// The libraries' one way back, resolved by name when they open.
extern "C" __attribute__((visibility("default"))) int KestrinPostMessage(
    KestrinWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    kestrin::ctl::DirectMouse* mouse = kestrin::ctl::g_mouse.load();
    if (window != kestrin::ctl::kHandle || !mouse)
        return 0;
    mouse->OnMessage(message, wParam, lParam);
    return 1;
}
