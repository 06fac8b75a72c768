#pragma once
// The value behind a calculated line's answer, for copying one line's answer: the line's own
// value when calculating it now on a copy of the store writes the same answer text, else
// the answer text read back as a number. Nothing is written to the store.

#include "document/core/AnswerFormat.h"
#include "engine/DorvSub.h"

#include <optional>
#include <string_view>

namespace vexmo {

class Variables;

// Nothing when the line has no answer run, or its answer text is no number that can be read
// back (a user format with thousands separators, say) and the line no longer gives it.
std::optional<DComplex> LineAnswerValue(std::string_view line, const Variables& store,
                                        const NumberFormatSettings& settings);

// An answer text read back: a real part, optionally followed by " +_I " or " -_I " and the
// imaginary part, each as number text reads it (unit suffixes included).
std::optional<DComplex> ReadAnswerText(std::string_view answer);

} // namespace vexmo
