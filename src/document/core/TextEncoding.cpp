#include "document/core/TextEncoding.h"

#include <array>
#include <cstdint>

namespace vexmo {

namespace {

// Code points of the bytes 0x80 to 0x9F in Windows-1252.
constexpr std::array<std::uint16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the valid UTF-8 sequence at `i`, or 0; `cp` receives its code point.
std::size_t SequenceAt(std::string_view s, std::size_t i, std::uint32_t& cp)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const std::size_t left = s.size() - i;
    const unsigned char lead = b(0);
    auto cont = [&](std::size_t k) { return k < left && (b(k) & 0xC0) == 0x80; };
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF && cont(1)) {
        cp = ((lead & 0x1Fu) << 6) | (b(1) & 0x3Fu);
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF && cont(1) && cont(2)) {
        if ((lead == 0xE0 && b(1) < 0xA0) || (lead == 0xED && b(1) >= 0xA0))
            return 0;
        cp = ((lead & 0x0Fu) << 12) | ((b(1) & 0x3Fu) << 6) | (b(2) & 0x3Fu);
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4 && cont(1) && cont(2) && cont(3)) {
        if ((lead == 0xF0 && b(1) < 0x90) || (lead == 0xF4 && b(1) >= 0x90))
            return 0;
        cp = ((lead & 0x07u) << 18) | ((b(1) & 0x3Fu) << 12) | ((b(2) & 0x3Fu) << 6) |
             (b(3) & 0x3Fu);
        return 4;
    }
    return 0;
}

bool IsAsciiLetter(unsigned char b)
{
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

bool IsShiftJisLead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool IsShiftJisTrail(unsigned char b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// How Japanese a double-byte character looks, by its rows: punctuation, kana and the common
// kanji count for it; the rare kanji count little; extensions and user rows count against.
int ShiftJisPairScore(unsigned char lead, unsigned char trail)
{
    if (lead == 0x81)
        return 2; // 、。「」・ and friends
    if (lead == 0x82)
        return trail >= 0x9F ? 3 : 1; // hiragana; full-width digits and letters
    if (lead == 0x83)
        return trail <= 0x96 ? 3 : 0; // katakana; Greek
    if (lead >= 0x88 && lead <= 0x9F)
        return trail >= 0x80 ? 2 : 1; // the common kanji
    if (lead >= 0xE0 && lead <= 0xEA)
        return 0; // the rarer kanji
    return -2;
}

// How Western a byte at or above 0x80 looks in Windows-1252, beside its neighbours.
int Windows1252Score(unsigned char b, int before, int after)
{
    const auto ascii = [](int n) { return n >= 0 && n < 0x80; };
    const auto letter = [](int n) {
        return n >= 0 && IsAsciiLetter(static_cast<unsigned char>(n));
    };
    switch (b) {
    case 0x81: case 0x8D: case 0x8F: case 0x90: case 0x9D:
        return -3; // undefined in the code page
    case 0x80: case 0x85: case 0x91: case 0x92: case 0x93: case 0x94: case 0x96: case 0x97:
        return ascii(before) || ascii(after) ? 1 : 0; // € … ' ' " " – — next to text
    default:
        break;
    }
    if (b >= 0xC0 && b != 0xD7 && b != 0xF7) // accented letters
        return letter(before) || letter(after) ? 2 : 0;
    return 0;
}

} // namespace

bool LooksLikeShiftJis(std::string_view bytes)
{
    const auto at = [&](std::size_t i) -> int {
        return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : -1;
    };
    long japanese = 0;
    long western = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80)
            continue;
        western += Windows1252Score(b, i > 0 ? at(i - 1) : -1, at(i + 1));
        if (b >= 0xA1 && b <= 0xDF) {
            japanese -= 1; // half-width katakana: rare in documents
            continue;
        }
        if (!IsShiftJisLead(b) || i + 1 >= bytes.size())
            return false;
        const auto trail = static_cast<unsigned char>(bytes[i + 1]);
        if (!IsShiftJisTrail(trail))
            return false;
        japanese += ShiftJisPairScore(b, trail);
        if (trail >= 0x80)
            western += Windows1252Score(trail, b, at(i + 2));
        ++i;
    }
    return japanese > western;
}

bool IsValidUtf8(std::string_view bytes)
{
    std::uint32_t cp = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = SequenceAt(bytes, i, cp);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::string DecodeWindows1252(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80)
            out += c;
        else if (b < 0xA0)
            AppendUtf8(out, kHighControls[b - 0x80]);
        else
            AppendUtf8(out, b);
    }
    return out;
}

std::string EncodeWindows1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::uint32_t cp = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = SequenceAt(utf8, i, cp);
        if (n == 0) {
            out += '?';
            ++i;
            continue;
        }
        i += n;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += static_cast<char>(cp);
            continue;
        }
        char mapped = '?';
        for (std::size_t k = 0; k < kHighControls.size(); ++k) {
            if (kHighControls[k] == cp) {
                mapped = static_cast<char>(0x80 + k);
                break;
            }
        }
        out += mapped;
    }
    return out;
}

std::string DecodeFileText(std::string_view bytes, const LegacyDecoder& decoder, bool* legacy)
{
    if (IsValidUtf8(bytes)) {
        if (legacy)
            *legacy = false;
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
            bytes.remove_prefix(3);
        return std::string(bytes);
    }
    if (legacy)
        *legacy = true;
    return decoder ? decoder(bytes) : DecodeWindows1252(bytes);
}

} // namespace vexmo
