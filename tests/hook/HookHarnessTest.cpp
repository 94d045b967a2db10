// The hook library end to end on a live X server (run under xvfb-run): this executable plays the
// program, exporting the message post and loading libHook.so by path, and injects input with
// XTest.
#include "hook/Hook.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>
// The XKB header names a member after a C++ keyword.
#define explicit xcb_explicit
#include <xcb/xkb.h>
#undef explicit

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <dirent.h>
#include <dlfcn.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Posted {
    KestrinWindow window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    bool operator==(const Posted&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Posted& p)
{
    return out << "{window " << p.window << ", message " << p.message << ", 0x" << std::hex
               << p.wParam << std::dec << ", " << p.lParam << "}";
}

std::mutex postedLock;
std::condition_variable postedSignal;
std::deque<Posted> posted;

} // namespace

extern "C" int KestrinPostMessage(
    KestrinWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    {
        std::lock_guard guard(postedLock);
        posted.push_back({window, message, wParam, lParam});
    }
    postedSignal.notify_all();
    return 1;
}

namespace {

template <typename T> struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter<T>>;

constexpr uint32_t kHookEvent = 1034;
constexpr KestrinWindow kWindow = 7;

// X keycodes (evdev + 8).
constexpr uint8_t kKeyA = 38, kKeyB = 56, kKeyC = 54, kKeyD = 40, kKeyQ = 24, kKey1 = 10;
constexpr uint8_t kShiftR = 62, kKpEnter = 104, kKp1 = 87, kF5 = 71, kLeft = 113;

int ThreadCount()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/task")) {
        while (dirent* entry = ::readdir(dir))
            count += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    return count;
}

class HookLibrary {
public:
    HookLibrary() : handle_(::dlopen(KESTRIN_HOOK_LIBRARY, RTLD_NOW | RTLD_LOCAL))
    {
        if (!handle_)
            return;
        installmousehook = Get<KestrinInstallHookFn>("installmousehook");
        removemousehook = Get<KestrinRemoveHookFn>("removemousehook");
        enablemousehook = Get<KestrinEnableHookFn>("enablemousehook");
        installhook = Get<KestrinInstallHookFn>("installhook");
        removehook = Get<KestrinRemoveHookFn>("removehook");
        enablehook = Get<KestrinEnableHookFn>("enablehook");
        mousewheelenable = Get<KestrinEnableHookFn>("mousewheelenable");
    }
    ~HookLibrary() { Close(); }
    void Close()
    {
        if (handle_)
            ::dlclose(handle_);
        handle_ = nullptr;
    }
    bool Loaded() const
    {
        return handle_ && installmousehook && removemousehook && enablemousehook && installhook &&
            removehook && enablehook && mousewheelenable;
    }

    KestrinInstallHookFn installmousehook = nullptr;
    KestrinRemoveHookFn removemousehook = nullptr;
    KestrinEnableHookFn enablemousehook = nullptr;
    KestrinInstallHookFn installhook = nullptr;
    KestrinRemoveHookFn removehook = nullptr;
    KestrinEnableHookFn enablehook = nullptr;
    KestrinEnableHookFn mousewheelenable = nullptr;

private:
    template <typename F> F Get(const char* name)
    {
        return reinterpret_cast<F>(::dlsym(handle_, name));
    }
    void* handle_;
};

