#include "tools/virtualmouse/MouseReports.h"

#include <cstdio>
#include <sstream>

namespace kestrin::vmouse {
namespace {

constexpr uint8_t kBeginReport[10] = {0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0, 0, 0, 0};
constexpr int kMaxEntries = 50;
constexpr uint16_t kMaxDpiCode = 519; // 26000 DPI

bool ChecksumHolds(std::span<const uint8_t> report, std::size_t first, std::size_t at)
{
    unsigned sum = 0;
    for (std::size_t i = first; i < at; ++i)
        sum += report[i];
    const unsigned sent = (unsigned{report[at]} << 8) | report[at + 1];
    return (sum & 0xFFFF) == sent;
}

bool AllZero(std::span<const uint8_t> report, std::size_t first, std::size_t end)
{
    for (std::size_t i = first; i < end; ++i)
        if (report[i] != 0)
            return false;
    return true;
}

std::string Hex2(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02x", value & 0xFF);
    return text;
}

std::string CheckSettings(std::span<const uint8_t> r, MouseState& state)
{
    if (!ChecksumHolds(r, 3, 50))
        return "settings: bad checksum";
    if (r[49] != 0x01)
        return "settings: byte 49 is not 01";
    if (!AllZero(r, 52, 56))
        return "settings: trailing bytes not zero";
    if (r[24] < 1 || r[24] > 8)
        return "settings: current stage " + std::to_string(r[24]) + " outside 1..8";
    MouseSettings s;
    s.liftOff = r[3];
    s.ripple = r[4];
    s.stageMask = r[5];
    s.angleSnap = r[6];
    s.motionSync = r[7];
    for (int k = 0; k < 8; ++k) {
        s.dpiCode[k] = static_cast<uint16_t>(r[8 + k] | (r[16 + k] << 8));
        if (s.dpiCode[k] > kMaxDpiCode)
            return "settings: stage " + std::to_string(k + 1) + " DPI above the sensor's 26000";
        s.stageColor[k] = {r[25 + 3 * k], r[26 + 3 * k], r[27 + 3 * k]};
    }
    s.currentStage = r[24];
    state.settings = s;
    state.hasSettings = true;
    return {};
}

std::string CheckLighting(std::span<const uint8_t> r, MouseState& state)
{
    if (!ChecksumHolds(r, 3, 11))
        return "lighting: bad checksum";
    if (!AllZero(r, 13, 15))
        return "lighting: trailing bytes not zero";
    if ((r[3] & 0x0F) != 0)
        return "lighting: mode byte has low bits set";
    MouseLighting l;
    l.mode = r[3] >> 4;
    l.sleepTimer = static_cast<uint8_t>((r[4] & 0xF0) | (r[5] >> 4));
    l.speedCode = r[4] & 0x0F;
    l.brightness = r[5] & 0x0F;
    l.color = {r[6], r[7], r[8]};
    l.lightOff = r[9];
    l.debounce = r[10];
    state.lighting = l;
    state.hasLighting = true;
    return {};
}

std::string CheckRate(std::span<const uint8_t> r, MouseState& state)
{
    if (r[4] != static_cast<uint8_t>(~r[3]))
        return "report rate: byte 4 is not the complement of byte 3";
    if (r[3] != 1 && r[3] != 2 && r[3] != 4 && r[3] != 8)
        return "report rate: code " + std::to_string(r[3]) + " is not 1, 2, 4 or 8";
    if (!AllZero(r, 5, 9))
        return "report rate: trailing bytes not zero";
    state.rateCode = r[3];
    return {};
}

std::string CheckButtonMap(std::span<const uint8_t> r, MouseState& state)
{
    if (!ChecksumHolds(r, 3, 57))
        return "button map: bad checksum";
    for (int i = 0; i < 18; ++i)
        state.buttonMap[i] = {r[3 + 3 * i], r[4 + 3 * i], r[5 + 3 * i]};
    state.hasButtonMap = true;
    return {};
}

std::string CheckDownload(std::span<const uint8_t> r, MouseState& state)
{
    const uint8_t slot = r[2];
    if (slot == 0)
        return "download: slot 0";
    if (!ChecksumHolds(r, 3, 129))
        return "download: bad checksum";
    if (!AllZero(r, 8, 28))
        return "download: bytes 8..27 not zero";
    const int count = r[28];
    if (count > kMaxEntries)
        return "download: " + std::to_string(count) + " entries, more than 50";
    if (!AllZero(r, 29 + 2 * count, 129))
        return "download: bytes after the last entry not zero";
    Download d;
    d.slot = slot;
    d.playMode = r[3];
    d.options = {r[4], r[5], r[6]};
    d.repeat = r[7];
    for (int e = 0; e < count; ++e)
        d.entries.emplace_back(r[29 + 2 * e], r[30 + 2 * e]);
    for (std::size_t e = 0; e < d.entries.size(); ++e) {
        const auto [first, second] = d.entries[e];
        if (second == 0xF6) {
            if (e + 2 >= d.entries.size())
                return "download: move without its two data entries";
            e += 2;
        } else if (second == 0xFE) {
            if (e + 1 != d.entries.size())
                return "download: link entry is not the last";
            if (first != static_cast<uint8_t>(slot + 1))
                return "download: link to slot " + std::to_string(first) + " from slot " +
                    std::to_string(slot);
        } else if (second == 0x03 || second == 0x00) {
            // long delay and pause: any count the byte holds
        } else if ((first & 0x7F) == 0) {
            return "download: key action without a delay";
        }
    }
    state.downloads[slot] = std::move(d);
    return {};
}

} // namespace

std::size_t ReportLength(uint8_t id)
{
    switch (id) {
    case kBeginId:
        return 10;
    case kSettingsId:
        return 56;
    case kLightingId:
        return 15;
    case kRateId:
        return 9;
    case kButtonMapId:
        return 59;
    case kDownloadId:
        return kDownloadLength;
    default:
        return 0;
    }
}

std::string ApplyReport(std::span<const uint8_t> r, MouseState& state)
{
    if (r.size() < 3)
        return "report of " + std::to_string(r.size()) + " bytes";
    const std::size_t length = ReportLength(r[0]);
    if (length == 0)
        return "unknown report id " + Hex2(r[0]);
    if (r.size() != length)
        return "report " + Hex2(r[0]) + " is " + std::to_string(r.size()) + " bytes, not " +
            std::to_string(length);
    if (r[1] != static_cast<uint8_t>(length))
        return "report " + Hex2(r[0]) + " says length " + std::to_string(r[1]);
    if (r[0] != kDownloadId && r[2] != 0x01)
        return "report " + Hex2(r[0]) + ": byte 2 is not 01";
    switch (r[0]) {
    case kBeginId:
        if (!std::equal(r.begin(), r.end(), std::begin(kBeginReport)))
            return "begin report differs from 0c0a01fe01fe00000000";
        ++state.beginReports;
        return {};
    case kSettingsId:
        return CheckSettings(r, state);
    case kLightingId:
        return CheckLighting(r, state);
    case kRateId:
        return CheckRate(r, state);
    case kButtonMapId:
        return CheckButtonMap(r, state);
    default:
        return CheckDownload(r, state);
    }
}

std::string ToHex(std::span<const uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const uint8_t byte : bytes) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

std::string DescribeState(const MouseState& state)
{
    std::ostringstream out;
    out << "begin reports: " << state.beginReports << '\n';
    if (state.hasSettings) {
        const MouseSettings& s = state.settings;
        out << "dpi stages:";
        for (int k = 0; k < 8; ++k) {
            const bool enabled = s.stageMask & (1 << k);
            out << ' ' << (s.dpiCode[k] ? (s.dpiCode[k] + 1) * 50 : 0) << (enabled ? "" : "(off)");
        }
        out << "\ncurrent stage: " << int{s.currentStage} << '\n';
        out << "stage colours:";
        for (const Rgb& c : s.stageColor)
            out << " #" << Hex2(c.r) << Hex2(c.g) << Hex2(c.b);
        out << "\nlift-off: " << int{s.liftOff} << "  ripple: " << int{s.ripple}
            << "  angle snap: " << int{s.angleSnap} << "  motion sync: " << int{s.motionSync}
            << '\n';
    } else {
        out << "settings: none received\n";
    }
    out << "report rate: " << 1000 / state.rateCode << " Hz\n";
    if (state.hasLighting) {
        const MouseLighting& l = state.lighting;
        out << "lighting: mode " << int{l.mode} << "  brightness " << int{l.brightness}
            << "  speed code " << int{l.speedCode} << "  colour #" << Hex2(l.color.r)
            << Hex2(l.color.g) << Hex2(l.color.b) << "  light-off " << int{l.lightOff} << "  sleep "
            << int{l.sleepTimer} << "  debounce " << int{l.debounce} << '\n';
    } else {
        out << "lighting: none received\n";
    }
    if (state.hasButtonMap) {
        out << "buttons:";
        for (const auto& button : state.buttonMap)
            out << ' ' << Hex2(button[0]) << Hex2(button[1]) << Hex2(button[2]);
        out << '\n';
    } else {
        out << "buttons: none received\n";
    }
    for (const auto& [slot, d] : state.downloads)
        out << "download slot " << int{slot} << ": " << d.entries.size() << " entries, repeat "
            << int{d.repeat} << ", play mode " << int{d.playMode} << '\n';
    return out.str();
}

} // namespace kestrin::vmouse
