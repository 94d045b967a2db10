#include "ui/TrayIcon.h"

#include "base/Messages.h"
#include "base/Trace.h"
#include "platform/WindowRegistry.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace kestrin {
namespace {

std::optional<bool>& TrayForTesting()
{
    static std::optional<bool> present;
    return present;
}

} // namespace

bool CTrayIcon::DesktopHasTray()
{
    if (TrayForTesting())
        return *TrayForTesting();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void CTrayIcon::SetDesktopTrayForTesting(std::optional<bool> present)
{
    TrayForTesting() = present;
}

CTrayIcon::CTrayIcon() = default;
CTrayIcon::~CTrayIcon() = default;

void CTrayIcon::CreateTrayIcon(KestrinWindow receiver, const QIcon& icon, const QString& toolTip,
    uint32_t message, std::unique_ptr<QMenu> panelMenu)
{
    DeleteTrayIcon();
    icon_ = std::make_unique<QSystemTrayIcon>(icon);
    icon_->setToolTip(toolTip);
    // Set before the icon shows, so that a host reads the menu with the icon's first properties.
    panelMenu_ = std::move(panelMenu);
    icon_->setContextMenu(panelMenu_.get());
    QObject::connect(icon_.get(), &QSystemTrayIcon::activated, icon_.get(),
        [receiver, message](QSystemTrayIcon::ActivationReason reason) {
            switch (reason) {
            case QSystemTrayIcon::Trigger:
                PostWindowMessage(receiver, message, 0, WM_LBUTTONUP);
                break;
            case QSystemTrayIcon::Context:
                PostWindowMessage(receiver, message, 0, WM_RBUTTONUP);
                break;
            case QSystemTrayIcon::MiddleClick:
                PostWindowMessage(receiver, message, 0, WM_MBUTTONUP);
                break;
            default:
                break;
            }
        });
    // Shown even without a notification area: the icon docks when one appears later (a panel
    // that starts after the program at login).
    if (!DesktopHasTray())
        Trace("no notification area yet; the program runs without a tray icon until one appears\n");
    icon_->show();
}

void CTrayIcon::DeleteTrayIcon()
{
    icon_.reset();
    panelMenu_.reset();
}

void CTrayIcon::SetToolTipText(const QString& toolTip)
{
    if (icon_)
        icon_->setToolTip(toolTip);
}

void CTrayIcon::SetIcon(const QIcon& icon)
{
    if (icon_)
        icon_->setIcon(icon);
}

QIcon CTrayIcon::Icon() const { return icon_ ? icon_->icon() : QIcon(); }

bool CTrayIcon::IsVisible() const { return icon_ && icon_->isVisible(); }

QString CTrayIcon::GetToolTipText() const { return icon_ ? icon_->toolTip() : QString(); }

} // namespace kestrin
