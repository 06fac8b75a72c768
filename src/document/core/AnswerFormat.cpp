#include "document/core/AnswerFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace vexmo {

namespace {

std::string& ThousandSeparatorStorage()
{
    static std::string separator = ",";
    return separator;
}

// |x| = 0.Digits × 10^Exponent; Digits has no leading or trailing zeros and is empty
// for zero.
struct Decimal {
    std::string Digits;
    int Exponent = 0;
};

// Reads the output of printf's %Le. The C library writes the process locale's decimal
// point, so any character that is no digit, sign or exponent mark counts as it.
Decimal ParsePrintfDecimal(const char* text)
{
    std::string digits;
    int integerCount = 0;
    bool pointSeen = false;
    int exponent = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9') {
            digits += c;
            if (!pointSeen)
                ++integerCount;
        } else if (c == 'e' || c == 'E') {
            exponent = static_cast<int>(std::strtol(p + 1, nullptr, 10));
            break;
        } else if (c != '-' && c != '+') {
            pointSeen = true;
        }
    }
    Decimal d;
    std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return d;
    std::size_t last = digits.find_last_not_of('0');
    d.Digits = digits.substr(first, last - first + 1);
    d.Exponent = integerCount - static_cast<int>(first) + exponent;
    return d;
}

// The first 64 significant digits of |x| (finite), from printf's exact conversion. A
// long double (64-bit significand) that is not exactly halfway between two roundings of
// at most 18 digits differs from halfway within about the first 45 digits, so these
// digits decide every rounding made here as the exact value would.
Decimal LeadingDigits(long double ax)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%.63Le", ax);
    return ParsePrintfDecimal(buffer);
}

// Keeps `keep` significant digits, rounding halves away from zero.
Decimal RoundAt(Decimal d, int keep)
{
    if (d.Digits.empty() || keep >= static_cast<int>(d.Digits.size()))
        return d;
    if (keep < 0)
        return {};
    const bool up = d.Digits[static_cast<std::size_t>(keep)] >= '5';
    d.Digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.Digits[static_cast<std::size_t>(i)] == '9')
            d.Digits[static_cast<std::size_t>(i--)] = '0';
        if (i < 0) {
            d.Digits.insert(d.Digits.begin(), '1');
            ++d.Exponent;
        } else {
            ++d.Digits[static_cast<std::size_t>(i)];
        }
    }
    const std::size_t last = d.Digits.find_last_not_of('0');
    if (last == std::string::npos)
        return {};
    d.Digits.resize(last + 1);
    return d;
}

// Rounds |x| (finite) to n significant digits (at most 18).
Decimal RoundSignificant(long double ax, int n)
{
    return RoundAt(LeadingDigits(ax), std::clamp(n, 1, 18));
}

// Rounds |x| (finite) to `decimals` places and to at most `maxSignificant` digits, at
// whichever position is coarser.
Decimal RoundDecimals(long double ax, int decimals, int maxSignificant)
{
    const Decimal d = LeadingDigits(ax);
    if (d.Digits.empty())
        return d;
    const long long byPlace = static_cast<long long>(d.Exponent) + decimals;
    return RoundAt(d, static_cast<int>(std::min<long long>(byPlace, std::clamp(maxSignificant, 1, 18))));
}

// The digits of the integer part ("" below 1) and of the fraction (no trailing zeros).
std::string IntegerDigits(const Decimal& d)
{
    if (d.Exponent <= 0 || d.Digits.empty())
        return {};
    std::string s = d.Digits.substr(0, std::min<std::size_t>(d.Digits.size(), d.Exponent));
    s.append(static_cast<std::size_t>(d.Exponent) - s.size(), '0');
    return s;
}

std::string FractionDigits(const Decimal& d)
{
    if (d.Digits.empty())
        return {};
    if (d.Exponent <= 0)
        return std::string(static_cast<std::size_t>(-d.Exponent), '0') + d.Digits;
    if (static_cast<std::size_t>(d.Exponent) >= d.Digits.size())
        return {};
    return d.Digits.substr(static_cast<std::size_t>(d.Exponent));
}

long double PowerOfTen(int n)
{
    long double result = 1.0L;
    long double base = 10.0L;
    for (unsigned e = static_cast<unsigned>(n < 0 ? -n : n); e != 0; e >>= 1) {
        if (e & 1U)
            result *= base;
        base *= base;
    }
    return n < 0 ? 1.0L / result : result;
}

