#include "tools/virtualmouse/UhidMouse.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace kestrin::vmouse {
namespace {

struct FeatureReport {
    uint8_t id;
    uint8_t length; // with the id byte, as the program writes it
};

// Download reports travel as 64-byte packets over the wired links.
constexpr FeatureReport kFeatureReports[] = {{kBeginId, 10}, {kSettingsId, 56}, {kLightingId, 15},
    {kRateId, 9}, {kButtonMapId, 59}, {kDownloadId, static_cast<uint8_t>(kPacketLength)}};

// Generic desktop mouse: three buttons and relative X, Y; `id` 0 for none.
std::vector<uint8_t> PointerCollection(uint8_t id)
{
    std::vector<uint8_t> d = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01};
    if (id != 0)
        d.insert(d.end(), {0x85, id});
    d.insert(d.end(),
        {0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95,
            0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x03, 0x05, 0x01, 0x09,
            0x30, 0x09, 0x31, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0,
            0xC0});
    return d;
}

std::vector<uint8_t> VendorCollection()
{
    std::vector<uint8_t> d = {// Usage page 0xFF00, bytes 0..255.
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
        // The event: code and value, 16 bits each, little-endian.
        0x85, kUhidEventReportId, 0x09, 0x02, 0x95, 0x04, 0x81, 0x02};
    for (const FeatureReport& report : kFeatureReports) {
        const uint8_t item[] = {
            0x85, report.id, 0x09, 0x03, 0x95, static_cast<uint8_t>(report.length - 1), 0xB1, 0x02};
        d.insert(d.end(), std::begin(item), std::end(item));
    }
    d.push_back(0xC0);
    return d;
}

int IndexOf(Link link) { return link == Link::Cable ? 0 : link == Link::Receiver ? 1 : -1; }
Link LinkAt(int index) { return index == 0 ? Link::Cable : Link::Receiver; }

bool Send(int fd, const uhid_event& event)
{
    return ::write(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
}

// Events the mouse raises while it handles a feature write leave after the write's answer, as
// the mouse acknowledges a report once it has taken it.
struct PendingEvent {
    Link link;
    uint16_t code;
    uint16_t value;
};
thread_local std::vector<PendingEvent>* t_deferred = nullptr;

} // namespace

std::span<const uint8_t> UhidReportDescriptor()
{
    static const std::vector<uint8_t> descriptor = [] {
        std::vector<uint8_t> d = PointerCollection(kUhidPointerReportId);
        const std::vector<uint8_t> vendor = VendorCollection();
        d.insert(d.end(), vendor.begin(), vendor.end());
        return d;
    }();
    return descriptor;
}

std::span<const uint8_t> UhidVendorDescriptor()
{
    static const std::vector<uint8_t> descriptor = VendorCollection();
    return descriptor;
}

std::span<const uint8_t> UhidPointerDescriptor()
{
    static const std::vector<uint8_t> descriptor = PointerCollection(0);
    return descriptor;
}

UhidMouse::UhidMouse()
    : mouse_([this](Link link, uint16_t code, uint16_t value) {
          if (t_deferred)
              t_deferred->push_back({link, code, value});
          else
              SendEvent(link, code, value);
      })
{
}

std::unique_ptr<UhidMouse> UhidMouse::Open(std::string& error)
{
    std::unique_ptr<UhidMouse> uhid(new UhidMouse());
    for (int* fds : {uhid->fds_, uhid->pointerFds_}) {
        for (int index = 0; index < 2; ++index) {
            fds[index] = ::open("/dev/uhid", O_RDWR | O_CLOEXEC | O_NONBLOCK);
            if (fds[index] < 0) {
                error = std::string("cannot open /dev/uhid: ") + std::strerror(errno);
                return nullptr;
            }
        }
    }
    uhid->wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (uhid->wakeFd_ < 0) {
        error = std::string("eventfd: ") + std::strerror(errno);
        return nullptr;
    }
    uhid->thread_ = std::thread(&UhidMouse::Serve, uhid.get());
    return uhid;
}

UhidMouse::~UhidMouse()
{
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
        thread_.join();
    }
    // Closing the character device destroys a device still created on it.
    for (const int* fds : {fds_, pointerFds_})
        for (int index = 0; index < 2; ++index)
            if (fds[index] >= 0)
                ::close(fds[index]);
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

bool UhidMouse::Create(int fd, Link link, std::span<const uint8_t> descriptor)
{
    uhid_event event{};
    event.type = UHID_CREATE2;
    const char* name = link == Link::Cable ? "Kestrin virtual mouse" : "Kestrin virtual receiver";
    std::strncpy(
        reinterpret_cast<char*>(event.u.create2.name), name, sizeof event.u.create2.name - 1);
    std::copy(descriptor.begin(), descriptor.end(), event.u.create2.rd_data);
    event.u.create2.rd_size = static_cast<uint16_t>(descriptor.size());
    event.u.create2.bus = BUS_USB;
    event.u.create2.vendor = 0x1D57;
    event.u.create2.product = link == Link::Cable ? 0xFA61 : 0xFA60;
    return Send(fd, event);
}

