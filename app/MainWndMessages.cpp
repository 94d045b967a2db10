// The main window's message and timer tables: everything asynchronous passes through here.
#include "app/DPIMsg.h"
#include "app/MainWnd.h"
#include "base/Messages.h"
#include "base/Trace.h"
#include "platform/ModalLoops.h"
#include "platform/WindowRegistry.h"
#include "profiles/ProfileRanges.h"
#include "ui/Controls.h"
#include "ui/MenuWnd.h"

#include <QCursor>
#include <QTimer>

namespace kestrin {

intptr_t CMainWnd::HandleCustomMessage(
    uint32_t message, uintptr_t wParam, intptr_t lParam, bool& handled)
{
    const intptr_t result = DispatchMessage(message, wParam, lParam, handled);
    // Whatever the tray's tooltip tells (links, battery, DPI) changes through these messages and
    // timers (a link settling, the receiver's watchdog); the charging animation's ticks change
    // none of it.
    const bool mayChangeStatus =
        message == WM_TIMER ? wParam != TIMER_CHARGE_ANIMATION : handled && message != WM_DESTROY;
    if (mayChangeStatus && IsWindow())
        RefreshTrayToolTip();
    return result;
}

intptr_t CMainWnd::DispatchMessage(
    uint32_t message, uintptr_t wParam, intptr_t lParam, bool& handled)
{
    handled = true;
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        handled = false;
        return 0;
    case WM_DEVICECHANGE:
        OnDeviceChange(wParam, lParam);
        return 1;
    case WM_TRAY_NOTIFY:
        OnTrayNotify(lParam);
        return 0;
    case WM_MENU_COMMAND:
        OnMenuCommand(wParam);
        return 0;
    case WM_HOOK_EVENT:
    case WM_IGNORED_1542:
    case WM_IGNORED_5121:
        return 0;
    case WM_SHOW_INSTANCE:
        ShowOrExplain();
        return 0;
    case WM_SHOWWINDOW:
        page_->SetWindowSeen(wParam != 0);
        return 0;
    case WM_LINK_CHANGED:
        OnLinkChanged();
        return 0;
    case WM_SHOW_DPI:
        ShowDpi(lParam);
        return 0;
    case WM_RECEIVER_EVENT:
        page_->OnReceiverMessage(LinkEventMessage(wParam, lParam));
        return 0;
    case WM_CABLE_EVENT:
        page_->OnCableMessage(LinkEventMessage(wParam, lParam));
        return 0;
    case WM_RECEIVER_STATE:
    case WM_CABLE_STATE:
        if (message == WM_RECEIVER_STATE)
            page_->OnReceiverMessage(LinkStateMessage(wParam));
        else
            page_->OnCableMessage(LinkStateMessage(wParam));
        return 0;
    case WM_APPLY_REQUEST:
        page_->PostToWorker(WM_APPLY_THREAD, wParam, lParam);
        return 0;
    case WM_APPLY_BARRIER:
        page_->PassApplyBarrier();
        return 0;
    default:
        handled = false;
        return 0;
    }
}

void CMainWnd::OnTimer(uintptr_t id)
{
    switch (id) {
    case TIMER_DPI_OSD:
        KillTimer(id);
        CloseDpiDisplay();
        break;
    case TIMER_RECEIVER_WATCHDOG:
        KillTimer(id);
        page_->OnReceiverWatchdog();
        break;
    case TIMER_APPLY_DEBOUNCE:
        KillTimer(id);
        PostMessage(WM_APPLY_REQUEST, 0, 0);
        page_->EditsSent();
        break;
    case TIMER_SCROLL_SETTINGS:
        KillTimer(id);
        page_->ScrollSettingsToEnd();
        break;
    case TIMER_CHARGE_ANIMATION:
        page_->StepChargeAnimation();
        break;
    case TIMER_BLE_REGISTER:
        KillTimer(id);
        page_->BleRegisterNotifications();
        break;
    case TIMER_CABLE_ARRIVAL:
        KillTimer(id);
        page_->OnCableArrivalSettled();
        break;
    case TIMER_RECEIVER_ARRIVAL:
        KillTimer(id);
        page_->OnReceiverArrivalSettled();
        break;
    case TIMER_STORE_MOUSE_CHANGES:
        KillTimer(id);
        page_->StoreMouseChanges();
        break;
    default:
        break;
    }
}

