#pragma once

#include "base/GattBus.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace kestrin {

// The mouse's Bluetooth LE link: reports are writes of characteristic 0xFEE3, events come as
// notifications of 0xFEE4 (code and value, 16 bits each, little-endian). A service interface is
// the mouse's while the link is up, when its upper-case name holds "VID&02045E", "PID&0040" and
// the id of a connected Bluetooth device from the last scan.
class BleTransport {
public:
    explicit BleTransport(GattBus& bus);
    ~BleTransport();
    BleTransport(const BleTransport&) = delete;
    BleTransport& operator=(const BleTransport&) = delete;

    // The link comes up: the filters are set and the connected devices scanned.
    void Up();
    // The link goes down: the filters are emptied and every subscription ends. True when one
    // was there and ended.
    bool Down();
    bool IsUp() const;

    // Scans the connected devices, then subscribes to 0xFEE4 of every interface of the mouse in
    // place of the last registration's; `event` gets each notification's code and value.
    // Nothing while the link is down. One that finds nothing to subscribe to (the stack had not
    // told of the mouse's characteristics yet) is made again each time characteristics appear,
    // until it finds some or the link goes down.
    void RegisterNotifications(const std::function<void(uint16_t code, uint16_t value)>& event);
    bool Registered() const { return !subscriptions_.empty(); }

    // Writes one report whole to 0xFEE3 of the first interface of the mouse that takes it,
    // scanning the connected devices again when none qualifies; 1 when written, 0 otherwise
    // (also while the link is down). Off the UI thread.
    int WriteReport(std::span<const uint8_t> report);

    // The connected devices' ids, from the hardware id's second "_" field; at most 100. A
    // device whose hardware id has no such field is left out: an empty id would match every
    // interface.
    void RefreshConnectedIds();
    std::vector<std::string> ConnectedIds() const;

    // Whether the stack's copy has the mouse connected with its services resolved, up or down:
    // the stack tells only of changes, so a link taken down while the mouse stayed connected
    // learns of it here.
    bool MouseConnected();

    // A notification's event: the first four bytes as code and value; none when shorter.
    static std::optional<std::pair<uint16_t, uint16_t>> DecodeNotification(
        std::span<const uint8_t> value);

    static constexpr std::size_t kMaxConnectedIds = 100;

private:
    using EventHandler = std::function<void(uint16_t code, uint16_t value)>;

    // The interfaces of the mouse now, under the lock.
    std::vector<std::string> MouseInterfaces() const;
    // The service interfaces whose names hold both filters and one of `ids`.
    std::vector<std::string> InterfacesMatching(const std::string& vendor,
        const std::string& product, const std::vector<std::string>& ids) const;
    void OnCharacteristicsAdded();

    GattBus& bus_;
    mutable std::mutex mutex_; // the filters and ids: the worker writes while the UI rescans
    std::string vendorFilter_;
    std::string productFilter_;
    std::vector<std::string> connectedIds_;
    std::vector<uint64_t> subscriptions_; // UI thread
    // UI thread: the last registration found nothing, and is made again with this.
    bool registrationDue_ = false;
    EventHandler dueEvent_;
};

} // namespace kestrin
