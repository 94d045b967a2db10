#include "app/MainWnd.h"

#include "app/DPIMsg.h"
#include "app/ProgramIcon.h"
#include "base/Autostart.h"
#include "base/DriverApi.h"
#include "base/Folders.h"
#include "base/KeyLayout.h"
#include "base/Messages.h"
#include "base/Trace.h"
#include "keyboard/KeyboardLayout.h"
#include "keys/KeyNames.h"
#include "page/ProfileAutoSwitch.h"
#include "platform/ActiveWindow.h"
#include "platform/DesktopNotifications.h"
#include "platform/HidrawAccess.h"
#include "platform/WindowRegistry.h"
#include "ui/Controls.h"
#include "ui/MenuWnd.h"
#include "ui/MsgWnd.h"
#include "ui/ResourceManager.h"

#include <QLabel>
#include <QMenu>
#include <QStackedWidget>
#include <QTimer>
#include <QtGlobal>

namespace kestrin {
namespace {

QString Text(const char* id) { return CResourceManager::GetInstance()->GetText(QLatin1String(id)); }

QString UsbIds(uint16_t vendor, uint16_t product)
{
    return QStringLiteral("%1:%2")
        .arg(vendor, 4, 16, QLatin1Char('0'))
        .arg(product, 4, 16, QLatin1Char('0'));
}

bool MouseNodeDenied()
{
    return HidrawNodeDenied({{KESTRIN_CABLE_VENDOR_ID, KESTRIN_CABLE_PRODUCT_ID},
        {KESTRIN_RECEIVER_VENDOR_ID, KESTRIN_RECEIVER_PRODUCT_ID}});
}

} // namespace

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
    if (itemName.compare(QLatin1String("about"), Qt::CaseInsensitive) == 0)
        return MenuRoute::About;
    if (itemName.compare(QLatin1String("autostart"), Qt::CaseInsensitive) == 0)
        return MenuRoute::Autostart;
    if (itemName.startsWith(QLatin1String("ms_1"), Qt::CaseSensitive))
        return MenuRoute::DevicePage;
    return MenuRoute::Ignore;
}

QString TrayToolTip(const CMS_1_Page::Status& status, const std::string& ruleProgram)
{
    QString tip = Text("mouse_name_text");
    QStringList links;
    if (status.cable)
        links << Text("wired_tip");
    if (status.receiver)
        links << Text("wireless_tip");
    if (status.ble)
        links << Text("ble_tip");
    if (links.isEmpty())
        return tip + QLatin1Char('\n') + Text("no_mouse_title_text");
    tip += QLatin1Char('\n') + links.join(QStringLiteral(", "));
    QStringList details;
    if (status.charging)
        details << Text("charging_text");
    else if (status.battery)
        details << Text("tray_battery_text").arg(*status.battery);
    const QString profile = QString::fromStdU16String(status.profile);
    if (!ruleProgram.empty())
        details << Text("tray_profile_rule_text").arg(profile, QString::fromStdString(ruleProgram));
    else if (!profile.isEmpty())
        details << profile;
    if (status.dpi > 0)
        details << Text("tray_dpi_text").arg(status.dpi);
    if (!details.isEmpty())
        tip += QLatin1Char('\n') + details.join(QStringLiteral(" · "));
    return tip;
}

