#pragma once

#include <array>
#include <cstdint>

namespace kestrin {

// One key of a 105-key PC keyboard, where it sits rather than what it types: its Linux input
// event code (the X keycode less 8), its set-1 make code (extended keys carry their prefix:
// 0xE01C is keypad Enter, 0xE11D Pause), the Windows virtual key it has on a US layout, and
// whether its virtual key follows the layout (the main block's letters and punctuation) or is
// the same on every layout (the digit row keeps its digits, as on AZERTY keyboards).
struct PhysicalKey {
    uint16_t evdevCode;
    uint16_t scanCode;
    uint8_t usVirtualKey;
    bool followsLayout;
};

// Header-only with internal linkage: an inline variable would be a unique symbol that keeps the
// hook library from ever unloading.
// clang-format off
constexpr std::array kPhysicalKeys{std::to_array<PhysicalKey>({
    {1, 0x01, 0x1B, false},
    {2, 0x02, 0x31, false},
    {3, 0x03, 0x32, false},
    {4, 0x04, 0x33, false},
    {5, 0x05, 0x34, false},
    {6, 0x06, 0x35, false},
    {7, 0x07, 0x36, false},
    {8, 0x08, 0x37, false},
    {9, 0x09, 0x38, false},
    {10, 0x0A, 0x39, false},
    {11, 0x0B, 0x30, false},
    {12, 0x0C, 0xBD, true},
    {13, 0x0D, 0xBB, true},
    {14, 0x0E, 0x08, false},
    {15, 0x0F, 0x09, false},
    {16, 0x10, 'Q', true},
    {17, 0x11, 'W', true},
    {18, 0x12, 'E', true},
    {19, 0x13, 'R', true},
    {20, 0x14, 'T', true},
    {21, 0x15, 'Y', true},
    {22, 0x16, 'U', true},
    {23, 0x17, 'I', true},
    {24, 0x18, 'O', true},
    {25, 0x19, 'P', true},
    {26, 0x1A, 0xDB, true},
    {27, 0x1B, 0xDD, true},
    {28, 0x1C, 0x0D, false},
    {29, 0x1D, 0xA2, false},
    {30, 0x1E, 'A', true},
    {31, 0x1F, 'S', true},
    {32, 0x20, 'D', true},
    {33, 0x21, 'F', true},
    {34, 0x22, 'G', true},
    {35, 0x23, 'H', true},
    {36, 0x24, 'J', true},
    {37, 0x25, 'K', true},
    {38, 0x26, 'L', true},
    {39, 0x27, 0xBA, true},
    {40, 0x28, 0xDE, true},
    {41, 0x29, 0xC0, true},
    {42, 0x2A, 0xA0, false},
    {43, 0x2B, 0xDC, true},
    {44, 0x2C, 'Z', true},
    {45, 0x2D, 'X', true},
    {46, 0x2E, 'C', true},
    {47, 0x2F, 'V', true},
    {48, 0x30, 'B', true},
    {49, 0x31, 'N', true},
    {50, 0x32, 'M', true},
    {51, 0x33, 0xBC, true},
    {52, 0x34, 0xBE, true},
    {53, 0x35, 0xBF, true},
    {54, 0x36, 0xA1, false},
    {55, 0x37, 0x6A, false},
    {56, 0x38, 0xA4, false},
    {57, 0x39, 0x20, false},
    {58, 0x3A, 0x14, false},
    {59, 0x3B, 0x70, false},
    {60, 0x3C, 0x71, false},
    {61, 0x3D, 0x72, false},
    {62, 0x3E, 0x73, false},
    {63, 0x3F, 0x74, false},
    {64, 0x40, 0x75, false},
    {65, 0x41, 0x76, false},
    {66, 0x42, 0x77, false},
    {67, 0x43, 0x78, false},
    {68, 0x44, 0x79, false},
    {69, 0x45, 0x90, false},
    {70, 0x46, 0x91, false},
    {71, 0x47, 0x67, false},
    {72, 0x48, 0x68, false},
    {73, 0x49, 0x69, false},
    {74, 0x4A, 0x6D, false},
    {75, 0x4B, 0x64, false},
    {76, 0x4C, 0x65, false},
    {77, 0x4D, 0x66, false},
    {78, 0x4E, 0x6B, false},
    {79, 0x4F, 0x61, false},
    {80, 0x50, 0x62, false},
    {81, 0x51, 0x63, false},
    {82, 0x52, 0x60, false},
    {83, 0x53, 0x6E, false},
    {86, 0x56, 0xE2, true},
    {87, 0x57, 0x7A, false},
    {88, 0x58, 0x7B, false},
    {96, 0xE01C, 0x6C, false},
    {97, 0xE01D, 0xA3, false},
    {98, 0xE035, 0x6F, false},
    {99, 0xE037, 0x2C, false},
    {100, 0xE038, 0xA5, false},
    {102, 0xE047, 0x24, false},
    {103, 0xE048, 0x26, false},
    {104, 0xE049, 0x21, false},
    {105, 0xE04B, 0x25, false},
    {106, 0xE04D, 0x27, false},
    {107, 0xE04F, 0x23, false},
    {108, 0xE050, 0x28, false},
    {109, 0xE051, 0x22, false},
    {110, 0xE052, 0x2D, false},
    {111, 0xE053, 0x2E, false},
    {113, 0xE020, 0xAD, false},
    {114, 0xE02E, 0xAE, false},
    {115, 0xE030, 0xAF, false},
    {119, 0xE11D, 0x13, false},
    {125, 0xE05B, 0x5B, false},
    {126, 0xE05C, 0x5C, false},
    {127, 0xE05D, 0x5D, false},
})};
// clang-format on

// Plain loops: std::ranges' function objects are inline variables too.
constexpr const PhysicalKey* PhysicalKeyByEvdevCode(unsigned evdevCode)
{
    for (const PhysicalKey& key : kPhysicalKeys) {
        if (key.evdevCode == evdevCode)
            return &key;
    }
    return nullptr;
}

constexpr const PhysicalKey* PhysicalKeyByScanCode(unsigned scanCode)
{
    for (const PhysicalKey& key : kPhysicalKeys) {
        if (scanCode != 0 && key.scanCode == scanCode)
            return &key;
    }
    return nullptr;
}

} // namespace kestrin
