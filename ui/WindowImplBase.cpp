#include "ui/WindowImplBase.h"

#include "base/Messages.h"
#include "ui/DialogBuilder.h"

#include <QVBoxLayout>
#include <QWidget>

namespace kestrin {

WindowImplBase::~WindowImplBase() { paintManager_.RemoveNotifier(this); }

void WindowImplBase::OnCreate()
{
    QWidget* host = GetWidget();
    paintManager_.SetWindow(GetHWND());
    if (QWidget* root =
            CDialogBuilder::BuildWidget(GetSkinFile(), host, GetPartsBuiltWhenShown())) {
        auto* layout = new QVBoxLayout(host);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(root);
        // The layout's own size governs, whatever size the caller asked for.
        if (!root->size().isEmpty())
            host->resize(root->size());
        host->setProperty("caption", root->property("caption"));
        host->setProperty("resizable", root->property("resizable"));
        if (root->testAttribute(Qt::WA_TranslucentBackground))
            host->setAttribute(Qt::WA_TranslucentBackground);
        paintManager_.AttachLayout(root);
    }
    paintManager_.AddNotifier(this);
    OnLayoutLoaded();
}

void WindowImplBase::Notify(TNotifyUI& msg)
{
    if (!msg.sVirtualWnd.isEmpty() && FindVirtualWnd(msg.sVirtualWnd)) {
        NotifyPump(msg);
        return;
    }
    if (msg.sType == DUI_MSGTYPE_CLICK)
        OnClick(msg);
}

intptr_t WindowImplBase::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    bool handled = false;
    intptr_t result = 0;
    if (message == WM_CLOSE)
        result = OnClose(message, wParam, lParam, handled);
    else if (message == WM_DESTROY)
        result = OnDestroy(message, wParam, lParam, handled);
    if (handled)
        return result;
    result = HandleCustomMessage(message, wParam, lParam, handled);
    if (handled)
        return result;
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void WindowImplBase::OnFinalMessage()
{
    if (freeOnClose_)
        delete this;
}

} // namespace kestrin
