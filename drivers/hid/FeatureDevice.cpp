#include "drivers/hid/FeatureDevice.h"

#include "drivers/hid/HidNodes.h"
#include "drivers/hid/InterfaceChoice.h"

#include <hidapi.h>
#include <libudev.h>
#include <set>
#include <utility>

namespace kestrin::hid {
namespace {

// hidapi keeps process-wide state (its initialisation, its last global error); its global
// calls from this library go one at a time.
// Constant-initialised, so it outlives the driver object that still uses it at unloading.
std::mutex g_hidapiMutex;
bool g_hidapiUsed = false; // under g_hidapiMutex

// The candidates of the device's nodes, from hidapi's enumeration. Each node's top-level
// collections come from its report descriptor in sysfs, as the monitor's reader sees them, so
// both choose the same node; hidapi's own usage is the fallback where sysfs says nothing.
// Nodes that only sysfs lists come last.
std::vector<HidCandidate> EnumerateCandidates(uint16_t vendor, uint16_t product)
{
    std::vector<HidCandidate> fromHidapi;
    {
        std::lock_guard lock(g_hidapiMutex);
        g_hidapiUsed = true;
        if (hid_init() != 0)
            return {};
        hid_device_info* list = hid_enumerate(vendor, product);
        for (const hid_device_info* info = list; info; info = info->next) {
            if (info->path)
                fromHidapi.push_back(
                    {info->path, info->usage_page, info->usage, info->interface_number});
        }
        hid_free_enumeration(list);
    }
    udev* context = udev_new();
    std::vector<HidCandidate> candidates;
    std::set<std::string> seen;
    for (const HidCandidate& entry : fromHidapi) {
        if (!seen.insert(entry.path).second)
            continue;
        std::vector<HidCandidate> own;
        if (context) {
            own = CandidatesFromDescriptor(
                entry.path, DescriptorOfDevnode(context, entry.path), entry.interfaceNumber);
        }
        if (own.empty()) {
            for (const HidCandidate& same : fromHidapi) {
                if (same.path == entry.path)
                    own.push_back(same);
            }
        }
        candidates.insert(candidates.end(), own.begin(), own.end());
    }
    // hidapi passes over nodes on a bus it does not know (a device made from user space may say
    // any bus); sysfs lists them all, and hid_open_path opens any node.
    if (context) {
        std::vector<HidrawNode> missed;
        for (HidrawNode& node : ListNodes(context, vendor, product)) {
            if (!seen.contains(node.devnode))
                missed.push_back(std::move(node));
        }
        const std::vector<HidCandidate> more = CandidatesOf(missed);
        candidates.insert(candidates.end(), more.begin(), more.end());
        udev_unref(context);
    }
    return candidates;
}

} // namespace

FeatureDevice::~FeatureDevice()
{
    Close();
    // hidapi holds its last error text until hid_exit, which on hidraw frees only that; without
    // it the text would outlive this library's unloading.
    std::lock_guard lock(g_hidapiMutex);
    if (g_hidapiUsed)
        hid_exit();
    g_hidapiUsed = false;
}

bool FeatureDevice::Open(uint16_t vendor, uint16_t product)
{
    std::lock_guard lock(mutex_);
    if (device_) {
        hid_close(device_);
        device_ = nullptr;
    }
    if (vendor == 0 && product == 0)
        return false; // hidapi would take these as "every device"
    const std::vector<HidCandidate> candidates = EnumerateCandidates(vendor, product);
    const std::optional<std::string> path = ChooseVendorInterface(candidates);
    if (!path)
        return false;
    std::lock_guard global(g_hidapiMutex);
    device_ = hid_open_path(path->c_str());
    return device_ != nullptr;
}

void FeatureDevice::Close()
{
    std::lock_guard lock(mutex_);
    if (device_)
        hid_close(device_);
    device_ = nullptr;
}

bool FeatureDevice::Write(const uint8_t* report, int length)
{
    if (!report || length <= 0)
        return false;
    std::lock_guard lock(mutex_);
    if (!device_)
        return false;
    return hid_send_feature_report(device_, report, static_cast<std::size_t>(length)) > 0;
}

} // namespace kestrin::hid
