// The virtual driver library: the seven driver entry points, served by the virtual mouse of
// the program folder this library sits in instead of a USB device. The same source builds the
// cable and the receiver library; Set_VIDPID picks the link.
#include "base/DriverEntryPoints.h"
#include "tools/virtualmouse/VirtualMouse.h"
#include "tools/virtualmouse/Wire.h"

#include <atomic>
#include <cstdio>
#include <dlfcn.h>
#include <memory>
#include <mutex>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

using namespace kestrin::vmouse;

namespace kestrin {
namespace {

constexpr int kReconnectMs = 250;

std::string OwnFolder()
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&Set_VIDPID), &info) == 0 || !info.dli_fname)
        return "./";
    std::string path = info.dli_fname;
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

class Driver final : public DriverEntryPoints {
public:
    ~Driver() { StopMonitor(); }

    int SetIds(int vendor, int product) override
    {
        std::lock_guard lock(mutex_);
        link_.reset();
        if (vendor == KESTRIN_CABLE_VENDOR_ID && product == KESTRIN_CABLE_PRODUCT_ID)
            link_ = Link::Cable;
        else if (vendor == KESTRIN_RECEIVER_VENDOR_ID && product == KESTRIN_RECEIVER_PRODUCT_ID)
            link_ = Link::Receiver;
        socketName_ = SocketName(OwnFolder());
        return 1;
    }

    int OpenMonitor(KestrinWindow window, uint32_t eventMessage, uint32_t stateMessage) override
    {
        StopMonitor();
        std::lock_guard lock(mutex_);
        const auto post = reinterpret_cast<KestrinPostMessageFn>(
            ::dlsym(RTLD_DEFAULT, KESTRIN_POST_MESSAGE_SYMBOL));
        if (!link_ || !post)
            return 0;
        wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        stopping_ = false;
        monitor_ = std::thread(&Driver::Watch, this, *link_, socketName_, window, eventMessage,
            stateMessage, post, OpenWatch(socketName_, *link_));
        return 1;
    }

    void CloseMonitor() override { StopMonitor(); }

    void StopMonitor()
    {
        if (!monitor_.joinable())
            return;
        stopping_ = true;
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
        monitor_.join();
        ::close(wakeFd_);
        wakeFd_ = -1;
    }

    int Open() override
    {
        std::lock_guard lock(mutex_);
        std::vector<std::string> data;
        open_ = link_ && RequestLocked(std::string("plugged ") + LinkName(*link_), data) &&
            data.size() == 1 && data[0] == "1";
        return open_ ? 1 : 0;
    }

    void Close() override
    {
        std::lock_guard lock(mutex_);
        open_ = false;
        DropControlLocked();
    }

    int Write(const uint8_t* report, int length) override
    {
        if (!report || length <= 0)
            return 0;
        std::lock_guard lock(mutex_);
        if (!open_ || !link_)
            return 0;
        std::vector<std::string> data;
        const std::string request = std::string("write ") + LinkName(*link_) + ' ' +
            ToHex({report, static_cast<std::size_t>(length)});
        return RequestLocked(request, data) && data.size() == 1 && data[0] == "1" ? 1 : 0;
    }

private:
    bool RequestLocked(const std::string& request, std::vector<std::string>& data)
    {
        if (control_ < 0) {
            control_ = ConnectTo(socketName_);
            if (control_ < 0)
                return false;
            reader_ = std::make_unique<LineReader>(control_);
        }
        if (Exchange(control_, *reader_, request, data))
            return true;
        DropControlLocked(); // the mouse went away; the next call reconnects
        return false;
    }

    void DropControlLocked()
    {
        if (control_ >= 0)
            ::close(control_);
        control_ = -1;
        reader_.reset();
    }

    // A watch on the link: the state it has now, then its changes and events as lines.
    struct Watching {
        int fd = -1;
        std::unique_ptr<LineReader> reader;
        bool present = false;
    };

    static Watching OpenWatch(const std::string& socketName, Link link)
    {
        Watching watching;
        watching.fd = ConnectTo(socketName);
        if (watching.fd < 0)
            return watching;
        watching.reader = std::make_unique<LineReader>(watching.fd);
        std::vector<std::string> words;
        if (SendLine(watching.fd, std::string("watch ") + LinkName(link)))
            if (const auto first = watching.reader->Next())
                words = SplitWords(*first);
        if (words.size() == 2 && words[0] == "state") {
            watching.present = words[1] == "1";
            return watching;
        }
        ::close(watching.fd);
        return {};
    }

    // Follows the link's plug state and events and posts them; runs until StopMonitor.
    // `watching` was opened before Open_DevMonitor returned, so no change after that call is
    // missed.
    void Watch(Link link, std::string socketName, KestrinWindow window, uint32_t eventMessage,
        uint32_t stateMessage, KestrinPostMessageFn post, Watching watching)
    {
        bool present = watching.present;
        auto setPresent = [&](bool now) {
            if (present != now)
                post(window, stateMessage, now ? 1 : 0, 0);
            present = now;
        };
        while (!stopping_) {
            bool alive = watching.fd >= 0;
            while (alive && !stopping_) {
                pollfd fds[2] = {{watching.fd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
                if (::poll(fds, 2, -1) < 0)
                    continue;
                if (stopping_ || !(fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                alive = watching.reader->FillOnce();
                while (watching.reader->HasLine()) {
                    const std::vector<std::string> words = SplitWords(*watching.reader->Next());
                    if (words.size() == 2 && words[0] == "state") {
                        setPresent(words[1] == "1");
                    } else if (words.size() == 3 && words[0] == "event") {
                        const auto code = ParseHex(words[1]);
                        const auto value = ParseHex(words[2]);
                        if (code && value && code->size() == 2 && value->size() == 2)
                            post(window, eventMessage, uintptr_t{(*code)[0]} << 8 | (*code)[1],
                                intptr_t{(*value)[0]} << 8 | (*value)[1]);
                    }
                }
            }
            if (watching.fd >= 0)
                ::close(watching.fd);
            watching = {};
            if (stopping_)
                break;         // a closed monitor reports nothing more
            setPresent(false); // no virtual mouse: the device is gone
            pollfd wake = {wakeFd_, POLLIN, 0};
            ::poll(&wake, 1, kReconnectMs);
            if (stopping_)
                break;
            watching = OpenWatch(socketName, link);
            if (watching.fd >= 0)
                setPresent(watching.present);
        }
        if (watching.fd >= 0)
            ::close(watching.fd);
    }

    std::mutex mutex_;
    std::optional<Link> link_;
    std::string socketName_;
    bool open_ = false;
    int control_ = -1;
    std::unique_ptr<LineReader> reader_;
    std::thread monitor_;
    std::atomic<bool> stopping_{false};
    int wakeFd_ = -1;
};

} // namespace

DriverEntryPoints& TheDriver()
{
    static Driver driver;
    return driver;
}

} // namespace kestrin
