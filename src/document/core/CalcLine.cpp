#include "document/core/CalcLine.h"

#include "document/core/CalcRunner.h"

#include "engine/CompTinyParseEngine.h"
#include "engine/Variables.h"

#include <exception>

namespace vexmo {

namespace {

bool IsBlank(char c)
{
    // Compared unsigned: the bytes of multi-byte characters are never blanks.
    return static_cast<unsigned char>(c) <= 0x20;
}

} // namespace

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::size_t FindAnswerArrow(std::string_view line)
{
    const std::size_t normal = line.find(AnswerArrow);
    return normal != std::string_view::npos ? normal : line.find(ErrorArrow);
}

std::size_t FindAnswerArrow(std::u16string_view line)
{
    // Both arrows are ASCII, so they read the same in UTF-16.
    static constexpr char16_t Normal[] = u" ==> ";
    static constexpr char16_t Error[] = u" >>> ";
    const std::size_t normal = line.find(std::u16string_view(Normal, ArrowLength));
    return normal != std::u16string_view::npos ? normal
                                               : line.find(std::u16string_view(Error, ArrowLength));
}

std::string StripAnswer(std::string_view line)
{
    return std::string(TrimBlanks(line.substr(0, FindAnswerArrow(line))));
}

CalculationText SplitCalculationText(std::string_view expressionPart)
{
    std::string_view kept = TrimBlanks(expressionPart.substr(0, expressionPart.find(';')));
    CalculationText result;
    const std::size_t marker = kept.find('$');
    if (marker != std::string_view::npos) {
        result.Hidden = true;
        kept = TrimBlanks(kept.substr(0, marker));
    }
    result.Text = std::string(kept);
    return result;
}

std::size_t Utf16Length(std::string_view utf8)
{
    std::size_t units = 0;
    std::size_t i = 0;
    const std::size_t n = utf8.size();
    auto continuation = [&](std::size_t at) {
        return at < n && (static_cast<unsigned char>(utf8[at]) & 0xC0) == 0x80;
    };
    while (i < n) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            ++units;
            ++i;
        } else if (lead >= 0xC2 && lead <= 0xDF && continuation(i + 1)) {
            ++units;
            i += 2;
        } else if (lead >= 0xE0 && lead <= 0xEF && continuation(i + 1) && continuation(i + 2)) {
            const auto second = static_cast<unsigned char>(utf8[i + 1]);
            const bool overlong = lead == 0xE0 && second < 0xA0;
            const bool surrogate = lead == 0xED && second >= 0xA0;
            ++units;
            i += overlong || surrogate ? 1 : 3;
        } else if (lead >= 0xF0 && lead <= 0xF4 && continuation(i + 1) && continuation(i + 2) &&
                   continuation(i + 3)) {
            const auto second = static_cast<unsigned char>(utf8[i + 1]);
            const bool valid = !(lead == 0xF0 && second < 0x90) && !(lead == 0xF4 && second >= 0x90);
            units += valid ? 2 : 1;
            i += valid ? 4 : 1;
        } else {
            ++units;
            ++i;
        }
    }
    return units;
}

std::string ErrorBoxText(std::string_view message)
{
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
        text += '.';
    return text;
}

LineCalculator::LineCalculator(TCompTinyParser& engine, Variables& store,
                               const NumberFormatSettings& settings)
    : engine_(engine), store_(store), settings_(settings)
{
}

LineOutcome LineCalculator::Calculate(std::string_view lineText)
{
    LineOutcome outcome;
    LineCalculation& r = outcome.Result.emplace();
    std::string expression = StripAnswer(lineText);
    const CalculationText calculation = SplitCalculationText(expression);

    if (calculation.Text.empty()) {
        r.AnswerStart = expression.size();
        r.AnswerStartUtf16 = Utf16Length(expression);
        r.NewText = std::move(expression);
        return outcome;
    }

    engine_.SetExpression(calculation.Text);
    DComplex value;
    try {
        value = engine_.ResultValue();
    } catch (const std::exception& e) {
        // Nothing has been written yet: the line, ANS and _ANS stay as they were.
        outcome.Result.reset();
        outcome.ErrorMessage = e.what();
        return outcome;
    }
    try {
        r.Answer = AnswerText(value, settings_);
    } catch (const std::exception&) {
        r.Answer = engine_.ResultText();
        value = DComplex{};
    }
    r.Calculated = true;
    r.Value = value;
    r.ErrorArrow = engine_.ErrorState() != 0;
    if (r.ErrorArrow) {
        r.ErrorReason = engine_.ErrorReason();
        if (!anyFailure_)
            firstFailureReason_ = r.ErrorReason;
        anyFailure_ = true;
    }

    if (showValue_ && !engine_.DefinedFunction().empty())
        showValue_(engine_.DefinedFunction(), store_.Read(engine_.DefinedFunction()));
    const std::string valueText = DComplexToStr(value);
    for (const char* name : {"ANS", "_ANS"}) {
        if (showValue_)
            showValue_(name, valueText);
        store_.Write(name, valueText);
    }

    r.AnswerStart = expression.size();
    r.AnswerStartUtf16 = Utf16Length(expression);
    r.NewText = std::move(expression);
    if (!calculation.Hidden || r.ErrorArrow) {
        r.HasAnswer = true;
        r.NewText += r.ErrorArrow ? ErrorArrow : AnswerArrow;
        r.NewText += r.Answer;
        r.NewText += ' ';
    }
    return outcome;
}

std::optional<std::size_t> CalculateAgain(const CalculateAgainSteps& steps)
{
    CalculationRun run(steps);
    run.RunSlice({});
    return run.FailedLine();
}

} // namespace vexmo
