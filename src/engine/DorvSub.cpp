#include "engine/DorvSub.h"

#include <algorithm>
#include <charconv>
#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vexmo {

namespace {

using LD = long double;

// Handed in once at start-up; atomic only so that a stray reader on another thread is harmless.
std::atomic<char> gDecimalSeparator{'.'};

constexpr LD kPiL = 3.141592653589793238462643383279502884L;
constexpr LD kTwoPiL = 6.283185307179586476925286766559005768L;
constexpr LD kLn10L = 2.302585092994045684017991454684364208L;
constexpr double kPi = 3.141592653589793238462643383279502884;
constexpr double kHalfPi = 1.570796326794896619231321691639751442;

const char* const kDivisionByZero = "Division by zero";
const char* const kInvalidOperation = "Invalid floating point operation";
const char* const kOverflow = "Floating point overflow";

const UnitSuffix kUnitSuffixes[UnitSuffixCount] = {
    {"MEG", 1e6L}, {"DEG", 0.0174532925199432957692369076848861271L},
    {"MG", 1e6L},  {"G", 1e9L},
    {"K", 1e3L},   {"M", 1e-3L},
    {"U", 1e-6L},  {"N", 1e-9L},
    {"P", 1e-12L}, {"F", 1e-15L},
    {"A", 1e-18L}, {"T", 1e12L},
};

[[noreturn]] void MathError(const char* message) { throw EMathError(message); }

[[noreturn]] void NotAFloat(std::string_view text) {
    // A rejected text can be a whole pasted line of megabytes; the message quotes only its
    // start (cut at a character boundary) so that it stays readable in an error box.
    constexpr std::size_t kQuoteLimit = 200;
    bool cut = false;
    if (text.size() > kQuoteLimit) {
        std::size_t end = kQuoteLimit;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            --end;
        text = text.substr(0, end);
        cut = true;
    }
    std::string message;
    message.reserve(text.size() + 48);
    message += '\'';
    message += text;
    if (cut)
        message += "...";
    message += "' is not a valid floating point value";
    throw EConvertError(message);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimControl(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32)
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32)
        s.remove_suffix(1);
    return s;
}

std::string UpperAscii(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return u;
}

// 10^k by square-and-multiply; exact up to 10^27, finite up to 10^4096.
LD Pow10(unsigned k) {
    LD result = 1.0L;
    LD base = 10.0L;
    while (k != 0) {
        if (k & 1U)
            result *= base;
        k >>= 1U;
        if (k != 0)
            base *= base;
    }
    return result;
}

// v * 10^n in steps that cannot overflow on the way when the result itself is in range.
LD Scale10(LD v, std::int64_t n) {
    if (v == 0.0L || n == 0)
        return v;
    // Every nonzero finite extended value times 10^30000 is infinite, divided by it zero.
    n = std::clamp<std::int64_t>(n, -30000, 30000);
    while (n > 0 && std::isfinite(v)) {
        const auto k = static_cast<unsigned>(std::min<std::int64_t>(n, 4096));
        v *= Pow10(k);
        n -= k;
    }
    while (n < 0 && v != 0.0L) {
        const auto k = static_cast<unsigned>(std::min<std::int64_t>(-n, 4096));
        v /= Pow10(k); // dividing rounds once, unlike multiplying by the reciprocal
        n += k;
    }
    return v;
}

// m * 10^e for the exponent of a number literal; e may carry a fraction.
LD TimesPowerOfTen(LD m, LD e) {
    if (m == 0.0L)
        return m; // 0E99999 is 0, not 0 * infinity
    LD r;
    if (e == truncl(e)) {
        if (e > 30000.0L)
            r = m * HUGE_VALL;
        else if (e < -30000.0L)
            r = m * 0.0L;
        else
            r = Scale10(m, static_cast<std::int64_t>(e));
    } else {
        r = m * expl(e * kLn10L);
    }
    if (!std::isfinite(r))
        MathError(kOverflow);
    return r;
}

// Smallest magnitudes that round to infinity in double and single (max + half an ulp);
// checked before the cast, which is undefined beyond the range.
constexpr LD kDoubleOverflow = 0x1.fffffffffffff8p1023L;
constexpr double kSingleOverflow = 0x1.ffffffp127;

