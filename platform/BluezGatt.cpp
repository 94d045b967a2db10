#include "platform/BluezGatt.h"

#include "base/Trace.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <set>

namespace kestrin {
namespace {

const QString kBluez = QStringLiteral("org.bluez");
const QString kDevice = QStringLiteral("org.bluez.Device1");
const QString kService = QStringLiteral("org.bluez.GattService1");
const QString kCharacteristic = QStringLiteral("org.bluez.GattCharacteristic1");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
constexpr int kWriteTimeoutMs = 5000;
constexpr int kRejoinMs = 2000;

using Properties = QVariantMap;
using Interfaces = std::map<QString, Properties>;
using Objects = std::map<QString, Interfaces>;

Properties ReadProperties(const QDBusArgument& argument)
{
    Properties properties;
    argument >> properties;
    return properties;
}

Interfaces ReadInterfaces(const QDBusArgument& argument)
{
    Interfaces interfaces;
    argument.beginMap();
    while (!argument.atEnd()) {
        QString name;
        argument.beginMapEntry();
        argument >> name;
        interfaces[name] = ReadProperties(argument);
        argument.endMapEntry();
    }
    argument.endMap();
    return interfaces;
}

QString PathOf(const QVariant& value) { return value.value<QDBusObjectPath>().path(); }

QStringList StringsOf(const QVariant& value)
{
    if (value.canConvert<QDBusArgument>()) {
        QStringList strings;
        value.value<QDBusArgument>() >> strings;
        return strings;
    }
    return value.toStringList();
}

QByteArray BytesOf(const QVariant& value)
{
    if (value.canConvert<QDBusArgument>()) {
        QByteArray bytes;
        value.value<QDBusArgument>() >> bytes;
        return bytes;
    }
    return value.toByteArray();
}

std::string AddressId(const QString& address)
{
    return address.toLower().remove(QLatin1Char(':')).toStdString();
}

struct Subscription {
    QString path;
    GattBus::ValueChanged changed;
};

} // namespace

std::string ComposeBleInterfaceName(const std::string& modalias, const std::string& address,
    const std::string& serviceUuid, const std::string& path)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(usb|bluetooth):v([0-9A-Fa-f]{4})p([0-9A-Fa-f]{4})d([0-9A-Fa-f]{4}))"));
    const auto match = pattern.match(QString::fromStdString(modalias));
    if (!match.hasMatch())
        return {};
    const QString source =
        match.captured(1) == QLatin1String("usb") ? QStringLiteral("02") : QStringLiteral("01");
    return QStringLiteral("\\\\?\\BTHLEDevice#{%1}_Dev_VID&%2%3_PID&%4_REV&%5_%6#%7")
        .arg(QString::fromStdString(serviceUuid).toLower(), source, match.captured(2).toLower(),
            match.captured(3).toLower(), match.captured(4).toLower(),
            QString::fromStdString(AddressId(QString::fromStdString(address))),
            QString::fromStdString(path))
        .toStdString();
}

