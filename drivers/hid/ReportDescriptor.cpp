#include "drivers/hid/ReportDescriptor.h"

#include <algorithm>

namespace kestrin::hid {
namespace {

enum : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2 };
enum : uint8_t { kInput = 0x8, kFeature = 0xB, kCollection = 0xA, kEndCollection = 0xC };
enum : uint8_t { kUsagePage = 0x0, kReportId = 0x8, kPush = 0xA, kPop = 0xB };
enum : uint8_t { kUsage = 0x0 };
constexpr uint8_t kLongItem = 0xFE;
constexpr std::size_t kMaxPushDepth = 16; // deeper nesting is a broken descriptor

struct Globals {
    uint16_t usagePage = 0;
    uint8_t reportId = 0;
};

void AddOnce(std::vector<uint8_t>& ids, uint8_t id)
{
    if (std::find(ids.begin(), ids.end(), id) == ids.end())
        ids.push_back(id);
}

} // namespace

DescriptorSummary SummarizeDescriptor(std::span<const uint8_t> descriptor)
{
    DescriptorSummary summary;
    Globals globals;
    std::vector<Globals> stack;
    // The first usage declared since the last main item, with its page.
    bool haveUsage = false;
    TopLevelCollection firstUsage;
    int depth = 0;
    bool inVendorCollection = false;

    std::size_t at = 0;
    while (at < descriptor.size()) {
        const uint8_t prefix = descriptor[at];
        if (prefix == kLongItem) {
            if (at + 2 > descriptor.size())
                break;
            const std::size_t size = descriptor[at + 1];
            at += 3 + size;
            continue;
        }
        const std::size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (at + 1 + size > descriptor.size())
            break;
        uint32_t data = 0;
        for (std::size_t i = 0; i < size; ++i)
            data |= uint32_t{descriptor[at + 1 + i]} << (8 * i);
        const uint8_t type = (prefix >> 2) & 3;
        const uint8_t tag = prefix >> 4;
        at += 1 + size;

        if (type == kGlobal) {
            if (tag == kUsagePage)
                globals.usagePage = static_cast<uint16_t>(data);
            else if (tag == kReportId) {
                globals.reportId = static_cast<uint8_t>(data);
                summary.numbered = true;
            } else if (tag == kPush && stack.size() < kMaxPushDepth)
                stack.push_back(globals);
            else if (tag == kPop && !stack.empty()) {
                globals = stack.back();
                stack.pop_back();
            }
            continue;
        }
        if (type == kLocal) {
            if (tag == kUsage && !haveUsage) {
                haveUsage = true;
                // A four-byte usage names its own page in the high half.
                firstUsage.usagePage =
                    size == 4 ? static_cast<uint16_t>(data >> 16) : globals.usagePage;
                firstUsage.usage = static_cast<uint16_t>(data);
            }
            continue;
        }
        if (type != kMain)
            continue; // reserved item type
        if (tag == kCollection) {
            if (depth == 0) {
                const TopLevelCollection collection =
                    haveUsage ? firstUsage : TopLevelCollection{globals.usagePage, 0};
                summary.collections.push_back(collection);
                inVendorCollection = IsVendorUsagePage(collection.usagePage);
            }
            ++depth;
        } else if (tag == kEndCollection) {
            if (depth > 0 && --depth == 0)
                inVendorCollection = false;
        } else if (inVendorCollection && tag == kInput) {
            AddOnce(summary.vendorInputIds, globals.reportId);
        } else if (inVendorCollection && tag == kFeature) {
            AddOnce(summary.vendorFeatureIds, globals.reportId);
        }
        haveUsage = false; // local items last until the next main item
    }
    return summary;
}

} // namespace kestrin::hid