CMainWnd::CMainWnd()
    : deniedMouseProbe_(MouseNodeDenied), hookLibraryFile_(GetProgramFolder() + HOOK_LIBRARY_FILE),
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
    page_->SetStatusListener([this] { RefreshTrayToolTip(); });
    page_->SetLowBatteryHandler(
        [this](int level, int percent) { WarnOfLowBattery(level, percent); });
    page_->Init();

    const QIcon icon = LoadProgramIcon();
    programIcon_ = icon;
    SetIcon(icon);
    if (CControlUI* logo = paintManager_.FindControl(QStringLiteral("logo"))) {
        if (auto* label = qobject_cast<QLabel*>(logo->GetWidget()))
            label->setPixmap(icon.pixmap(label->size(), label->devicePixelRatio()));
    }

    CResourceManager* resources = CResourceManager::GetInstance();
    resources->LoadLanguageOnce(QStringLiteral("lan.xml"));
    // Key names come from the same language file, read in the desktop's keyboard layout.
    SetKeyTextLookup([resources](std::u16string_view id) {
        return resources
            ->GetText(QStringView(id.data(), static_cast<qsizetype>(id.size())).toString())
            .toStdU16String();
    });
    SetCurrentKeyLayout(OpenDesktopKeyLayout());
    const QString mouseName = resources->GetText(QStringLiteral("mouse_name_text"));
    trayIcon_.CreateTrayIcon(GetHWND(), icon, mouseName, WM_TRAY_NOTIFY,
        BuildPanelMenu(QLatin1String(kTrayMenuLayout), GetHWND()));

    // "skin_btn" and "apply_progress" are part of the layout without behaviour.
    minButton_ = paintManager_.FindControl(QStringLiteral("min_btn"));
    exitButton_ = paintManager_.FindControl(QStringLiteral("exit_btn"));
    menuButton_ = paintManager_.FindControl(QStringLiteral("main_menu_btn"));
    deviceTabs_ = paintManager_.FindControl<CTabLayoutUI>(QStringLiteral("device_tab_switch"));

    SetWindowText(mouseName);
    LoadHooks();
    page_->LoadProfilesAtStartup();
    RefreshTrayToolTip();
    // Not on the way to the window's first showing: a connection of its own and its questions
    // to the X server wait until the start is over.
    QTimer::singleShot(0, GetWidget(), [this] { StartAutoSwitch(); });
}

void CMainWnd::StartAutoSwitch()
{
    std::string why;
    auto watch = ActiveWindowWatch::Open(
        [this](const SessionWindow& window) {
            if (ProfileAutoSwitch* autoSwitch = page_->AutoSwitcher())
                autoSwitch->FocusChanged(window);
        },
        &why);
    if (!watch)
        Trace("no profile follows the program in front: %s\n", why.c_str());
    page_->StartAutoSwitch(
        std::move(watch), [this](const std::string& profile, const std::string&) {
            RefreshTrayToolTip();
            // Seen over a game as the DPI is: the switch is never a surprise.
            ShowOnScreen(Text("osd_profile_text").arg(QString::fromStdString(profile)));
        });
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
        CloseOrHide();
    else if (msg.pSender == minButton_)
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    else if (msg.pSender == menuButton_)
        ShowWindowMenu();
}

void CMainWnd::CloseOrHide()
{
    if (CTrayIcon::DesktopHasTray())
        ShowWindow(false, true);
    else
        Exit();
}

void CMainWnd::ShowNoMousePage()
{
    if (exitButton_ && exitButton_->GetWidget()) {
        exitButton_->GetWidget()->setToolTip(
            Text(CTrayIcon::DesktopHasTray() ? "exit_btn_tip" : "exit_btn_quit_tip"));
    }
    if (!deviceTabs_)
        return;
    const auto* stack = qobject_cast<QStackedWidget*>(deviceTabs_->GetWidget());
    CControlUI* page = paintManager_.FindControl(QStringLiteral("no_mouse_page"));
    if (!stack || !page)
        return;
    deviceTabs_->SelectItem(stack->indexOf(page->GetWidget()));
    // Asked afresh each time: the rule may have been installed meanwhile.
    if (CControlUI* hint = paintManager_.FindControl(QStringLiteral("no_mouse_udev")))
        hint->SetVisible(deniedMouseProbe_ && deniedMouseProbe_());
}

void CMainWnd::ShowWindowMenu()
{
    QWidget* button = menuButton_ ? menuButton_->GetWidget() : nullptr;
    if (!button)
        return;
    windowMenu_.reset();
    windowMenu_ = std::make_unique<CMenuWnd>();
    windowMenu_->Init(nullptr, QStringLiteral("mainmenu.xml"),
        button->mapToGlobal(QPoint(button->width() - 1, button->height())), &paintManager_, nullptr,
        eMenuAlignment_Right | eMenuAlignment_Top);
    // Read afresh each time: kestrinctl or the desktop's session settings may have changed it.
    windowMenu_->SetItemChecked(QStringLiteral("autostart"), AutostartEnabled(AutostartFile()));
    windowMenu_->ResizeMenu();
}

void CMainWnd::ToggleAutostart()
{
    const std::string file = AutostartFile();
    const SaveResult result =
        AutostartEnabled(file) ? DisableAutostart(file) : EnableAutostart(file, GetProgramFolder());
    if (result)
        return;
    Trace("autostart: %s\n", result.error.c_str());
    CMsgWnd::Ask(IsVisible() ? this : nullptr, QStringLiteral("autostart_failed_text"));
}

