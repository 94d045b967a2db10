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
    CControlUI* Find(const QString& name) const;
    template <class T> T* Find(const QString& name) const { return dynamic_cast<T*>(Find(name)); }
    void Show(const QString& name, bool visible) const;

    void SetTimer(uintptr_t id, int milliseconds) const;
    void KillTimer(uintptr_t id) const;
    bool IsTimerActive(uintptr_t id) const;
    void Post(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0) const;

private:
    KestrinWindow window_ = 0;
    CPaintManagerUI* paintManager_ = nullptr;
};

} // namespace kestrin
