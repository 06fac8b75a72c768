#include "document/core/LinePreview.h"

#include "document/core/CalcLine.h"
#include "engine/Variables.h"

#include <exception>

namespace vexmo {

LinePreview LinePreviewer::Preview(std::string_view line, const Variables& store,
                                   const NumberFormatSettings& settings) {
    LinePreview preview;
    if (line.size() > MaxLineBytes) return preview;
    const CalculationText calculation = SplitCalculationText(StripAnswer(line));
    // A definition has no value to show.
    if (calculation.Text.empty() || scanner_.Facts(calculation.Text).Defines) return preview;

    // A throw-away copy: assignments and definitions land there and go with it.
    Variables scratch = store;
    engine_.SetVariables(&scratch);
    engine_.SetExpression(calculation.Text);
    try {
        const DComplex value = engine_.ResultValue();
        try {
            preview.Text = AnswerText(value, settings);
        } catch (const std::exception&) {
            preview.Text = engine_.ResultText();
        }
        preview.Outcome =
            engine_.ErrorState() != 0 ? LinePreview::Kind::Failed : LinePreview::Kind::Value;
        if (preview.Outcome == LinePreview::Kind::Failed)
            preview.Reason = engine_.ErrorReason();
    } catch (const std::exception& e) {
        preview.Outcome = LinePreview::Kind::Unreadable;
        preview.Text = e.what();
    }
    engine_.SetVariables(nullptr);
    return preview;
}

} // namespace vexmo
