#include "tools/kestrinctl/ShowCommand.h"

#include "base/RecordNames.h"
#include "profiles/ButtonFunctions.h"
#include "profiles/ProfileRanges.h"
#include "tools/kestrinctl/Json.h"
#include "tools/kestrinctl/StoreCommands.h"
#include "tools/kestrinctl/Words.h"

#include <cstdio>
#include <ostream>

namespace kestrin::ctl {
namespace {

constexpr int kReportRates = 4;
constexpr int kLightingModes = 12;

std::string Hex(RgbColor color)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", color.r, color.g, color.b);
    return text;
}

// A numbered text of the window ("prate_2_text"), or the number when it is out of range.
std::string Numbered(const Labels& labels, const char* prefix, int number, int first, int count)
{
    if (number < first || number >= first + count)
        return std::to_string(number);
    return ToUtf8(labels.text(prefix + std::to_string(number) + "_text"));
}

std::string Text(const Labels& labels, std::string_view id) { return ToUtf8(labels.text(id)); }

std::string OnOff(const Labels& labels, int32_t value)
{
    return Text(labels, value != 0 ? "option_on_text" : "option_off_text");
}

std::string ButtonText(const ProfileRecord& profile, int button, const Labels& labels)
{
    const ButtonSlot& slot = profile.buttons[button];
    const std::string label = ToUtf8(ButtonLabel(slot, labels.text, labels.keyName));
    // The window leaves a function it has no name for blank; a script should see something.
    if (!label.empty())
        return label;
    std::string unnamed = Text(labels, "ctl_show_function_text");
    if (const std::size_t at = unnamed.find("%1"); at != std::string::npos)
        unnamed.replace(at, 2, std::to_string(slot.functionCode));
    return unnamed;
}

// Half minutes, as the window writes them ("2.5").
std::string HalfUnits(int32_t halves)
{
    return std::to_string(halves / 2) + (halves % 2 != 0 ? ".5" : ".0");
}

void WriteText(const ProfileRecord& p, bool current, const Labels& labels, std::ostream& out)
{
    const std::string name = ToUtf8(ReadName(p.name));
    out << (current ? Say("ctl_show_current_text", {name}) : name) << "\n\n";

    out << Text(labels, "section_dpi_text") << "\n";
    for (int i = 0; i < kDpiStageCount; ++i) {
        out << (i == p.currentDpiStage ? "* " : "  ") << i + 1 << "  " << DpiOfUnits(p.dpiX[i]);
        if (p.dpiY[i] != p.dpiX[i])
            out << " x " << DpiOfUnits(p.dpiY[i]);
        out << " DPI  " << Hex(p.stageColor[i])
            << (p.stageEnabled[i] != 0 ? "" : "  " + Say("ctl_show_stage_off_text")) << "\n";
    }

    out << "\n"
        << Text(labels, "section_prate_text") << ": "
        << Numbered(labels, "prate_", p.reportRate + 1, 1, kReportRates) << "\n";

    out << "\n" << Text(labels, "section_sensor_text") << "\n";
    out << "  " << Text(labels, "lift_off_text") << ": "
        << Numbered(labels, "lift_off_", p.liftOffDistance + 1, 1, 2) << "\n";
    out << "  " << Text(labels, "ripple_control_text") << ": " << OnOff(labels, p.rippleControl)
        << "\n";
    out << "  " << Text(labels, "angle_snap_text") << ": " << OnOff(labels, p.angleSnap) << "\n";
    out << "  " << Text(labels, "motion_sync_text") << ": " << OnOff(labels, p.motionSync) << "\n";
    out << "  " << Text(labels, "key_debounce_text") << ": " << p.keyDebounce * 2 << " ms\n";
    out << "  " << Text(labels, "move_mode_text") << ": " << OnOff(labels, p.moveMode) << "\n";

    out << "\n" << Text(labels, "section_light_text") << "\n";
    out << "  " << Text(labels, "light_effect_text") << ": "
        << Numbered(labels, "light_mode_", p.lightingMode, 0, kLightingModes) << "\n";
    out << "  " << Text(labels, "light_effect_ble_text") << ": "
        << Numbered(labels, "light_mode_", p.bleLightingMode, 0, kLightingModes) << "\n";
    out << "  " << Text(labels, "light_color_text") << ": " << Hex(p.lightingColor) << "\n";
    out << "  " << Text(labels, "brightness_text") << ": " << p.brightness << "\n";
    out << "  " << Text(labels, "breathspeed_text") << ": " << p.breathSpeed << "\n";

    out << "\n" << Text(labels, "section_power_text") << "\n";
    out << "  " << Text(labels, "sleep_timer_1_text") << HalfUnits(p.lightOffTimer) << " "
        << Text(labels, "sleep_timer_2_text") << "\n";
    out << "  " << Text(labels, "sleep_timer_3_text") << p.sleepTimer << " "
        << Text(labels, "sleep_timer_2_text") << "\n";

    out << "\n" << Text(labels, "section_button_text") << "\n";
    for (int i = 0; i < kButtonCount; ++i) {
        out << "  " << (i + 1 < 10 ? " " : "") << i + 1 << "  "
            << Numbered(labels, "key_caption_", i + 1, 1, kButtonCount) << ": "
            << ButtonText(p, i, labels) << "\n";
    }
}

void WriteJson(const ProfileRecord& p, bool current, const Labels& labels, std::ostream& out)
{
    const auto flag = [](int32_t value) { return value != 0 ? "true" : "false"; };
    out << "{\n  \"name\": " << JsonString(ToUtf8(ReadName(p.name)))
        << ",\n  \"current\": " << (current ? "true" : "false")
        << ",\n  \"current_stage\": " << p.currentDpiStage + 1 << ",\n  \"dpi_stages\": [";
    for (int i = 0; i < kDpiStageCount; ++i)
        out << (i ? "," : "") << "\n    {\"stage\": " << i + 1
            << ", \"dpi_x\": " << DpiOfUnits(p.dpiX[i]) << ", \"dpi_y\": " << DpiOfUnits(p.dpiY[i])
            << ", \"color\": \"" << Hex(p.stageColor[i])
            << "\", \"enabled\": " << flag(p.stageEnabled[i]) << "}";
    const int rates[kReportRates] = {125, 250, 500, 1000};
    out << "\n  ],\n  \"report_rate_hz\": "
        << (p.reportRate >= 0 && p.reportRate < kReportRates ? rates[p.reportRate] : 0)
        << ",\n  \"lift_off_distance_mm\": " << p.liftOffDistance + 1
        << ",\n  \"ripple_control\": " << flag(p.rippleControl)
        << ",\n  \"angle_snap\": " << flag(p.angleSnap)
        << ",\n  \"motion_sync\": " << flag(p.motionSync)
        << ",\n  \"debounce_ms\": " << p.keyDebounce * 2
        << ",\n  \"move_mode\": " << flag(p.moveMode) << ",\n  \"lighting\": {\"mode\": "
        << JsonString(Numbered(labels, "light_mode_", p.lightingMode, 0, kLightingModes))
        << ", \"ble_mode\": "
        << JsonString(Numbered(labels, "light_mode_", p.bleLightingMode, 0, kLightingModes))
        << ", \"color\": \"" << Hex(p.lightingColor) << "\", \"brightness\": " << p.brightness
        << ", \"speed\": " << p.breathSpeed << "}"
        << ",\n  \"lights_off_minutes\": " << HalfUnits(p.lightOffTimer)
        << ",\n  \"sleep_minutes\": " << p.sleepTimer << ",\n  \"buttons\": [";
    for (int i = 0; i < kButtonCount; ++i)
        out << (i ? "," : "") << "\n    {\"button\": " << i + 1 << ", \"name\": "
            << JsonString(Numbered(labels, "key_caption_", i + 1, 1, kButtonCount))
            << ", \"code\": " << int(p.buttons[i].functionCode)
            << ", \"function\": " << JsonString(ButtonText(p, i, labels)) << "}";
    out << "\n  ]\n}\n";
}

} // namespace

void WriteProfileSummary(
    const ProfileRecord& profile, bool current, bool json, const Labels& labels, std::ostream& out)
{
    if (json)
        WriteJson(profile, current, labels, out);
    else
        WriteText(profile, current, labels, out);
}

int ShowProfile(const std::string& dataFolder, const std::optional<std::string>& name, bool json,
    const Labels& labels, std::ostream& out, std::ostream& err)
{
    ProfileList list;
    ProfileStoreHeader header{};
    if (!ReadProfiles(dataFolder, list, header, err))
        return kExitFailed;
    const int index = name ? FindProfile(list, *name) : header.currentIndex;
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) {
        err << "kestrinctl: "
            << (name ? Say("ctl_no_profile_text", {*name}) : Say("ctl_show_no_current_text"))
            << "\n";
        return kExitFailed;
    }
    WriteProfileSummary(
        *list[static_cast<std::size_t>(index)], index == header.currentIndex, json, labels, out);
    return out ? kExitDone : kExitFailed;
}

} // namespace kestrin::ctl
