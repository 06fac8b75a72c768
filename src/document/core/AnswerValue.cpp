#include "document/core/AnswerValue.h"

#include "document/core/CalcLine.h"
#include "document/core/LinePreview.h"
#include "engine/CompTinyParseEngine.h"
#include "engine/ExpressionTokens.h"
#include "engine/Variables.h"

#include <exception>
#include <string>

namespace vexmo {

namespace {

std::optional<double> ReadPart(std::string_view text) {
    // Number text that cannot be read raises; so does a part beyond the double range.
    try {
        long double value = 0;
        if (text.empty() || !TryParseNumberText(text, value)) return std::nullopt;
        return ToDComplexPart(value);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace

std::optional<DComplex> ReadAnswerText(std::string_view answer) {
    answer = TrimBlanks(answer);
    std::size_t separator = answer.find(" +_I ");
    const std::size_t minus = answer.find(" -_I ");
    if (minus < separator) separator = minus;
    const std::optional<double> real = ReadPart(answer.substr(0, separator));
    if (!real) return std::nullopt;
    if (separator == std::string_view::npos) return DComplex{*real, 0.0};
    const std::optional<double> imaginary = ReadPart(TrimBlanks(answer.substr(separator + 5)));
    if (!imaginary) return std::nullopt;
    return DComplex{*real, separator == minus ? -*imaginary : *imaginary};
}

std::optional<DComplex> LineAnswerValue(std::string_view line, const Variables& store,
                                        const NumberFormatSettings& settings) {
    const std::size_t arrow = FindAnswerArrow(line);
    if (arrow == std::string_view::npos) return std::nullopt;
    const std::string_view answer = TrimBlanks(line.substr(arrow + ArrowLength));

    // The shown text may be rounded; the line's own value has every digit.
    const CalculationText calculation = SplitCalculationText(StripAnswer(line));
    if (!calculation.Text.empty() && line.size() <= LinePreviewer::MaxLineBytes &&
        !ExpressionScanner().Facts(calculation.Text).Defines) {
        Variables scratch = store;
        TCompTinyParser engine;
        engine.SetVariables(&scratch);
        engine.SetExpression(calculation.Text);
        try {
            const DComplex value = engine.ResultValue();
            if (AnswerText(value, settings) == answer) return value;
        } catch (const std::exception&) {
        }
    }
    return ReadAnswerText(answer);
}

} // namespace vexmo
