#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace kestrin {

// A compact form for records that are mostly zero bytes: runs of zeros are counted rather than
// kept. Each step is the length of a zero run, then the length of the bytes that follow it and
// those bytes; lengths are unsigned LEB128.
std::vector<std::byte> PackZeroRuns(std::span<const std::byte> bytes);

// Fills `out` from a packed form; false (and `out` zeroed) unless the form gives exactly
// `out.size()` bytes.
bool UnpackZeroRuns(std::span<const std::byte> packed, std::span<std::byte> out);

} // namespace kestrin