double Part(LD v) {
    if (std::isnan(v))
        MathError(kInvalidOperation);
    if (fabsl(v) >= kDoubleOverflow)
        MathError(kOverflow);
    return static_cast<double>(v);
}

DComplex Make(LD re, LD im) { return DComplex{Part(re), Part(im)}; }

DComplex RealValue(double x) { return DComplex{x, 0.0}; }

} // namespace

void SetDecimalSeparator(char separator) { gDecimalSeparator.store(separator); }
char DecimalSeparator() { return gDecimalSeparator.load(); }

double ToDComplexPart(long double value) { return Part(value); }

// ---- number text ----

const UnitSuffix* UnitSuffixTable() { return kUnitSuffixes; }

long double PlainNumberToFloat(std::string_view text) {
    std::size_t i = 0;
    std::size_t end = text.size();
    while (i < end && text[i] == ' ')
        ++i;
    while (end > i && text[end - 1] == ' ')
        --end;

    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    // Digits past this size only move the decimal exponent; the value stays finite while it grows.
    constexpr LD kAccumulateLimit = 1e4000L;
    LD value = 0.0L;
    std::int64_t scale = 0;
    bool anyDigit = false;
    bool separator = false;
    for (; i < end && IsDigit(text[i]); ++i) {
        anyDigit = true;
        if (value < kAccumulateLimit)
            value = value * 10.0L + (text[i] - '0');
        else
            ++scale;
    }
    if (i < end && text[i] == DecimalSeparator()) {
        separator = true;
        for (++i; i < end && IsDigit(text[i]); ++i) {
            anyDigit = true;
            if (value < kAccumulateLimit) {
                value = value * 10.0L + (text[i] - '0');
                --scale;
            }
        }
    }
    if (!anyDigit && !separator)
        NotAFloat(text);

    if (i < end && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool negativeExponent = false;
        if (i < end && (text[i] == '+' || text[i] == '-')) {
            negativeExponent = text[i] == '-';
            ++i;
        }
        if (i >= end || !IsDigit(text[i]))
            NotAFloat(text);
        std::int64_t exponent = 0;
        for (; i < end && IsDigit(text[i]); ++i)
            if (exponent < 1000000) // far beyond any finite result; saturate
                exponent = exponent * 10 + (text[i] - '0');
        scale += negativeExponent ? -exponent : exponent;
    }
    if (i != end)
        NotAFloat(text);

    value = Scale10(value, scale);
    if (!std::isfinite(value))
        NotAFloat(text);
    return negative ? -value : value;
}

long double ParseSuffixedNumber(std::string_view upperText) {
    for (const UnitSuffix& unit : kUnitSuffixes) {
        const std::size_t q = upperText.find(unit.Suffix);
        if (q == std::string_view::npos)
            continue;
        const LD r = PlainNumberToFloat(upperText.substr(0, q)) * unit.Multiplier;
        if (!std::isfinite(r))
            MathError(kOverflow);
        return r;
    }
    return PlainNumberToFloat(upperText);
}

bool TryParseNumberText(std::string_view text, long double& value) {
    value = 0.0L;
    if (text.empty())
        return false;
    const std::string u = UpperAscii(text);
    const char first = u[0];
    if (first != '+' && first != '-' && first != '.' && !IsDigit(first))
        return false;

    for (std::size_t p = 1; p + 1 < u.size(); ++p) {
        const char next = u[p + 1];
        if (IsDigit(u[p - 1]) && u[p] == 'E' && (IsDigit(next) || next == '+' || next == '-')) {
            const std::string_view all(u);
            const LD m = ParseSuffixedNumber(all.substr(0, p));
            const LD e = ParseSuffixedNumber(all.substr(p + 1));
            value = TimesPowerOfTen(m, e);
            return true;
        }
    }
    value = ParseSuffixedNumber(u);
    return true;
}

long double DorvStrToFloat(std::string_view text) {
    LD value = 0.0L;
    if (!TryParseNumberText(text, value))
        throw EConvertError("DorvStrToFloat: Not a number.");
    return value;
}

