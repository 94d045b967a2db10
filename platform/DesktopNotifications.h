#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace kestrin {

// Desktop notifications through org.freedesktop.Notifications. Sent without waiting: a desktop
// without a notification service shows nothing, and nothing blocks. A notification replaces the
// program's last one rather than stacking beside it.
class DesktopNotifications final : public QObject {
public:
    explicit DesktopNotifications(QDBusConnection bus = QDBusConnection::sessionBus());
    void Show(const QString& summary, const QString& body, const QString& iconName);
    // The id the desktop gave the last notification; 0 until it has answered.
    uint LastId() const { return lastId_; }

private:
    QDBusConnection bus_;
    uint lastId_ = 0;
};

} // namespace kestrin
