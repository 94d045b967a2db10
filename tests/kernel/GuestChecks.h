#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The guest run's checks, one line each on standard output, counted for the verdict.
namespace kestrin::guest {

// Prints "ok - what" or "not ok - what: detail". Returns `ok`.
bool Check(bool ok, const std::string& what, const std::string& detail = {});
int Checks();
int Failures();

// The writes of a file of hex lines, as the companion tool prints them; blank lines skipped.
std::vector<std::vector<uint8_t>> ReadWrites(const std::string& path);

} // namespace kestrin::guest
