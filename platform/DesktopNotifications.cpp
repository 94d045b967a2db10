#include "platform/DesktopNotifications.h"

#include "base/Trace.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace kestrin {

DesktopNotifications::DesktopNotifications(QDBusConnection bus) : bus_(std::move(bus)) { }

void DesktopNotifications::Show(
    const QString& summary, const QString& body, const QString& iconName)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("org.kestrin.Kestrin"));
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(1)));
    call << QStringLiteral("Kestrin") << lastId_ << iconName << summary << body << QStringList()
         << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(
        watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
            const QDBusPendingReply<uint> reply = *done;
            if (reply.isError())
                Trace("no desktop notification: %s\n", qPrintable(reply.error().message()));
            else
                lastId_ = reply.value();
            done->deleteLater();
        });
}

} // namespace kestrin
