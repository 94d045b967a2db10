#include "app/MainWnd.h"

#include "app/DPIMsg.h"
#include "app/ProgramIcon.h"
#include "base/Folders.h"
#include "base/KeyLayout.h"
#include "base/Messages.h"
#include "keyboard/KeyboardLayout.h"
#include "keys/KeyNames.h"
#include "platform/WindowRegistry.h"
#include "ui/Controls.h"
#include "ui/MenuWnd.h"
#include "ui/MsgWnd.h"
#include "ui/ResourceManager.h"

#include <QLabel>

namespace kestrin {

bool IsBleMouseInterface(const std::string& interfaceName)
{
    return interfaceName.find("VID&02045e") != std::string::npos &&
        interfaceName.find("PID&0040") != std::string::npos;
}

MenuRoute RouteMenuCommand(const QString& itemName)
{
    if (itemName.compare(QLatin1String("configuration"), Qt::CaseInsensitive) == 0)
        return MenuRoute::ShowWindow;
    if (itemName.compare(QLatin1String("exit"), Qt::CaseInsensitive) == 0)
        return MenuRoute::Exit;
    if (itemName.startsWith(QLatin1String("ms_1"), Qt::CaseSensitive))
        return MenuRoute::DevicePage;
    return MenuRoute::Ignore;
}

CMainWnd::CMainWnd()
    : hookLibraryFile_(GetProgramFolder() + HOOK_LIBRARY_FILE),
      page_(std::make_unique<CMS_1_Page>())
{
}

CMainWnd::~CMainWnd()
{
    RemoveVirtualWnd(QStringLiteral("MS_1_Page"));
    page_.reset();
    trayIcon_.DeleteTrayIcon();
    trayMenu_.reset();
    if (hookLibrary_)
        UnloadHookLibrary(hookLibrary_, hookTable_);
}

CDPIMsg* CMainWnd::DpiDisplay() const
{
    // The display frees itself; trust the pointer only while its window lives.
    return dpiDisplay_ && CWindowWnd::FromHandle(dpiDisplayHandle_) == dpiDisplay_ ? dpiDisplay_
                                                                                   : nullptr;
}

void CMainWnd::OnLayoutLoaded()
{
    AddVirtualWnd(QStringLiteral("MS_1_Page"), page_.get());
    page_->SetMainWindow(GetHWND(), &paintManager_, &hookTable_);
    if (!page_->HasGattBus()) {
        gatt_ = std::make_unique<BluezGatt>();
        // BlueZ's word that the mouse became usable or went is this window's device notice.
        gatt_->SetNoticeHandler([this](bool arrived, const std::string& name) {
            DeviceInterfaceNotice notice{DBT_DEVTYP_DEVICEINTERFACE, name};
            OnDeviceChange(arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                reinterpret_cast<intptr_t>(&notice));
        });
        page_->SetGattBus(gatt_.get());
    }
    page_->Init();

    const QIcon icon = LoadProgramIcon();
    SetIcon(icon);
    if (CControlUI* logo = paintManager_.FindControl(QStringLiteral("logo"))) {
        if (auto* label = qobject_cast<QLabel*>(logo->GetWidget()))
            label->setPixmap(icon.pixmap(label->size(), label->devicePixelRatio()));
    }

    CResourceManager* resources = CResourceManager::GetInstance();
    resources->LoadLanguage(QStringLiteral("lan.xml"));
    // Key names come from the same language file, read in the desktop's keyboard layout.
    SetKeyTextLookup([resources](std::u16string_view id) {
        return resources
            ->GetText(QStringView(id.data(), static_cast<qsizetype>(id.size())).toString())
            .toStdU16String();
    });
    SetCurrentKeyLayout(OpenDesktopKeyLayout());
    const QString mouseName = resources->GetText(QStringLiteral("mouse_name_text"));
    trayIcon_.CreateTrayIcon(GetHWND(), icon, mouseName, WM_TRAY_NOTIFY);

    // "skin_btn", "main_menu_btn" and "apply_progress" are part of the layout without behaviour.
    minButton_ = paintManager_.FindControl(QStringLiteral("min_btn"));
    exitButton_ = paintManager_.FindControl(QStringLiteral("exit_btn"));
    deviceTabs_ = paintManager_.FindControl<CTabLayoutUI>(QStringLiteral("device_tab_switch"));

    SetWindowText(mouseName);
    LoadHooks();
    page_->LoadProfilesAtStartup();
}

void CMainWnd::LoadHooks() { hookLibrary_ = LoadHookLibrary(hookLibraryFile_, hookTable_); }

void CMainWnd::Notify(TNotifyUI& msg)
{
    if (!msg.sVirtualWnd.isEmpty()) {
        WindowImplBase::Notify(msg);
        return;
    }
    if (msg.sType == DUI_MSGTYPE_CLICK)
        OnClick(msg);
}

void CMainWnd::OnClick(TNotifyUI& msg)
{
    if (!msg.pSender)
        return;
    if (msg.pSender == exitButton_)
        ShowWindow(false, true);
    else if (msg.pSender == minButton_)
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void CMainWnd::ShowMainWindow()
{
    ShowWindow(true, true);
    if (IsMinimized())
        SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    SetForegroundWindow();
}

void CMainWnd::ShowNoDeviceMessage()
{
    if (noDeviceBoxOpen_)
        return;
    noDeviceBoxOpen_ = true;
    CMsgWnd::Ask(this, QStringLiteral("no_device_text"));
    noDeviceBoxOpen_ = false;
}

void CMainWnd::ShowOrExplain()
{
    if (devicePresent_)
        ShowMainWindow();
    else
        ShowNoDeviceMessage();
}

intptr_t CMainWnd::OnClose(uint32_t, uintptr_t, intptr_t, bool& handled)
{
    // Closing the window from the desktop does what "exit_btn" does: the program stays in the
    // tray, and only the tray's "exit" ends it.
    ShowWindow(false, true);
    handled = true;
    return 0;
}

intptr_t CMainWnd::OnDestroy(uint32_t, uintptr_t, intptr_t, bool& handled)
{
    CloseDpiDisplay();
    if (hookLibrary_) {
        if (hookTable_.removemousehook)
            hookTable_.removemousehook();
        if (hookTable_.removehook)
            hookTable_.removehook();
        UnloadHookLibrary(hookLibrary_, hookTable_);
        hookLibrary_ = nullptr;
    }
    // Left unhandled, so that HandleCustomMessage sees WM_DESTROY and posts the quit message.
    handled = false;
    return 0;
}

} // namespace kestrin
