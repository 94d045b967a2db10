#pragma once

// The device page on the main window (offscreen) against a virtual mouse served in-process.
#include "app/DPIMsg.h"
#include "app/MainWnd.h"
#include "base/Messages.h"
#include "device/DriverLibraries.h"
#include "platform/WindowRegistry.h"
#include "tests/support/FakeGattBus.h"
#include "tests/support/SkinFolder.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WaitFor.h"
#include "tools/virtualmouse/VirtualMouseServer.h"
#include "tools/virtualmouse/Wire.h"
#include "ui/Controls.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

namespace kestrin {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::WaitFor;

// The protocol's pauses in virtual time: an apply over the cable takes no real time.
class InstantClock final : public ApplyClock {
public:
    TimePoint Now() const override { return TimePoint{} + elapsed_.load(); }
    void SleepFor(Duration pause) override { elapsed_ = elapsed_.load() + pause; }

private:
    std::atomic<Duration> elapsed_{Duration{0}};
};

// The protocol's pauses a twentieth as long: time enough for the receiver mouse's
// acknowledgement to reach the UI thread between two attempts.
class FastClock final : public ApplyClock {
public:
    TimePoint Now() const override { return clock_.Now(); }
    void SleepFor(Duration pause) override { clock_.SleepFor(pause / 20); }
    void Interrupt() override { clock_.Interrupt(); }

private:
    RealClock clock_;
};

// Once armed, holds the worker in the next pause of an apply until released, so that a test
// can act on the UI thread in the middle of an apply. Pauses take no time otherwise.
class GatedClock final : public ApplyClock {
public:
    TimePoint Now() const override { return TimePoint{}; }
    void SleepFor(Duration) override
    {
        std::unique_lock lock(mutex_);
        if (!armed_)
            return;
        armed_ = false;
        held_ = true;
        changed_.wait(lock, [this] { return !held_ || interrupted_; });
    }
    void Interrupt() override
    {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
        changed_.notify_all();
    }
    void Arm()
    {
        std::lock_guard lock(mutex_);
        armed_ = true;
    }
    bool Held()
    {
        std::lock_guard lock(mutex_);
        return held_;
    }
    void Release()
    {
        std::lock_guard lock(mutex_);
        held_ = false;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool armed_ = false;
    bool held_ = false;
    bool interrupted_ = false;
};

// Counts the messages of one kind that reach the main window.
class MessageSpy final : public QObject {
public:
    explicit MessageSpy(uint32_t message) : message_(message) { }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == WindowMessageEvent::EventType() &&
            static_cast<WindowMessageEvent*>(event)->message == message_)
            ++count;
        return false;
    }

private:
    uint32_t message_;
};

// Records when "apply_ring" shows ('S') and hides ('H'), and whether the receiver watchdog ran
// when it hid.
class ApplyRingSpy final : public QObject {
public:
    explicit ApplyRingSpy(CWindowWnd& window) : window_(window) { }
    std::vector<char> events;
    bool watchdogAtHide = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            events.push_back('S');
        if (event->type() == QEvent::Hide) {
            events.push_back('H');
            watchdogAtHide = window_.IsTimerActive(TIMER_RECEIVER_WATCHDOG);
        }
        return false;
    }

private:
    CWindowWnd& window_;
};

class DevicePageTest : public testing::Test {
protected:
    void SetUp() override
    {
        test::UseInstalledSkin();
        programFolder = folder.Root() / "program";
        fs::create_directories(programFolder);
        for (const char* name : {kCableLibraryName, kReceiverLibraryName})
            fs::copy_file(fs::path(KESTRIN_VIRTUAL_DRIVER_DIR) / name, programFolder / name);
    }

