#pragma once

#include "base/MessagePost.h"

#include <QString>

#include <cstdint>

namespace kestrin {

class CControlUI;
class CPaintManagerUI;

// What the device page's sections reach of the main window: its controls by name, its timers
// by id and its message queue. Everything here runs on the UI thread; a missing control or
// window is left alone, so a skin without a control still runs.
class PageWindow final {
public:
    void Attach(KestrinWindow window, CPaintManagerUI* paintManager)
    {
        window_ = window;
        paintManager_ = paintManager;
    }

    KestrinWindow Handle() const { return window_; }
    CPaintManagerUI* PaintManager() const { return paintManager_; }
    // A control of a part not built yet is built with its part, unless a ShownOnly is held.
    CControlUI* Find(const QString& name) const;
    template <class T> T* Find(const QString& name) const { return dynamic_cast<T*>(Find(name)); }

    // While one is held, lookups of controls in parts not built yet find nothing: a refresh of
    // what stands touches only that, and a part built later is refreshed then.
    class ShownOnly {
    public:
        explicit ShownOnly(const PageWindow& window) : window_(window), was_(window.shownOnly_)
        {
            window_.shownOnly_ = true;
        }
        ~ShownOnly() { window_.shownOnly_ = was_; }
        ShownOnly(const ShownOnly&) = delete;
        ShownOnly& operator=(const ShownOnly&) = delete;

    private:
        const PageWindow& window_;
        bool was_;
    };
    void Show(const QString& name, bool visible) const;

    void SetTimer(uintptr_t id, int milliseconds) const;
    void KillTimer(uintptr_t id) const;
    bool IsTimerActive(uintptr_t id) const;
    void Post(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0) const;

private:
    KestrinWindow window_ = 0;
    CPaintManagerUI* paintManager_ = nullptr;
    mutable bool shownOnly_ = false;
};

} // namespace kestrin
