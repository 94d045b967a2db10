#include "base/ZeroRuns.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kestrin {
namespace {

void PutLength(std::vector<std::byte>& out, std::size_t length)
{
    do {
        const auto low = static_cast<uint8_t>(length & 0x7f);
        length >>= 7;
        out.push_back(static_cast<std::byte>(length ? low | 0x80 : low));
    } while (length);
}

bool TakeLength(std::span<const std::byte>& in, std::size_t& length)
{
    length = 0;
    for (int shift = 0; shift < 64 && !in.empty(); shift += 7) {
        const auto unit = static_cast<uint8_t>(in.front());
        in = in.subspan(1);
        length |= static_cast<std::size_t>(unit & 0x7f) << shift;
        if (!(unit & 0x80))
            return true;
    }
    return false;
}

// A zero run shorter than this costs more to count than to keep among the bytes.
constexpr std::size_t kShortestCountedRun = 3;

} // namespace

std::vector<std::byte> PackZeroRuns(std::span<const std::byte> bytes)
{
    std::vector<std::byte> out;
    const auto isZero = [](std::byte b) { return b == std::byte{0}; };
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto from = bytes.begin() + static_cast<std::ptrdiff_t>(at);
        const std::size_t zeros =
            static_cast<std::size_t>(std::find_if_not(from, bytes.end(), isZero) - from);
        // The kept bytes end at the next zero run worth counting.
        std::size_t end = at + zeros;
        while (end < bytes.size()) {
            const auto next =
                std::find_if(bytes.begin() + static_cast<std::ptrdiff_t>(end), bytes.end(), isZero);
            end = static_cast<std::size_t>(next - bytes.begin());
            const std::size_t run =
                static_cast<std::size_t>(std::find_if_not(next, bytes.end(), isZero) - next);
            if (run >= kShortestCountedRun || end + run == bytes.size())
                break;
            end += run;
        }
        PutLength(out, zeros);
        PutLength(out, end - at - zeros);
        out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at + zeros),
            bytes.begin() + static_cast<std::ptrdiff_t>(end));
        at = end;
    }
    out.shrink_to_fit();
    return out;
}

bool UnpackZeroRuns(std::span<const std::byte> packed, std::span<std::byte> out)
{
    const auto refuse = [out] {
        std::memset(out.data(), 0, out.size());
        return false;
    };
    std::size_t at = 0;
    while (!packed.empty()) {
        std::size_t zeros = 0;
        std::size_t kept = 0;
        if (!TakeLength(packed, zeros) || !TakeLength(packed, kept) || zeros > out.size() - at ||
            kept > out.size() - at - zeros || kept > packed.size())
            return refuse();
        std::memset(out.data() + at, 0, zeros);
        std::memcpy(out.data() + at + zeros, packed.data(), kept);
        packed = packed.subspan(kept);
        at += zeros + kept;
    }
    return at == out.size() || refuse();
}

} // namespace kestrin
