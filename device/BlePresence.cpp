#include "device/BlePresence.h"

#include <hidapi.h>

namespace kestrin {

bool BleMouseListedByHidapi()
{
    if (hid_init() != 0)
        return false;
    hid_device_info* devices = hid_enumerate(kBleVendorId, kBleProductId);
    const bool present = devices != nullptr;
    hid_free_enumeration(devices);
    return present;
}

} // namespace kestrin
