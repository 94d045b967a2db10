#include "drivers/hid/InterfaceChoice.h"

#include "drivers/hid/ReportDescriptor.h"

namespace kestrin::hid {
namespace {

constexpr uint16_t kGenericDesktop = 0x01;

bool IsBootLike(const HidCandidate& candidate)
{
    return candidate.usagePage == kGenericDesktop &&
        (candidate.usage == 0x01 || candidate.usage == 0x02 || candidate.usage == 0x06);
}

template <typename Predicate>
const HidCandidate* HighestInterface(std::span<const HidCandidate> candidates, Predicate keep)
{
    const HidCandidate* best = nullptr;
    for (const HidCandidate& candidate : candidates) {
        if (keep(candidate) && (!best || candidate.interfaceNumber > best->interfaceNumber))
            best = &candidate;
    }
    return best;
}

} // namespace

std::optional<std::string> ChooseVendorInterface(std::span<const HidCandidate> candidates)
{
    for (const HidCandidate& candidate : candidates) {
        if (IsVendorUsagePage(candidate.usagePage))
            return candidate.path;
    }
    if (const HidCandidate* other = HighestInterface(
            candidates, [](const HidCandidate& candidate) { return !IsBootLike(candidate); }))
        return other->path;
    if (const HidCandidate* any =
            HighestInterface(candidates, [](const HidCandidate&) { return true; }))
        return any->path;
    return std::nullopt;
}

std::vector<HidCandidate> CandidatesFromDescriptor(
    const std::string& path, std::span<const uint8_t> descriptor, int interfaceNumber)
{
    std::vector<HidCandidate> candidates;
    for (const TopLevelCollection& collection : SummarizeDescriptor(descriptor).collections)
        candidates.push_back({path, collection.usagePage, collection.usage, interfaceNumber});
    return candidates;
}

} // namespace kestrin::hid
