#include "platform/QuitSignals.h"

#include "base/Trace.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace kestrin {
namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};
volatile std::sig_atomic_t writeEnd = -1;

extern "C" void OnQuitSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    // Only async-signal-safe calls here; a full pipe already holds a request.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    errno = saved;
}

} // namespace

struct QuitSignals::Private {
    std::array<int, 2> pipe{-1, -1};
    std::array<struct sigaction, kSignals.size()> previous{};
    std::unique_ptr<QSocketNotifier> notifier;
};

QuitSignals::QuitSignals(std::function<void()> onQuit) : d_(std::make_unique<Private>())
{
    if (writeEnd != -1 || ::pipe2(d_->pipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        Trace("quit signals: cannot watch (%s)\n", writeEnd != -1 ? "watched already" : "pipe");
        return;
    }
    writeEnd = d_->pipe[1];
    d_->notifier = std::make_unique<QSocketNotifier>(d_->pipe[0], QSocketNotifier::Read);
    QObject::connect(d_->notifier.get(), &QSocketNotifier::activated, d_->notifier.get(),
        [fd = d_->pipe[0], onQuit = std::move(onQuit)] {
            char bytes[16];
            while (::read(fd, bytes, sizeof bytes) > 0) { }
            onQuit();
        });
    struct sigaction action { };
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &d_->previous[i]);
}

QuitSignals::~QuitSignals()
{
    if (d_->pipe[0] == -1)
        return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &d_->previous[i], nullptr);
    d_->notifier.reset();
    writeEnd = -1;
    ::close(d_->pipe[0]);
    ::close(d_->pipe[1]);
}

} // namespace kestrin
