// Runs inside the test kernel with BlueZ: two virtual LE controllers, the virtual mouse as a
// peripheral of BlueZ on the first, and the program's own GATT layer (BluezGatt and the
// Bluetooth transport) on the second, as a central that connects to it. Prints one line per
// check and a verdict line that the host looks for.
//   bluetooth-harness DIR
// DIR holds apply.pro, ble.hex (every write of a full apply over Bluetooth) and
// kestrin-virtual-mouse.
#include "base/Messages.h"
#include "base/Trace.h"
#include "device/ApplyEngine.h"
#include "device/BleTransport.h"
#include "platform/BluezGatt.h"
#include "profiles/ProfileExchange.h"
#include "protocol/DeviceEvent.h"
#include "tests/kernel/GuestChecks.h"
#include "tests/kernel/ProgramApply.h"
#include "tools/virtualmouse/Wire.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QEventLoop>

#include <chrono>
#include <cstdio>
#include <functional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace kestrin;
using namespace kestrin::guest;
using namespace std::chrono_literals;

namespace {

// Generous: the guest, its controllers and BlueZ all run under emulation.
constexpr auto kStart = 60s;
constexpr auto kLink = 60s;
constexpr auto kEvent = 15s;
constexpr int kCallMs = 45000;
const QString kBluez = QStringLiteral("org.bluez");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kMouseAdapter = QStringLiteral("/org/bluez/hci0");
const QString kProgramAdapter = QStringLiteral("/org/bluez/hci1");

// Turns the event loop until `done` or the time is up; whether `done` came true.
bool Spin(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() >= timeout.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    return true;
}

QDBusMessage Call(const QString& path, const QString& interface, const QString& method,
    const QList<QVariant>& arguments = {}, int timeoutMs = kCallMs)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kBluez, path, interface, method);
    call.setArguments(arguments);
    return QDBusConnection::systemBus().call(call, QDBus::Block, timeoutMs);
}

QString Error(const QDBusMessage& reply)
{
    return reply.type() == QDBusMessage::ErrorMessage
        ? reply.errorName() + QStringLiteral(": ") + reply.errorMessage()
        : QString();
}

// A property of a BlueZ object; invalid when the object or property is not there.
QVariant Property(const QString& path, const QString& interface, const QString& name)
{
    const QDBusMessage reply = Call(path, kProperties, QStringLiteral("Get"), {interface, name});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().at(0).value<QDBusVariant>().variant();
}

bool SetPowered(const QString& adapter)
{
    const QString interface = QStringLiteral("org.bluez.Adapter1");
    Call(adapter, kProperties, QStringLiteral("Set"),
        {interface, QStringLiteral("Powered"), QVariant::fromValue(QDBusVariant(true))});
    return Spin(
        [&] { return Property(adapter, interface, QStringLiteral("Powered")).toBool(); }, 10s);
}

// Runs the virtual mouse's tool; its standard output, or nothing when it failed.
std::optional<std::string> Mouse(const std::string& tool, const std::string& command)
{
    FILE* pipe = ::popen((tool + " --folder /tmp/mouse " + command + " 2>&1").c_str(), "r");
    if (!pipe)
        return std::nullopt;
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    return ::pclose(pipe) == 0 ? std::optional(output) : std::nullopt;
}

// The central's side of a connection, as the desktop's Bluetooth settings would make it: find
// the advertising mouse, then connect to it. Tries again while BlueZ aborts a connection
// attempt, which an emulated controller may do under load.
bool ConnectTo(const QString& device, QString& detail)
{
    const QString adapter1 = QStringLiteral("org.bluez.Adapter1");
    Call(kProgramAdapter, adapter1, QStringLiteral("SetDiscoveryFilter"),
        {QVariantMap{{QStringLiteral("Transport"), QStringLiteral("le")}}});
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QDBusMessage started =
            Call(kProgramAdapter, adapter1, QStringLiteral("StartDiscovery"));
        const bool found = Spin(
            [&] {
                return Property(device, QStringLiteral("org.bluez.Device1"), QStringLiteral("RSSI"))
                    .isValid();
            },
            kLink);
        Call(kProgramAdapter, adapter1, QStringLiteral("StopDiscovery"));
        if (!found) {
            detail = QStringLiteral("the mouse was not seen advertising ") + Error(started);
            continue;
        }
        const QDBusMessage reply =
            Call(device, QStringLiteral("org.bluez.Device1"), QStringLiteral("Connect"));
        if (reply.type() == QDBusMessage::ReplyMessage)
            return true;
        detail = Error(reply);
    }
    return false;
}

