#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace kestrin::ctl {

// Where use, apply and status find things: the data folder (`dataGiven` when --data chose it),
// and the program folder whose driver libraries reach the mouse when the program is not running.
struct DeviceContext {
    std::string dataFolder;
    bool dataGiven = false;
    std::string programFolder;
};

// Makes PROFILE current and sends it: through the running program as its profile list would,
// else straight to the mouse with the program's apply engine, saving pro.data.
int UseProfile(
    const DeviceContext& context, const std::string& name, std::ostream& out, std::ostream& err);
// Sends the current profile the same way.
int ApplyCurrent(const DeviceContext& context, std::ostream& out, std::ostream& err);
// The name of the current profile, from the running program or else pro.data; nothing, told on
// `err`, when neither tells it.
std::optional<std::string> CurrentProfile(const DeviceContext& context, std::ostream& err);
// Links, battery, charging, the current profile and stage; as JSON with `json`.
int ShowStatus(const DeviceContext& context, bool json, std::ostream& out, std::ostream& err);

// What `status` reports, from the program's answer or from the mouse and the data folder.
struct MouseStatus {
    bool running = false; // the program answered
    bool cable = false;
    bool receiver = false;
    bool ble = false;
    std::optional<int> battery;
    bool charging = false;
    std::string profile;
    int stage = 0; // 1-based; 0 for none
    int dpi = 0;
    bool untaken = false;
};
// The program's answer to "status"; nothing when it is not one.
std::optional<MouseStatus> ParseStatusAnswer(const std::string& line);
void WriteStatus(const MouseStatus& status, bool json, std::ostream& out);

} // namespace kestrin::ctl
