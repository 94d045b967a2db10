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

// Where the zero run starting at `at` ends. Records are mostly long zero runs, read a word at a
// time: a store of hundreds of profiles is packed as it is read at start.
std::size_t ZeroRunEnd(std::span<const std::byte> bytes, std::size_t at)
{
    uint64_t word = 0;
    while (at + sizeof word <= bytes.size()) {
        std::memcpy(&word, bytes.data() + at, sizeof word);
        if (word != 0)
            break;
        at += sizeof word;
    }
    while (at < bytes.size() && bytes[at] == std::byte{0})
        ++at;
    return at;
}

std::size_t NextZero(std::span<const std::byte> bytes, std::size_t at)
{
    while (at < bytes.size() && bytes[at] != std::byte{0})
        ++at;
    return at;
}

} // namespace

std::vector<std::byte> PackZeroRuns(std::span<const std::byte> bytes)
{
    std::vector<std::byte> out;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t kept = ZeroRunEnd(bytes, at);
        // The kept bytes end at the next zero run worth counting, or at the end.
        std::size_t end = kept;
        while (end < bytes.size()) {
            const std::size_t zero = NextZero(bytes, end);
            const std::size_t after = ZeroRunEnd(bytes, zero);
            if (after - zero >= kShortestCountedRun || after == bytes.size()) {
                end = zero;
                break;
            }
            end = after;
        }
        PutLength(out, kept - at);
        PutLength(out, end - kept);
        out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(kept),
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