std::string FormatExponent(int precision, int digits, long double x)
{
    const Decimal r = RoundSignificant(std::fabs(x), precision);
    std::string mantissa = r.Digits;
    mantissa.resize(static_cast<std::size_t>(precision), '0');
    std::string s;
    if (x < 0)
        s += '-';
    s += mantissa[0];
    s += DecimalSeparator();
    s.append(mantissa, 1);
    const int exponent = r.Digits.empty() ? 0 : r.Exponent - 1;
    s += 'E';
    s += exponent < 0 ? '-' : '+';
    std::string e = std::to_string(exponent < 0 ? -exponent : exponent);
    if (digits >= 0 && digits <= 3 && static_cast<int>(e.size()) < digits)
        e.insert(0, static_cast<std::size_t>(digits) - e.size(), '0');
    return s + e;
}

std::string FormatFixed(int precision, int digits, long double x)
{
    // A negative count of decimals (typed by hand) is shown as none.
    const int decimals = std::clamp(digits, 0, 18);
    const Decimal r = RoundDecimals(std::fabs(x), decimals, precision);
    if (!r.Digits.empty() && r.Exponent > precision)
        return GeneralNumberText(x, precision);
    std::string s;
    // A value that rounds to zero is shown without a sign.
    if (x < 0 && !r.Digits.empty())
        s += '-';
    const std::string whole = IntegerDigits(r);
    s += whole.empty() ? "0" : whole;
    if (decimals > 0) {
        std::string fraction = FractionDigits(r);
        fraction.resize(static_cast<std::size_t>(decimals), '0');
        s += DecimalSeparator();
        s += fraction;
    }
    return s;
}

std::string FormatEngineering(int precision, int digits, long double x)
{
    if (x == 0)
        return FormatFixed(precision, digits, x);
    const int d = static_cast<int>(std::trunc(std::log10(std::fabs(x))));
    if (d >= 15 || d < -18)
        return FormatExponent(precision, digits, x);
    const long double m = x / PowerOfTen(d);
    int k = (d + 18) / 3;
    long double v = m * PowerOfTen((d + 18) % 3);
    // A mantissa that rounds up to 1000 belongs to the next suffix: "1K" reads back as
    // 1000, "1E3K" would read as 10^3000.
    if (RoundSignificant(std::fabs(v), precision).Exponent > 3) {
        if (k == 10)
            return FormatExponent(precision, digits, x);
        v /= 1000.0L;
        ++k;
    }
    std::string mantissa = GeneralNumberText(v, precision);
    // At precision 2 a three-digit mantissa prints with an exponent, which a suffix after
    // it would turn into a different number; the exponent form says it plainly.
    if (mantissa.find('E') != std::string::npos)
        return FormatExponent(precision, digits, x);
    return mantissa + EngineeringSuffixTable[k];
}

// ---- user formats ----

struct FormatToken {
    enum class Kind { Digit, Point, Comma, Exponent, Literal };
    explicit FormatToken(Kind k) : kind(k) {}
    Kind kind;
    bool zero = false;       // Digit: "0" rather than "#"
    bool fraction = false;   // Digit: after the decimal point
    char mark = 'E';         // Exponent: the letter as written
    bool alwaysSign = false; // Exponent: "E+"
    int minDigits = 0;       // Exponent
    std::string_view text;   // Literal
};

struct SectionLayout {
    std::vector<FormatToken> tokens;
    int integerPlaces = 0;
    int fractionPlaces = 0;
    bool grouping = false;
    bool scientific = false;
    int firstZero = -1; // placeholder indices, integer places first
    int lastZero = -1;
};

SectionLayout ScanSection(std::string_view section)
{
    SectionLayout layout;
    bool pointSeen = false;
    std::size_t i = 0;
    auto literal = [&](std::size_t from, std::size_t count) {
        FormatToken t(FormatToken::Kind::Literal);
        t.text = section.substr(from, count);
        layout.tokens.push_back(t);
    };
    while (i < section.size()) {
        const char c = section[i];
        if (c == '"' || c == '\'') {
            std::size_t close = section.find(c, i + 1);
            if (close == std::string_view::npos)
                close = section.size();
            literal(i + 1, close - i - 1);
            i = close + 1;
        } else if ((c == '0' || c == '#') && !layout.scientific) {
            FormatToken t(FormatToken::Kind::Digit);
            t.zero = c == '0';
            t.fraction = pointSeen;
            const int index = layout.integerPlaces + layout.fractionPlaces;
            if (t.zero) {
                if (layout.firstZero < 0)
                    layout.firstZero = index;
                layout.lastZero = index;
            }
            (pointSeen ? layout.fractionPlaces : layout.integerPlaces)++;
            layout.tokens.push_back(t);
            ++i;
        } else if (c == '.' && !pointSeen && !layout.scientific) {
            pointSeen = true;
            layout.tokens.emplace_back(FormatToken::Kind::Point);
            ++i;
        } else if (c == ',') {
            layout.grouping = true;
            layout.tokens.emplace_back(FormatToken::Kind::Comma);
            ++i;
        } else if ((c == 'E' || c == 'e') && !layout.scientific && i + 1 < section.size() &&
                   (section[i + 1] == '+' || section[i + 1] == '-')) {
            FormatToken t(FormatToken::Kind::Exponent);
            t.mark = c;
            t.alwaysSign = section[i + 1] == '+';
            i += 2;
            while (i < section.size() && section[i] == '0') {
                t.minDigits = std::min(t.minDigits + 1, 4);
                ++i;
            }
            layout.scientific = true;
            layout.tokens.push_back(t);
        } else {
            literal(i, 1);
            ++i;
        }
    }
    return layout;
}

