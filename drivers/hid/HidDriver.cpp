// The driver library for a real mouse: the seven driver entry points over hidraw. The same
// source builds the cable and the receiver library; Set_VIDPID picks the device. Feature
// reports go through hidapi; arrival, removal and the mouse's events come from the monitor.
#include "base/DriverApi.h"
#include "drivers/hid/DeviceMonitor.h"
#include "drivers/hid/FeatureDevice.h"

#include <atomic>
#include <dlfcn.h>
#include <mutex>

using namespace kestrin::hid;

namespace {

class Driver final {
public:
    ~Driver()
    {
        // Unloaded with the monitor running: its thread must end before the code goes.
        std::lock_guard lock(monitorMutex_);
        monitor_.Stop();
    }

    int SetIds(int vendor, int product)
    {
        const bool valid = vendor > 0 && vendor <= 0xFFFF && product >= 0 && product <= 0xFFFF;
        ids_ = valid ? static_cast<uint32_t>(vendor) << 16 | static_cast<uint32_t>(product) : 0;
        return valid ? 1 : 0;
    }

    int OpenMonitor(KestrinWindow window, uint32_t eventMessage, uint32_t stateMessage)
    {
        std::lock_guard lock(monitorMutex_);
        monitor_.Stop();
        const uint32_t ids = ids_;
        const auto post = reinterpret_cast<KestrinPostMessageFn>(
            ::dlsym(RTLD_DEFAULT, KESTRIN_POST_MESSAGE_SYMBOL));
        if (ids == 0 || !post)
            return 0;
        return monitor_.Start({window, eventMessage, stateMessage, post,
                   static_cast<uint16_t>(ids >> 16), static_cast<uint16_t>(ids)})
            ? 1
            : 0;
    }

    void CloseMonitor()
    {
        std::lock_guard lock(monitorMutex_);
        monitor_.Stop();
    }

    int Open()
    {
        const uint32_t ids = ids_;
        return ids != 0 &&
                device_.Open(static_cast<uint16_t>(ids >> 16), static_cast<uint16_t>(ids))
            ? 1
            : 0;
    }

    void Close() { device_.Close(); }

    int Write(const uint8_t* report, int length) { return device_.Write(report, length) ? 1 : 0; }

private:
    std::atomic<uint32_t> ids_{0}; // vendor << 16 | product; 0 until chosen
    std::mutex monitorMutex_;
    DeviceMonitor monitor_;
    FeatureDevice device_;
};

Driver& TheDriver()
{
    static Driver driver;
    return driver;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int Set_VIDPID(int vendorId, int productId)
{
    return TheDriver().SetIds(vendorId, productId);
}

__attribute__((visibility("default"))) int Open_DevMonitor(
    KestrinWindow window, uint32_t eventMessage, uint32_t stateMessage)
{
    return TheDriver().OpenMonitor(window, eventMessage, stateMessage);
}

__attribute__((visibility("default"))) int Close_DevMonitor(void)
{
    TheDriver().CloseMonitor();
    return 1;
}

__attribute__((visibility("default"))) int Open_FeatureDevice(void) { return TheDriver().Open(); }

__attribute__((visibility("default"))) int Close_FeatureDevice(void)
{
    TheDriver().Close();
    return 1;
}

__attribute__((visibility("default"))) int SetFeature(const uint8_t* report, int length)
{
    return TheDriver().Write(report, length);
}

__attribute__((visibility("default"))) int GetFeature(uint8_t*, int) { return 0; }

} // extern "C"
