// Report descriptors, input reports and device names come from the device and the kernel with
// any content: reading them must stay inside their buffers, always finish, and keep what it
// returns consistent with what it was given.
#include "drivers/hid/HidIdentity.h"
#include "drivers/hid/InputReport.h"
#include "drivers/hid/InterfaceChoice.h"
#include "drivers/hid/ReportDescriptor.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

using namespace kestrin::hid;

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte splits the rest into a descriptor and an input report.
    const std::span<const uint8_t> rest(data + 1, size - 1);
    const std::size_t cut = std::min<std::size_t>(data[0], rest.size());
    const auto descriptor = rest.first(rest.size() - cut);
    const auto report = rest.last(cut);

    const DescriptorSummary summary = SummarizeDescriptor(descriptor);
    Check(summary.collections.size() <= descriptor.size() / 2 + 1);
    if (!summary.numbered)
        Check(std::all_of(summary.vendorInputIds.begin(), summary.vendorInputIds.end(),
            [](uint8_t id) { return id == 0; }));

    const auto candidates = CandidatesFromDescriptor("/dev/hidraw0", descriptor, -1);
    const auto chosen = ChooseVendorInterface(candidates);
    Check(chosen.has_value() == !candidates.empty());

    const InputLayout layout = InputLayoutFor(summary);
    if (const auto word = ParseInputReport(report, layout)) {
        Check((word->code & 0xFF) == 0x10);
        const std::size_t at = layout.numbered ? 1 : 0;
        Check(report.size() >= at + 4);
        Check(word->value == (report[at + 2] | report[at + 3] << 8));
    }

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto identity = ParseHidIdProperty(text))
        Check(size == 22);
    (void)HidIdentityFromDevpath(text);
    return 0;
}
