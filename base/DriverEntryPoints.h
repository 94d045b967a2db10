// The seven entry points of a driver library (DriverApi.h) over the library's one driver object.
// Included by exactly one source file of each driver library, the real and the virtual one, after
// it defines kestrin::TheDriver(); the program never includes it.
#pragma once

#include "base/DriverApi.h"

#include <cstdint>

namespace kestrin {

// What a driver library does behind its entry points.
class DriverEntryPoints {
public:
    // Chooses the device; nonzero when the library takes these ids.
    virtual int SetIds(int vendorId, int productId) = 0;
    virtual int OpenMonitor(KestrinWindow window, uint32_t eventMessage, uint32_t stateMessage) = 0;
    virtual void CloseMonitor() = 0;
    virtual int Open() = 0;
    virtual void Close() = 0;
    virtual int Write(const uint8_t* report, int length) = 0;

protected:
    ~DriverEntryPoints() = default;
};

// The library's driver, alive until the library is unloaded.
DriverEntryPoints& TheDriver();

} // namespace kestrin

#define KESTRIN_DRIVER_EXPORT extern "C" __attribute__((visibility("default")))

KESTRIN_DRIVER_EXPORT int Set_VIDPID(int vendorId, int productId)
{
    return kestrin::TheDriver().SetIds(vendorId, productId);
}

KESTRIN_DRIVER_EXPORT int Open_DevMonitor(
    KestrinWindow window, uint32_t eventMessage, uint32_t stateMessage)
{
    return kestrin::TheDriver().OpenMonitor(window, eventMessage, stateMessage);
}

KESTRIN_DRIVER_EXPORT int Close_DevMonitor(void)
{
    kestrin::TheDriver().CloseMonitor();
    return 1;
}

KESTRIN_DRIVER_EXPORT int Open_FeatureDevice(void) { return kestrin::TheDriver().Open(); }

KESTRIN_DRIVER_EXPORT int Close_FeatureDevice(void)
{
    kestrin::TheDriver().Close();
    return 1;
}

KESTRIN_DRIVER_EXPORT int SetFeature(const uint8_t* report, int length)
{
    return kestrin::TheDriver().Write(report, length);
}

// Never called by the program; the library contract names it.
KESTRIN_DRIVER_EXPORT int GetFeature(uint8_t*, int) { return 0; }

#undef KESTRIN_DRIVER_EXPORT
