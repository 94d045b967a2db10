#include "platform/HidrawAccess.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace kestrin {
namespace {

bool KernelLetsOpen(const std::string& node)
{
    if (::access(node.c_str(), R_OK | W_OK) == 0)
        return true;
    // A node gone meanwhile is no permission problem.
    return errno != EACCES && errno != EPERM;
}

} // namespace

bool ParseHidId(const std::string& uevent, UsbId& id)
{
    std::istringstream lines(uevent);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("HID_ID=", 0) != 0)
            continue;
        unsigned bus = 0;
        unsigned long vendor = 0;
        unsigned long product = 0;
        char tail = 0;
        if (std::sscanf(line.c_str() + 7, "%x:%lx:%lx%c", &bus, &vendor, &product, &tail) != 3 ||
            vendor > 0xFFFF || product > 0xFFFF)
            return false;
        id = {uint16_t(vendor), uint16_t(product)};
        return true;
    }
    return false;
}

bool HidrawNodeDenied(const std::vector<UsbId>& devices, const std::string& sysClass,
    const std::string& devFolder, const std::function<bool(const std::string&)>& mayOpen)
{
    namespace fs = std::filesystem;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(sysClass, error)) {
        std::ifstream file(entry.path() / "device" / "uevent");
        if (!file)
            continue;
        std::stringstream text;
        text << file.rdbuf();
        UsbId id;
        if (!ParseHidId(text.str(), id))
            continue;
        bool ours = false;
        for (const UsbId& device : devices)
            ours = ours || (device.vendor == id.vendor && device.product == id.product);
        if (!ours)
            continue;
        const std::string node = devFolder + "/" + entry.path().filename().string();
        if (!(mayOpen ? mayOpen(node) : KernelLetsOpen(node)))
            return true;
    }
    return false;
}

} // namespace kestrin
