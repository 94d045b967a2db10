#include "tools/kestrinctl/DirectMouse.h"

#include "base/DriverApi.h"
#include "base/MessagePost.h"
#include "base/Messages.h"

#include <atomic>

namespace kestrin::ctl {
namespace {

// What the libraries post to; any live handle will do, there is no window.
constexpr KestrinWindow kHandle = 1;
constexpr uint8_t kBatteryFull = 2;
constexpr uint8_t kBatteryCharging = 3;

std::atomic<DirectMouse*> g_mouse{nullptr};

} // namespace

DirectMouse::DirectMouse(const std::string& programFolder)
{
    g_mouse = this;
    libraries_.LoadFrom(programFolder);
    struct Link {
        DriverLibrary& library;
        std::atomic<int32_t>& state;
        int vendor, product;
        uint32_t eventMessage, stateMessage;
    };
    const Link links[] = {
        {libraries_.cable, links_.CableState, KESTRIN_CABLE_VENDOR_ID, KESTRIN_CABLE_PRODUCT_ID,
            WM_CABLE_EVENT, WM_CABLE_STATE},
        {libraries_.receiver, links_.ReceiverState, KESTRIN_RECEIVER_VENDOR_ID,
            KESTRIN_RECEIVER_PRODUCT_ID, WM_RECEIVER_EVENT, WM_RECEIVER_STATE},
    };
    for (const Link& link : links) {
        link.library.SetVidPid(link.vendor, link.product);
        link.library.OpenDevMonitor(kHandle, link.eventMessage, link.stateMessage);
        link.state = link.library.OpenFeatureDevice() != 0 ? kLinkConnected : kLinkNotSeen;
    }
    // Only the cable reaches the mouse by itself: the receiver's may be asleep.
    if (Cable())
        links_.MouseUnreachable = 0;
    links_.AnyLinkConnected = links_.AnyLinkUp() ? 1 : 0;
}

DirectMouse::~DirectMouse()
{
    libraries_.receiver.CloseFeatureDevice();
    libraries_.receiver.CloseDevMonitor();
    libraries_.cable.CloseFeatureDevice();
    libraries_.cable.CloseDevMonitor();
    libraries_.cable.Unload();
    libraries_.receiver.Unload();
    g_mouse = nullptr;
}

bool DirectMouse::LibrariesUsable() const
{
    return libraries_.cable.Usable() || libraries_.receiver.Usable();
}

std::string DirectMouse::LoadError() const
{
    return libraries_.cable.Usable() ? libraries_.receiver.LoadError()
                                     : libraries_.cable.LoadError();
}

void DirectMouse::WaitForBatteryReport(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    reported_.wait_for(lock, timeout, [this] { return battery_.has_value(); });
}

std::optional<DirectMouse::Battery> DirectMouse::LastBattery() const
{
    std::lock_guard lock(mutex_);
    if (!battery_)
        return std::nullopt;
    Battery battery;
    if (battery_->status == kBatteryFull)
        battery.percent = 100;
    else if (batterySource_ == LinkKind::Cable || battery_->status == kBatteryCharging)
        battery.charging = true;
    else if (battery_->percent <= 100)
        battery.percent = battery_->percent;
    return battery;
}

void DirectMouse::OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case WM_CABLE_EVENT:
        return OnEvent(uint16_t(wParam), uint16_t(lParam), LinkKind::Cable);
    case WM_RECEIVER_EVENT:
        return OnEvent(uint16_t(wParam), uint16_t(lParam), LinkKind::Receiver);
    case WM_CABLE_STATE:
    case WM_RECEIVER_STATE:
        // A link that goes now fails its writes, which the apply reports; one that arrives now
        // is left to the next command.
        if (wParam == 0) {
            (message == WM_CABLE_STATE ? links_.CableState : links_.ReceiverState) = kLinkRemoved;
            if (!Cable() && !(Receiver() && ReceiverMouseAwake()))
                links_.MouseUnreachable = 1;
        }
        return;
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
        links_.WriteAcknowledged = ack->accepted ? 1 : 0;
        return;
    }
    const auto* battery = std::get_if<BatteryStatus>(&*event);
    if (!battery)
        return;
    {
        std::lock_guard lock(mutex_);
        // The receiver's mouse is the cable's mouse, charging, while the cable is in.
        const bool onCable = source == LinkKind::Cable || Cable();
        battery_ = *battery;
        batterySource_ = onCable ? LinkKind::Cable : LinkKind::Receiver;
        if (!onCable) {
            links_.ReceiverMouseAwake = 1;
            links_.MouseUnreachable = 0;
        }
    }
    reported_.notify_all();
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
