#include "device/BlePresence.h"

#include <hidapi.h>

namespace kestrin {

bool ListsBleMouse(const hid_device_info* devices)
{
    for (const hid_device_info* device = devices; device; device = device->next)
        if (device->vendor_id == kBleVendorId && device->product_id == kBleProductId &&
            device->bus_type == HID_API_BUS_BLUETOOTH)
            return true;
    return false;
}

bool BleMouseListedByHidapi()
{
    if (hid_init() != 0)
        return false;
    hid_device_info* devices = hid_enumerate(kBleVendorId, kBleProductId);
    const bool present = ListsBleMouse(devices);
    hid_free_enumeration(devices);
    return present;
}

} // namespace kestrin
