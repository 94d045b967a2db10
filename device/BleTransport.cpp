#include "device/BleTransport.h"

#include "base/Trace.h"

#include <algorithm>
#include <cctype>

namespace kestrin {
namespace {

constexpr uint32_t kWriteCharacteristic = 0x0000FEE3;
constexpr uint32_t kNotifyCharacteristic = 0x0000FEE4;
constexpr const char* kVendorFilter = "VID&02045E";
constexpr const char* kProductFilter = "PID&0040";

std::string Upper(std::string text)
{
    std::ranges::transform(
        text, text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The address part of a hardware id, its second "_" field; none when empty or missing, as an
// empty id would match every interface.
std::optional<std::string> DeviceIdOf(const std::string& hardwareId)
{
    const std::size_t first = hardwareId.find('_');
    if (first == std::string::npos)
        return std::nullopt;
    const std::size_t second = hardwareId.find('_', first + 1);
    std::string id = hardwareId.substr(
        first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    if (id.empty())
        return std::nullopt;
    return id;
}

} // namespace

BleTransport::BleTransport(GattBus& bus) : bus_(bus)
{
    bus_.SetCharacteristicsAdded([this] { OnCharacteristicsAdded(); });
}

BleTransport::~BleTransport() { bus_.SetCharacteristicsAdded({}); }

void BleTransport::Up()
{
    // The devices connected now, so that writes work before the first registration.
    RefreshConnectedIds();
    std::lock_guard lock(mutex_);
    vendorFilter_ = kVendorFilter;
    productFilter_ = kProductFilter;
}

bool BleTransport::Down()
{
    {
        std::lock_guard lock(mutex_);
        vendorFilter_.clear();
        productFilter_.clear();
    }
    registrationDue_ = false;
    // Every subscription ends: one left behind would deliver each event again after the next
    // registration.
    bool ended = false;
    for (uint64_t handle : std::exchange(subscriptions_, {}))
        if (bus_.Unsubscribe(handle)) {
            Trace("BluetoothGATTUnregisterEvent Success\r\n");
            ended = true;
        }
    return ended;
}

bool BleTransport::IsUp() const
{
    std::lock_guard lock(mutex_);
    return !vendorFilter_.empty() && !productFilter_.empty();
}

void BleTransport::RefreshConnectedIds()
{
    std::vector<std::string> ids;
    for (const BluetoothDevice& device : bus_.Devices()) {
        if (ids.size() >= kMaxConnectedIds)
            break;
        if (!device.connected)
            continue;
        if (auto id = DeviceIdOf(device.hardwareId))
            ids.push_back(std::move(*id));
    }
    std::lock_guard lock(mutex_);
    connectedIds_ = std::move(ids);
}

std::vector<std::string> BleTransport::ConnectedIds() const
{
    std::lock_guard lock(mutex_);
    return connectedIds_;
}

bool BleTransport::MouseConnected()
{
    std::vector<std::string> ids;
    for (const BluetoothDevice& device : bus_.Devices()) {
        if (!device.connected || !device.servicesResolved)
            continue;
        if (auto id = DeviceIdOf(device.hardwareId))
            ids.push_back(std::move(*id));
    }
    return !ids.empty() && !InterfacesMatching(kVendorFilter, kProductFilter, ids).empty();
}

std::vector<std::string> BleTransport::MouseInterfaces() const
{
    std::string vendor, product;
    std::vector<std::string> ids;
    {
        std::lock_guard lock(mutex_);
        if (vendorFilter_.empty() || productFilter_.empty())
            return {};
        vendor = vendorFilter_;
        product = productFilter_;
        ids = connectedIds_;
    }
    return InterfacesMatching(vendor, product, ids);
}

std::vector<std::string> BleTransport::InterfacesMatching(const std::string& vendor,
    const std::string& product, const std::vector<std::string>& ids) const
{
    std::vector<std::string> found;
    for (const std::string& name : bus_.ServiceInterfaces()) {
        const std::string upper = Upper(name);
        if (upper.find(vendor) == std::string::npos || upper.find(product) == std::string::npos)
            continue;
        if (std::ranges::any_of(ids,
                [&](const std::string& id) { return upper.find(Upper(id)) != std::string::npos; }))
            found.push_back(name);
    }
    return found;
}

void BleTransport::RegisterNotifications(
    const std::function<void(uint16_t code, uint16_t value)>& event)
{
    if (!IsUp())
        return;
    // A registration replaces the last: a subscription kept from it would deliver each event
    // twice.
    for (uint64_t handle : std::exchange(subscriptions_, {}))
        bus_.Unsubscribe(handle);
    RefreshConnectedIds();
    const std::vector<std::string> interfaces = MouseInterfaces();
    for (const std::string& name : interfaces) {
        for (const GattCharacteristic& c : bus_.Characteristics(name)) {
            if (c.uuid32 != kNotifyCharacteristic || !c.notifiable)
                continue;
            const uint64_t handle = bus_.Subscribe(c, [event](std::span<const uint8_t> value) {
                const auto decoded = DecodeNotification(value);
                if (!decoded) {
                    Trace("datasize 0\n");
                    return;
                }
                Trace("dwLeft = %04x, dwRight = %04x\r\n", decoded->first, decoded->second);
                if (event)
                    event(decoded->first, decoded->second);
            });
            if (handle != 0)
                subscriptions_.push_back(handle);
            else
                Trace("subscribing to %s failed\n", c.path.c_str());
        }
    }
    Trace("iIdnex = %d\r\n", static_cast<int>(interfaces.size()));
    registrationDue_ = subscriptions_.empty();
    if (registrationDue_)
        dueEvent_ = event;
}

void BleTransport::OnCharacteristicsAdded()
{
    if (registrationDue_)
        RegisterNotifications(EventHandler(dueEvent_));
}

int BleTransport::WriteReport(std::span<const uint8_t> report)
{
    std::vector<std::string> interfaces = MouseInterfaces();
    if (interfaces.empty() && IsUp()) {
        // The stack may have told of the mouse only after the link came up (it is read
        // without waiting): look again before giving up.
        RefreshConnectedIds();
        interfaces = MouseInterfaces();
    }
    for (const std::string& name : interfaces) {
        for (const GattCharacteristic& c : bus_.Characteristics(name)) {
            if (c.uuid32 != kWriteCharacteristic || !c.writable)
                continue;
            if (bus_.Write(c, report)) {
                Trace("Write Success\r\n");
                return 1;
            }
            Trace("Write fail\r\n");
        }
    }
    return 0;
}

std::optional<std::pair<uint16_t, uint16_t>> BleTransport::DecodeNotification(
    std::span<const uint8_t> value)
{
    if (value.size() < 4)
        return std::nullopt;
    return std::pair{static_cast<uint16_t>(value[0] | value[1] << 8),
        static_cast<uint16_t>(value[2] | value[3] << 8)};
}

} // namespace kestrin
