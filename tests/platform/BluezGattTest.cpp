// The GATT interface over BlueZ, against a BlueZ-shaped service on a private bus of the test's
// own: it never touches the machine's system bus.
#include "platform/BluezGatt.h"

#include "device/BleTransport.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>
#include <utility>

namespace kestrin {
namespace {

using InterfaceMap = QMap<QString, QVariantMap>;

const QString kDevicePath = QStringLiteral("/org/bluez/hci0/dev_AA_BB_CC_DD_EE_FF");
const QString kServicePath = kDevicePath + QStringLiteral("/service0010");
const QString kWritePath = kServicePath + QStringLiteral("/char0011");
const QString kNotifyPath = kServicePath + QStringLiteral("/char0013");

// org.bluez as the test tells it to be: a mouse with the two characteristics.
class FakeBluez final : public QDBusVirtualObject {
public:
    std::map<QString, InterfaceMap> objects;
    std::vector<QByteArray> written;
    std::vector<QString> calls; // "StartNotify path", …
    bool refuseWrites = false;

    FakeBluez()
    {
        objects[QStringLiteral("/org/bluez/hci0")][QStringLiteral("org.bluez.Adapter1")] = {
            {QStringLiteral("Address"), QStringLiteral("00:11:22:33:44:55")}};
        objects[kDevicePath][QStringLiteral("org.bluez.Device1")] = {
            {QStringLiteral("Address"), QStringLiteral("AA:BB:CC:DD:EE:FF")},
            {QStringLiteral("Alias"), QStringLiteral("Mouse")},
            {QStringLiteral("Modalias"), QStringLiteral("usb:v045Ep0040d0001")},
            {QStringLiteral("Connected"), true}, {QStringLiteral("ServicesResolved"), true}};
        objects[kServicePath][QStringLiteral("org.bluez.GattService1")] = {
            {QStringLiteral("UUID"), QStringLiteral("0000fee0-0000-1000-8000-00805f9b34fb")},
            {QStringLiteral("Device"), QVariant::fromValue(QDBusObjectPath(kDevicePath))}};
        AddCharacteristic(kWritePath, QStringLiteral("fee3"), {QStringLiteral("write")});
        AddCharacteristic(kNotifyPath, QStringLiteral("fee4"), {QStringLiteral("notify")});
    }
    void AddCharacteristic(const QString& path, const QString& uuid16, const QStringList& flags)
    {
        objects[path][QStringLiteral("org.bluez.GattCharacteristic1")] = {
            {QStringLiteral("UUID"),
                QStringLiteral("0000%1-0000-1000-8000-00805f9b34fb").arg(uuid16)},
            {QStringLiteral("Service"), QVariant::fromValue(QDBusObjectPath(kServicePath))},
            {QStringLiteral("Flags"), flags}};
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QString member = message.member();
        if (member == QLatin1String("GetManagedObjects")) {
            QDBusArgument all;
            all.beginMap(
                QMetaType::fromType<QDBusObjectPath>(), QMetaType::fromType<InterfaceMap>());
            for (const auto& [path, interfaces] : objects) {
                all.beginMapEntry();
                all << QDBusObjectPath(path) << interfaces;
                all.endMapEntry();
            }
            all.endMap();
            connection.send(message.createReply(QVariantList{QVariant::fromValue(all)}));
            return true;
        }
        if (member == QLatin1String("GetAll")) {
            const QVariantMap properties =
                objects[message.path()][message.arguments().at(0).toString()];
            connection.send(message.createReply(QVariantList{QVariant(properties)}));
            return true;
        }
        if (member == QLatin1String("WriteValue")) {
            if (refuseWrites) {
                connection.send(message.createErrorReply(
                    QStringLiteral("org.bluez.Error.Failed"), QStringLiteral("refused")));
                return true;
            }
            written.push_back(message.arguments().at(0).toByteArray());
            connection.send(message.createReply());
            return true;
        }
        calls.push_back(member + QLatin1Char(' ') + message.path());
        connection.send(message.createReply());
        return true;
    }
};

class BluezGattTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        qDBusRegisterMetaType<InterfaceMap>();
        socketFolder = new QTemporaryDir;
        // At a fixed address, so that a bus started again is the same bus to the program.
        address = QStringLiteral("unix:path=") + socketFolder->filePath(QStringLiteral("bus"));
        StartDaemon();
        // The program's system bus is this one, for the whole test process.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toLatin1());
    }
    static void TearDownTestSuite()
    {
        daemon->kill();
        daemon->waitForFinished();
        delete std::exchange(daemon, nullptr);
        delete std::exchange(socketFolder, nullptr);
    }
    static void StartDaemon()
    {
        delete daemon;
        daemon = new QProcess;
        daemon->start(QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--address=") + address, QStringLiteral("--print-address")});
        ASSERT_TRUE(daemon->waitForReadyRead(10000)) << "dbus-daemon did not start";
    }
    void SetUp() override { ServeBluez(); }
    void ServeBluez()
    {
        if (service)
            QDBusConnection::disconnectFromBus(service->name());
        service = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("bluez-%1").arg(++serial)));
        ASSERT_TRUE(service->isConnected());
        ASSERT_TRUE(service->registerService(QStringLiteral("org.bluez")));
        ASSERT_TRUE(
            service->registerVirtualObject(QStringLiteral("/"), &bluez, QDBusConnection::SubPath));
    }
    void TearDown() override
    {
        service->unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
        service->unregisterService(QStringLiteral("org.bluez"));
        QDBusConnection::disconnectFromBus(service->name());
    }

    void Emit(QDBusMessage signal) { service->send(signal); }
    void ChangeProperty(
        const QString& path, const QString& interface, const QString& name, const QVariant& value)
    {
        bluez.objects[path][interface][name] = value;
        QDBusMessage signal = QDBusMessage::createSignal(path,
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
        signal << interface << QVariantMap{{name, value}} << QStringList();
        Emit(signal);
    }

    static inline QProcess* daemon = nullptr;
    static inline QTemporaryDir* socketFolder = nullptr;
    static inline QString address;
    static inline int serial = 0;
    FakeBluez bluez;
    std::unique_ptr<QDBusConnection> service;
};

