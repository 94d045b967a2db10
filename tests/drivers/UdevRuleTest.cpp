// The udev rule that lets the user at the seat reach the mouse without root: checked against
// the names the kernel gives the mouse's HID devices on each bus.
#include "base/DriverApi.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fnmatch.h>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

struct Rule {
    std::string line;
    std::string kernels; // the KERNELS glob
};

std::vector<Rule> ReadRules()
{
    std::ifstream file(KESTRIN_SOURCE_DIR "/drivers/70-kestrin.rules");
    EXPECT_TRUE(file) << "drivers/70-kestrin.rules";
    std::vector<Rule> rules;
    const std::regex kernels(R"re(KERNELS=="([^"]*)")re");
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::smatch match;
        rules.push_back({line, std::regex_search(line, match, kernels) ? match[1].str() : ""});
    }
    return rules;
}

// The kernel's own name of a HID device: "%04X:%04X:%04X.%04X".
std::string KernelName(unsigned bus, unsigned vendor, unsigned product, unsigned instance)
{
    char name[32];
    std::snprintf(name, sizeof name, "%04X:%04X:%04X.%04X", bus, vendor, product, instance);
    return name;
}

// The rules that grant a device of this name.
int RulesFor(const std::vector<Rule>& rules, const std::string& name)
{
    int count = 0;
    for (const Rule& rule : rules)
        count += ::fnmatch(rule.kernels.c_str(), name.c_str(), 0) == 0 ? 1 : 0;
    return count;
}

TEST(UdevRuleTest, EachLinkOfTheMouseIsGrantedOnEveryBus)
{
    const std::vector<Rule> rules = ReadRules();
    ASSERT_EQ(rules.size(), 3u);
    const unsigned usb = 0x03, bluetooth = 0x05, none = 0x00;
    for (unsigned bus : {usb, bluetooth, none}) {
        EXPECT_EQ(RulesFor(rules,
                      KernelName(bus, KESTRIN_CABLE_VENDOR_ID, KESTRIN_CABLE_PRODUCT_ID, 0x1A)),
            1);
        EXPECT_EQ(RulesFor(rules,
                      KernelName(bus, KESTRIN_RECEIVER_VENDOR_ID, KESTRIN_RECEIVER_PRODUCT_ID, 3)),
            1);
        EXPECT_EQ(RulesFor(rules, KernelName(bus, 0x045E, 0x0040, 0x12345)), 1);
    }
    // Neighbours of the mouse's ids and other parts of a device path are not granted.
    EXPECT_EQ(RulesFor(rules, KernelName(usb, 0x1D57, 0xFA62, 1)), 0);
    EXPECT_EQ(RulesFor(rules, KernelName(usb, 0x1D57, 0xFA6, 1)), 0);
    EXPECT_EQ(RulesFor(rules, KernelName(usb, 0x045E, 0x0041, 1)), 0);
    EXPECT_EQ(RulesFor(rules, "1-2:1.2"), 0);
    EXPECT_EQ(RulesFor(rules, "hidraw0"), 0);
}

TEST(UdevRuleTest, RulesGrantTheSeatUserOnlyAndOnlyHidraw)
{
    for (const Rule& rule : ReadRules()) {
        EXPECT_NE(rule.line.find(R"(SUBSYSTEM=="hidraw")"), std::string::npos) << rule.line;
        EXPECT_NE(rule.line.find(R"(TAG+="uaccess")"), std::string::npos) << rule.line;
        // No access for every user of the machine, and nothing that runs a program.
        for (const char* forbidden : {"MODE", "GROUP", "OWNER", "RUN", "PROGRAM"})
            EXPECT_EQ(rule.line.find(forbidden), std::string::npos) << rule.line;
    }
}

} // namespace