bool UhidMouse::Plug(Link link, UhidNodes nodes)
{
    const int index = IndexOf(link);
    if (index < 0 || mouse_.IsPlugged(link))
        return false;
    const bool separate = nodes == UhidNodes::Separate;
    // The pointer interface comes first, as on the bus, so the driver must look past it.
    if (separate && !Create(pointerFds_[index], link, UhidPointerDescriptor()))
        return false;
    if (!Create(fds_[index], link, separate ? UhidVendorDescriptor() : UhidReportDescriptor()))
        return false;
    separate_[index] = separate;
    mouse_.SetPlugged(link, true);
    return true;
}

bool UhidMouse::Unplug(Link link)
{
    const int index = IndexOf(link);
    if (index < 0 || !mouse_.IsPlugged(link))
        return false;
    mouse_.SetPlugged(link, false);
    uhid_event event{};
    event.type = UHID_DESTROY;
    bool done = Send(fds_[index], event);
    if (separate_[index])
        done = Send(pointerFds_[index], event) && done;
    return done;
}

bool UhidMouse::SendPointer(Link link, uint8_t buttons, int8_t dx, int8_t dy)
{
    const int index = IndexOf(link);
    if (index < 0 || !mouse_.IsPlugged(link))
        return false;
    uhid_event event{};
    event.type = UHID_INPUT2;
    const uint8_t motion[] = {buttons, static_cast<uint8_t>(dx), static_cast<uint8_t>(dy)};
    uint8_t* data = event.u.input2.data;
    std::size_t size = 0;
    if (!separate_[index])
        data[size++] = kUhidPointerReportId;
    for (const uint8_t byte : motion)
        data[size++] = byte;
    event.u.input2.size = static_cast<uint16_t>(size);
    return Send(separate_[index] ? pointerFds_[index] : fds_[index], event);
}

bool UhidMouse::SendInput(Link link, std::span<const uint8_t> report)
{
    const int index = IndexOf(link);
    if (index < 0 || report.size() > UHID_DATA_MAX || !mouse_.IsPlugged(link))
        return false;
    uhid_event event{};
    event.type = UHID_INPUT2;
    event.u.input2.size = static_cast<uint16_t>(report.size());
    std::copy(report.begin(), report.end(), event.u.input2.data);
    return Send(fds_[index], event);
}

void UhidMouse::SendEvent(Link link, uint16_t code, uint16_t value)
{
    const uint8_t report[] = {kUhidEventReportId, static_cast<uint8_t>(code),
        static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(value),
        static_cast<uint8_t>(value >> 8)};
    SendInput(link, report);
}

void UhidMouse::Serve()
{
    for (;;) {
        pollfd fds[5] = {{wakeFd_, POLLIN, 0}, {fds_[0], POLLIN, 0}, {fds_[1], POLLIN, 0},
            {pointerFds_[0], POLLIN, 0}, {pointerFds_[1], POLLIN, 0}};
        if (::poll(fds, 5, -1) < 0 && errno != EINTR)
            return;
        if (fds[0].revents)
            return;
        for (int index = 0; index < 2; ++index) {
            if (fds[1 + index].revents & POLLIN)
                TakeRequest(fds_[index], LinkAt(index), true);
            if (fds[3 + index].revents & POLLIN)
                TakeRequest(pointerFds_[index], LinkAt(index), false);
        }
    }
}

void UhidMouse::TakeRequest(int fd, Link link, bool vendor)
{
    uhid_event request{};
    if (::read(fd, &request, sizeof request) <= 0)
        return;
    uhid_event reply{};
    if (request.type == UHID_SET_REPORT) {
        const std::size_t size =
            std::min<std::size_t>(request.u.set_report.size, sizeof request.u.set_report.data);
        std::vector<PendingEvent> deferred;
        t_deferred = &deferred;
        // The answer says whether the mouse took the bytes, as the virtual driver's SetFeature
        // does; a report it refuses is answered by its acknowledgement event and its log. The
        // pointer interface has no feature reports.
        const bool taken = vendor && mouse_.Write(link, {request.u.set_report.data, size});
        t_deferred = nullptr;
        reply.type = UHID_SET_REPORT_REPLY;
        reply.u.set_report_reply.id = request.u.set_report.id;
        reply.u.set_report_reply.err = taken ? 0 : EIO;
        Send(fd, reply);
        for (const PendingEvent& event : deferred)
            SendEvent(event.link, event.code, event.value);
    } else if (request.type == UHID_GET_REPORT) {
        // The protocol never reads from the mouse.
        reply.type = UHID_GET_REPORT_REPLY;
        reply.u.get_report_reply.id = request.u.get_report.id;
        reply.u.get_report_reply.err = EIO;
        Send(fd, reply);
    }
}

} // namespace kestrin::vmouse
