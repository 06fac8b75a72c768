#pragma once
// A calculation document as plain text: lines split at CR LF, CR or LF, and joined again
// with the line break the text came with.

#include "document/core/CalcLine.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexmo {

enum class LineBreak { CrLf, Lf, Cr };

struct DocumentLines {
    std::vector<std::string> Lines; // a text ending in a line break ends in an empty line
    std::optional<LineBreak> Break; // the first line break of the text; none in one line
};

DocumentLines SplitDocument(std::string_view text);
std::string JoinDocument(const std::vector<std::string>& lines, LineBreak lineBreak);
std::string_view LineBreakText(LineBreak lineBreak);

struct DocumentFailure {
    std::size_t Line = 0; // 0-based
    std::string Message;
};

// Calculate again over the lines: every line from the first, stopping at an empty last
// line; calculating the last line appends an empty one. On a failure the failing line and
// those after it stay as they were.
std::optional<DocumentFailure> CalculateDocument(std::vector<std::string>& lines,
                                                 LineCalculator& calculator);

} // namespace vexmo