class HookOnX11 : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
        x_ = xcb_connect(nullptr, nullptr);
        ASSERT_EQ(xcb_connection_has_error(x_), 0);
        ASSERT_EQ(std::system("setxkbmap -layout us"), 0);
        hook_ = std::make_unique<HookLibrary>();
        ASSERT_TRUE(hook_->Loaded()) << ::dlerror();
        std::lock_guard guard(postedLock);
        posted.clear();
    }
    void TearDown() override
    {
        if (hook_ && hook_->Loaded()) {
            hook_->removemousehook();
            hook_->removehook();
        }
        hook_.reset();
        if (x_)
            xcb_disconnect(x_);
    }

    void Fake(uint8_t type, uint8_t detail)
    {
        xcb_test_fake_input(x_, type, detail, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    // Press and release, and wait until the server has taken both.
    void Tap(uint8_t keycode)
    {
        Fake(XCB_KEY_PRESS, keycode);
        Fake(XCB_KEY_RELEASE, keycode);
        Sync();
    }
    void Click(uint8_t button)
    {
        Fake(XCB_BUTTON_PRESS, button);
        Fake(XCB_BUTTON_RELEASE, button);
        Sync();
    }
    void Sync() { std::free(xcb_get_input_focus_reply(x_, xcb_get_input_focus(x_), nullptr)); }

    // The next `count` posted messages, or fewer after 5 s.
    std::vector<Posted> Take(std::size_t count)
    {
        std::unique_lock guard(postedLock);
        postedSignal.wait_for(
            guard, std::chrono::seconds(5), [&] { return posted.size() >= count; });
        std::vector<Posted> taken;
        while (!posted.empty() && taken.size() < count) {
            taken.push_back(posted.front());
            posted.pop_front();
        }
        return taken;
    }
    static Posted KeyDown(uintptr_t vk, KestrinWindow w = kWindow)
    {
        return {w, kHookEvent, vk, 0};
    }
    static Posted KeyUp(uintptr_t vk, KestrinWindow w = kWindow) { return {w, kHookEvent, vk, 1}; }
    static Posted Mouse(uintptr_t message, intptr_t lParam)
    {
        return {kWindow, kHookEvent, message, lParam};
    }

    xcb_connection_t* x_ = nullptr;
    std::unique_ptr<HookLibrary> hook_;
};

TEST_F(HookOnX11, KeysArriveAsVirtualKeysPressThenRelease)
{
    ASSERT_EQ(hook_->installhook(kWindow), 1);
    hook_->enablehook(1);
    for (uint8_t key : {kKeyA, kShiftR, kKpEnter, kKp1, kF5, kLeft})
        Tap(key);
    const std::vector<Posted> expected{KeyDown(0x41), KeyUp(0x41), KeyDown(0xA1), KeyUp(0xA1),
        KeyDown(0x6C), KeyUp(0x6C), KeyDown(0x61), KeyUp(0x61), KeyDown(0x74), KeyUp(0x74),
        KeyDown(0x25), KeyUp(0x25)};
    EXPECT_EQ(Take(expected.size()), expected);
}

// The listener reads the flags when it handles an event, so each step waits for a message that
// came after the events it expects to be dropped before changing a flag again.
TEST_F(HookOnX11, ButtonsArriveOnlyWhileTheMouseHookIsEnabled)
{
    ASSERT_EQ(hook_->installhook(kWindow), 1);
    hook_->enablehook(1);
    Click(1); // installing leaves the mouse off
    Tap(kKeyB);
    EXPECT_EQ(Take(2), (std::vector{KeyDown(0x42), KeyUp(0x42)}));

    hook_->enablemousehook(1);
    for (uint8_t button : {1, 3, 2, 8, 9})
        Click(button);
    const std::vector<Posted> buttons{Mouse(0x201, 0), Mouse(0x202, 1), Mouse(0x204, 0),
        Mouse(0x205, 1), Mouse(0x207, 0), Mouse(0x208, 1), Mouse(0x20B, 1), Mouse(0x20C, 1),
        Mouse(0x20B, 2), Mouse(0x20C, 2)};
    EXPECT_EQ(Take(buttons.size()), buttons);

    hook_->enablemousehook(0);
    Click(1);
    Tap(kKeyC);
    EXPECT_EQ(Take(2), (std::vector{KeyDown(0x43), KeyUp(0x43)}));
}

TEST_F(HookOnX11, WheelNeedsBothTheMouseAndTheWheelFlag)
{
    ASSERT_EQ(hook_->installhook(kWindow), 1);
    hook_->enablehook(1);
    hook_->enablemousehook(1);
    Click(4);
    Tap(kKeyA);
    EXPECT_EQ(Take(2), (std::vector{KeyDown(0x41), KeyUp(0x41)}));

    hook_->mousewheelenable(1);
    hook_->enablemousehook(0);
    Click(5);
    Tap(kKeyB);
    EXPECT_EQ(Take(2), (std::vector{KeyDown(0x42), KeyUp(0x42)}));

    hook_->enablemousehook(1);
    Click(4);
    Click(5);
    EXPECT_EQ(Take(2), (std::vector{Mouse(0x20A, 120), Mouse(0x20A, -120)}));
}

TEST_F(HookOnX11, MouseHookAloneDeliversButtonsButNoKeys)
{
    ASSERT_EQ(hook_->installmousehook(kWindow), 1);
    Tap(kKeyA);
    Click(1);
    EXPECT_EQ(Take(2), (std::vector{Mouse(0x201, 0), Mouse(0x202, 1)}));
    hook_->enablehook(1);
    Tap(kKeyB);
    EXPECT_EQ(Take(2), (std::vector{KeyDown(0x42), KeyUp(0x42)}));
}

TEST_F(HookOnX11, NothingArrivesWhileDisabledOrAfterRemove)
{
    ASSERT_EQ(hook_->installhook(kWindow), 1);
    hook_->enablehook(0);
    hook_->enablemousehook(1);
    Tap(kKeyA);
    Click(1);
    EXPECT_EQ(Take(2), (std::vector{Mouse(0x201, 0), Mouse(0x202, 1)}));

    hook_->enablehook(1);
    Tap(kKeyB);
    EXPECT_EQ(Take(2), (std::vector{KeyDown(0x42), KeyUp(0x42)}));

    hook_->removehook();
    Tap(kKeyC);
    ASSERT_EQ(hook_->installhook(9), 1);
    Tap(kKeyD);
    EXPECT_EQ(Take(2), (std::vector{KeyDown(0x44, 9), KeyUp(0x44, 9)}));
}

TEST_F(HookOnX11, InstallingTwiceMovesTheOneHookToTheNewWindow)
{
    const int before = ThreadCount();
    ASSERT_EQ(hook_->installhook(kWindow), 1);
    EXPECT_EQ(ThreadCount(), before + 1);
    hook_->enablemousehook(1);
    ASSERT_EQ(hook_->installhook(9), 1);
    EXPECT_EQ(ThreadCount(), before + 1);
    Click(1); // the second install turned the mouse off again
    Tap(kKeyA);
    const std::vector<Posted> expected{KeyDown(0x41, 9), KeyUp(0x41, 9)};
    EXPECT_EQ(Take(expected.size()), expected);
    hook_->removehook();
    EXPECT_EQ(ThreadCount(), before);
}

TEST_F(HookOnX11, KeysFollowALayoutChangedWhileListening)
{
    ASSERT_EQ(hook_->installhook(kWindow), 1);
    ASSERT_EQ(std::system("setxkbmap -layout fr"), 0);
    Tap(kKeyQ); // types "a" on AZERTY
    Tap(kKey1); // "&" unshifted, still the digit key
    // Taken before the next change: the listener fetches a changed keymap when it reads the
    // change, and a listener running behind would already find the next one.
    EXPECT_EQ(Take(4), (std::vector{KeyDown(0x41), KeyUp(0x41), KeyDown(0x31), KeyUp(0x31)}));
    ASSERT_EQ(std::system("setxkbmap -layout us"), 0);
    Tap(kKeyQ);
    EXPECT_EQ(Take(2), (std::vector{KeyDown(0x51), KeyUp(0x51)}));
}

TEST_F(HookOnX11, KeysFollowTheActiveLayoutOfSeveral)
{
    ASSERT_EQ(std::system("setxkbmap -layout us,fr"), 0);
    Reply<xcb_xkb_use_extension_reply_t> xkb(
        xcb_xkb_use_extension_reply(x_, xcb_xkb_use_extension(x_, 1, 0), nullptr));
    ASSERT_TRUE(xkb && xkb->supported);
    // Installed after the keymap change, so that only the group switches below can tell.
    ASSERT_EQ(hook_->installhook(kWindow), 1);
    const auto lockGroup = [&](uint8_t group) {
        xcb_xkb_latch_lock_state(x_, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, group, 0, 0, 0);
        Sync();
    };
    lockGroup(1);
    Tap(kKeyQ);
    lockGroup(0);
    Tap(kKeyQ);
    const std::vector<Posted> expected{KeyDown(0x41), KeyUp(0x41), KeyDown(0x51), KeyUp(0x51)};
    EXPECT_EQ(Take(expected.size()), expected);
}

TEST_F(HookOnX11, RemovingWithoutInstallingAndUnloadingWhileListeningAreSafe)
{
    hook_->removehook();
    hook_->removemousehook();
    hook_->enablehook(1);
    EXPECT_EQ(hook_->installhook(0), 0); // no window, nothing to post to

    const int before = ThreadCount();
    ASSERT_EQ(hook_->installhook(kWindow), 1);
    Tap(kKeyA);
    ASSERT_EQ(Take(2).size(), 2u);
    hook_->Close(); // never removed: unloading must stop the thread
    EXPECT_EQ(::dlopen(KESTRIN_HOOK_LIBRARY, RTLD_NOW | RTLD_NOLOAD), nullptr);
    EXPECT_EQ(ThreadCount(), before);

    hook_ = std::make_unique<HookLibrary>();
    ASSERT_TRUE(hook_->Loaded());
    ASSERT_EQ(hook_->installhook(kWindow), 1);
    Tap(kKeyB);
    const std::vector<Posted> expected{KeyDown(0x42), KeyUp(0x42)};
    EXPECT_EQ(Take(expected.size()), expected);
}

TEST(HookWithoutX11, EveryCallIsHarmless)
{
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    ::setenv("DISPLAY", ":31999", 1); // no server there
    {
        HookLibrary hook;
        ASSERT_TRUE(hook.Loaded()) << ::dlerror();
        EXPECT_EQ(hook.installhook(kWindow), 0);
        EXPECT_EQ(hook.installmousehook(kWindow), 0);
        hook.enablehook(1);
        hook.enablemousehook(1);
        hook.mousewheelenable(1);
        hook.removemousehook();
        hook.removehook();
    }
    ::unsetenv("DISPLAY");
    {
        HookLibrary hook;
        ASSERT_TRUE(hook.Loaded());
        EXPECT_EQ(hook.installhook(kWindow), 0);
        hook.removehook();
    }
    if (display)
        ::setenv("DISPLAY", saved.c_str(), 1);
}

} // namespace
