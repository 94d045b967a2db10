#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

// The mouse's side of the report protocol: what it accepts and what each report does to it.
// Written from the byte tables on purpose, apart from the program's encoders, so that the
// virtual mouse is an independent check of what the program sends.
namespace kestrin::vmouse {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
};

struct MouseSettings {
    uint8_t liftOff = 0;
    uint8_t ripple = 0;
    uint8_t stageMask = 0;
    uint8_t angleSnap = 0;
    uint8_t motionSync = 0;
    std::array<uint16_t, 8> dpiCode{}; // the value as sent: DPI / 50 - 1, or 0
    uint8_t currentStage = 1;          // 1..8
    std::array<Rgb, 8> stageColor{};
};

struct MouseLighting {
    uint8_t mode = 0;
    uint8_t sleepTimer = 0;
    uint8_t speedCode = 0; // 9 - speed
    uint8_t brightness = 0;
    Rgb color;
    uint8_t lightOff = 0;
    uint8_t debounce = 0;
};

using Entry = std::pair<uint8_t, uint8_t>;

struct Download {
    uint8_t slot = 0;
    uint8_t playMode = 0;
    std::array<uint8_t, 3> options{};
    uint8_t repeat = 0;
    std::vector<Entry> entries;
};

// Everything the mouse has taken from the program.
struct MouseState {
    int beginReports = 0;
    bool hasSettings = false;
    MouseSettings settings;
    bool hasLighting = false;
    MouseLighting lighting;
    uint8_t rateCode = 1; // polling interval in ms: 1, 2, 4 or 8
    bool hasButtonMap = false;
    std::array<std::array<uint8_t, 3>, 18> buttonMap{};
    std::map<uint8_t, Download> downloads; // by slot
};

inline constexpr uint8_t kBeginId = 0x0C;
inline constexpr uint8_t kSettingsId = 0x04;
inline constexpr uint8_t kLightingId = 0x05;
inline constexpr uint8_t kRateId = 0x06;
inline constexpr uint8_t kButtonMapId = 0x08;
inline constexpr uint8_t kDownloadId = 0x09;
inline constexpr std::size_t kDownloadLength = 131;
inline constexpr std::size_t kPacketLength = 64;

// The length a report with this id must have, or 0 for an id the mouse does not know.
std::size_t ReportLength(uint8_t id);

// Checks a whole report as the mouse would and, when it is sound, applies it to `state`.
// Returns an empty string when accepted, else why it was refused (state untouched).
std::string ApplyReport(std::span<const uint8_t> report, MouseState& state);

// A one-line, human-readable summary per setting, for `kestrin-virtual-mouse state`.
std::string DescribeState(const MouseState& state);

std::string ToHex(std::span<const uint8_t> bytes);

} // namespace kestrin::vmouse