    void TearDown() override
    {
        window.reset();
        CTrayIcon::SetDesktopTrayForTesting(std::nullopt);
        if (server) {
            server->Stop();
            serverThread.join();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void StartMouse(std::vector<vmouse::Link> plugged)
    {
        vmouse::ServerOptions options;
        options.plugged = std::move(plugged);
        options.statusInterval = 0ms;
        server = std::make_unique<vmouse::VirtualMouseServer>(
            vmouse::SocketName(programFolder.string() + "/"), options);
        std::string error;
        ASSERT_TRUE(server->Listen(&error)) << error;
        serverThread = std::thread([this] { server->Run(); });
    }

    void OpenWindow(bool blePresent = false, std::unique_ptr<ApplyClock> clock = nullptr)
    {
        // The desktop has a tray: pulling the mouse hides the window into it.
        CTrayIcon::SetDesktopTrayForTesting(true);
        window = std::make_unique<CMainWnd>();
        window->SetHookLibraryFile(programFolder.string() + "/no-such-libHook.so");
        CMS_1_Page& page = window->Page();
        page.SetFolders(programFolder.string() + "/", folder.Data());
        page.SetApplyClock(clock ? std::move(clock) : std::make_unique<InstantClock>());
        page.LinkSection().SetBlePresenceProbe([blePresent] { return blePresent; });
        page.SetGattBus(&gattBus);
        ASSERT_NE(window->Create(nullptr, QString(), MAIN_WINDOW_STYLE, 0, 0, 0, 800, 572), 0u);
        window->GetWidget()->installEventFilter(&applyRequests);
        QCoreApplication::processEvents();
    }

    std::vector<std::string> Tell(const std::string& request)
    {
        const int fd = vmouse::ConnectTo(vmouse::SocketName(programFolder.string() + "/"));
        EXPECT_GE(fd, 0);
        vmouse::LineReader reader(fd);
        std::vector<std::string> data;
        std::string error;
        EXPECT_TRUE(vmouse::Exchange(fd, reader, request, data, &error)) << request << error;
        ::close(fd);
        return data;
    }

    CMS_1_Page& Page() { return window->Page(); }
    const LinkState& Links() { return Page().Links(); }
    CControlUI* Control(const char* name)
    {
        return window->GetPaintManager().FindControl(QString::fromLatin1(name));
    }
    bool Visible(const char* name) { return Control(name) && Control(name)->IsVisible(); }
    QString PowerText() { return Control("ms_1_label_power")->GetText(); }
    int Ring() { return dynamic_cast<CProgressUI*>(Control("ms_1_progress_power"))->GetValue(); }
    bool Timer(uintptr_t id) { return window->IsTimerActive(id); }
    // The main window's timer expiry, without waiting for it.
    void Expire(uintptr_t id)
    {
        window->SendMessage(WM_TIMER, id, 0);
        QCoreApplication::processEvents();
    }
    void State(uint32_t message, uintptr_t wParam)
    {
        window->SendMessage(message, wParam, 0);
        QCoreApplication::processEvents();
    }
    void Event(uint32_t message, uint16_t code, uint16_t value)
    {
        window->SendMessage(message, code, value);
        QCoreApplication::processEvents();
    }
    // The current profile as pro.data holds it, or nothing when it holds none.
    std::unique_ptr<ProfileRecord> StoredCurrent()
    {
        ProfileList saved;
        auto header = std::make_unique<ProfileStoreHeader>();
        LoadProfileStore(folder.Data(), saved, *header, u"Profile");
        if (saved.empty())
            return nullptr;
        return std::make_unique<ProfileRecord>(*saved[std::size_t(header->currentIndex)]);
    }
    // Waits for what the mouse changed to be saved (off the UI thread) and tells whether
    // pro.data then satisfies `holds`.
    bool StoredSoon(const std::function<bool(const ProfileRecord&)>& holds)
    {
        if (Timer(TIMER_STORE_MOUSE_CHANGES))
            Expire(TIMER_STORE_MOUSE_CHANGES);
        return test::WaitFor([&] {
            const auto stored = StoredCurrent();
            return stored && holds(*stored);
        });
    }
    QString Charging()
    {
        return CResourceManager::GetInstance()->GetText(QStringLiteral("charging_text"));
    }

    test::TempFolder folder;
    fs::path programFolder;
    std::unique_ptr<vmouse::VirtualMouseServer> server;
    std::thread serverThread;
    test::FakeGattBus gattBus; // outlives the window, whose page writes through it
    std::unique_ptr<CMainWnd> window;
    MessageSpy applyRequests{WM_APPLY_REQUEST};
};

} // namespace kestrin