TEST_F(BluezGattTest, TheMouseIsFoundWrittenAndHeardAsTheTransportExpects)
{
    BluezGatt gatt;
    std::vector<std::pair<bool, std::string>> notices;
    gatt.SetNoticeHandler(
        [&](bool arrived, const std::string& name) { notices.emplace_back(arrived, name); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return gatt.Ready(); }, 5000));
    ASSERT_EQ(notices.size(), 1U);
    EXPECT_TRUE(notices[0].first);
    EXPECT_NE(notices[0].second.find("VID&02045e"), std::string::npos) << notices[0].second;
    EXPECT_NE(notices[0].second.find("PID&0040"), std::string::npos);
    ASSERT_EQ(gatt.ServiceInterfaces().size(), 1U);
    EXPECT_EQ(gatt.ServiceInterfaces()[0],
        "\\\\?\\BTHLEDevice#{0000fee0-0000-1000-8000-00805f9b34fb}_Dev_VID&02045e_PID&0040_REV&"
        "0001_aabbccddeeff#" +
            kServicePath.toStdString());
    ASSERT_EQ(gatt.Devices().size(), 1U);
    EXPECT_EQ(gatt.Devices()[0].hardwareId, "BTHLE\\Dev_aabbccddeeff");

    BleTransport transport(gatt);
    transport.Up();
    std::vector<std::pair<uint16_t, uint16_t>> events;
    transport.RegisterNotifications(
        [&](uint16_t code, uint16_t value) { events.emplace_back(code, value); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bluez.calls.empty(); }, 5000));
    EXPECT_EQ(bluez.calls[0], QStringLiteral("StartNotify ") + kNotifyPath);

    // A write waits for the device, as on the worker thread; the loop here serves the device.
    const uint8_t report[] = {0x0c, 0x0a, 0x01, 0xfe};
    int wrote = -1;
    std::thread worker([&] { wrote = transport.WriteReport(report); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return wrote != -1; }, 10000));
    worker.join();
    EXPECT_EQ(wrote, 1);
    ASSERT_EQ(bluez.written.size(), 1U);
    EXPECT_EQ(bluez.written[0], QByteArray("\x0c\x0a\x01\xfe", 4));
    bluez.refuseWrites = true;
    wrote = -1;
    worker = std::thread([&] { wrote = transport.WriteReport(report); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return wrote != -1; }, 10000));
    worker.join();
    EXPECT_EQ(wrote, 0);

    ChangeProperty(kNotifyPath, QStringLiteral("org.bluez.GattCharacteristic1"),
        QStringLiteral("Value"), QByteArray("\x10\x40\x00\x39", 4));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !events.empty(); }, 5000));
    EXPECT_EQ(events[0], (std::pair<uint16_t, uint16_t>{0x4010, 0x3900}));

    // Disconnected: a removal notice, no interface left, the subscription stopped.
    ChangeProperty(
        kDevicePath, QStringLiteral("org.bluez.Device1"), QStringLiteral("Connected"), false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notices.size() == 2; }, 5000));
    EXPECT_FALSE(notices[1].first);
    EXPECT_EQ(notices[1].second, notices[0].second);
    EXPECT_TRUE(gatt.ServiceInterfaces().empty());
    EXPECT_TRUE(transport.Down());
    ASSERT_TRUE(QTest::qWaitFor([&] { return bluez.calls.size() == 2; }, 5000));
    EXPECT_EQ(bluez.calls[1], QStringLiteral("StopNotify ") + kNotifyPath);
}