// A value text holds 15 digits, so the largest doubles are written as 1.79769313486232E308,
// just past the double range. Reading that text back gives the largest double again instead of
// an overflow, so a stored variable never becomes unreadable.
namespace {
double StoredPart(LD v) {
    constexpr LD kLargestText = 1.79769313486232E308L;
    if (fabsl(v) >= kDoubleOverflow && fabsl(v) <= kLargestText)
        return v < 0 ? -DBL_MAX : DBL_MAX;
    return Part(v);
}
} // namespace

bool TryReadDecimal(std::string_view text, char separator, double& value) {
    // Only a plain decimal is read here: sign, digits, separator, digits, exponent.
    constexpr std::size_t kLongest = 64;
    if (text.empty() || text.size() > kLongest)
        return false;
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (text[0] == '+' || text[0] == '-')
        ++i;
    const std::size_t start = i;
    std::size_t digits = 0;
    for (; i < n && IsDigit(text[i]); ++i)
        ++digits;
    std::size_t point = std::string_view::npos;
    if (i < n && text[i] == separator) {
        point = i;
        for (++i; i < n && IsDigit(text[i]); ++i)
            ++digits;
    }
    if (digits == 0)
        return false;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (i >= n || !IsDigit(text[i]))
            return false;
        while (i < n && IsDigit(text[i]))
            ++i;
    }
    if (i != n)
        return false;
    char buf[kLongest];
    const std::size_t len = n - start;
    std::memcpy(buf, text.data() + start, len);
    if (point != std::string_view::npos)
        buf[point - start] = '.';
    double v = 0.0;
    const auto [end, error] = std::from_chars(buf, buf + len, v);
    if (error != std::errc() || end != buf + len)
        return false; // out of range: the extended reading decides (overflow, tiny values)
    value = text[0] == '-' ? -v : v;
    return true;
}

namespace {
// One part of a value text: the nearest double to a plain decimal, else the extended
// reading with its suffix-free rules and messages.
double ReadStoredPart(std::string_view text) {
    double v = 0.0;
    if (TryReadDecimal(text, DecimalSeparator(), v))
        return v;
    return StoredPart(PlainNumberToFloat(text));
}
} // namespace

DComplex StrToDComplex(std::string_view text) {
    // The separators are found in upper case, the parts read as written, so that a message
    // quotes the text in the user's own spelling.
    const std::string_view written = TrimControl(text);
    const std::string t = UpperAscii(written);
    if (t.empty())
        throw EConvertError("StrToDComplex: This is not DComplex type string.");
    const std::string_view all(t);

    std::string_view realText;
    std::string imaginaryText;
    if (all.front() == '{') {
        if (all.back() != '}')
            throw EConvertError("StrToDComplex: Couldn't find '{' or '}'.");
        const std::size_t c = all.find(',');
        if (c == std::string_view::npos) {
            imaginaryText = TrimControl(written.substr(0, written.size() - 1));
        } else {
            realText = TrimControl(written.substr(1, c - 1));
            imaginaryText = TrimControl(written.substr(c + 1, written.size() - 1 - (c + 1)));
        }
    } else {
        std::size_t s = all.find("+_I ");
        if (s == std::string_view::npos)
            s = all.find("+_J ");
        if (s != std::string_view::npos) {
            realText = TrimControl(written.substr(0, s));
            imaginaryText = TrimControl(written.substr(s + 4));
        } else {
            s = all.find("-_I ");
            if (s == std::string_view::npos)
                s = all.find("-_J ");
            if (s != std::string_view::npos) {
                realText = TrimControl(written.substr(0, s));
                // The part after "-_I " is negated as it is read, so it keeps every bit.
                DComplex z;
                z.Imaginary = -ReadStoredPart(TrimControl(written.substr(s + 4)));
                z.Real = ReadStoredPart(realText);
                if (z.Imaginary == 0.0)
                    z.Imaginary = 0.0; // "1 -_I 0" has no negative zero
                return z;
            } else {
                realText = written;
                imaginaryText = "0";
            }
        }
    }
    DComplex z;
    z.Real = ReadStoredPart(realText);
    z.Imaginary = ReadStoredPart(imaginaryText);
    return z;
}

