#pragma once

#include "base/MessagePost.h"

#include <QIcon>
#include <QString>

#include <memory>
#include <optional>

class QMenu;
class QSystemTrayIcon;

namespace kestrin {

// The notification-area icon. Clicks reach the receiver window as `message` with the mouse
// message in lParam (WM_LBUTTONUP for a left click, WM_RBUTTONUP for a right click). Where the
// desktop has no notification area the icon is simply not there.
//
// Panels that speak StatusNotifierItem (KDE Plasma, XFCE, Cinnamon, MATE, GNOME's AppIndicator
// extension) draw an icon's menu themselves and pass a right click on to no one: they are given
// `panelMenu` (made by BuildPanelMenu), which Qt exports over D-Bus. On an XEmbed tray that menu
// never shows; a right click reaches the receiver, which shows the skinned one.
class CTrayIcon final {
public:
    CTrayIcon();
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    void CreateTrayIcon(KestrinWindow receiver, const QIcon& icon, const QString& toolTip,
        uint32_t message, std::unique_ptr<QMenu> panelMenu = nullptr);
    void DeleteTrayIcon();
    void SetToolTipText(const QString& toolTip);
    void SetIcon(const QIcon& icon);
    QIcon Icon() const;
    bool IsVisible() const;
    // True when an icon object exists, even if the desktop shows none.
    bool IsCreated() const { return icon_ != nullptr; }
    QString GetToolTipText() const;
    // The menu a StatusNotifierItem host shows.
    QMenu* PanelMenu() const { return panelMenu_.get(); }

    // Whether the desktop has a notification area now: asked afresh each time, since a panel
    // may start after the program, or go.
    static bool DesktopHasTray();
    // Tests stand in for the desktop's answer; nullopt asks the desktop again.
    static void SetDesktopTrayForTesting(std::optional<bool> present);

private:
    std::unique_ptr<QMenu> panelMenu_; // outlives the icon that shows it
    std::unique_ptr<QSystemTrayIcon> icon_;
};

} // namespace kestrin