// Seen with BlueZ itself: the change that said the mouse connected never arrived, and the
// mouse was never announced though BlueZ had it connected and resolved.
TEST_F(BluezGattTest, AMissedConnectionChangeIsMadeGoodByTheNextChangeOfTheLink)
{
    const QString device = QStringLiteral("org.bluez.Device1");
    bluez.objects[kDevicePath][device][QStringLiteral("Connected")] = false;
    bluez.objects[kDevicePath][device][QStringLiteral("ServicesResolved")] = false;
    BluezGatt gatt;
    std::vector<bool> notices;
    gatt.SetNoticeHandler([&](bool arrived, const std::string&) { notices.push_back(arrived); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return gatt.Ready(); }, 5000));
    EXPECT_TRUE(notices.empty());

    bluez.objects[kDevicePath][device][QStringLiteral("Connected")] = true; // told to no one
    ChangeProperty(kDevicePath, device, QStringLiteral("ServicesResolved"), true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !notices.empty(); }, 5000));
    EXPECT_EQ(notices, std::vector<bool>{true});
    EXPECT_EQ(gatt.ServiceInterfaces().size(), 1U);
}

// BlueZ reads its objects while the program goes on: a registration made before the mouse's
// characteristics were read found nothing, and its events never arrived.
TEST_F(BluezGattTest, CharacteristicsReadAfterAFruitlessRegistrationAreSubscribedTo)
{
    const InterfaceMap notify = bluez.objects[kNotifyPath];
    bluez.objects.erase(kNotifyPath);
    BluezGatt gatt;
    ASSERT_TRUE(QTest::qWaitFor([&] { return gatt.Ready(); }, 5000));
    BleTransport transport(gatt);
    transport.Up();
    transport.RegisterNotifications(nullptr);
    EXPECT_FALSE(transport.Registered());

    bluez.objects[kNotifyPath] = notify;
    QDBusMessage added = QDBusMessage::createSignal(QStringLiteral("/"),
        QStringLiteral("org.freedesktop.DBus.ObjectManager"), QStringLiteral("InterfacesAdded"));
    added << QVariant::fromValue(QDBusObjectPath(kNotifyPath)) << QVariant::fromValue(notify);
    Emit(added);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bluez.calls.empty(); }, 5000));
    EXPECT_EQ(bluez.calls[0], QStringLiteral("StartNotify ") + kNotifyPath);
    EXPECT_TRUE(transport.Registered());
}

TEST_F(BluezGattTest, BluetoothdOrTheBusGoingTakesTheMouseAwayUntilTheyAreBack)
{
    BluezGatt gatt;
    std::vector<bool> notices;
    gatt.SetNoticeHandler([&](bool arrived, const std::string&) { notices.push_back(arrived); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return notices.size() == 1; }, 5000));
    BleTransport transport(gatt);

    // bluetoothd restarts: its objects go with it, and are read again from the new one.
    ASSERT_TRUE(service->unregisterService(QStringLiteral("org.bluez")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notices.size() == 2; }, 5000));
    EXPECT_FALSE(notices[1]);
    EXPECT_TRUE(gatt.ServiceInterfaces().empty());
    EXPECT_FALSE(transport.MouseConnected());
    ASSERT_TRUE(service->registerService(QStringLiteral("org.bluez")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notices.size() == 3; }, 5000));
    EXPECT_TRUE(notices[2]);
    EXPECT_TRUE(transport.MouseConnected());

    // The bus itself dies and comes back at its address.
    daemon->kill();
    daemon->waitForFinished();
    ASSERT_TRUE(QTest::qWaitFor([&] { return notices.size() == 4; }, 5000));
    EXPECT_FALSE(notices[3]);
    StartDaemon();
    ServeBluez();
    ASSERT_TRUE(QTest::qWaitFor([&] { return notices.size() == 5; }, 10000));
    EXPECT_TRUE(notices[4]);
    EXPECT_TRUE(transport.MouseConnected());
    transport.Up();
    const uint8_t report[] = {0x0c, 0x0a, 0x01, 0xfe};
    int wrote = -1;
    std::thread worker([&] { wrote = transport.WriteReport(report); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return wrote != -1; }, 10000));
    worker.join();
    EXPECT_EQ(wrote, 1) << "written over the bus joined again";
}

TEST(BleInterfaceName, TakesVendorAndProductFromTheModaliasOrNothing)
{
    EXPECT_EQ(
        ComposeBleInterfaceName("bluetooth:v0001p0002d0003", "01:02:03:04:05:0A", "1812", "/p"),
        "\\\\?\\BTHLEDevice#{1812}_Dev_VID&010001_PID&0002_REV&0003_01020304050a#/p");
    EXPECT_EQ(ComposeBleInterfaceName("", "01:02:03:04:05:0A", "1812", "/p"), "");
    EXPECT_EQ(ComposeBleInterfaceName("pci:v8086d1234", "01:02:03:04:05:0A", "1812", "/p"), "");
}

} // namespace
} // namespace kestrin