std::string DComplexToStr(const DComplex& z) {
    std::string s = ValueNumberText(z.Real);
    if (z.Imaginary >= 0.0) {
        s += " +_I ";
        s += ValueNumberText(z.Imaginary);
    } else {
        s += " -_I ";
        s += ValueNumberText(-z.Imaginary);
    }
    return s;
}

namespace {

// The text of 0.d1..dn x 10^e: scientific when e > widest or e < -3, else fixed.
std::string LayOutDigits(bool negative, const char* digits, int n, int e, int widest) {
    std::string out;
    out.reserve(32);
    if (negative)
        out += '-';
    const char sep = DecimalSeparator();
    if (e > widest || e < -3) {
        out += digits[0];
        if (n > 1) {
            out += sep;
            out.append(digits + 1, n - 1);
        }
        out += 'E';
        int shown = e - 1;
        if (shown < 0) {
            out += '-';
            shown = -shown;
        }
        out += std::to_string(shown);
    } else if (e <= 0) {
        out += '0';
        out += sep;
        out.append(-e, '0');
        out.append(digits, n);
    } else {
        if (n <= e) {
            out.append(digits, n);
            out.append(e - n, '0');
        } else {
            out.append(digits, e);
            out += sep;
            out.append(digits + e, n - e);
        }
    }
    return out;
}

// The significant digits of "d.ddde+X" (trailing zeros dropped) and its exponent, counted
// as in 0.d1d2... x 10^e.
int ScientificDigits(const char* text, int len, char* digits, int capacity, int& n) {
    n = 0;
    int i = 0;
    for (; i < len && text[i] != 'e'; ++i)
        if (IsDigit(text[i]) && n < capacity)
            digits[n++] = text[i];
    while (n > 1 && digits[n - 1] == '0')
        --n;
    if (i >= len)
        return 1;
    // The exponent ends at `len`: the text need not be terminated (to_chars does not).
    const char* p = text + i + 1;
    if (p < text + len && *p == '+')
        ++p;
    int exponent = 0;
    std::from_chars(p, text + len, exponent);
    return exponent + 1;
}

} // namespace

std::string GeneralNumberText(long double x, int precision) {
    precision = std::clamp(precision, 2, 18);
    if (std::isnan(x))
        return "NAN";
    if (std::isinf(x))
        return x < 0 ? "-INF" : "INF";
    const bool negative = x < 0;
    const LD a = fabsl(x);
    if (a < LDBL_MIN)
        return "0";

    // glibc prints the correctly rounded digits: d.ddddde±X
    char buf[64];
    const int len = std::snprintf(buf, sizeof buf, "%.*Le", precision - 1, a);
    if (len <= 0 || len >= static_cast<int>(sizeof buf))
        return "0";
    char digits[24];
    int n = 0;
    const int e = ScientificDigits(buf, len, digits, 20, n);
    return LayOutDigits(negative, digits, n, e, precision);
}

std::string ValueNumberText(double x) {
    if (std::isnan(x))
        return "NAN";
    if (std::isinf(x))
        return x < 0 ? "-INF" : "INF";
    if (x == 0.0)
        return "0";
    // The shortest digits that read back to x (at most 17), laid out as the general text at
    // 15 digits is, so a value of up to 15 digits is written as it always was.
    char buf[40];
    const auto [end, error] =
        std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific);
    if (error != std::errc())
        return GeneralNumberText(x, 17);
    char digits[24];
    int n = 0;
    const int e = ScientificDigits(buf, static_cast<int>(end - buf), digits, 20, n);
    return LayOutDigits(x < 0, digits, n, e, 15);
}

// ---- tolerance tests ----

bool Negligible(double x) { return std::fabs(x) <= 1e-12; }

bool CoarselyNegligible(double x) {
    if (std::fabs(x) >= kSingleOverflow)
        MathError(kOverflow);
    return std::fabs(static_cast<float>(x)) <= 1e-4f;
}

bool NearlyEqual(double a, double b) {
    return fabsl(static_cast<LD>(a) - b) <=
           static_cast<LD>(std::min(std::fabs(a), std::fabs(b))) * 1e-12L;
}

// ---- basic operations ----

