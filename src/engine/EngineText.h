#pragma once
// Small text rules shared by the engine's source files.

#include "engine/DorvSub.h"
#include "engine/Variables.h"

#include <string>
#include <string_view>
#include <vector>

namespace vexmo::engine_text {

// Arrays hold elements 0 to 99.
inline constexpr int kMaxElements = 100;

inline char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
inline bool IsUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// Blanks and control characters, removed at both ends of a token.
inline bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

inline std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsTrimmed(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsTrimmed(s.back()))
        s.remove_suffix(1);
    return s;
}

// Number text that cannot be read leaves the calculation as a conversion error, also when
// the reading failed on the size of the number (1E10K).
inline double ReadNumber(std::string_view token) {
    try {
        return static_cast<double>(DorvStrToFloat(token));
    } catch (const EMathError& e) {
        throw EConvertError(e.what());
    }
}
inline DComplex ReadValue(std::string_view text) {
    try {
        return StrToDComplex(text);
    } catch (const EMathError& e) {
        throw EConvertError(e.what());
    }
}

// A stored text as array elements. A list is recognised by its comma or its leading quote
// (a one-element list is quoted, its element holding blanks); any other text is a single
// value and stays whole, so "3 +_I 4" is one element rather than three words.
inline std::vector<std::string> ElementsOf(std::string_view stored) {
    const std::string_view t = Trim(stored);
    if (t.empty())
        return {};
    if (t.find(',') != std::string_view::npos || t.front() == '"')
        return SplitCommaText(t);
    return {std::string(t)};
}

// The value text a bare name reads: the first element of a list, else the text itself.
inline std::string FirstElementText(std::string_view stored) {
    std::vector<std::string> e = ElementsOf(stored);
    return e.empty() ? std::string() : std::move(e.front());
}

} // namespace vexmo::engine_text
