#include "page/MS_1_Page.h"

#include "app/platform/Messages.h"
#include "app/platform/WindowRegistry.h"
#include "app/ui/Controls.h"
#include "app/ui/PaintManager.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

namespace kestrin {

CMS_1_Page::CMS_1_Page() = default;

// Closing the device links (driver libraries, worker) belongs here once the page has them.
CMS_1_Page::~CMS_1_Page() = default;

void CMS_1_Page::SetMainWindow(
    KestrinWindow window, CPaintManagerUI* paintManager, HookTable* hooks)
{
    mainWindow_ = window;
    paintManager_ = paintManager;
    hooks_ = hooks;
}

void CMS_1_Page::Init()
{
    // No device link is open yet, so no mouse is reachable; the main window hides itself.
    PostWindowMessage(mainWindow_, WM_LINK_CHANGED, 0, 0);
}

void CMS_1_Page::LoadProfilesAtStartup() { }

void CMS_1_Page::SetBleConnected(int connected) { blePresent_ = connected ? 1 : 0; }

void CMS_1_Page::OnReceiverMessage(uint32_t) { }

void CMS_1_Page::OnCableMessage(uint32_t) { }

void CMS_1_Page::AssignFunction(const QString&) { }

void CMS_1_Page::OnReceiverWatchdog() { }

void CMS_1_Page::BleRegisterNotifications() { }

void CMS_1_Page::ScrollSettingsToEnd()
{
    if (!paintManager_)
        return;
    CControlUI* settings = paintManager_->FindControl(QStringLiteral("ms_1_ver_setting"));
    if (!settings)
        return;
    if (auto* area = qobject_cast<QAbstractScrollArea*>(settings->GetWidget()))
        area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
}

void CMS_1_Page::StepChargeAnimation()
{
    if (paintManager_) {
        if (auto* power =
                paintManager_->FindControl<CProgressUI>(QStringLiteral("ms_1_progress_power")))
            power->SetValue(chargeStep_);
    }
    chargeStep_ += 2;
    if (chargeStep_ > 100)
        chargeStep_ = 0;
}

bool CMS_1_Page::PostToWorker(uint32_t, uintptr_t, intptr_t) { return false; }

std::span<const CNotifyPump::NotifyMapEntry> CMS_1_Page::GetNotifyMap() const
{
    static const NotifyMapEntry map[] = {
        {&DUI_MSGTYPE_CLICK, MapHandler(&CMS_1_Page::OnClick)},
        {&DUI_MSGTYPE_SELECTCHANGED, MapHandler(&CMS_1_Page::OnSelectChanged)},
        {&DUI_MSGTYPE_ITEMSELECT, MapHandler(&CMS_1_Page::OnItemSelect)},
        {&DUI_MSGTYPE_CHECKCLICK, MapHandler(&CMS_1_Page::OnCheckClick)},
        {&DUI_MSGTYPE_KILLFOCUS, MapHandler(&CMS_1_Page::OnKillFocus)},
        {&DUI_MSGTYPE_TIMER, MapHandler(&CMS_1_Page::OnTimer)},
        {&DUI_MSGTYPE_VALUECHANGED, MapHandler(&CMS_1_Page::OnValueChanged)},
        {&DUI_MSGTYPE_MOUSEENTER, MapHandler(&CMS_1_Page::OnMouseEnter)},
        {&DUI_MSGTYPE_MOUSELEAVE, MapHandler(&CMS_1_Page::OnMouseLeave)},
        {&DUI_MSGTYPE_RETURN, MapHandler(&CMS_1_Page::OnKillFocus)},
        {&DUI_MSGTYPE_TEXTCHANGED, MapHandler(&CMS_1_Page::OnTextChanged)},
        {nullptr, nullptr},
    };
    return map;
}

// The handlers of the page's sections; each section adds its part.
void CMS_1_Page::OnClick(TNotifyUI&) { }
void CMS_1_Page::OnSelectChanged(TNotifyUI&) { }
void CMS_1_Page::OnItemSelect(TNotifyUI&) { }
void CMS_1_Page::OnCheckClick(TNotifyUI&) { }
void CMS_1_Page::OnKillFocus(TNotifyUI&) { }
void CMS_1_Page::OnTimer(TNotifyUI&) { }
void CMS_1_Page::OnValueChanged(TNotifyUI&) { }
void CMS_1_Page::OnMouseEnter(TNotifyUI&) { }
void CMS_1_Page::OnMouseLeave(TNotifyUI&) { }
void CMS_1_Page::OnTextChanged(TNotifyUI&) { }

} // namespace kestrin
