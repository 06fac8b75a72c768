#pragma once
// Which answers a changed name leaves out of date. A line's answer is stale when its
// expression uses a name (or calls a user function) whose stored value changed after the
// line was last calculated, directly or through lines below the change that assign or
// define what a later line uses. Standard library only; the pane supplies the lines.

#include "engine/ExpressionTokens.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vexmo {

class Variables;

// Names whose stored value or body a calculation of line `Line` changed. `Seq` orders
// calculations: a line calculated with a larger number than a change has seen it.
struct NameChange {
    std::size_t Line = 0;
    std::vector<std::string> Keys;
    std::uint64_t Seq = 0;
};

// For each user function of the store (key "F("), the functions its body calls; the
// values of variables are folded into a body when it is defined, so only calls matter.
using FunctionCalls = std::unordered_map<std::string, std::vector<std::string>>;
FunctionCalls FunctionCallsOf(const Variables& store, const ExpressionScanner& scanner);

// The stored text a key stands for: a variable's value, or a function's whole store line.
std::string StoredTextOf(const Variables& store, const std::string& key);

struct StaleLines {
    std::function<std::size_t()> LineCount;
    std::function<const ExpressionFacts&(std::size_t line)> Facts;
    // The number of the line's last calculation (0: never calculated).
    std::function<std::uint64_t(std::size_t line)> CalculatedAt;
    std::function<void(std::size_t line)> MarkStale;
};

// Walks once from the first change to the end of the document (`changes` in line order)
// and marks every line whose answer the changes leave out of date.
void MarkStaleLines(const StaleLines& lines, const std::vector<NameChange>& changes,
                    const FunctionCalls& calls);

} // namespace vexmo
