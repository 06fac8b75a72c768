#pragma once
// A calculation document of typical lines (arithmetic, functions, parallel resistors,
// user function calls, assignments, comments), the same for every run.

#include <cstddef>
#include <string>

namespace vexmo::bench {

std::string MakeTypicalDocument(std::size_t lines, const char* lineBreak = "\r\n");

} // namespace vexmo::bench