// What BlueZ says of the device, for a failure's detail.
std::string Describe(const QString& device)
{
    std::string text;
    for (const char* name : {"Connected", "ServicesResolved", "Modalias", "UUIDs"}) {
        const QVariant value =
            Property(device, QStringLiteral("org.bluez.Device1"), QString::fromLatin1(name));
        const QString shown = !value.isValid() ? QStringLiteral("-")
            : value.metaType() == QMetaType::fromType<QStringList>()
            ? value.toStringList().join(' ')
            : value.toString();
        text += std::string(text.empty() ? "" : ", ") + name + " " + shown.toStdString();
    }
    return text;
}

// What the GATT layer holds of the devices, for a failure's detail.
std::string Cached(BluezGatt& gatt)
{
    std::string text;
    for (const BluetoothDevice& d : gatt.Devices())
        text += d.hardwareId + (d.connected ? " connected " : " not connected ");
    return text.empty() ? "knows no device" : text;
}

// The GATT layer's notices about the mouse, as the program's central sees it. One bluetoothd
// serves both controllers with one set of ids, so the mouse's side sees the program's
// controller as mouse-shaped too; that device is not the one under test.
struct Notices {
    std::string device;
    std::vector<std::pair<bool, std::string>> told;
    void Hear(bool arrived, const std::string& name)
    {
        if (name.ends_with("#" + device))
            told.emplace_back(arrived, name);
    }
    std::size_t Count(bool arrived) const
    {
        return std::ranges::count_if(told, [&](const auto& n) { return n.first == arrived; });
    }
};

// The mouse's log after an apply, as its writes.
std::vector<std::vector<uint8_t>> LoggedWrites(const std::string& log, std::string& detail)
{
    std::vector<std::vector<uint8_t>> writes;
    std::size_t at = 0;
    while (at < log.size()) {
        const std::size_t end = std::min(log.find('\n', at), log.size());
        const std::string line = log.substr(at, end - at);
        at = end + 1;
        if (line.empty())
            continue;
        // "ble 0c0a… accepted"
        const std::size_t space = line.find(' ');
        const std::size_t last = line.rfind(' ');
        const auto bytes = space == std::string::npos || last <= space
            ? std::nullopt
            : vmouse::ParseHex(line.substr(space + 1, last - space - 1));
        if (!line.starts_with("ble ") || !line.ends_with(" accepted") || !bytes) {
            detail = "unexpected log line: " + line;
            return {};
        }
        writes.push_back(*bytes);
    }
    return writes;
}

// The program's apply engine over the transport, with the profile of the test's files and the
// link words the page would keep.
struct ProgramEngine {
    ProgramEngine(BleTransport& ble, const ProfileRecord& profile)
        : host(profile), engine(links, WritersOver(ble), host, clock)
    {
        links.BlePresent = 1;
        links.MouseUnreachable = 0;
        links.ApplyAllPending = 1;
    }
    static LinkWriters WritersOver(BleTransport& ble)
    {
        LinkWriters writers;
        writers.bluetooth = [&ble](
                                std::span<const uint8_t> bytes) { return ble.WriteReport(bytes); };
        return writers;
    }
    // One apply on a worker, as in the program, while the event loop here turns (notifications
    // and notices); `meanwhile` is asked at each turn until it says it is done. How long the
    // apply took.
    std::chrono::milliseconds Apply(const std::function<bool()>& meanwhile = {})
    {
        bool done = false;
        bool acted = !meanwhile;
        const auto start = std::chrono::steady_clock::now();
        std::thread worker([&] {
            engine.ApplyProfile();
            QMetaObject::invokeMethod(QCoreApplication::instance(), [&done] { done = true; });
        });
        Spin(
            [&] {
                acted = acted || meanwhile();
                return done;
            },
            600s);
        worker.join();
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
    }

    LinkState links;
    ProfileHost host;
    RealClock clock;
    ApplyEngine engine;
};

// How the mouse's log differs from the expected writes; empty when it holds exactly those.
std::string LogDiffers(const std::string& tool, const std::vector<std::vector<uint8_t>>& expected)
{
    std::string detail;
    const auto logged = LoggedWrites(Mouse(tool, "log").value_or(""), detail);
    if (!detail.empty() || logged == expected)
        return detail;
    detail = std::to_string(logged.size()) + " writes logged for " +
        std::to_string(expected.size()) + " expected";
    for (std::size_t i = 0; i < std::min(logged.size(), expected.size()); ++i)
        if (logged[i] != expected[i])
            return detail + "; write " + std::to_string(i) + " differs";
    return detail;
}