DComplex ComplexAdd(const DComplex& z, const DComplex& w) {
    return Make(static_cast<LD>(z.Real) + w.Real, static_cast<LD>(z.Imaginary) + w.Imaginary);
}

DComplex ComplexSub(const DComplex& z, const DComplex& w) {
    return Make(static_cast<LD>(z.Real) - w.Real, static_cast<LD>(z.Imaginary) - w.Imaginary);
}

DComplex ComplexMul(const DComplex& z, const DComplex& w) {
    const LD x = z.Real, y = z.Imaginary, u = w.Real, v = w.Imaginary;
    return Make(x * u - y * v, x * v + y * u);
}

DComplex ComplexDiv(const DComplex& z, const DComplex& w) {
    const LD x = z.Real, y = z.Imaginary, u = w.Real, v = w.Imaginary;
    if (u == 0.0L && v == 0.0L)
        MathError(kDivisionByZero);
    if (v == 0.0L)
        return Make(x / u, y / u);
    // Squares and products of doubles lie far inside the extended range, so neither a tiny
    // nor a huge divisor under- or overflows here; only the stored result can overflow.
    const LD d = u * u + v * v;
    return Make((x * u + y * v) / d, (y * u - x * v) / d);
}

DComplex ComplexNeg(const DComplex& z) { return DComplex{-z.Real, -z.Imaginary}; }

bool ComplexEqual(const DComplex& z, const DComplex& w) {
    return NearlyEqual(z.Real, w.Real) && NearlyEqual(z.Imaginary, w.Imaginary);
}

DComplex ComplexConj(const DComplex& z) { return DComplex{z.Real, -z.Imaginary}; }
DComplex ComplexTimesI(const DComplex& z) { return DComplex{-z.Imaginary, z.Real}; }
DComplex ComplexTimesMinusI(const DComplex& z) { return DComplex{z.Imaginary, -z.Real}; }

// ---- magnitude and angle ----

double ComplexAbsSqr(const DComplex& z) {
    const LD x = z.Real, y = z.Imaginary;
    return Part(x * x + y * y);
}

double ComplexAbs(const DComplex& z) {
    const LD x = z.Real, y = z.Imaginary;
    const LD s = x * x + y * y;
    // Where the squared magnitude is a normal double this is the square root of
    // ComplexAbsSqr; beyond that range the extended sum is used as it stands, so a huge
    // value does not overflow and a tiny one does not vanish.
    if (s == 0.0L || (s >= DBL_MIN && s <= DBL_MAX))
        return Part(sqrtl(static_cast<double>(s)));
    return Part(sqrtl(s));
}

double ComplexAngle(const DComplex& z) {
    if (z.Real == 0.0 && z.Imaginary == 0.0)
        return 0.0;
    // A negative zero imaginary part must not turn the angle of a negative real into -pi.
    const LD y = z.Imaginary == 0.0 ? 0.0L : static_cast<LD>(z.Imaginary);
    return Part(atan2l(y, z.Real));
}

void ComplexToPolar(const DComplex& z, double& r, double& theta) {
    const double x = z.Real;
    const double y = z.Imaginary;
    if (Negligible(x) && fabsl(x) <= 1e-12L * fabsl(y)) {
        if (y == 0.0) {
            r = 0.0;
            theta = 0.0;
        } else if (y > 0.0) {
            r = y;
            theta = kHalfPi;
        } else {
            r = -y;
            theta = -kHalfPi;
        }
        return;
    }
    r = ComplexAbs(z);
    LD t = atanl(static_cast<LD>(y) / x);
    if (x < 0.0)
        t += y >= 0.0 ? kPiL : -kPiL;
    theta = Part(t);
    while (theta > kPi)
        theta = Part(theta - kTwoPiL);
    while (theta <= -kPi)
        theta = Part(theta + kTwoPiL);
}

// ---- degrees ----

DComplex ComplexDegToRad(const DComplex& z) {
    return ComplexDiv(ComplexMul(z, RealValue(kPi)), RealValue(180.0));
}

DComplex ComplexRadToDeg(const DComplex& z) {
    return ComplexDiv(ComplexMul(z, RealValue(180.0)), RealValue(kPi));
}

} // namespace vexmo
