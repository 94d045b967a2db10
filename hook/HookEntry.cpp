// The library's C entry points over one listener shared by the key and the mouse hook.
#include "hook/Hook.h"

#include "base/Messages.h"
#include "hook/X11Listener.h"

#include <atomic>
#include <dlfcn.h>
#include <memory>
#include <mutex>

namespace kestrin::hook {
namespace {

class Hook final {
public:
    // Runs at exit and when the library is unloaded: the thread must not outlive our code.
    ~Hook() { Remove(); }

    int Install(KestrinWindow window, bool keys, bool mouse)
    {
        if (window == 0)
            return 0;
        std::lock_guard guard(lock_);
        // Resolved now rather than at load time, so a program that exports it late still works.
        auto post = reinterpret_cast<KestrinPostMessageFn>(
            ::dlsym(RTLD_DEFAULT, KESTRIN_POST_MESSAGE_SYMBOL));
        if (!post)
            return 0;
        post_.store(post);
        target_.store(window);
        keys_.store(keys);
        mouse_.store(mouse);
        wheel_.store(false);
        if (listener_ && !listener_->Running())
            listener_.reset();
        if (!listener_)
            listener_ = X11Listener::Start([this](const InputEvent& event) { Deliver(event); });
        if (!listener_) {
            target_.store(0);
            return 0;
        }
        return 1;
    }

    void Remove()
    {
        std::lock_guard guard(lock_);
        target_.store(0);
        listener_.reset();
    }

    void EnableKeys(bool on) { keys_.store(on); }
    void EnableMouse(bool on) { mouse_.store(on); }
    void EnableWheel(bool on) { wheel_.store(on); }

private:
    // On the listener thread.
    void Deliver(const InputEvent& event)
    {
        bool wanted = false;
        switch (event.source) {
        case InputEvent::Source::Key:
            wanted = keys_.load();
            break;
        case InputEvent::Source::Button:
            wanted = mouse_.load();
            break;
        case InputEvent::Source::Wheel:
            wanted = mouse_.load() && wheel_.load();
            break;
        }
        const KestrinWindow window = target_.load();
        const KestrinPostMessageFn post = post_.load();
        if (wanted && window != 0 && post)
            post(window, WM_HOOK_EVENT, event.wParam, event.lParam);
    }

    std::mutex lock_;
    std::unique_ptr<X11Listener> listener_;
    std::atomic<KestrinWindow> target_{0};
    std::atomic<KestrinPostMessageFn> post_{nullptr};
    std::atomic<bool> keys_{false};
    std::atomic<bool> mouse_{false};
    std::atomic<bool> wheel_{false};
};

Hook theHook;

} // namespace
} // namespace kestrin::hook

using kestrin::hook::theHook;

extern "C" {

int installmousehook(KestrinWindow window) { return theHook.Install(window, false, true); }
void removemousehook(void) { theHook.Remove(); }
void enablemousehook(int enable) { theHook.EnableMouse(enable != 0); }
int installhook(KestrinWindow window) { return theHook.Install(window, true, false); }
void removehook(void) { theHook.Remove(); }
void enablehook(int enable) { theHook.EnableKeys(enable != 0); }
void mousewheelenable(int enable) { theHook.EnableWheel(enable != 0); }

} // extern "C"