// Follows org.bluez's objects; its slots run on the thread that made it. BlueZ going (bluetoothd
// restarting) takes its objects with it until it is back; the bus going takes them too, and the
// bus is joined afresh every two seconds until it answers again.
class BluezWatcher final : public QObject {
    Q_OBJECT

public:
    BluezWatcher()
    {
        owner_.setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
        owner_.addWatchedService(kBluez);
        connect(&owner_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& oldOwner, const QString& newOwner) {
                if (!oldOwner.isEmpty())
                    Forget("BlueZ left the bus");
                if (!newOwner.isEmpty())
                    ReadObjects();
            });
        rejoin_.setInterval(kRejoinMs);
        connect(&rejoin_, &QTimer::timeout, this, [this] {
            if (Join())
                rejoin_.stop();
        });
        if (!Join()) {
            Trace("no system bus: Bluetooth is not followed\n");
            ready_ = true;
        }
    }

    ~BluezWatcher() override { QDBusConnection::disconnectFromBus(bus_.name()); }

    QDBusConnection bus_{QString()}; // replaced only on the UI thread, under the lock
    mutable std::mutex mutex_;       // objects and subscriptions: the worker reads them for writes
    Objects objects_;
    std::map<uint64_t, Subscription> subscriptions_;
    uint64_t nextHandle_ = 1;
    bool ready_ = false;
    BluezGatt::Notice notice_;
    std::function<void()> characteristicsAdded_;
    std::map<QString, std::string> announced_; // device path → its notice name
    QDBusServiceWatcher owner_;
    QTimer rejoin_;
    // Moves on each time BlueZ's objects are forgotten: an answer to an older question is stale.
    uint64_t generation_ = 0;

    QDBusConnection Bus() const
    {
        std::lock_guard lock(mutex_);
        return bus_;
    }

    // Joins the system bus under a name of its own, so that a bus that went away can be joined
    // again; false while it cannot be reached.
    bool Join()
    {
        static std::atomic<int> joins{0};
        const QString name = QStringLiteral("kestrin-bluez-%1").arg(++joins);
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SystemBus, name);
        if (!bus.isConnected()) {
            QDBusConnection::disconnectFromBus(name);
            return false;
        }
        const QString old = bus_.name();
        {
            std::lock_guard lock(mutex_);
            bus_ = bus;
        }
        if (!old.isEmpty())
            QDBusConnection::disconnectFromBus(old);
        bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"),
            QStringLiteral("org.freedesktop.DBus.Local"), QStringLiteral("Disconnected"), this,
            SLOT(OnDisconnected()));
        bus.connect(kBluez, QStringLiteral("/"), kObjectManager, QStringLiteral("InterfacesAdded"),
            this, SLOT(OnInterfacesAdded(QDBusMessage)));
        bus.connect(kBluez, QStringLiteral("/"), kObjectManager,
            QStringLiteral("InterfacesRemoved"), this, SLOT(OnInterfacesRemoved(QDBusMessage)));
        bus.connect(kBluez, QString(), kProperties, QStringLiteral("PropertiesChanged"), this,
            SLOT(OnPropertiesChanged(QDBusMessage)));
        owner_.setConnection(bus);
        ReadObjects();
        return true;
    }

    void ReadObjects()
    {
        const QDBusMessage call = QDBusMessage::createMethodCall(
            kBluez, QStringLiteral("/"), kObjectManager, QStringLiteral("GetManagedObjects"));
        auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
        connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, generation = generation_](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                if (generation == generation_)
                    OnManagedObjects(done->reply());
            });
    }

    // BlueZ's objects are gone with it: every usable device is told gone. Subscriptions stay
    // until their owner ends them; BlueZ's own ended with it.
    void Forget(const char* why)
    {
        Trace("%s: its Bluetooth devices are gone\n", why);
        ++generation_;
        {
            std::lock_guard lock(mutex_);
            objects_.clear();
        }
        Announce();
    }

    // The device properties of `path`, or none. Under the lock.
    const Properties* DeviceOf(const QString& path) const
    {
        const auto object = objects_.find(path);
        if (object == objects_.end())
            return nullptr;
        const auto device = object->second.find(kDevice);
        return device == object->second.end() ? nullptr : &device->second;
    }

    // Tells arrivals and removals of usable mouse-shaped devices since the last call.
    void Announce()
    {
        std::vector<std::pair<bool, std::string>> told;
        {
            std::lock_guard lock(mutex_);
            std::map<QString, std::string> usable;
            for (const auto& [path, interfaces] : objects_) {
                const auto device = interfaces.find(kDevice);
                if (device == interfaces.end())
                    continue;
                const Properties& p = device->second;
                if (!p.value(QStringLiteral("Connected")).toBool() ||
                    !p.value(QStringLiteral("ServicesResolved")).toBool())
                    continue;
                const std::string name = ComposeBleInterfaceName(
                    p.value(QStringLiteral("Modalias")).toString().toStdString(),
                    p.value(QStringLiteral("Address")).toString().toStdString(),
                    "00001812-0000-1000-8000-00805f9b34fb", path.toStdString());
                if (!name.empty())
                    usable[path] = name;
            }
            for (const auto& [path, name] : announced_)
                if (!usable.contains(path))
                    told.emplace_back(false, name);
            for (const auto& [path, name] : usable)
                if (!announced_.contains(path))
                    told.emplace_back(true, name);
            announced_ = std::move(usable);
        }
        for (const auto& [arrived, name] : told) {
            Trace("Bluetooth device %s: %s\n", arrived ? "usable" : "gone", name.c_str());
            if (notice_)
                notice_(arrived, name);
        }
    }

    void OnManagedObjects(const QDBusMessage& reply)
    {
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            Trace("BlueZ's objects cannot be read: %s\n", qPrintable(reply.errorMessage()));
            std::lock_guard lock(mutex_);
            ready_ = true;
            return;
        }
        const QDBusArgument argument = reply.arguments().at(0).value<QDBusArgument>();
        Objects objects;
        argument.beginMap();
        while (!argument.atEnd()) {
            QDBusObjectPath path;
            argument.beginMapEntry();
            argument >> path;
            objects[path.path()] = ReadInterfaces(argument);
            argument.endMapEntry();
        }
        argument.endMap();
        const bool added = std::ranges::any_of(
            objects, [](const auto& object) { return object.second.contains(kCharacteristic); });
        {
            std::lock_guard lock(mutex_);
            // Signals that came first are newer than the reading: they stay.
            for (auto& [path, interfaces] : objects)
                for (auto& [name, properties] : interfaces)
                    objects_[path].try_emplace(name, std::move(properties));
            ready_ = true;
        }
        Announce();
        if (added)
            TellCharacteristicsAdded();
    }

    void TellCharacteristicsAdded()
    {
        if (characteristicsAdded_)
            characteristicsAdded_();
    }

