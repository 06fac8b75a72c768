#pragma once
// The text rules of a calculation line, and what calculating a line does to its text and
// to the variable store. The desktop pane and vexmo-calc both call this, so the two
// always agree. Standard library only.
//
// A line reads: expression ["$" ignored text] [";" comment] [answer run], where the answer
// run is the arrow " ==> " (or " >>> " after an engine error), the answer text and one
// blank. Every search here looks for ASCII characters only; in UTF-8 (and in the legacy
// code pages) those bytes never occur inside a multi-byte character, so no search can
// split one.

#include "document/core/AnswerFormat.h"
#include "engine/DorvSub.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vexmo {

class TCompTinyParser;
class Variables;

inline constexpr std::string_view AnswerArrow = " ==> ";
inline constexpr std::string_view ErrorArrow = " >>> ";
inline constexpr std::size_t ArrowLength = 5;

// Removes leading and trailing characters at or below the blank (blanks, tabs, controls).
std::string_view TrimBlanks(std::string_view text);

// Byte offset of the line's answer arrow: the first " ==> ", else the first " >>> ";
// npos when the line has no answer run.
std::size_t FindAnswerArrow(std::string_view line);
// The same rule over UTF-16 text (the editor's); the offset is in code units.
std::size_t FindAnswerArrow(std::u16string_view line);

// The expression part: the text before the arrow (or the whole line), trimmed.
std::string StripAnswer(std::string_view line);

struct CalculationText {
    std::string Text;    // what the engine calculates, trimmed; may be empty
    bool Hidden = false; // the line holds "$": its answer is not written
};

// Cuts the ";" comment and the "$" hide marker off an expression part.
CalculationText SplitCalculationText(std::string_view expressionPart);

// Length of UTF-8 text in UTF-16 code units (what Qt counts as characters). A byte that
// starts no valid sequence counts as one unit, as a replacement character would.
std::size_t Utf16Length(std::string_view utf8);

// The text of the standard error box for a failure's message: a full stop is appended
// when the last character sorts after the full stop.
std::string ErrorBoxText(std::string_view message);

// What one calculation made of a line.
struct LineCalculation {
    std::string NewText;            // the line's new text (without its line break)
    bool HasAnswer = false;         // NewText ends in an answer run
    bool ErrorArrow = false;        // the arrow is " >>> "
    std::string ErrorReason;        // with the failure arrow: why, when the engine can say
    std::size_t AnswerStart = 0;    // byte offset of the arrow in NewText (its size if none)
    std::size_t AnswerStartUtf16 = 0; // the same offset in UTF-16 code units
    std::string Answer;             // the answer text (also set for a hidden line)
    DComplex Value;                 // the value that counts as the answer (for the clipboard)
    bool Calculated = false;        // false: the calculation text was empty; ANS kept
};

// The outcome of calculating one line: either a LineCalculation, or the message of the
// failure the engine raised, in which case nothing was changed.
struct LineOutcome {
    std::optional<LineCalculation> Result;
    std::string ErrorMessage;
    bool Ok() const { return Result.has_value(); }
};

// Calculates lines with one engine and its variable store.
class LineCalculator {
  public:
    // Called before ANS and _ANS are written to the store, with the name and the value
    // text, so that a Variables window can show them first; and with a user function's
    // header and stored body (empty when the line removed it) once a line has defined it,
    // which the engine announces to no one.
    using ShowValueFn = std::function<void(const std::string& name, const std::string& value)>;

    LineCalculator(TCompTinyParser& engine, Variables& store,
                   const NumberFormatSettings& settings);

    void SetShowValue(ShowValueFn show) { showValue_ = std::move(show); }

    // What calculating `lineText` does: the new text, ANS and _ANS in the store. When the
    // engine raises, the store keeps ANS and _ANS and the outcome carries the message.
    LineOutcome Calculate(std::string_view lineText);

    // Why the first line answered with the failure arrow failed ("" when none did, or
    // nothing could be said).
    const std::string& FirstFailureReason() const { return firstFailureReason_; }

  private:
    TCompTinyParser& engine_;
    Variables& store_;
    const NumberFormatSettings& settings_;
    ShowValueFn showValue_;
    std::string firstFailureReason_;
    bool anyFailure_ = false;
};

// The steps of Calculate again, over any kind of document (the pane's blocks, a vector of
// strings). CalculateLine calculates line i with the caret there and returns false when
// its calculation raised (the caller has reported it); calculating the last line appends
// an empty line after it, as the caller's CalculateLine does.
struct CalculateAgainSteps {
    std::function<std::size_t()> LineCount;
    std::function<bool(std::size_t line)> LineIsEmpty;
    std::function<bool(std::size_t line, bool copyAllowed)> CalculateLine;
};

// Runs Calculate again: lines 0 .. N-1 of the document as it is now, stopping at an empty
// last line or at a line whose calculation raised. Copy is allowed only for the line that
// is the last line of the document. Returns the line that raised, if any.
std::optional<std::size_t> CalculateAgain(const CalculateAgainSteps& steps);

} // namespace vexmo