void FullApply(BleTransport& ble, const std::string& tool, const std::string& dir)
{
    const ProfileFileRead read = ReadProfileFile(dir + "/apply.pro");
    const auto expected = ReadWrites(dir + "/ble.hex");
    if (!Check(read.ok() && !expected.empty(), "profile and expected writes read",
            std::to_string(expected.size()) + " writes"))
        return;
    Mouse(tool, "clear-log");
    ProgramEngine program(ble, *read.value);
    const auto took = program.Apply();
    const std::string differs = LogDiffers(tool, expected);
    Check(differs.empty(),
        "a full apply over Bluetooth reaches the mouse once, byte for byte, in " +
            std::to_string(took.count()) + " ms",
        differs);
    Check(program.host.AllTaken(), "the mouse took every group over Bluetooth");
}

// A battery report of the mouse reaches the program's event path as that battery status.
void BatteryReaches(std::vector<BatteryStatus>& events, const std::string& tool, int percent,
    const std::string& when)
{
    events.clear();
    const bool sent = Mouse(tool, "battery " + std::to_string(percent)).has_value();
    const bool heard = Spin([&] { return !events.empty(); }, kEvent);
    Check(sent && heard && events.back().percent == percent,
        "a battery notification " + when + " reaches the event path",
        !sent       ? "the mouse could not send it"
            : heard ? "percent " + std::to_string(events.back().percent)
                    : "nothing arrived");
}

