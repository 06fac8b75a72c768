#pragma once
// Character codes of the pattern engine. Text is UTF-8: one well-formed sequence is one
// character with its code point as code. A byte that starts no well-formed sequence is
// one character of its own, coded above the Unicode range so that no pattern character
// can name it while "." and negated classes still match it.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vexmo {

using TRECode = std::uint32_t;

inline constexpr TRECode RECodeInvalidByteBase = 0x110000;
inline constexpr TRECode RECodeMaxText = RECodeInvalidByteBase + 0xFF;
// Pseudo-characters for "^" and "$": no text decodes to them.
inline constexpr TRECode RECodeLineHead = RECodeMaxText + 1;
inline constexpr TRECode RECodeLineTail = RECodeMaxText + 2;

// Decodes the character at text[pos] (pos < size); len receives its byte length.
// Returns false (len 1, code in the invalid-byte range) for a malformed sequence.
inline bool DecodeUtf8(const unsigned char* s, std::size_t size, std::size_t pos, TRECode& code,
                       std::size_t& len) {
    const unsigned b0 = s[pos];
    len = 1;
    if (b0 < 0x80) {
        code = b0;
        return true;
    }
    auto cont = [&](std::size_t i, unsigned lo, unsigned hi) {
        return pos + i < size && s[pos + i] >= lo && s[pos + i] <= hi;
    };
    if (b0 >= 0xC2 && b0 <= 0xDF && cont(1, 0x80, 0xBF)) {
        code = ((b0 & 0x1F) << 6) | (s[pos + 1] & 0x3F);
        len = 2;
        return true;
    }
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        const unsigned lo = b0 == 0xE0 ? 0xA0 : 0x80;
        const unsigned hi = b0 == 0xED ? 0x9F : 0xBF;
        if (cont(1, lo, hi) && cont(2, 0x80, 0xBF)) {
            code = ((b0 & 0x0F) << 12) | ((s[pos + 1] & 0x3F) << 6) | (s[pos + 2] & 0x3F);
            len = 3;
            return true;
        }
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        const unsigned lo = b0 == 0xF0 ? 0x90 : 0x80;
        const unsigned hi = b0 == 0xF4 ? 0x8F : 0xBF;
        if (cont(1, lo, hi) && cont(2, 0x80, 0xBF) && cont(3, 0x80, 0xBF)) {
            code = ((b0 & 0x07) << 18) | ((s[pos + 1] & 0x3F) << 12) | ((s[pos + 2] & 0x3F) << 6) |
                   (s[pos + 3] & 0x3F);
            len = 4;
            return true;
        }
    }
    code = RECodeInvalidByteBase + b0;
    return false;
}

// Byte length of the character at text[pos].
inline std::size_t Utf8CharLength(const unsigned char* s, std::size_t size, std::size_t pos) {
    if (s[pos] < 0x80) return 1;
    TRECode code;
    std::size_t len;
    DecodeUtf8(s, size, pos, code, len);
    return len;
}

// Appends a code as UTF-8. Codes that are not scalar values (surrogates) become U+FFFD so
// that the output stays well-formed.
inline void AppendUtf8(std::string& out, TRECode code) {
    if (code >= 0xD800 && code <= 0xDFFF) code = 0xFFFD;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace vexmo