public slots:
    void OnDisconnected()
    {
        Forget("the system bus went away");
        rejoin_.start();
    }

    void OnInterfacesAdded(const QDBusMessage& message)
    {
        if (message.arguments().size() < 2)
            return;
        const QString path = PathOf(message.arguments().at(0));
        Interfaces interfaces = ReadInterfaces(message.arguments().at(1).value<QDBusArgument>());
        {
            std::lock_guard lock(mutex_);
            for (auto& [name, properties] : interfaces)
                objects_[path][name] = std::move(properties);
        }
        Announce();
        if (interfaces.contains(kCharacteristic))
            TellCharacteristicsAdded();
    }

    void OnInterfacesRemoved(const QDBusMessage& message)
    {
        if (message.arguments().size() < 2)
            return;
        const QString path = PathOf(message.arguments().at(0));
        const QStringList names = StringsOf(message.arguments().at(1));
        {
            std::lock_guard lock(mutex_);
            const auto object = objects_.find(path);
            if (object != objects_.end()) {
                for (const QString& name : names)
                    object->second.erase(name);
                if (object->second.empty())
                    objects_.erase(object);
            }
        }
        Announce();
    }

    void OnPropertiesChanged(const QDBusMessage& message)
    {
        if (message.arguments().size() < 2)
            return;
        const QString interface = message.arguments().at(0).toString();
        const Properties changed = ReadProperties(message.arguments().at(1).value<QDBusArgument>());
        const QString path = message.path();
        std::vector<GattBus::ValueChanged> listeners;
        QByteArray value;
        {
            std::lock_guard lock(mutex_);
            const auto object = objects_.find(path);
            if (object == objects_.end() || !object->second.contains(interface)) {
                // A device BlueZ has not told of yet (its news may come after this change).
                if (interface == kDevice)
                    ReadDevice(path);
                return;
            }
            Properties& properties = object->second[interface];
            for (auto it = changed.begin(); it != changed.end(); ++it)
                properties[it.key()] = it.value();
            if (interface == kCharacteristic && changed.contains(QStringLiteral("Value"))) {
                value = BytesOf(changed.value(QStringLiteral("Value")));
                for (const auto& [handle, subscription] : subscriptions_)
                    if (subscription.path == path)
                        listeners.push_back(subscription.changed);
            }
        }
        const std::span bytes(reinterpret_cast<const uint8_t*>(value.constData()),
            static_cast<std::size_t>(value.size()));
        for (const auto& listener : listeners)
            listener(bytes);
        if (interface != kDevice)
            return;
        Announce();
        // Whether a device is usable is read again when its link changes: a lost or
        // reordered change would otherwise leave the mouse unannounced, or announced when gone.
        if (changed.contains(QStringLiteral("Connected")) ||
            changed.contains(QStringLiteral("ServicesResolved")))
            ReadDevice(path);
    }

private:
    // Reads the device's properties afresh; what BlueZ answers replaces what was held.
    void ReadDevice(const QString& path)
    {
        QDBusMessage call =
            QDBusMessage::createMethodCall(kBluez, path, kProperties, QStringLiteral("GetAll"));
        call.setArguments({kDevice});
        auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
        connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, path, generation = generation_](QDBusPendingCallWatcher* done) {
                const QDBusMessage reply = done->reply();
                done->deleteLater();
                if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty() ||
                    generation != generation_)
                    return; // gone meanwhile: its removal says so
                {
                    std::lock_guard lock(mutex_);
                    objects_[path][kDevice] =
                        ReadProperties(reply.arguments().at(0).value<QDBusArgument>());
                }
                Announce();
            });
    }
};

BluezGatt::BluezGatt() : watcher_(std::make_unique<BluezWatcher>()) { }

BluezGatt::~BluezGatt() = default;

void BluezGatt::SetNoticeHandler(Notice notice) { watcher_->notice_ = std::move(notice); }

void BluezGatt::SetCharacteristicsAdded(std::function<void()> added)
{
    watcher_->characteristicsAdded_ = std::move(added);
}

bool BluezGatt::Ready() const
{
    std::lock_guard lock(watcher_->mutex_);
    return watcher_->ready_;
}

