#pragma once

#include "ui/NotifyPump.h"
#include "ui/PaintManager.h"
#include "ui/WindowWnd.h"

namespace kestrin {

// A skinned window: its layout file is built into it on creation, its controls are found by
// name, their notifications reach Notify. Raw messages go to the handlers below in this order:
// the base's own (OnClose, OnDestroy), then HandleCustomMessage, each with a handled flag.
class WindowImplBase : public CWindowWnd, public CNotifyPump, public INotifyUI {
public:
    WindowImplBase() = default;
    ~WindowImplBase() override;

    CPaintManagerUI& GetPaintManager() { return paintManager_; }
    // By default: notifications of a virtual window go to it, clicks to OnClick.
    void Notify(TNotifyUI& msg) override;

    // A window marked so frees its own object once its window is gone.
    void SetFreeOnClose(bool free) { freeOnClose_ = free; }

protected:
    virtual QString GetSkinFile() const = 0;
    // The parts of the layout whose content is built when first seen (see BuildWidget and
    // CPaintManagerUI::BuildPart).
    virtual QStringList GetPartsBuiltWhenShown() const { return {}; }
    // Runs once the layout is built (also when the skin is missing: every lookup is then null).
    virtual void OnLayoutLoaded() { }
    virtual void OnClick(TNotifyUI&) { }
    virtual intptr_t OnClose(uint32_t, uintptr_t, intptr_t, bool& handled)
    {
        handled = false;
        return 0;
    }
    virtual intptr_t OnDestroy(uint32_t, uintptr_t, intptr_t, bool& handled)
    {
        handled = false;
        return 0;
    }
    virtual intptr_t HandleCustomMessage(uint32_t, uintptr_t, intptr_t, bool& handled)
    {
        handled = false;
        return 0;
    }

    void OnCreate() override;
    intptr_t HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void OnFinalMessage() override;

    CPaintManagerUI paintManager_;

private:
    bool freeOnClose_ = false;
};

} // namespace kestrin
