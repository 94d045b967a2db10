#pragma once

#include "app/AboutWnd.h"
#include "app/HookLibrary.h"
#include "page/MS_1_Page.h"
#include "platform/BluezGatt.h"
#include "ui/TrayIcon.h"
#include "ui/WindowImplBase.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace kestrin {

class CDPIMsg;
class DesktopNotifications;
class CMenuWnd;
class CTabLayoutUI;

// What a device-change notice carries (WM_DEVICECHANGE's lParam points to one).
struct DeviceInterfaceNotice {
    uint32_t deviceType = 0;
    std::string name;
};

// True for the device interface of the mouse's Bluetooth LE face (a case-sensitive search).
bool IsBleMouseInterface(const std::string& interfaceName);

// The skinned tray menu's layout; a panel that draws the menu itself is given the same items.
inline constexpr char kTrayMenuLayout[] = "traymenu.xml";

// Where a tray-menu item goes.
enum class MenuRoute { ShowWindow, Exit, About, Autostart, DevicePage, Ignore };
MenuRoute RouteMenuCommand(const QString& itemName);

// The tray icon's tooltip: the program's name, then the links up, the battery, the current
// profile and the DPI.
// The profile comes with the program whose rule made it current, when one did.
QString TrayToolTip(const CMS_1_Page::Status& status, const std::string& ruleProgram = {});

// The program's one top-level window: hosts the device page, owns the tray icon and menu, the
// timers the page starts, the hook library and the DPI display, and is the hub of every
// message from the driver libraries, the hook library and a second start.
class CMainWnd final : public WindowImplBase {
public:
    CMainWnd();
    ~CMainWnd() override;

    void ShowMainWindow();
    void ShowNoDeviceMessage();
    // For a window made hidden by a start at login: a panel may come up after the program, so
    // the window shows only if no notification area has appeared within `patience`, asked
    // every half second.
    void ShowUnlessATrayAppears(std::chrono::milliseconds patience);

    int DevicePresent() const { return devicePresent_; }
    bool NoDeviceBoxOpen() const { return noDeviceBoxOpen_; }
    CMS_1_Page& Page() { return *page_; }
    const HookTable& Hooks() const { return hookTable_; }
    bool HookLibraryLoaded() const { return hookLibrary_ != nullptr; }
    CDPIMsg* DpiDisplay() const;
    CMenuWnd* TrayMenu() const { return trayMenu_.get(); }
    CMenuWnd* WindowMenu() const { return windowMenu_.get(); }
    AboutFacts GatherAboutFacts();
    const CTrayIcon& TrayIcon() const { return trayIcon_; }

    // Where the hook library is looked for; the program folder unless a test says otherwise.
    void SetHookLibraryFile(const std::string& file) { hookLibraryFile_ = file; }
    // Whether a mouse is plugged in that this user may not open; hidraw's nodes unless a test
    // says otherwise.
    void SetDeniedMouseProbe(std::function<bool()> probe) { deniedMouseProbe_ = std::move(probe); }

protected:
    QString GetWindowClassName() const override { return QStringLiteral("VELTRA Kestrin"); }
    QString GetSkinFile() const override { return QStringLiteral("main.xml"); }
    QStringList GetPartsBuiltWhenShown() const override
    {
        // The no-mouse page is never seen while a mouse is there.
        return CMS_1_Page::PartsBuiltWhenSeen() << QStringLiteral("no_mouse_page");
    }
    void OnLayoutLoaded() override;
    void Notify(TNotifyUI& msg) override;
    void OnClick(TNotifyUI& msg) override;
    intptr_t OnClose(uint32_t, uintptr_t, intptr_t, bool& handled) override;
    intptr_t OnDestroy(uint32_t, uintptr_t, intptr_t, bool& handled) override;
    intptr_t HandleCustomMessage(
        uint32_t message, uintptr_t wParam, intptr_t lParam, bool& handled) override;

private:
    intptr_t DispatchMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, bool& handled);
    void LoadHooks();
    void OnTimer(uintptr_t id);
    void OnTrayNotify(intptr_t mouseMessage);
    void ShowTrayMenu();
    void OnMenuCommand(uintptr_t commandRecord);
    // Ends the program; from inside a modal loop, once the loops have returned.
    void Exit();
    void OnLinkChanged();
    void ShowDpi(intptr_t dpiUnits);
    // The on-screen display's line, for its few seconds.
    void ShowOnScreen(const QString& text);
    // Follows the program in front, where the session tells it, for the rules' profiles.
    void StartAutoSwitch();
    void CloseDpiDisplay();
    void OnDeviceChange(uintptr_t event, intptr_t header);
    void ShowOrExplain();
    // With a tray the window hides into it; without one the window is the program, and
    // closing it ends the program.
    void CloseOrHide();
    void ShowNoMousePage();
    void ShowWindowMenu();
    // Turns starting with the desktop the other way from what the autostart folder holds now.
    void ToggleAutostart();
    // The tray's tooltip and, while the battery is low, its icon's badge.
    void RefreshTrayToolTip();
    void WarnOfLowBattery(int level, int percent);

    CControlUI* minButton_ = nullptr;
    CControlUI* exitButton_ = nullptr;
    CControlUI* menuButton_ = nullptr;
    CTabLayoutUI* deviceTabs_ = nullptr;
    std::unique_ptr<CMenuWnd> trayMenu_;
    std::unique_ptr<CMenuWnd> windowMenu_;
    std::function<bool()> deniedMouseProbe_;
    QIcon programIcon_;
    bool trayBadged_ = false;
    std::unique_ptr<DesktopNotifications> notifications_; // made at the first warning
    void* hookLibrary_ = nullptr;
    std::string hookLibraryFile_;
    CTrayIcon trayIcon_;
    HookTable hookTable_;
    int devicePresent_ = 0;
    std::unique_ptr<BluezGatt> gatt_; // outlives the page, which writes through it
    std::unique_ptr<CMS_1_Page> page_;
    CDPIMsg* dpiDisplay_ = nullptr;
    KestrinWindow dpiDisplayHandle_ = 0;
    bool noDeviceBoxOpen_ = false;
};

} // namespace kestrin