std::vector<std::string_view> SplitSections(std::string_view format)
{
    std::vector<std::string_view> sections;
    std::size_t start = 0;
    char quote = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (quote != 0) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            sections.push_back(format.substr(start, i - start));
            start = i + 1;
            if (sections.size() == 3)
                return sections;
        }
    }
    sections.push_back(format.substr(start));
    return sections;
}

void AppendGrouped(std::string& out, char digit, int positionFromRight, bool grouping)
{
    out += digit;
    if (grouping && positionFromRight > 0 && positionFromRight % 3 == 0)
        out += ThousandSeparator();
}

std::string RenderSection(const SectionLayout& layout, const Decimal& r, bool negative)
{
    std::string whole;
    std::string fraction;
    int exponent = 0;
    if (layout.scientific) {
        if (!r.Digits.empty()) {
            exponent = r.Exponent - layout.integerPlaces;
            Decimal shifted = r;
            shifted.Exponent = layout.integerPlaces;
            whole = IntegerDigits(shifted);
            fraction = FractionDigits(shifted);
        }
    } else {
        whole = IntegerDigits(r);
        fraction = FractionDigits(r);
    }
    const int wholeCount = static_cast<int>(whole.size());
    const int fractionCount = static_cast<int>(fraction.size());
    auto inZeroSpan = [&](int index) {
        return layout.firstZero >= 0 && index >= layout.firstZero && index <= layout.lastZero;
    };
    bool decimalsShown = fractionCount > 0;
    for (int k = 0; k < layout.fractionPlaces && !decimalsShown; ++k)
        decimalsShown = inZeroSpan(layout.integerPlaces + k);

    std::string out;
    if (negative)
        out += '-';
    // Integer digits beyond the placeholders go where the first placeholder (or, with
    // no integer placeholders, the decimal point) stands.
    bool overflowWritten = false;
    auto writeOverflow = [&] {
        if (overflowWritten)
            return;
        overflowWritten = true;
        for (int i = 0; i < wholeCount - layout.integerPlaces; ++i)
            AppendGrouped(out, whole[i], wholeCount - 1 - i, layout.grouping);
    };
    int integerIndex = 0;
    int fractionIndex = 0;
    for (const FormatToken& t : layout.tokens) {
        switch (t.kind) {
        case FormatToken::Kind::Digit:
            writeOverflow();
            if (!t.fraction) {
                const int fromRight = layout.integerPlaces - 1 - integerIndex;
                if (fromRight < wholeCount)
                    AppendGrouped(out, whole[wholeCount - 1 - fromRight], fromRight,
                                  layout.grouping);
                else if (inZeroSpan(integerIndex))
                    AppendGrouped(out, '0', fromRight, layout.grouping);
                ++integerIndex;
            } else {
                if (fractionIndex < fractionCount)
                    out += fraction[fractionIndex];
                else if (inZeroSpan(layout.integerPlaces + fractionIndex))
                    out += '0';
                ++fractionIndex;
            }
            break;
        case FormatToken::Kind::Point:
            writeOverflow();
            if (decimalsShown)
                out += DecimalSeparator();
            break;
        case FormatToken::Kind::Comma:
            break;
        case FormatToken::Kind::Exponent: {
            out += t.mark;
            if (exponent < 0)
                out += '-';
            else if (t.alwaysSign)
                out += '+';
            std::string e = std::to_string(exponent < 0 ? -exponent : exponent);
            if (static_cast<int>(e.size()) < t.minDigits)
                e.insert(0, static_cast<std::size_t>(t.minDigits) - e.size(), '0');
            out += e;
            break;
        }
        case FormatToken::Kind::Literal:
            out += t.text;
            break;
        }
    }
    return out;
}

Decimal RoundForSection(const SectionLayout& layout, long double ax)
{
    if (layout.scientific)
        return RoundSignificant(ax, std::clamp(layout.integerPlaces + layout.fractionPlaces, 1, 18));
    return RoundDecimals(ax, layout.fractionPlaces, 18);
}

} // namespace

