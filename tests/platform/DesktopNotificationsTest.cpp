// Desktop notifications against a notification service of the test's own, on a private bus.
#include "platform/DesktopNotifications.h"

#include "tests/support/WaitFor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace kestrin {
namespace {

// org.freedesktop.Notifications as a desktop serves it: each Notify is kept, and answered with
// the id it replaces, or a new one.
class NotificationService final : public QDBusVirtualObject {
public:
    std::vector<QVariantList> received;
    uint nextId = 41;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != QLatin1String("org.freedesktop.Notifications") ||
            message.member() != QLatin1String("Notify") || message.signature() != "susssasa{sv}i")
            return false;
        received.push_back(message.arguments());
        const uint replaces = message.arguments().at(1).toUInt();
        connection.send(message.createReply(QVariantList{replaces != 0 ? replaces : ++nextId}));
        return true;
    }
};

TEST(DesktopNotifications, NotifiesThroughTheServiceAndReplacesItsLastNotification)
{
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"),
        {QStringLiteral("--session"), QStringLiteral("--nofork"),
            QStringLiteral("--print-address")});
    ASSERT_TRUE(daemon.waitForReadyRead(10000)) << "dbus-daemon did not start";
    const QString address = QString::fromLatin1(daemon.readLine()).trimmed();
    {
        QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("service"));
        ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));
        NotificationService notifications;
        ASSERT_TRUE(service.registerVirtualObject(
            QStringLiteral("/org/freedesktop/Notifications"), &notifications));

        DesktopNotifications desktop(
            QDBusConnection::connectToBus(address, QStringLiteral("program")));
        desktop.Show(QStringLiteral("Mouse battery low"), QStringLiteral("At 15%."),
            QStringLiteral("battery-low"));
        ASSERT_TRUE(test::WaitFor([&] { return notifications.received.size() == 1; }));
        const QVariantList first = notifications.received.at(0);
        EXPECT_EQ(first.at(0).toString(), QStringLiteral("Kestrin"));
        EXPECT_EQ(first.at(1).toUInt(), 0u) << "nothing to replace yet";
        EXPECT_EQ(first.at(2).toString(), QStringLiteral("battery-low"));
        EXPECT_EQ(first.at(3).toString(), QStringLiteral("Mouse battery low"));
        EXPECT_EQ(first.at(4).toString(), QStringLiteral("At 15%."));

        // The answer's id arrives asynchronously; the next notification replaces that one.
        ASSERT_TRUE(test::WaitFor([&] { return desktop.LastId() == 42; }));
        desktop.Show(QStringLiteral("Mouse battery low"), QStringLiteral("At 5%."),
            QStringLiteral("battery-caution"));
        ASSERT_TRUE(test::WaitFor([&] { return notifications.received.size() == 2; }));
        EXPECT_EQ(notifications.received.at(1).at(1).toUInt(), 42u);
        service.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("service"));
    QDBusConnection::disconnectFromBus(QStringLiteral("program"));
    daemon.kill();
    daemon.waitForFinished();
}

} // namespace
} // namespace kestrin
