#include "ui/PageWindow.h"

#include "platform/WindowRegistry.h"
#include "ui/Control.h"
#include "ui/PaintManager.h"
#include "ui/WindowWnd.h"

namespace kestrin {

CControlUI* PageWindow::Find(const QString& name) const
{
    if (!paintManager_)
        return nullptr;
    return shownOnly_ ? paintManager_->FindBuiltControl(name) : paintManager_->FindControl(name);
}

void PageWindow::Show(const QString& name, bool visible) const
{
    if (CControlUI* control = Find(name))
        control->SetVisible(visible);
}

void PageWindow::SetTimer(uintptr_t id, int milliseconds) const
{
    if (CWindowWnd* window = CWindowWnd::FromHandle(window_))
        window->SetTimer(id, milliseconds);
}

void PageWindow::KillTimer(uintptr_t id) const
{
    if (CWindowWnd* window = CWindowWnd::FromHandle(window_))
        window->KillTimer(id);
}

bool PageWindow::IsTimerActive(uintptr_t id) const
{
    const CWindowWnd* window = CWindowWnd::FromHandle(window_);
    return window && window->IsTimerActive(id);
}

void PageWindow::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) const
{
    PostWindowMessage(window_, message, wParam, lParam);
}

} // namespace kestrin
