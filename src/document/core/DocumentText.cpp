#include "document/core/DocumentText.h"

namespace vexmo {

DocumentLines SplitDocument(std::string_view text)
{
    DocumentLines doc;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            doc.Lines.emplace_back(text.substr(start));
            return doc;
        }
        doc.Lines.emplace_back(text.substr(start, end - start));
        std::size_t next = end + 1;
        LineBreak kind = text[end] == '\n' ? LineBreak::Lf : LineBreak::Cr;
        if (text[end] == '\r' && next < text.size() && text[next] == '\n') {
            kind = LineBreak::CrLf;
            ++next;
        }
        if (!doc.Break)
            doc.Break = kind;
        start = next;
    }
}

std::string_view LineBreakText(LineBreak lineBreak)
{
    switch (lineBreak) {
    case LineBreak::CrLf:
        return "\r\n";
    case LineBreak::Cr:
        return "\r";
    default:
        return "\n";
    }
}

std::string JoinDocument(const std::vector<std::string>& lines, LineBreak lineBreak)
{
    const std::string_view separator = LineBreakText(lineBreak);
    std::size_t size = 0;
    for (const std::string& line : lines)
        size += line.size() + separator.size();
    std::string text;
    text.reserve(size);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += separator;
        text += lines[i];
    }
    return text;
}

std::optional<DocumentFailure> CalculateDocument(std::vector<std::string>& lines,
                                                 LineCalculator& calculator)
{
    std::optional<DocumentFailure> failure;
    CalculateAgainSteps steps;
    steps.LineCount = [&] { return lines.size(); };
    steps.LineIsEmpty = [&](std::size_t i) { return lines[i].empty(); };
    steps.CalculateLine = [&](std::size_t i, bool) {
        LineOutcome outcome = calculator.Calculate(lines[i]);
        if (!outcome.Ok()) {
            failure = DocumentFailure{i, std::move(outcome.ErrorMessage)};
            return false;
        }
        lines[i] = std::move(outcome.Result->NewText);
        if (i + 1 == lines.size())
            lines.emplace_back();
        return true;
    };
    CalculateAgain(steps);
    return failure;
}

} // namespace vexmo
