// A document calculated as Calculate again does, with a number format taken from the
// input: byte 0 the format, bytes 1-2 precision and digits, the first line the user
// format text, the rest the document.

#include "document/core/AnswerFormat.h"
#include "document/core/CalcLine.h"
#include "document/core/DocumentText.h"
#include "engine/CompTinyParseEngine.h"
#include "engine/Variables.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3 || size > 4096)
        return 0;
    vexmo::NumberFormatSettings settings;
    settings.OptNumFormat = data[0] % 6;
    settings.OptPrecision = static_cast<std::int8_t>(data[1]);
    settings.OptDigits = static_cast<std::int8_t>(data[2]);
    std::string_view rest(reinterpret_cast<const char*>(data) + 3, size - 3);
    const std::size_t firstBreak = rest.find('\n');
    settings.OptNumFormatStr = std::string(rest.substr(0, firstBreak));
    rest = firstBreak == std::string_view::npos ? std::string_view() : rest.substr(firstBreak + 1);

    vexmo::TCompTinyParser engine;
    vexmo::Variables store;
    engine.SetVariables(&store);
    vexmo::LineCalculator calc(engine, store, settings);

    vexmo::DocumentLines doc = vexmo::SplitDocument(rest);
    const std::vector<std::string> before = doc.Lines;
    const auto failure = vexmo::CalculateDocument(doc.Lines, calc);
    if (doc.Lines.size() < before.size())
        std::abort();
    for (std::size_t i = 0; i < before.size(); ++i) {
        const std::string& now = doc.Lines[i];
        if (failure && i >= failure->Line) {
            if (now != before[i])
                std::abort(); // a failure leaves the rest of the document alone
            continue;
        }
        // A calculated line is its expression part, alone or followed by an answer run.
        const std::string expression = vexmo::StripAnswer(before[i]);
        if (now.compare(0, expression.size(), expression) != 0)
            std::abort();
        const std::string_view run = std::string_view(now).substr(expression.size());
        if (!run.empty() && !(run.starts_with(vexmo::AnswerArrow) || run.starts_with(vexmo::ErrorArrow)))
            std::abort();
        if (!run.empty() && run.back() != ' ')
            std::abort();
    }
    (void)vexmo::JoinDocument(doc.Lines, doc.Break.value_or(vexmo::LineBreak::Lf));
    (void)vexmo::ClipboardNumberText({1.5, -2}, settings);
    return 0;
}
