#include "protocol/ButtonMapReport.h"

#include <algorithm>

namespace kestrin {
namespace {

struct FunctionRow {
    uint8_t code;
    ButtonWireBytes wire;
};

// Rows with 17 in the first byte are key chords: modifier byte, then the HID usage.
constexpr FunctionRow kFunctionRows[] = {
    {0, {1, 0, 0}},
    {1, {2, 0, 0}},
    {2, {3, 0, 0}},
    {3, {4, 0, 0}},
    {4, {6, 0, 0}},
    {5, {5, 0, 0}},
    {6, {13, 0, 0}},
    {7, {14, 0, 0}},
    {8, {15, 0, 0}},
    {9, {7, 0, 0}},
    {10, {8, 0, 0}},
    {11, {9, 0, 0}},
    {12, {10, 0, 0}},
    {13, {11, 0, 0}},
    {14, {12, 0, 0}},
    {kFunctionKeyShortcut, {17, 0, 0}},
    {kFunctionMacro, {18, 0, 0}},
    {kFunctionRecoilPattern, {58, 0, 0}},
    {19, {19, 0, 0}},
    {21, {43, 0, 0}},
    {22, {16, 0, 3}},
    {23, {41, 0, 3}},
    {32, {17, 1, 27}},
    {33, {17, 1, 6}},
    {34, {17, 1, 25}},
    {35, {17, 1, 18}},
    {36, {17, 1, 22}},
    {37, {17, 1, 9}},
    {38, {17, 1, 28}},
    {39, {17, 1, 29}},
    {40, {17, 1, 4}},
    {41, {17, 1, 19}},
    {42, {17, 4, 61}},
    {43, {17, 4, 43}},
    {44, {17, 8, 7}},
    {45, {17, 8, 21}},
    {46, {17, 8, 15}},
    {47, {17, 1, 17}},
    {48, {17, 1, 46}},
    {49, {17, 1, 45}},
    {50, {17, 10, 22}},
    {52, {60, 0, 0}},
    {54, {52, 0, 0}},
    {55, {53, 0, 0}},
    {56, {54, 0, 0}},
    {64, {21, 0, 0}},
    {65, {24, 0, 0}},
    {66, {25, 0, 0}},
    {67, {22, 0, 0}},
    {68, {23, 0, 0}},
    {69, {27, 0, 0}},
    {70, {28, 0, 0}},
    {71, {26, 0, 0}},
    {80, {37, 0, 0}},
    {81, {17, 3, 18}},
    {82, {32, 0, 0}},
    {83, {33, 0, 0}},
    {84, {34, 0, 0}},
    {85, {36, 0, 0}},
    {86, {38, 0, 0}},
    {87, {30, 0, 0}},
    {88, {29, 0, 0}},
    {89, {35, 0, 0}},
    {115, {20, 0, 0}},
};

} // namespace

ButtonWireBytes EncodeButtonFunction(const ButtonSlot& slot, uint8_t firstSlot)
{
    const uint8_t code = slot.functionCode;
    const auto row = std::find_if(std::begin(kFunctionRows), std::end(kFunctionRows),
        [code](const FunctionRow& r) { return r.code == code; });
    if (row == std::end(kFunctionRows))
        return {0, 0, 0};
    ButtonWireBytes wire = row->wire;
    if (code == kFunctionKeyShortcut) {
        wire[1] = slot.shortcutModifiers;
        wire[2] = slot.shortcutKey;
    } else if (code == kFunctionMacro || code == kFunctionRecoilPattern) {
        wire[1] = 0;
        wire[2] = firstSlot;
    }
    return wire;
}

Report BuildButtonMapReport(const ProfileRecord& profile, const DownloadSlotTable& slots)
{
    Report report = NewReport(kButtonMapReportId, kButtonMapReportLength);
    for (int i = 0; i < kButtonCount; ++i) {
        const ButtonWireBytes wire = EncodeButtonFunction(profile.buttons[i], slots[i]);
        std::copy(wire.begin(), wire.end(), report.bytes.begin() + 3 + 3 * i);
    }
    WriteChecksum(report, 3, 57);
    return report;
}

} // namespace kestrin
