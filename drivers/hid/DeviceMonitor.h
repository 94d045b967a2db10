#pragma once

#include "base/MessagePost.h"
#include "drivers/hid/InputReport.h"
#include "drivers/hid/NodePresence.h"

#include <cstdint>
#include <string>
#include <thread>

struct udev;
struct udev_monitor;

namespace kestrin::hid {

// Follows the device's hidraw nodes and reads its events, on one thread of its own:
//  - a udev monitor (subsystem hidraw) tells of nodes that come and go. It listens to the udev
//    daemon's events where one runs, so that a node is announced once its access rules are
//    applied; where none runs (a bare system) it listens to the kernel's own uevents;
//  - the state message goes out with wParam 1 when the first node of the device appears and
//    with 0 when its last node goes, so a device with several interfaces is announced once.
//    The device's state when the monitor starts is not posted;
//  - the vendor node (chosen as for feature writes) is held open for reading while the device
//    is there, and each of its input reports that is an event goes out as the event message.
//    A node the user may not open yet (no access rule, or a session not yet active) is tried
//    again when its owner, mode or access list changes, not on a timer: the monitor sleeps
//    until then.
// Start and Stop are for one controlling thread; Stop joins, after which nothing is posted.
class DeviceMonitor final {
public:
    struct Target {
        KestrinWindow window = 0;
        uint32_t eventMessage = 0;
        uint32_t stateMessage = 0;
        KestrinPostMessageFn post = nullptr;
        uint16_t vendor = 0;
        uint16_t product = 0;
    };

    DeviceMonitor() = default;
    DeviceMonitor(const DeviceMonitor&) = delete;
    DeviceMonitor& operator=(const DeviceMonitor&) = delete;
    ~DeviceMonitor() { Stop(); }

    // Stops a running monitor and starts anew. False when udev cannot be reached.
    bool Start(const Target& target);
    void Stop();

private:
    void Run();
    void TakeUevent();
    void OpenReader();
    void CloseReader();
    void WatchDeniedNode(const std::string& devnode);
    void ForgetDeniedNode();
    bool DeniedNodeChanged();
    void ReadReports();
    void Release();

    Target target_;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    int wakeFd_ = -1;
    int inputFd_ = -1;
    std::string inputPath_;
    int accessFd_ = -1;         // inotify: a denied node's attribute changes
    int deniedWatch_ = -1;      // the watch on that node's folder, while there is one
    std::string deniedName_;    // the node's name in that folder
    bool retryByTimer_ = false; // a denied node that could not be watched
    InputLayout layout_;
    NodePresence presence_;
    std::thread thread_;
};

} // namespace kestrin::hid
