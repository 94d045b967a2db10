// The smallest StatusNotifierItem host, as panels that speak the protocol are to the program:
// it owns org.kde.StatusNotifierWatcher on the session bus, waits for an item to register, reads
// the menu the item exports (com.canonical.dbusmenu GetLayout), prints its labels on one line
// ("|" between them, "-" for a separator) and clicks the item labelled LABEL, as a panel does
// when that item is chosen.
// usage: kestrin_status_notifier_host LABEL [SECONDS]   (fails when no item registers in time)
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QEventLoop>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

int Fail(const QString& message)
{
    std::fprintf(stderr, "status notifier host: %s\n", qPrintable(message));
    return 1;
}

struct MenuItem {
    int id = 0;
    QVariantMap properties;
    QList<MenuItem> children;
};

MenuItem ReadItem(const QDBusArgument& argument)
{
    MenuItem item;
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        item.children << ReadItem(qvariant_cast<QDBusArgument>(child.variant()));
    }
    argument.endArray();
    argument.endStructure();
    return item;
}

// The item calls the watcher too, and waits for it: as a panel does, the host goes on serving
// the bus while it waits for an answer.
QDBusMessage Call(const QString& service, const QString& path, const QString& interface,
    const QString& method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    QDBusPendingCallWatcher pending(QDBusConnection::sessionBus().asyncCall(call, 5000));
    QEventLoop loop;
    QObject::connect(&pending, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    if (!pending.isFinished())
        loop.exec();
    return pending.reply();
}

// Reads the item's menu, prints it and clicks LABEL; the exit status of the run.
int ShowAndChoose(const QString& service, const QString& itemPath, const QString& label)
{
    const QDBusMessage menuPath = Call(service, itemPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
        {QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Menu")});
    if (menuPath.type() != QDBusMessage::ReplyMessage)
        return Fail(QStringLiteral("the item has no Menu property: ") + menuPath.errorMessage());
    const QString menu = qvariant_cast<QDBusObjectPath>(
        qvariant_cast<QDBusVariant>(menuPath.arguments().value(0)).variant())
                             .path();
    if (menu.isEmpty() || menu == QLatin1String("/NO_DBUSMENU"))
        return Fail(QStringLiteral("the item exports no menu (%1)").arg(menu));

    const QString dbusMenu = QStringLiteral("com.canonical.dbusmenu");
    const QDBusMessage layout = Call(service, menu, dbusMenu, QStringLiteral("GetLayout"),
        {0, -1,
            QStringList{
                QStringLiteral("label"), QStringLiteral("type"), QStringLiteral("visible")}});
    if (layout.type() != QDBusMessage::ReplyMessage || layout.arguments().size() != 2)
        return Fail(QStringLiteral("GetLayout failed: ") + layout.errorMessage());
    const MenuItem root = ReadItem(qvariant_cast<QDBusArgument>(layout.arguments().at(1)));
    QStringList shown;
    std::optional<int> chosen;
    for (const MenuItem& item : root.children) {
        if (!item.properties.value(QStringLiteral("visible"), true).toBool())
            continue;
        if (item.properties.value(QStringLiteral("type")).toString() ==
            QLatin1String("separator")) {
            shown << QStringLiteral("-");
            continue;
        }
        const QString text = item.properties.value(QStringLiteral("label")).toString();
        shown << text;
        if (text == label)
            chosen = item.id;
    }
    std::printf("%s\n", qPrintable(shown.join(QLatin1Char('|'))));
    std::fflush(stdout);
    if (!chosen)
        return Fail(QStringLiteral("no item labelled '%1'").arg(label));
    // As a panel opens the menu and a choice is made in it.
    Call(service, menu, dbusMenu, QStringLiteral("AboutToShow"), {0});
    const QDBusMessage clicked = Call(service, menu, dbusMenu, QStringLiteral("Event"),
        {*chosen, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    if (clicked.type() != QDBusMessage::ReplyMessage)
        return Fail(QStringLiteral("the click was refused: ") + clicked.errorMessage());
    return 0;
}

class Watcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ HostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ Items)

public:
    explicit Watcher(QString label) : label_(std::move(label)) { }
    bool HostRegistered() const { return true; }
    int ProtocolVersion() const { return 0; }
    QStringList Items() const { return items_; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message)
    {
        // An item names its bus name, or only its object path on the caller's connection.
        const bool pathOnly = service.startsWith(QLatin1Char('/'));
        const QString name = pathOnly ? message.service() : service;
        const QString path = pathOnly ? service : QStringLiteral("/StatusNotifierItem");
        items_ << name + path;
        Q_EMIT StatusNotifierItemRegistered(name + path);
        // Answered first: the item is not kept waiting while its menu is read.
        QTimer::singleShot(0, this,
            [this, name, path] { QCoreApplication::exit(ShowAndChoose(name, path, label_)); });
    }
    void RegisterStatusNotifierHost(const QString&) { }

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    QString label_;
    QStringList items_;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return Fail(QStringLiteral("usage: kestrin_status_notifier_host LABEL [SECONDS]"));
    const int seconds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 20;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Fail(QStringLiteral("no session bus"));
    Watcher watcher(QString::fromLocal8Bit(argv[1]));
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                QDBusConnection::ExportAllProperties))
        return Fail(QStringLiteral("cannot export the watcher"));
    if (!bus.registerService(kWatcher))
        return Fail(QStringLiteral("%1 is taken").arg(kWatcher));
    std::printf("ready\n");
    std::fflush(stdout);
    QTimer::singleShot(seconds * 1000, &app,
        [] { QCoreApplication::exit(Fail(QStringLiteral("no item registered in time"))); });
    return app.exec();
}

#include "StatusNotifierHost.moc"