void CMainWnd::OnTrayNotify(intptr_t mouseMessage)
{
    if (mouseMessage == WM_LBUTTONUP)
        ShowOrExplain();
    else if (mouseMessage == WM_RBUTTONUP)
        ShowTrayMenu();
}

void CMainWnd::ShowTrayMenu()
{
    trayMenu_.reset();
    trayMenu_ = std::make_unique<CMenuWnd>();
    const QPoint cursor = QCursor::pos();
    trayMenu_->Init(nullptr, QLatin1String(kTrayMenuLayout), QPoint(cursor.x(), cursor.y() - 50),
        &paintManager_, nullptr, eMenuAlignment_Left | eMenuAlignment_Top);
    trayMenu_->ResizeMenu();
}

void CMainWnd::OnMenuCommand(uintptr_t commandRecord)
{
    if (commandRecord == 0)
        return;
    auto* record = reinterpret_cast<MenuCmd*>(commandRecord);
    const QString name = record->szName;
    CPaintManagerUI::DeletePtr(record);

    switch (RouteMenuCommand(name)) {
    case MenuRoute::ShowWindow:
        ShowOrExplain();
        break;
    case MenuRoute::Exit:
        Exit();
        break;
    case MenuRoute::About:
        // Owned by the window only while it shows: a modal of a hidden owner may never map.
        CAboutWnd::Show(IsVisible() ? this : nullptr, GatherAboutFacts());
        break;
    case MenuRoute::Autostart:
        ToggleAutostart();
        break;
    case MenuRoute::DevicePage:
        page_->AssignFunction(name);
        break;
    case MenuRoute::Ignore:
        break;
    }
}

void CMainWnd::Exit()
{
    // Destroying the window under a modal loop (the tray works while a message box is up) would
    // free the page under the code that opened the loop: end the loops, leave when they are gone.
    if (InModalLoop()) {
        EndModalLoops();
        QTimer::singleShot(0, GetWidget(), [this] { Exit(); });
        return;
    }
    if (!page_->SaveBeforeExit())
        return;
    DestroyWindow();
    AllowModalLoops();
}

void CMainWnd::OnLinkChanged()
{
    devicePresent_ = page_->AnyLinkConnected();
    if (devicePresent_) {
        if (deviceTabs_)
            deviceTabs_->SelectItem(0);
        return;
    }
    if (!CTrayIcon::DesktopHasTray()) {
        // The window is the program's only face: it stays, and says what is missing.
        ShowNoMousePage();
        return;
    }
    if (deviceTabs_)
        deviceTabs_->SelectItem(-1);
    ShowWindow(false, true);
}

void CMainWnd::ShowDpi(intptr_t dpiUnits)
{
    ShowOnScreen(QStringLiteral("DPI :") + QString::number(DpiOfUnits(dpiUnits)));
}

void CMainWnd::ShowOnScreen(const QString& text)
{
    KillTimer(TIMER_DPI_OSD);
    SetTimer(TIMER_DPI_OSD, DPI_OSD_MS);
    if (CDPIMsg* display = DpiDisplay()) {
        display->SetText(text);
        return;
    }
    auto* display = new CDPIMsg;
    display->SetText(text);
    display->SetFreeOnClose(true);
    dpiDisplay_ = display;
    dpiDisplayHandle_ = display->Create(
        this, QString(), WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, 0, 0, 800, 800);
}

void CMainWnd::CloseDpiDisplay()
{
    if (CDPIMsg* display = DpiDisplay())
        display->Close(0);
    dpiDisplay_ = nullptr;
    dpiDisplayHandle_ = 0;
}

void CMainWnd::OnDeviceChange(uintptr_t event, intptr_t header)
{
    if (event == DBT_DEVNODES_CHANGED) {
        Trace("device nodes changed\n");
        return;
    }
    const auto* notice = reinterpret_cast<const DeviceInterfaceNotice*>(header);
    if (!notice || notice->deviceType != DBT_DEVTYP_DEVICEINTERFACE)
        return;
    if (!IsBleMouseInterface(notice->name))
        return;
    if (event == DBT_DEVICEARRIVAL && page_->BlePresent() == 0)
        page_->SetBleConnected(1);
    else if (event == DBT_DEVICEREMOVECOMPLETE)
        page_->SetBleConnected(0);
}

} // namespace kestrin
