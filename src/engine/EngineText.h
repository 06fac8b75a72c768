#pragma once
// Small text rules shared by the engine's source files.

#include "engine/DorvSub.h"
#include "engine/Variables.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vexmo::engine_text {

// Arrays hold elements 0 to 99.
inline constexpr int kMaxElements = 100;

inline std::string ElementBoundMessage(long long index) {
    return "List index out of bounds (" + std::to_string(index) + "): an array keeps elements 0 to " +
           std::to_string(kMaxElements - 1);
}

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

// A number token of an expression. Its decimal point is the full stop in every locale (the
// comma lists elements), while number text is read with the locale's separator, so the
// point is handed over as that separator. Text that cannot be read leaves the calculation
// as a conversion error naming the token as written, also when the number is too large
// (1E10K); a number beyond the double range (1E1K, 1.8E308) fails as an overflow instead of
// becoming an infinity.
inline double ReadNumber(std::string_view token) {
    double plain = 0.0;
    if (TryReadDecimal(token, '.', plain))
        return plain;
    const char sep = DecimalSeparator();
    if (sep == '.' || token.find('.') == std::string_view::npos) {
        try {
            return ToDComplexPart(DorvStrToFloat(token));
        } catch (const EMathError& e) {
            throw EConvertError(e.what());
        }
    }
    std::string local(token);
    for (char& c : local)
        if (c == '.')
            c = sep;
    try {
        return ToDComplexPart(DorvStrToFloat(local));
    } catch (const std::runtime_error& e) {
        std::string message = e.what();
        for (char& c : message)
            if (c == sep)
                c = '.';
        throw EConvertError(message);
    }
}
inline DComplex ReadValue(std::string_view text) {
    try {
        return StrToDComplex(text);
    } catch (const EMathError& e) {
        throw EConvertError(e.what());
    }
}

// A stored text as array elements. A list is recognised by its leading quote (elements
// written by the engine hold blanks and are quoted) or by a comma, unless the whole text
// reads as one value: with a comma as the decimal separator "2,5 +_I 0" is one value. Any
// other text is a single value and stays whole, so "3 +_I 4" is one element, not three words.
inline std::vector<std::string> ElementsOf(std::string_view stored) {
    const std::string_view t = Trim(stored);
    if (t.empty())
        return {};
    bool list = t.front() == '"';
    if (!list && t.find(',') != std::string_view::npos) {
        try {
            (void)StrToDComplex(t);
        } catch (const std::exception&) {
            list = true;
        }
    }
    if (list)
        return SplitCommaText(t);
    return {std::string(t)};
}

// The message of a stored text that cannot be read says where the text came from.
inline std::string StoredTextMessage(std::string_view name, std::string_view message) {
    if (name == "_CLIP") return "The clipboard's text (_CLIP): " + std::string(message);
    return "The variable " + std::string(name) + ": " + std::string(message);
}

// The value text a bare name reads: the first element of a list, else the text itself.
inline std::string FirstElementText(std::string_view stored) {
    std::vector<std::string> e = ElementsOf(stored);
    return e.empty() ? std::string() : std::move(e.front());
}

} // namespace vexmo::engine_text
