#pragma once

#include "tools/virtualmouse/MouseGatt.h"
#include "tools/virtualmouse/VirtualMouse.h"
#include "tools/virtualmouse/Wire.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrin::vmouse {

struct ServerOptions {
    std::vector<Link> plugged;
    AckMode ackMode = AckMode::On;
    int batteryPercent = 80;
    bool charging = false;
    bool full = false;
    // A real mouse reports its battery on its own; 0 turns that off (tests drive it by hand).
    std::chrono::milliseconds statusInterval{2000};
    // Serve the Bluetooth side on a private bus (implied by plugging ble at the start), at this
    // D-Bus address when given.
    bool bluetooth = false;
    std::string bleBusAddress;
    // Serve it instead as a peripheral of the system's BlueZ, on this adapter ("hci0").
    std::string bluezAdapter;
};

// Serves one virtual mouse on the local socket of a program folder: the virtual driver
// libraries write reports and watch their link through it, and kestrin-virtual-mouse drives it.
// Everything runs on the thread that calls Run(), so the mouse's events reach the watchers in
// the order they happen.
class VirtualMouseServer final {
public:
    VirtualMouseServer(std::string socketName, ServerOptions options);
    ~VirtualMouseServer();
    VirtualMouseServer(const VirtualMouseServer&) = delete;
    VirtualMouseServer& operator=(const VirtualMouseServer&) = delete;

    // Binds the socket. False (with the reason) when another virtual mouse serves the folder.
    bool Listen(std::string* error);
    // Serves until Stop() or a "stop" request.
    void Run();
    // Thread-safe.
    void Stop();

private:
    struct Connection {
        explicit Connection(int socket) : fd(socket), reader(socket) { }
        int fd;
        LineReader reader;
        std::optional<Link> watching;
    };

    void Accept();
    bool Serve(Connection& connection); // false when the client is gone
    void Handle(Connection& connection, const std::string& line);
    void Broadcast(Link link, const std::string& line);
    void SendStatus();
    std::vector<std::string> Describe() const;
    void StartBluetooth();

    std::string socketName_;
    ServerOptions options_;
    VirtualMouse mouse_;
    int listenFd_ = -1;
    int wakeFd_ = -1;
    std::atomic<bool> stopping_{false};
    std::vector<std::unique_ptr<Connection>> connections_;
    std::unique_ptr<MouseGatt> bluetooth_;
    std::string bluetoothError_;
};

} // namespace kestrin::vmouse
