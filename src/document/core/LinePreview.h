#pragma once
// The value a line would have if it were calculated now, without calculating it: the
// engine runs on a copy of the store with a random source of its own, so no variable,
// no ANS, no user function and no later random draw can tell that it happened.

#include "document/core/AnswerFormat.h"
#include "engine/CompTinyParseEngine.h"
#include "engine/ExpressionTokens.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vexmo {

class Variables;

struct LinePreview {
    enum class Kind { None, Value, Failed, Unreadable };
    Kind Outcome = Kind::None;
    std::string Text; // the answer text, or the message of an unreadable line
    std::string Reason; // why a failed line failed, when the engine can say
};

class LinePreviewer {
  public:
    // Longer lines are not previewed: the pause after each key would grow with them.
    static constexpr std::size_t MaxLineBytes = 64 * 1024;

    LinePreview Preview(std::string_view line, const Variables& store,
                        const NumberFormatSettings& settings);

  private:
    TCompTinyParser engine_;
    ExpressionScanner scanner_;
};

} // namespace vexmo
