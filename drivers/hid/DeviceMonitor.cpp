#include "drivers/hid/DeviceMonitor.h"

#include "drivers/hid/HidNodes.h"
#include "drivers/hid/InterfaceChoice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace kestrin::hid {
namespace {

// A vendor node that cannot be opened, in a folder that cannot be watched either (the user's
// inotify watches are used up), is tried again this often while the device is there.
constexpr int kReopenMs = 1000;
// Reports read in a row before the stop request is looked at again.
constexpr int kReadBurst = 64;
constexpr std::size_t kMaxReport = 4096;

} // namespace

bool DeviceMonitor::Start(const Target& target)
{
    Stop();
    target_ = target;
    udev_ = udev_new();
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    accessFd_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (!udev_ || wakeFd_ < 0 || accessFd_ < 0) {
        Release();
        return false;
    }
    monitor_ = udev_monitor_new_from_netlink(udev_, UdevDaemonRunning() ? "udev" : "kernel");
    if (monitor_ &&
        (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor_) < 0)) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
    if (!monitor_) {
        Release();
        return false;
    }
    // Listed after the monitor listens, so that a node appearing in between is not missed.
    std::set<std::string> nodes;
    for (const HidrawNode& node : ListNodes(udev_, target_.vendor, target_.product))
        nodes.insert(node.syspath);
    presence_.Reset(std::move(nodes));
    if (presence_.Present())
        OpenReader();
    thread_ = std::thread(&DeviceMonitor::Run, this);
    return true;
}

void DeviceMonitor::Stop()
{
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
        thread_.join();
    }
    Release();
}

void DeviceMonitor::Release()
{
    CloseReader();
    presence_.Reset({});
    if (monitor_)
        udev_monitor_unref(monitor_);
    monitor_ = nullptr;
    if (udev_)
        udev_unref(udev_);
    udev_ = nullptr;
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
    wakeFd_ = -1;
    ForgetDeniedNode();
    if (accessFd_ >= 0)
        ::close(accessFd_);
    accessFd_ = -1;
}

void DeviceMonitor::Run()
{
    for (;;) {
        pollfd fds[4] = {{wakeFd_, POLLIN, 0}, {udev_monitor_get_fd(monitor_), POLLIN, 0},
            {accessFd_, POLLIN, 0}, {inputFd_, POLLIN, 0}};
        const nfds_t count = inputFd_ >= 0 ? 4 : 3;
        const int timeout = retryByTimer_ && presence_.Present() && inputFd_ < 0 ? kReopenMs : -1;
        const int ready = ::poll(fds, count, timeout);
        if (ready < 0 && errno != EINTR)
            return;
        if (fds[0].revents)
            return;
        if (ready == 0) {
            OpenReader();
            continue;
        }
        if (fds[1].revents & POLLIN)
            TakeUevent();
        if (fds[2].revents & POLLIN) {
            if (DeniedNodeChanged())
                OpenReader();
        }
        if (count == 4 && fds[3].revents)
            ReadReports();
    }
}

void DeviceMonitor::TakeUevent()
{
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (!device)
        return;
    const char* action = udev_device_get_action(device);
    const char* syspathText = udev_device_get_syspath(device);
    const std::string syspath = syspathText ? syspathText : "";
    const std::string devnode =
        udev_device_get_devnode(device) ? udev_device_get_devnode(device) : "";
    if (action && std::strcmp(action, "add") == 0) {
        const auto identity = IdentityOf(device);
        if (identity && SameDevice(*identity, target_.vendor, target_.product)) {
            if (presence_.Added(syspath) == PresenceChange::Arrived)
                target_.post(target_.window, target_.stateMessage, 1, 0);
            OpenReader(); // a later node may be the vendor one
        }
    } else if (action && std::strcmp(action, "remove") == 0) {
        // Known by path: the node's sysfs entry, and with it its identity, may be gone.
        const PresenceChange change = presence_.Removed(syspath);
        if (!devnode.empty() && devnode == inputPath_)
            CloseReader();
        if (change == PresenceChange::Removed) {
            CloseReader();
            ForgetDeniedNode();
            target_.post(target_.window, target_.stateMessage, 0, 0);
        }
    }
    udev_device_unref(device);
}

void DeviceMonitor::OpenReader()
{
    std::vector<HidrawNode> nodes = ListNodes(udev_, target_.vendor, target_.product);
    const std::optional<std::string> chosen = ChooseVendorInterface(CandidatesOf(nodes));
    if (!chosen || (inputFd_ >= 0 && *chosen == inputPath_))
        return;
    const auto node = std::find_if(nodes.begin(), nodes.end(),
        [&](const HidrawNode& candidate) { return candidate.devnode == *chosen; });
    const int fd = ::open(chosen->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        WatchDeniedNode(*chosen);
        return;
    }
    ForgetDeniedNode();
    CloseReader();
    inputFd_ = fd;
    inputPath_ = *chosen;
    layout_ = InputLayoutFor(SummarizeDescriptor(node->descriptor));
}

void DeviceMonitor::CloseReader()
{
    if (inputFd_ >= 0)
        ::close(inputFd_);
    inputFd_ = -1;
    inputPath_.clear();
    layout_ = {};
}

void DeviceMonitor::WatchDeniedNode(const std::string& devnode)
{
    // A watch on the node itself needs the read access the user lacks: its folder is watched,
    // for changes of this one entry.
    const std::size_t slash = devnode.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : devnode.substr(0, slash);
    const int watch = ::inotify_add_watch(accessFd_, folder.c_str(), IN_ATTRIB | IN_ONLYDIR);
    if (deniedWatch_ >= 0 && deniedWatch_ != watch)
        ::inotify_rm_watch(accessFd_, deniedWatch_);
    deniedWatch_ = watch;
    deniedName_ = devnode.substr(slash == std::string::npos ? 0 : slash + 1);
    retryByTimer_ = watch < 0;
}

bool DeviceMonitor::DeniedNodeChanged()
{
    bool changed = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(accessFd_, buffer, sizeof buffer);
        if (got <= 0)
            return changed;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
            const auto* change = reinterpret_cast<const inotify_event*>(buffer + at);
            // A lost queue or a dropped watch may hide the change looked for.
            if (change->mask & (IN_Q_OVERFLOW | IN_IGNORED))
                changed = true;
            else if (change->len > 0 && deniedName_ == change->name)
                changed = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + change->len);
        }
    }
}

void DeviceMonitor::ForgetDeniedNode()
{
    if (deniedWatch_ >= 0 && accessFd_ >= 0)
        ::inotify_rm_watch(accessFd_, deniedWatch_);
    deniedWatch_ = -1;
    deniedName_.clear();
    retryByTimer_ = false;
}

void DeviceMonitor::ReadReports()
{
    uint8_t report[kMaxReport];
    for (int i = 0; i < kReadBurst; ++i) {
        const ssize_t got = ::read(inputFd_, report, sizeof report);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (got <= 0) {
            CloseReader(); // the node is going; its removal follows
            return;
        }
        if (const auto word = ParseInputReport({report, static_cast<std::size_t>(got)}, layout_))
            target_.post(target_.window, target_.eventMessage, word->code, word->value);
    }
}

} // namespace kestrin::hid
