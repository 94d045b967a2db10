#include "page/ShortcutWnd.h"

#include "base/Messages.h"
#include "base/Trace.h"
#include "keys/KeyNames.h"
#include "keys/KeyTable.h"
#include "page/OwnInput.h"
#include "ui/Controls.h"
#include "ui/ResourceManager.h"

#include <QWidget>

namespace kestrin {

CShortcutWnd::CShortcutWnd() = default;
CShortcutWnd::~CShortcutWnd() { StopCapture(); }

int CShortcutWnd::Run(CWindowWnd* parent)
{
    Create(parent, QStringLiteral("ShortcutWnd"), WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 0, 0,
        800, 800);
    CenterWindow();
    const int result = ShowModal();
    StopCapture();
    return result;
}

void CShortcutWnd::OnLayoutLoaded()
{
    SetWindowText(CResourceManager::GetInstance()->GetText(QStringLiteral("shortcut_title_text")));
    for (int n = 0; n < 4; ++n) {
        checks_[n] = dynamic_cast<CCheckBoxUI*>(
            paintManager_.FindControl(QStringLiteral("check_flag_%1").arg(n + 1)));
        if (checks_[n])
            checks_[n]->SetCheck(flags[n] != 0, false);
    }
    keyField_ = dynamic_cast<CEditUI*>(paintManager_.FindControl(QStringLiteral("edit_key")));
    if (keyField_)
        keyField_->SetText(QString::fromStdU16String(UsageName(keyCode)));
    // The modifiers first: a key field with the focus would take the Tab meant to leave it.
    if (checks_[0] && checks_[0]->GetWidget())
        checks_[0]->GetWidget()->setFocus();
}

void CShortcutWnd::Notify(TNotifyUI& msg)
{
    if (!msg.pSender)
        return;
    if (msg.sType == DUI_MSGTYPE_CLICK) {
        OnClick(msg);
        return;
    }
    if (msg.sType == DUI_MSGTYPE_CHECKCLICK) {
        for (int n = 0; n < 4; ++n)
            if (msg.pSender == checks_[n])
                flags[n] = checks_[n]->GetCheck() ? 1 : 0;
        return;
    }
    if (msg.pSender == keyField_ && msg.sType == DUI_MSGTYPE_SETFOCUS)
        StartCapture();
    else if (msg.pSender == keyField_ && msg.sType == DUI_MSGTYPE_KILLFOCUS)
        StopCapture();
}

void CShortcutWnd::OnClick(TNotifyUI& msg)
{
    const QString name = msg.pSender->GetName();
    if (name == QLatin1String("btn_ok"))
        Close(1);
    else if (name == QLatin1String("btn_cancel") || name == QLatin1String("btn_exit"))
        Close(0);
}

void CShortcutWnd::StartCapture()
{
    if (hookCapturing_ || ownKeys_)
        return;
    chord_.Reset();
    if (hooks.Install(GetHWND())) {
        hooks.EnableKeys(true);
        hookCapturing_ = true;
        return;
    }
    // The hook cannot listen here: the field's own key events stand in.
    if (!keyField_ || !keyField_->GetWidget())
        return;
    OwnInput input;
    input.window = GetWidget();
    input.keysOf = keyField_->GetWidget();
    input.take = [this](uint32_t virtualKey, uint32_t up) { TakeKey(int(virtualKey), up != 0); };
    ownKeys_ = MakeOwnInputListener(std::move(input));
}

void CShortcutWnd::StopCapture()
{
    if (hookCapturing_) {
        hooks.Remove();
        hooks.EnableKeys(false);
        hookCapturing_ = false;
    }
    // Removed with the filter object; the field may already be gone.
    ownKeys_.reset();
}

void CShortcutWnd::TakeKey(int virtualKey, bool release)
{
    unsigned usage = 0;
    VirtualKeyToUsage(virtualKey, usage);
    Trace("iUsageID=%d\n", int(usage));
    chord_.Take(static_cast<uint8_t>(usage), release, flags, keyCode);
    for (std::size_t n = 0; n < checks_.size(); ++n)
        if (checks_[n])
            checks_[n]->SetCheck(flags[n] != 0, false);
    if (keyField_)
        keyField_->SetText(QString::fromStdU16String(UsageName(keyCode)));
}

intptr_t CShortcutWnd::HandleCustomMessage(
    uint32_t message, uintptr_t wParam, intptr_t lParam, bool&)
{
    if (message == WM_DESTROY) {
        StopCapture();
    } else if (message == WM_HOOK_EVENT && hookCapturing_) {
        Trace("%x,%x\n", unsigned(wParam), unsigned(lParam));
        TakeKey(static_cast<int>(wParam), lParam != 0);
    }
    return 0;
}

} // namespace kestrin