// The mouse disconnecting during an apply: the apply ends, what the mouse did not take left for
// later; once the mouse is back, the apply sent again (as the program sends it when the link
// comes up with changes untaken) reaches it whole.
void ApplyAcrossADisconnection(BleTransport& ble, const std::string& tool, const std::string& dir,
    const QString& device, Notices& notices, const std::function<bool()>& listen)
{
    const ProfileFileRead read = ReadProfileFile(dir + "/apply.pro");
    const auto expected = ReadWrites(dir + "/ble.hex");
    if (!read.ok() || expected.empty())
        return;
    Mouse(tool, "clear-log");
    ProgramEngine program(ble, *read.value);
    const std::size_t gone = notices.Count(false);
    const std::size_t arrived = notices.Count(true);
    std::string detail;
    const auto logged = [&] {
        return LoggedWrites(Mouse(tool, "log").value_or(""), detail).size();
    };
    // Pulled once the mouse has taken a few writes.
    const auto cut = program.Apply([&] { return logged() >= 2 && Mouse(tool, "unplug ble"); });
    const std::size_t taken = logged();
    Check(!program.host.AllTaken() && program.links.ApplyAllPending.load() == 1 &&
            taken < expected.size(),
        "the mouse disconnecting during an apply leaves it untaken, to go whole again",
        std::to_string(taken) + " of " + std::to_string(expected.size()) + " writes taken, in " +
            std::to_string(cut.count()) + " ms");

    // As the page does at the notices: the link goes down, and comes up with the mouse.
    const bool left = Spin([&] { return notices.Count(false) > gone; }, kLink);
    program.links.BlePresent = 0;
    ble.Down();
    Mouse(tool, "plug ble");
    QString why;
    const bool back = left && ConnectTo(device, why) &&
        Spin([&] { return notices.Count(true) > arrived; }, kLink) && listen();
    Check(back, "the mouse comes back after disconnecting during an apply",
        left ? why.toStdString() : "no notice that it had gone");
    if (!back)
        return;
    program.links.BlePresent = 1;
    Mouse(tool, "clear-log");
    const auto took = program.Apply();
    const std::string differs = LogDiffers(tool, expected);
    Check(differs.empty() && program.host.AllTaken(),
        "what it missed reaches it whole once it is back, in " + std::to_string(took.count()) +
            " ms",
        differs);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bluetooth-harness DIR\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    // The program's trace (what the GATT layer heard, what the engine wrote) tells a failure's
    // story in the console log.
    SetTraceSink([](std::string_view line) {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.remove_suffix(1);
        std::printf("#   trace: %.*s\n", int(line.size()), line.data());
        std::fflush(stdout);
    });
    const std::string dir = argv[1];
    const std::string tool = dir + "/kestrin-virtual-mouse";

    const bool adapters = Spin(
        [] {
            return Property(kMouseAdapter, QStringLiteral("org.bluez.Adapter1"),
                       QStringLiteral("Address"))
                       .isValid() &&
                Property(kProgramAdapter, QStringLiteral("org.bluez.Adapter1"),
                    QStringLiteral("Address"))
                    .isValid();
        },
        kStart);
    Check(adapters, "bluetoothd shows both virtual controllers");
    const bool powered = adapters && SetPowered(kMouseAdapter) && SetPowered(kProgramAdapter);
    Check(powered, "both controllers power on");

    // The mouse, a peripheral of BlueZ on hci0, advertising while its Bluetooth link is plugged.
    const pid_t mouse = ::fork();
    if (mouse == 0) {
        ::execl(tool.c_str(), tool.c_str(), "--folder", "/tmp/mouse", "start", "--plug", "ble",
            "--bluez", "hci0", "--status-interval", "0", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const bool mouseUp = Spin([&] { return Mouse(tool, "state").has_value(); }, 20s);
    Check(mouseUp, "the virtual mouse serves its GATT service through BlueZ");

    const QString address =
        Property(kMouseAdapter, QStringLiteral("org.bluez.Adapter1"), QStringLiteral("Address"))
            .toString();
    const QString device =
        kProgramAdapter + QStringLiteral("/dev_") + QString(address).replace(':', '_');
    BluezGatt gatt;
    Notices notices{device.toStdString(), {}};
    gatt.SetNoticeHandler(
        [&](bool arrived, const std::string& name) { notices.Hear(arrived, name); });
    BleTransport ble(gatt);
    std::vector<BatteryStatus> batteries;
    // As the program does: the link comes up at the notice, notifications are registered once
    // the link has settled.
    const auto listen = [&] {
        ble.Up();
        Spin([] { return false; }, std::chrono::milliseconds(kBleRegisterDelayMs));
        ble.RegisterNotifications([&](uint16_t code, uint16_t value) {
            const auto event = DecodeDeviceEvent(code, value, LinkKind::Bluetooth);
            if (event && std::holds_alternative<BatteryStatus>(*event))
                batteries.push_back(std::get<BatteryStatus>(*event));
        });
        return ble.Registered();
    };

    QString detail;
    const bool connected = powered && mouseUp && ConnectTo(device, detail);
    Check(connected, "the program's controller connects to the advertising mouse",
        detail.toStdString());
    if (connected) {
        const bool usable = Spin([&] { return notices.Count(true) == 1; }, kLink);
        const QString name =
            QString::fromStdString(usable ? notices.told.back().second : "").toUpper();
        Check(usable && name.contains(QStringLiteral("_DEV_VID&02045E_PID&0040_")),
            "the GATT layer finds the mouse by the ids BlueZ read from it",
            usable ? name.toStdString()
                   : "BlueZ says " + Describe(device) + "; the GATT layer " + Cached(gatt));
        Check(usable && listen(), "the transport subscribes to the mouse's notifications");
        FullApply(ble, tool, dir);
        BatteryReaches(batteries, tool, 40, "after the apply");

        Mouse(tool, "unplug ble");
        const bool gone = Spin([&] { return notices.Count(false) == 1; }, kLink);
        const auto left =
            std::ranges::count_if(gatt.ServiceInterfaces(), [&](const std::string& name) {
                return name.find("#" + notices.device + "/") != std::string::npos;
            });
        Check(gone && left == 0, "the mouse disconnecting removes the link",
            gone ? std::to_string(left) + " of its interfaces left"
                 : "no notice that the mouse is gone");
        ble.Down();

        Mouse(tool, "plug ble");
        const bool again =
            ConnectTo(device, detail) && Spin([&] { return notices.Count(true) == 2; }, kLink);
        Check(again, "reconnecting brings the link back", detail.toStdString());
        Check(again && listen(), "the transport subscribes again");
        if (again) {
            BatteryReaches(batteries, tool, 55, "after reconnecting");
            ApplyAcrossADisconnection(ble, tool, dir, device, notices, listen);
        }
    }

    Mouse(tool, "stop");
    ::waitpid(mouse, nullptr, 0);
    const int failures = Failures();
    if (failures == 0)
        std::printf("KESTRIN-GUEST-VERDICT: PASS (%d checks)\n", Checks());
    else
        std::printf("KESTRIN-GUEST-VERDICT: FAIL (%d of %d checks failed)\n", failures, Checks());
    std::fflush(stdout);
    return failures == 0 ? 0 : 1;
}