void SetThousandSeparator(std::string separator)
{
    ThousandSeparatorStorage() = std::move(separator);
}

const std::string& ThousandSeparator()
{
    return ThousandSeparatorStorage();
}

std::string FormatNumber(int code, int precision, int digits, long double x)
{
    if (code < 0 || code > 4)
        return {};
    precision = std::clamp(precision, 2, 18);
    if (!std::isfinite(x) || code == 0 || code == 4)
        return GeneralNumberText(x, precision);
    switch (code) {
    case 1:
        return FormatExponent(precision, digits, x);
    case 2:
        return FormatFixed(precision, digits, x);
    default:
        return FormatEngineering(precision, digits, x);
    }
}

std::string UserFormatText(std::string_view format, long double x)
{
    const std::vector<std::string_view> sections = SplitSections(format);
    if (sections[0].empty() || !std::isfinite(x))
        return GeneralNumberText(x, 15);
    auto pick = [&](std::size_t i) {
        return i < sections.size() && !sections[i].empty() ? i : 0;
    };
    const bool hasZeroSection = sections.size() > 2 && !sections[2].empty();
    std::size_t chosen = x == 0 ? pick(2) : x < 0 ? pick(1) : pick(0);

    SectionLayout layout = ScanSection(sections[chosen]);
    const long double ax = std::fabs(x);
    if (!layout.scientific && ax >= 1e18L)
        return GeneralNumberText(x, 15);
    Decimal r = RoundForSection(layout, ax);
    if (r.Digits.empty() && hasZeroSection && chosen != 2) {
        chosen = 2;
        layout = ScanSection(sections[2]);
    }
    // The first section carries no sign of its own; a value that rounds to zero is
    // shown without one.
    const bool minus = x < 0 && chosen == 0 && !r.Digits.empty();
    return RenderSection(layout, r.Digits.empty() ? Decimal{} : r, minus);
}

std::string AnswerText(const DComplex& value, const NumberFormatSettings& settings)
{
    // An unknown format code answers in the general format rather than with nothing.
    const int format =
        settings.OptNumFormat < 0 || settings.OptNumFormat > 4 ? 0 : settings.OptNumFormat;
    auto part = [&](long double x) {
        if (format == 4)
            return UserFormatText(settings.OptNumFormatStr, x);
        return FormatNumber(format, settings.OptPrecision, settings.OptDigits, x);
    };
    if (!settings.OptShowZeroImaginary && value.Imaginary == 0)
        return part(value.Real);
    if (value.Imaginary < 0)
        return part(value.Real) + " -_I " + part(-static_cast<long double>(value.Imaginary));
    return part(value.Real) + " +_I " + part(value.Imaginary);
}

std::string ClipboardNumberText(const DComplex& value, const NumberFormatSettings& settings)
{
    if (settings.OptNumFormatClipboard == 1)
        return AnswerText(value, settings);
    // Maximum precision: every bit of the value, in as few digits as read back to it.
    const std::string re = ValueNumberText(value.Real);
    if (!settings.OptShowZeroImaginary && value.Imaginary == 0)
        return re;
    const std::string im = ValueNumberText(value.Imaginary);
    switch (settings.OptNumFormatComplex) {
    case 1:
        return re + " +_I " + im;
    case 2:
        return re + "\t" + im;
    default:
        return re + " + " + im + "i";
    }
}

std::optional<int> ParseIntegerText(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<std::vector<std::string>> FormatSampleLines(int formatItem,
                                                          std::string_view precisionText,
                                                          std::string_view digitsText,
                                                          std::string_view userFormat)
{
    const std::optional<int> precision = ParseIntegerText(precisionText);
    const std::optional<int> digits = ParseIntegerText(digitsText);
    if (!precision || !digits)
        return std::nullopt;
    // The values as a document holds them (doubles), so the sample shows what an answer
    // of the same value would show.
    struct Sample {
        const char* label;
        double re, im;
    };
    static constexpr Sample samples[] = {
        {"_PI := ", std::numbers::pi, 0.0},
        {"123456+987654i = ", 123456.0, 987654.0},
        {"0.0012+0.0034i = ", 0.0012, 0.0034},
        {"-987654.321+123456.789i = ", -987654.321, 123456.789},
    };
    auto part = [&](long double x) {
        if (formatItem == 4)
            return UserFormatText(userFormat, x);
        return FormatNumber(formatItem, *precision, *digits, x);
    };
    std::vector<std::string> lines;
    for (const Sample& s : samples)
        lines.push_back(s.label + part(s.re) + " +_I " + part(s.im));
    return lines;
}

} // namespace vexmo