AboutFacts CMainWnd::GatherAboutFacts()
{
    AboutFacts facts;
    facts.version = QStringLiteral(KESTRIN_VERSION);
    facts.qtVersion = QString::fromLatin1(qVersion());
    const CMS_1_Page::Status status = page_->CurrentStatus();
    QStringList links;
    if (status.cable)
        links << Text("wired_tip") + QStringLiteral(" (USB ") +
                UsbIds(KESTRIN_CABLE_VENDOR_ID, KESTRIN_CABLE_PRODUCT_ID) + QLatin1Char(')');
    if (status.receiver)
        links << Text("wireless_tip") + QStringLiteral(" (USB ") +
                UsbIds(KESTRIN_RECEIVER_VENDOR_ID, KESTRIN_RECEIVER_PRODUCT_ID) + QLatin1Char(')');
    if (status.ble)
        links << Text("ble_tip") + QStringLiteral(" (") + UsbIds(kBleVendorId, kBleProductId) +
                QLatin1Char(')');
    facts.mouse = links.isEmpty() ? Text("about_no_mouse_text") : links.join(QStringLiteral(", "));
    facts.dataFolder = QString::fromStdString(page_->DataFolder());
    return facts;
}

void CMainWnd::RefreshTrayToolTip()
{
    const ProfileAutoSwitch* autoSwitch = page_->AutoSwitcher();
    const QString tip =
        TrayToolTip(page_->CurrentStatus(), autoSwitch ? autoSwitch->RuleProgram() : std::string());
    if (tip != trayIcon_.GetToolTipText())
        trayIcon_.SetToolTipText(tip);
    if (page_->BatteryLow() != trayBadged_) {
        trayBadged_ = !trayBadged_;
        trayIcon_.SetIcon(trayBadged_ ? WithLowBatteryBadge(programIcon_) : programIcon_);
    }
}

void CMainWnd::WarnOfLowBattery(int level, int percent)
{
    // The session bus is reached only once there is something to say.
    if (!notifications_)
        notifications_ = std::make_unique<DesktopNotifications>();
    const bool critical = level == LowBatteryWatch::kCritical;
    notifications_->Show(Text("battery_low_title_text"),
        Text(critical ? "battery_critical_text" : "battery_low_text").arg(percent),
        critical ? QStringLiteral("battery-caution") : QStringLiteral("battery-low"));
}

void CMainWnd::ShowMainWindow()
{
    if (!devicePresent_)
        ShowNoMousePage();
    ShowWindow(true, true);
    if (IsMinimized())
        SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    SetForegroundWindow();
}

void CMainWnd::ShowUnlessATrayAppears(std::chrono::milliseconds patience)
{
    if (CTrayIcon::DesktopHasTray())
        return;
    auto* poll = new QTimer(GetWidget());
    poll->setInterval(500);
    const auto deadline = std::chrono::steady_clock::now() + patience;
    QObject::connect(poll, &QTimer::timeout, poll, [this, poll, deadline] {
        const bool tray = CTrayIcon::DesktopHasTray();
        if (!tray && std::chrono::steady_clock::now() < deadline)
            return;
        poll->deleteLater();
        if (!tray)
            ShowMainWindow();
    });
    poll->start();
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
    if (devicePresent_ || !CTrayIcon::DesktopHasTray())
        ShowMainWindow();
    else
        ShowNoDeviceMessage();
}

intptr_t CMainWnd::OnClose(uint32_t, uintptr_t, intptr_t, bool& handled)
{
    // Closing the window from the desktop does what "exit_btn" does.
    CloseOrHide();
    handled = true;
    return 0;
}

intptr_t CMainWnd::OnDestroy(uint32_t, uintptr_t, intptr_t, bool& handled)
{
    CloseDpiDisplay();
    if (hookLibrary_) {
        const HookCalls hooks(&hookTable_);
        hooks.RemoveMouse();
        hooks.Remove();
        UnloadHookLibrary(hookLibrary_, hookTable_);
        hookLibrary_ = nullptr;
    }
    // Left unhandled, so that HandleCustomMessage sees WM_DESTROY and posts the quit message.
    handled = false;
    return 0;
}

} // namespace kestrin
