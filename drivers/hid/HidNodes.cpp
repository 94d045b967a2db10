#include "drivers/hid/HidNodes.h"

#include <cstdlib>
#include <fcntl.h>
#include <libudev.h>
#include <memory>
#include <unistd.h>

namespace kestrin::hid {
namespace {

constexpr std::size_t kMaxDescriptorSize = 4096; // the kernel's own limit

struct UdevDeviceUnref {
    void operator()(udev_device* device) const { udev_device_unref(device); }
};
using UdevDevicePtr = std::unique_ptr<udev_device, UdevDeviceUnref>;

struct UdevEnumerateUnref {
    void operator()(udev_enumerate* enumerate) const { udev_enumerate_unref(enumerate); }
};

std::vector<uint8_t> ReadDescriptor(udev_device* hidraw)
{
    // The parent is owned by the child; it must not be unreferenced.
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    const char* syspath = hid ? udev_device_get_syspath(hid) : nullptr;
    if (!syspath)
        return {};
    const int fd =
        ::open((std::string(syspath) + "/report_descriptor").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::vector<uint8_t> bytes(kMaxDescriptorSize);
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got <= 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    ::close(fd);
    bytes.resize(filled);
    return bytes;
}

int InterfaceNumberOf(udev_device* hidraw)
{
    udev_device* usbInterface =
        udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_interface");
    const char* number =
        usbInterface ? udev_device_get_sysattr_value(usbInterface, "bInterfaceNumber") : nullptr;
    if (!number || !*number)
        return -1;
    char* end = nullptr;
    const long value = std::strtol(number, &end, 16);
    return end && (*end == '\0' || *end == '\n') && value >= 0 && value < 256
        ? static_cast<int>(value)
        : -1;
}

std::string DevnodeOf(udev_device* hidraw)
{
    if (const char* node = udev_device_get_devnode(hidraw))
        return node;
    const char* name = udev_device_get_sysname(hidraw);
    return name ? std::string("/dev/") + name : std::string();
}

} // namespace

std::optional<HidIdentity> IdentityOf(udev_device* hidraw)
{
    if (udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr)) {
        if (const char* id = udev_device_get_property_value(hid, "HID_ID")) {
            if (auto identity = ParseHidIdProperty(id))
                return identity;
        }
    }
    const char* devpath = udev_device_get_devpath(hidraw);
    return devpath ? HidIdentityFromDevpath(devpath) : std::nullopt;
}

std::vector<HidrawNode> ListNodes(udev* context, uint16_t vendor, uint16_t product)
{
    std::vector<HidrawNode> nodes;
    const std::unique_ptr<udev_enumerate, UdevEnumerateUnref> enumerate(
        udev_enumerate_new(context));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0)
        return nodes;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get()))
    {
        const UdevDevicePtr device(
            udev_device_new_from_syspath(context, udev_list_entry_get_name(entry)));
        if (!device)
            continue;
        const auto identity = IdentityOf(device.get());
        if (!identity || !SameDevice(*identity, vendor, product))
            continue;
        nodes.push_back({udev_device_get_syspath(device.get()), DevnodeOf(device.get()),
            InterfaceNumberOf(device.get()), ReadDescriptor(device.get())});
    }
    return nodes;
}

std::vector<uint8_t> DescriptorOfDevnode(udev* context, const std::string& devnode)
{
    const std::size_t slash = devnode.rfind('/');
    const std::string name = slash == std::string::npos ? devnode : devnode.substr(slash + 1);
    const UdevDevicePtr device(
        udev_device_new_from_subsystem_sysname(context, "hidraw", name.c_str()));
    return device ? ReadDescriptor(device.get()) : std::vector<uint8_t>{};
}

std::vector<HidCandidate> CandidatesOf(const std::vector<HidrawNode>& nodes)
{
    std::vector<HidCandidate> candidates;
    for (const HidrawNode& node : nodes) {
        auto own = CandidatesFromDescriptor(node.devnode, node.descriptor, node.interfaceNumber);
        if (own.empty())
            own.push_back({node.devnode, 0, 0, node.interfaceNumber});
        candidates.insert(candidates.end(), own.begin(), own.end());
    }
    return candidates;
}

bool UdevDaemonRunning() { return ::access("/run/udev/control", F_OK) == 0; }

} // namespace kestrin::hid
