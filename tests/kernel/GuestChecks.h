#pragma once

#include <string>

// The guest run's checks, one line each on standard output, counted for the verdict.
namespace kestrin::guest {

// Prints "ok - what" or "not ok - what: detail". Returns `ok`.
bool Check(bool ok, const std::string& what, const std::string& detail = {});
int Checks();
int Failures();

} // namespace kestrin::guest