std::vector<std::string> BluezGatt::ServiceInterfaces()
{
    std::lock_guard lock(watcher_->mutex_);
    std::vector<std::string> names;
    for (const auto& [path, interfaces] : watcher_->objects_) {
        const auto service = interfaces.find(kService);
        if (service == interfaces.end())
            continue;
        const Properties* device =
            watcher_->DeviceOf(PathOf(service->second.value(QStringLiteral("Device"))));
        if (!device || !device->value(QStringLiteral("Connected")).toBool())
            continue;
        std::string name = ComposeBleInterfaceName(
            device->value(QStringLiteral("Modalias")).toString().toStdString(),
            device->value(QStringLiteral("Address")).toString().toStdString(),
            service->second.value(QStringLiteral("UUID")).toString().toStdString(),
            path.toStdString());
        if (!name.empty())
            names.push_back(std::move(name));
    }
    return names;
}

std::vector<GattCharacteristic> BluezGatt::Characteristics(const std::string& interfaceName)
{
    const std::size_t hash = interfaceName.rfind('#');
    if (hash == std::string::npos)
        return {};
    const QString servicePath = QString::fromStdString(interfaceName.substr(hash + 1));
    std::lock_guard lock(watcher_->mutex_);
    std::vector<GattCharacteristic> found;
    for (const auto& [path, interfaces] : watcher_->objects_) {
        const auto characteristic = interfaces.find(kCharacteristic);
        if (characteristic == interfaces.end())
            continue;
        const Properties& p = characteristic->second;
        if (PathOf(p.value(QStringLiteral("Service"))) != servicePath)
            continue;
        bool number = false;
        const uint32_t uuid32 =
            p.value(QStringLiteral("UUID")).toString().left(8).toUInt(&number, 16);
        const QStringList flags = StringsOf(p.value(QStringLiteral("Flags")));
        found.push_back(
            {path.toStdString(), number ? uuid32 : 0, flags.contains(QStringLiteral("write")),
                flags.contains(QStringLiteral("notify")) ||
                    flags.contains(QStringLiteral("indicate"))});
    }
    return found;
}

bool BluezGatt::Write(const GattCharacteristic& characteristic, std::span<const uint8_t> value)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kBluez,
        QString::fromStdString(characteristic.path), kCharacteristic, QStringLiteral("WriteValue"));
    const QVariantMap options{{QStringLiteral("type"), QStringLiteral("request")}};
    call << QByteArray(reinterpret_cast<const char*>(value.data()), qsizetype(value.size()))
         << options;
    const QDBusMessage reply = watcher_->Bus().call(call, QDBus::Block, kWriteTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        Trace("Bluetooth write to %s failed: %s\n", characteristic.path.c_str(),
            qPrintable(reply.errorMessage()));
        return false;
    }
    return true;
}

uint64_t BluezGatt::Subscribe(const GattCharacteristic& characteristic, ValueChanged changed)
{
    const QString path = QString::fromStdString(characteristic.path);
    uint64_t handle = 0;
    bool first = true;
    {
        std::lock_guard lock(watcher_->mutex_);
        for (const auto& [other, subscription] : watcher_->subscriptions_)
            first = first && subscription.path != path;
        handle = watcher_->nextHandle_++;
        watcher_->subscriptions_[handle] = {path, std::move(changed)};
    }
    // BlueZ writes the client configuration itself; a second subscriber needs no second start.
    if (first)
        watcher_->bus_.asyncCall(QDBusMessage::createMethodCall(
            kBluez, path, kCharacteristic, QStringLiteral("StartNotify")));
    return handle;
}

bool BluezGatt::Unsubscribe(uint64_t handle)
{
    QString path;
    bool last = true;
    {
        std::lock_guard lock(watcher_->mutex_);
        const auto found = watcher_->subscriptions_.find(handle);
        if (found == watcher_->subscriptions_.end())
            return false;
        path = found->second.path;
        watcher_->subscriptions_.erase(found);
        for (const auto& [other, subscription] : watcher_->subscriptions_)
            last = last && subscription.path != path;
    }
    if (last)
        watcher_->bus_.asyncCall(QDBusMessage::createMethodCall(
            kBluez, path, kCharacteristic, QStringLiteral("StopNotify")));
    return true;
}

std::vector<BluetoothDevice> BluezGatt::Devices()
{
    std::lock_guard lock(watcher_->mutex_);
    std::vector<BluetoothDevice> devices;
    for (const auto& [path, interfaces] : watcher_->objects_) {
        const auto device = interfaces.find(kDevice);
        if (device == interfaces.end())
            continue;
        const Properties& p = device->second;
        QString name = p.value(QStringLiteral("Alias")).toString();
        if (name.isEmpty())
            name = p.value(QStringLiteral("Name")).toString();
        devices.push_back({p.value(QStringLiteral("Connected")).toBool(), name.toStdString(),
            "BTHLE\\Dev_" + AddressId(p.value(QStringLiteral("Address")).toString()),
            p.value(QStringLiteral("ServicesResolved")).toBool()});
    }
    return devices;
}

} // namespace kestrin

#include "BluezGatt.moc"
