// The driver library for a real mouse: the seven driver entry points over hidraw. The same
// source builds the cable and the receiver library; Set_VIDPID picks the device. Feature
// reports go through hidapi; arrival, removal and the mouse's events come from the monitor.
#include "base/DriverEntryPoints.h"
#include "drivers/hid/DeviceMonitor.h"
#include "drivers/hid/FeatureDevice.h"

#include <atomic>
#include <dlfcn.h>
#include <mutex>

using namespace kestrin::hid;

namespace kestrin {
namespace {

class Driver final : public DriverEntryPoints {
public:
    ~Driver()
    {
        // Unloaded with the monitor running: its thread must end before the code goes.
        std::lock_guard lock(monitorMutex_);
        monitor_.Stop();
    }

    int SetIds(int vendor, int product) override
    {
        const bool valid = vendor > 0 && vendor <= 0xFFFF && product >= 0 && product <= 0xFFFF;
        ids_ = valid ? static_cast<uint32_t>(vendor) << 16 | static_cast<uint32_t>(product) : 0;
        return valid ? 1 : 0;
    }

    int OpenMonitor(KestrinWindow window, uint32_t eventMessage, uint32_t stateMessage) override
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

    void CloseMonitor() override
    {
        std::lock_guard lock(monitorMutex_);
        monitor_.Stop();
    }

    int Open() override
    {
        const uint32_t ids = ids_;
        return ids != 0 &&
                device_.Open(static_cast<uint16_t>(ids >> 16), static_cast<uint16_t>(ids))
            ? 1
            : 0;
    }

    void Close() override { device_.Close(); }

    int Write(const uint8_t* report, int length) override
    {
        return device_.Write(report, length) ? 1 : 0;
    }

private:
    std::atomic<uint32_t> ids_{0}; // vendor << 16 | product; 0 until chosen
    std::mutex monitorMutex_;
    DeviceMonitor monitor_;
    FeatureDevice device_;
};

} // namespace

DriverEntryPoints& TheDriver()
{
    static Driver driver;
    return driver;
}

} // namespace kestrin
