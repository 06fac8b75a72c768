#pragma once
// The engine's scanner once more, keeping where each token stands in the line. The engine
// itself needs no positions (it works on an upper-cased copy and forgets the text), but the
// editor does: to colour the parts of a line and to tell which names a line uses and which
// it assigns. The cutting rules are the engine's own, from the same operator table, so a
// token here is a term there.

#include "engine/CompTinyParseEngine.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexmo {

enum class TokenKind : std::uint8_t {
    Number,    // a number token with its suffix (10K, 4.7U, 1E-5)
    Operator,  // operators, brackets, ",", ":="
    Function,  // a built-in function name
    Constant,  // a constant name (_PI, PI, _RND ...)
    Name,      // a variable name (stored or not: the store decides)
    ArrayName, // a name directly before "["
    UserCall,  // a name directly before "(": a user function
    Parameter, // a parameter of a function definition, in its header or body
    Hidden,    // the text after "$"
    Comment,   // the text from ";" on
};

struct ExpressionToken {
    std::size_t Start = 0;  // byte offset in the line
    std::size_t Length = 0; // bytes
    TokenKind Kind = TokenKind::Operator;
};

// What a line means for the names of the store. Keys are upper case; a user function is
// keyed by its name and "(" ("F("), so that it never meets a variable of the same name.
struct ExpressionFacts {
    std::vector<std::string> Uses;    // names and functions the value depends on
    std::vector<std::string> Assigns; // variables written (A := ..., A[i] := ...) and the
                                      // function a definition writes
    bool Defines = false;             // the line defines a user function
};

class ExpressionScanner {
  public:
    ExpressionScanner();

    // The tokens of the expression part of `line` (before any answer arrow), including the
    // hidden text and the comment, in order. Offsets refer to `line`.
    void Scan(std::string_view line, std::vector<ExpressionToken>& tokens) const;

    // The dependency facts of `line`; `tokens` must be Scan's result for the same line.
    static ExpressionFacts Facts(std::string_view line, const std::vector<ExpressionToken>& tokens);
    ExpressionFacts Facts(std::string_view line) const;

    // The key of a user function whose store line is named `header` ("F(X,Y)" -> "F("),
    // empty when `header` names no function.
    static std::string FunctionKey(std::string_view header);

  private:
    TOpeList table_;
};

} // namespace vexmo
