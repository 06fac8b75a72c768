#include "document/core/TextEncoding.h"

#include <array>
#include <cstdint>
#include <vector>

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

bool IsAsciiLetter(int b)
{
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

bool IsAsciiText(int b)
{
    return IsAsciiLetter(b) || (b >= '0' && b <= '9') || b == ' ';
}

bool IsShiftJisLead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool IsShiftJisTrail(unsigned char b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// What a double-byte character is in Japanese text.
enum class PairKind {
    Kana,        // hiragana, katakana: nothing else makes these byte pairs
    Punctuation, // 、。「」・ー and the other full-width signs
    Kanji,       // the common (first level) kanji
    RareKanji,   // the second level
    Other,       // full-width letters and digits, Greek, Cyrillic, box drawing
    Unlikely,    // unassigned rows, vendor and user extensions
};

PairKind KindOf(unsigned char lead, unsigned char trail)
{
    const unsigned code = (unsigned(lead) << 8) | trail;
    if (lead == 0x81)
        return trail <= 0xAC ? PairKind::Punctuation : PairKind::Other;
    if (lead == 0x82)
        return trail >= 0x9F && trail <= 0xF1 ? PairKind::Kana : PairKind::Other;
    if (lead == 0x83)
        return trail <= 0x96 ? PairKind::Kana : PairKind::Other;
    if (lead == 0x84)
        return PairKind::Other;
    if (code >= 0x889F && code <= 0x9872)
        return PairKind::Kanji;
    if (code >= 0x989F && code <= 0xEAA4)
        return PairKind::RareKanji;
    return PairKind::Unlikely;
}

// Letters of Windows-1252 above ASCII: Š Œ Ž š œ ž Ÿ ƒ ª µ º and À to ÿ but × and ÷.
bool IsWindows1252Letter(unsigned char b)
{
    switch (b) {
    case 0x83: case 0x8A: case 0x8C: case 0x8E: case 0x9A: case 0x9C: case 0x9E: case 0x9F:
    case 0xAA: case 0xB5: case 0xBA:
        return true;
    default:
        return b >= 0xC0 && b != 0xD7 && b != 0xF7;
    }
}

bool IsWindows1252Undefined(unsigned char b)
{
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

// How Western the bytes look in Windows-1252: a letter beside an ASCII letter, or a sign
// (quotes, dashes, €, ™, °, …) beside ASCII text, each count; the five undefined bytes
// count against.
long Windows1252Evidence(std::string_view bytes)
{
    const auto at = [&](std::size_t i) -> int {
        return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : -1;
    };
    long score = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80)
            continue;
        const int before = i > 0 ? at(i - 1) : -1;
        const int after = at(i + 1);
        if (IsWindows1252Undefined(b))
            score -= 3;
        else if (IsWindows1252Letter(b))
            score += IsAsciiLetter(before) || IsAsciiLetter(after) ? 2 : 0;
        else
            score += IsAsciiText(before) || IsAsciiText(after) ? 1 : 0;
    }
    return score;
}

} // namespace

bool LooksLikeShiftJis(std::string_view bytes)
{
    struct Pair {
        std::size_t At;
        PairKind Kind;
    };
    std::vector<Pair> pairs;
    long halfWidthKana = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80)
            continue;
        if (b >= 0xA1 && b <= 0xDF) {
            ++halfWidthKana; // rare in documents
            continue;
        }
        if (!IsShiftJisLead(b) || i + 1 >= bytes.size())
            return false;
        const auto trail = static_cast<unsigned char>(bytes[i + 1]);
        if (!IsShiftJisTrail(trail))
            return false;
        pairs.push_back({i, KindOf(b, trail)});
        ++i;
    }

    // Kana and full-width punctuation are Japanese on their own; a kanji is when it stands
    // beside another Japanese character, since a lone one is also what a Western letter next
    // to an ASCII letter makes ("\x8Ak" is Škoda's first letters).
    const auto japanese = [](PairKind kind) {
        return kind == PairKind::Kana || kind == PairKind::Punctuation ||
               kind == PairKind::Kanji || kind == PairKind::RareKanji;
    };
    long score = -halfWidthKana;
    bool evidence = false;
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const bool joined =
            (k > 0 && pairs[k - 1].At + 2 == pairs[k].At && japanese(pairs[k - 1].Kind)) ||
            (k + 1 < pairs.size() && pairs[k].At + 2 == pairs[k + 1].At &&
             japanese(pairs[k + 1].Kind));
        switch (pairs[k].Kind) {
        case PairKind::Kana:
            score += 5;
            evidence = true;
            break;
        case PairKind::Punctuation:
            score += 2;
            evidence = true;
            break;
        case PairKind::Kanji:
            score += joined ? 3 : 1;
            evidence = evidence || joined;
            break;
        case PairKind::RareKanji:
            score += joined ? 2 : 0;
            evidence = evidence || joined;
            break;
        case PairKind::Other:
            break;
        case PairKind::Unlikely:
            score -= 3;
            break;
        }
    }
    // When both readings stay plausible, Windows-1252 wins: it keeps every byte as it is.
    return evidence && score > Windows1252Evidence(bytes);
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
