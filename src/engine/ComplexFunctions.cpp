// Exponential, logarithm, powers and roots, and the circular and hyperbolic functions with
// their inverses. Every intermediate is long double; a part is rounded to double once, when
// it is stored. A real argument (imaginary part exactly 0) takes the real functions; any
// other argument gets the complex principal value with both parts computed, however small
// one of them is.

#include "engine/ComplexFunctions.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <utility>

namespace vexmo {

namespace {

using LD = long double;

constexpr LD kPiL = 3.141592653589793238462643383279502884L;
constexpr LD kHalfPiL = 1.570796326794896619231321691639751442L;
constexpr LD kDegreeL = kPiL / 180.0L;
constexpr LD kRadianInDegreesL = 180.0L / kPiL;
constexpr double kPi = 3.141592653589793238462643383279502884;

const char* const kDivisionByZero = "Division by zero";
const char* const kInvalidOperation = "Invalid floating point operation";
const char* const kZeroDivide = "Floating point division by zero";
const char* const kOverflow = "Floating point overflow";

[[noreturn]] void MathError(const char* message) {
    throw EMathError(message);
}

double Part(LD v) {
    return ToDComplexPart(v);
}

// A complex value with extended parts.
struct LC {
    LD Re;
    LD Im;
};

DComplex Make(LD re, LD im) {
    return DComplex{Part(re), Part(im)};
}
DComplex Make(const LC& c) {
    return Make(c.Re, c.Im);
}
DComplex MakeDegrees(const LC& c) {
    return Make(c.Re * kRadianInDegreesL, c.Im * kRadianInDegreesL);
}

// cosh and sinh of a real; beyond the extended range the result cannot be formed.
void CoshSinh(LD a, LD& ch, LD& sh) {
    ch = coshl(a);
    sh = sinhl(a);
    if (!std::isfinite(ch)) MathError(kOverflow);
}

// The logarithm of a real; the argument is already held as a double.
LD LnReal(double x) {
    if (x == 0.0) MathError(kZeroDivide);
    if (x < 0.0 || std::isnan(x)) MathError(kInvalidOperation);
    return logl(x);
}

LD SqrtReal(double x) {
    if (x < 0.0 || std::isnan(x)) MathError(kInvalidOperation);
    return sqrtl(x);
}

// The real-axis shortcuts of the basic logarithm and root (used on their own, not by the
// functions of the calculator) treat an imaginary part as round-off only when it is small
// both in itself and next to the real part.
bool NearReal(double x, double y) {
    return Negligible(y) && fabsl(y) <= 1e-12L * fabsl(x);
}

// A double split into a high half of at most 32 significant bits and the rest, so that the
// products of the halves are exact in long double.
void Split(double v, LD& hi, LD& lo) {
    const double h = std::bit_cast<double>(std::bit_cast<std::uint64_t>(v) & ~0x1FFFFFull);
    hi = h;
    lo = static_cast<LD>(v) - h;
}

// a² + b² - 1 for a ≥ b ≥ 0 with a² + b² near 1, formed from exact products so that the
// cancellation leaves the digits of the difference intact.
LD SumOfSquaresMinusOne(double a, double b) {
    LD ah = 0, al = 0, bh = 0, bl = 0;
    Split(a, ah, al);
    Split(b, bh, bl);
    return ((ah * ah - 1.0L) + bh * bh) + (2.0L * ah * al + 2.0L * bh * bl) + (al * al + bl * bl);
}

// ln sqrt(x² + y²) for (x, y) not both 0.
LD LnMagnitude(double x, double y) {
    double a = std::fabs(x);
    double b = std::fabs(y);
    if (a < b) std::swap(a, b);
    const LD s = static_cast<LD>(a) * a + static_cast<LD>(b) * b;
    if (s < 0.5L || s > 2.0L) return 0.5L * logl(s);
    return 0.5L * log1pl(SumOfSquaresMinusOne(a, b));
}

// Principal square root, real part >= 0; a zero imaginary part counts as +0.
LC SqrtL(LD x, LD y) {
    if (x == 0.0L && y == 0.0L) return LC{0.0L, 0.0L};
    const LD t = sqrtl((fabsl(x) + sqrtl(x * x + y * y)) * 0.5L);
    if (x >= 0.0L) return LC{t, y / (2.0L * t)};
    return LC{fabsl(y) / (2.0L * t), y < 0.0L ? -t : t};
}

// Shared tail of both square roots, for arguments that take no real shortcut.
DComplex SqrtGeneral(const DComplex& z) {
    const double x = z.Real;
    const double y = z.Imaginary;
    const double t = Part(sqrtl((fabsl(x) + ComplexAbs(z)) * 0.5L));
    if (t == 0.0) MathError(kDivisionByZero);
    const double q = Part(y / (2.0L * t));
    if (x >= 0.0) return DComplex{t, q};
    if (y >= 0.0) return DComplex{q, t};
    return DComplex{-q, -t};
}

// ---- integer powers ----

// (x + iy)^n for a whole n with 0 < |n| <= 1024, by repeated squaring.
DComplex ComplexWholePower(double x, double y, double n) {
    // Decide overflow and underflow beforehand, so the squares stay inside the extended range.
    const LD lg = n * log2l(sqrtl(static_cast<LD>(x) * x + static_cast<LD>(y) * y));
    if (lg > 1100.0L) MathError(kOverflow);
    if (lg < -1200.0L) return DComplex{0.0, 0.0};
    auto k = static_cast<std::uint32_t>(std::fabs(n));
    LD re = 1.0L, im = 0.0L;
    LD bre = x, bim = y;
    while (k != 0) {
        if (k & 1U) {
            const LD r = re * bre - im * bim;
            im = re * bim + im * bre;
            re = r;
        }
        k >>= 1U;
        if (k != 0) {
            const LD r = bre * bre - bim * bim;
            bim = 2.0L * bre * bim;
            bre = r;
        }
    }
    if (n < 0.0) {
        // 1 / (re + i im), scaled so that no square leaves the range.
        if (fabsl(re) >= fabsl(im)) {
            const LD t = im / re;
            const LD d = re + im * t;
            return Make(1.0L / d, -t / d);
        }
        const LD t = re / im;
        const LD d = re * t + im;
        return Make(t / d, -1.0L / d);
    }
    return Make(re, im);
}

// ---- circular and hyperbolic cores ----

// tanh(a + ib) from a and the sine and cosine of b:
// (sinh a cosh a + i sin b cos b) / (sinh² a + cos² b). The denominator is a sum of squares,
// so nothing cancels near the poles, and far from the imaginary axis the value is ±1 with an
// imaginary part that decays as e^-2|a|, so nothing overflows.
LC TanHCore(LD a, LD sinB, LD cosB) {
    if (fabsl(a) > 40.0L)
        return LC{a > 0.0L ? 1.0L : -1.0L, 4.0L * sinB * cosB * expl(-2.0L * fabsl(a))};
    const LD sh = sinhl(a);
    const LD ch = coshl(a);
    const LD d = sh * sh + cosB * cosB;
    if (d == 0.0L) MathError(kDivisionByZero);
    return LC{sh * ch / d, sinB * cosB / d};
}

// Sine and cosine of an angle in degrees: reduced exactly modulo 360, folded into [0°, 45°]
// by the symmetries (every step exact for a double), and only then converted to radians.
void SinCosDegrees(double angle, LD& s, LD& c) {
    double a = std::fmod(angle, 360.0);
    const bool negative = a < 0.0;
    a = std::fabs(a);
    int quadrant = 0;
    if (a >= 270.0) {
        a -= 270.0;
        quadrant = 3;
    } else if (a >= 180.0) {
        a -= 180.0;
        quadrant = 2;
    } else if (a >= 90.0) {
        a -= 90.0;
        quadrant = 1;
    }
    const bool complement = a > 45.0;
    if (complement) a = 90.0 - a;
    LD sa = 0.0L, ca = 1.0L;
    if (a != 0.0) sincosl(a * kDegreeL, &sa, &ca);
    if (complement) std::swap(sa, ca);
    switch (quadrant) {
    case 0:
        s = sa, c = ca;
        break;
    case 1:
        s = ca, c = -sa;
        break;
    case 2:
        s = -sa, c = -ca;
        break;
    default:
        s = -ca, c = sa;
        break;
    }
    if (negative) s = -s;
    s += 0.0L; // no negative zeros
    c += 0.0L;
}

// ---- inverse cores ----

// Principal arc sine and arc cosine (cuts on the real axis beyond ±1), through the square
// roots of 1 - z and 1 + z, which keeps them accurate near zero and finite for any double.
LC ArcSinL(LD x, LD y) {
    const LC a = SqrtL(1.0L - x, -y);
    const LC b = SqrtL(1.0L + x, y);
    return LC{atan2l(x, a.Re * b.Re - a.Im * b.Im), asinhl(a.Re * b.Im - a.Im * b.Re)};
}

LC ArcCosL(LD x, LD y) {
    const LC a = SqrtL(1.0L - x, -y);
    const LC b = SqrtL(1.0L + x, y);
    return LC{2.0L * atan2l(a.Re, b.Re), asinhl(b.Re * a.Im - b.Im * a.Re)};
}

// Principal inverse hyperbolic cosine: real part >= 0, continuous with the real-axis values.
LC ArcCosHL(LD x, LD y) {
    const LC a = SqrtL(x - 1.0L, y);
    const LC b = SqrtL(x + 1.0L, y);
    return LC{asinhl(a.Re * b.Re + a.Im * b.Im), 2.0L * atan2l(a.Im, b.Re)};
}

// Principal inverse hyperbolic tangent. The real part, odd in x, is formed for |x| with
// log1p, so it keeps every digit near 0 and never meets the pole of log1p near x = -1.
LC ArcTanHL(LD x, LD y) {
    const LD ax = fabsl(x);
    const LD oneMinus = 1.0L - ax;
    const LD re = 0.25L * log1pl(4.0L * ax / (oneMinus * oneMinus + y * y));
    return LC{x < 0.0L ? -re : re, 0.5L * atan2l(2.0L * y, (1.0L - x) * (1.0L + x) - y * y)};
}

// On the real axis: the real functions inside their domain; beyond it, a cut. The arc sine
// is odd there (the lower side of the cut beyond 1, the upper side beyond -1), and the arc
// cosine beyond 1 takes the same side as the arc sine, so that the two add up to π/2.
LC ArcSinCore(double x, double y) {
    if (y != 0.0) return ArcSinL(x, y);
    if (std::fabs(x) <= 1.0) return LC{asinl(x), 0.0L};
    const LD h = acoshl(fabsl(x));
    return x > 0.0 ? LC{kHalfPiL, -h} : LC{-kHalfPiL, h};
}

LC ArcCosCore(double x, double y) {
    if (y != 0.0) return ArcCosL(x, y);
    if (std::fabs(x) <= 1.0) return LC{acosl(x), 0.0L};
    if (x > 1.0) return LC{0.0L, acoshl(x)};
    MathError(kInvalidOperation);
}

LC ArcTanHCore(double x, double y) {
    if (y != 0.0) return ArcTanHL(x, y);
    if (std::fabs(x) < 1.0) return LC{atanhl(x), 0.0L};
    if (x == 1.0) MathError(kDivisionByZero);
    if (x == -1.0) MathError(kZeroDivide);
    MathError(kInvalidOperation);
}

LC ArcTanCore(double x, double y) {
    if (y == 0.0) return LC{atanl(x), 0.0L};
    // atan z = -i atanh(iz)
    const LC r = ArcTanHCore(-y, x);
    return LC{r.Im, -r.Re};
}

LC ArcSinHCore(double x, double y) {
    if (y == 0.0) return LC{asinhl(x), 0.0L};
    // asinh z = -i asin(iz)
    const LC r = ArcSinL(-static_cast<LD>(y), x);
    return LC{r.Im, -r.Re};
}

// On the real axis below 1 the upper side of the cut while the value stays on the imaginary
// axis (between -1 and 1); below -1 no value.
LC ArcCosHCore(double x, double y) {
    if (y != 0.0) return ArcCosHL(x, y);
    if (x >= 1.0) return LC{acoshl(x), 0.0L};
    if (x > -1.0) return LC{0.0L, acosl(x)};
    MathError(kInvalidOperation);
}

} // namespace

// ---- exponential and logarithm ----

DComplex ComplexExp(const DComplex& z) {
    if (z.Imaginary == 0.0) return DComplex{Part(expl(z.Real)), z.Imaginary};
    // e^x is held as a double where it is one, so that the real part of a value close to the
    // real axis is the real exponential itself.
    LD e = expl(z.Real);
    if (!std::isfinite(e)) MathError(kOverflow);
    if (e <= DBL_MAX) e = static_cast<double>(e);
    LD s = 0.0L, c = 0.0L;
    sincosl(z.Imaginary, &s, &c);
    return Make(e * c, e * s);
}

DComplex BasicComplexLn(const DComplex& z) {
    if (NearReal(z.Real, z.Imaginary)) return DComplex{Part(LnReal(z.Real)), z.Imaginary};
    double r = 0.0, theta = 0.0;
    ComplexToPolar(z, r, theta);
    return DComplex{Part(LnReal(r)), theta};
}

long double ComplexLnAbs(const DComplex& z) {
    if (z.Real == 0.0 && z.Imaginary == 0.0) MathError(kZeroDivide);
    return LnMagnitude(z.Real, z.Imaginary);
}

DComplex ComplexLn(const DComplex& z) {
    if (z.Imaginary == 0.0) {
        if (z.Real < 0.0) // the upper side of the cut
            return DComplex{Part(logl(-static_cast<LD>(z.Real))), kPi};
        return DComplex{Part(LnReal(z.Real)), z.Imaginary};
    }
    return Make(LnMagnitude(z.Real, z.Imaginary), atan2l(z.Imaginary, z.Real));
}

// ---- square roots ----

DComplex ComplexSqrt(const DComplex& z) {
    if (z.Imaginary == 0.0 && z.Real >= 0.0) return DComplex{Part(SqrtReal(z.Real)), 0.0};
    return SqrtGeneral(z);
}

DComplex BasicComplexSqrt(const DComplex& z) {
    if (z.Real >= 0.0 && NearReal(z.Real, z.Imaginary))
        return DComplex{Part(SqrtReal(z.Real)), z.Imaginary};
    return SqrtGeneral(z);
}

DComplex ComplexSqr(const DComplex& z) {
    const LD x = z.Real, y = z.Imaginary;
    if (Negligible(z.Imaginary)) return DComplex{Part(x * x), z.Imaginary};
    return Make(x * x - y * y, 2.0L * x * y);
}

// ---- power ----

DComplex ComplexPower(const DComplex& z, const DComplex& w) {
    if (z.Real == 0.0 && z.Imaginary == 0.0) {
        if (w.Real == 0.0 && w.Imaginary == 0.0) return DComplex{1.0, 0.0};
        if (w.Real > 0.0) return DComplex{0.0, 0.0};
        MathError(kDivisionByZero);
    }
    const LD x = z.Real, y = z.Imaginary, u = w.Real, v = w.Imaginary;
    const bool realBase = z.Imaginary == 0.0;
    const bool wholeExponent = w.Imaginary == 0.0 && w.Real == std::trunc(w.Real);
    if (w.Imaginary == 0.0 && w.Real == 0.5) return ComplexSqrt(z);
    if (wholeExponent && !realBase && std::fabs(w.Real) <= 1024.0)
        return ComplexWholePower(z.Real, z.Imaginary, w.Real);

    // exp(w ln z) with the logarithm and the product kept in extended precision: rounding them
    // to doubles first would make 3^2 come out as 9.00000000000000178. A negative real base
    // with a whole exponent is raised as its magnitude, then given its sign, so the result is
    // real and (-3)^2 equals 3^2 to the last bit.
    LD lnRe = 0.0L, lnIm = 0.0L;
    bool negate = false;
    if (realBase && z.Real < 0.0) {
        lnRe = logl(-x);
        if (wholeExponent)
            negate = std::fmod(w.Real, 2.0) != 0.0;
        else
            lnIm = kPiL; // the upper side of the cut
    } else if (realBase) {
        lnRe = logl(x);
    } else {
        lnRe = LnMagnitude(z.Real, z.Imaginary);
        lnIm = atan2l(y, x);
    }
    const LD pRe = lnRe * u - lnIm * v;
    const LD pIm = lnRe * v + lnIm * u;
    const LD e = expl(pRe);
    if (pIm == 0.0L) return DComplex{Part(negate ? -e : e), 0.0};
    if (std::isinf(e)) MathError(kOverflow);
    LD s = 0.0L, c = 0.0L;
    sincosl(pIm, &s, &c);
    return Make(e * c, e * s);
}

// ---- circular functions ----

DComplex ComplexSin(const DComplex& z) {
    if (z.Imaginary == 0.0) return DComplex{Part(sinl(z.Real)), z.Imaginary};
    LD ch = 0.0L, sh = 0.0L, s = 0.0L, c = 0.0L;
    CoshSinh(z.Imaginary, ch, sh);
    sincosl(z.Real, &s, &c);
    return Make(s * ch, c * sh);
}

DComplex ComplexCos(const DComplex& z) {
    if (z.Imaginary == 0.0) return DComplex{Part(cosl(z.Real)), z.Imaginary};
    LD ch = 0.0L, sh = 0.0L, s = 0.0L, c = 0.0L;
    CoshSinh(z.Imaginary, ch, sh);
    sincosl(z.Real, &s, &c);
    return Make(c * ch, -s * sh);
}

// tan z = -i tanh(iz); the real tangent has no error at the odd multiples of π/2 (no double
// lies on them).
DComplex ComplexTan(const DComplex& z) {
    if (z.Imaginary == 0.0) return DComplex{Part(tanl(z.Real)), z.Imaginary};
    LD s = 0.0L, c = 0.0L;
    sincosl(z.Real, &s, &c);
    const LC t = TanHCore(-static_cast<LD>(z.Imaginary), s, c);
    return Make(t.Im, -t.Re);
}

// ---- hyperbolic functions ----

DComplex ComplexCosH(const DComplex& z) {
    LD ch = 0.0L, sh = 0.0L;
    CoshSinh(z.Real, ch, sh);
    if (z.Imaginary == 0.0) return DComplex{Part(ch), z.Imaginary};
    LD s = 0.0L, c = 0.0L;
    sincosl(z.Imaginary, &s, &c);
    return Make(ch * c, sh * s);
}

DComplex ComplexSinH(const DComplex& z) {
    LD ch = 0.0L, sh = 0.0L;
    CoshSinh(z.Real, ch, sh);
    if (z.Imaginary == 0.0) return DComplex{Part(sh), z.Imaginary};
    LD s = 0.0L, c = 0.0L;
    sincosl(z.Imaginary, &s, &c);
    return Make(sh * c, ch * s);
}

DComplex ComplexTanH(const DComplex& z) {
    if (z.Imaginary == 0.0) return DComplex{Part(tanhl(z.Real)), z.Imaginary};
    LD s = 0.0L, c = 0.0L;
    sincosl(z.Imaginary, &s, &c);
    return Make(TanHCore(z.Real, s, c));
}

// ---- inverse functions ----

DComplex ComplexArcSin(const DComplex& z) {
    return Make(ArcSinCore(z.Real, z.Imaginary));
}
DComplex ComplexArcCos(const DComplex& z) {
    return Make(ArcCosCore(z.Real, z.Imaginary));
}
DComplex ComplexArcTan(const DComplex& z) {
    return Make(ArcTanCore(z.Real, z.Imaginary));
}
DComplex ComplexArcSinH(const DComplex& z) {
    return Make(ArcSinHCore(z.Real, z.Imaginary));
}
DComplex ComplexArcCosH(const DComplex& z) {
    return Make(ArcCosHCore(z.Real, z.Imaginary));
}
DComplex ComplexArcTanH(const DComplex& z) {
    return Make(ArcTanHCore(z.Real, z.Imaginary));
}

DComplex ComplexArcSinDeg(const DComplex& z) {
    return MakeDegrees(ArcSinCore(z.Real, z.Imaginary));
}
DComplex ComplexArcCosDeg(const DComplex& z) {
    return MakeDegrees(ArcCosCore(z.Real, z.Imaginary));
}
DComplex ComplexArcTanDeg(const DComplex& z) {
    return MakeDegrees(ArcTanCore(z.Real, z.Imaginary));
}
DComplex ComplexArcSinHDeg(const DComplex& z) {
    return MakeDegrees(ArcSinHCore(z.Real, z.Imaginary));
}
DComplex ComplexArcCosHDeg(const DComplex& z) {
    return MakeDegrees(ArcCosHCore(z.Real, z.Imaginary));
}
DComplex ComplexArcTanHDeg(const DComplex& z) {
    return MakeDegrees(ArcTanHCore(z.Real, z.Imaginary));
}

// ---- degree forms ----

DComplex ComplexSinDeg(const DComplex& z) {
    LD s = 0.0L, c = 0.0L;
    SinCosDegrees(z.Real, s, c);
    if (z.Imaginary == 0.0) return DComplex{Part(s), z.Imaginary};
    LD ch = 0.0L, sh = 0.0L;
    CoshSinh(z.Imaginary * kDegreeL, ch, sh);
    return Make(s * ch, c * sh);
}

DComplex ComplexCosDeg(const DComplex& z) {
    LD s = 0.0L, c = 0.0L;
    SinCosDegrees(z.Real, s, c);
    if (z.Imaginary == 0.0) return DComplex{Part(c), z.Imaginary};
    LD ch = 0.0L, sh = 0.0L;
    CoshSinh(z.Imaginary * kDegreeL, ch, sh);
    return Make(c * ch, -s * sh);
}

DComplex ComplexTanDeg(const DComplex& z) {
    LD s = 0.0L, c = 0.0L;
    SinCosDegrees(z.Real, s, c);
    if (z.Imaginary == 0.0) {
        if (c == 0.0L) MathError(kDivisionByZero);
        return DComplex{Part(s / c), z.Imaginary};
    }
    const LC t = TanHCore(-(z.Imaginary * kDegreeL), s, c);
    return Make(t.Im, -t.Re);
}

DComplex ComplexSinHDeg(const DComplex& z) {
    LD ch = 0.0L, sh = 0.0L;
    CoshSinh(z.Real * kDegreeL, ch, sh);
    if (z.Imaginary == 0.0) return DComplex{Part(sh), z.Imaginary};
    LD s = 0.0L, c = 0.0L;
    SinCosDegrees(z.Imaginary, s, c);
    return Make(sh * c, ch * s);
}

DComplex ComplexCosHDeg(const DComplex& z) {
    LD ch = 0.0L, sh = 0.0L;
    CoshSinh(z.Real * kDegreeL, ch, sh);
    if (z.Imaginary == 0.0) return DComplex{Part(ch), z.Imaginary};
    LD s = 0.0L, c = 0.0L;
    SinCosDegrees(z.Imaginary, s, c);
    return Make(ch * c, sh * s);
}

DComplex ComplexTanHDeg(const DComplex& z) {
    if (z.Imaginary == 0.0) return DComplex{Part(tanhl(z.Real * kDegreeL)), z.Imaginary};
    LD s = 0.0L, c = 0.0L;
    SinCosDegrees(z.Imaginary, s, c);
    return Make(TanHCore(z.Real * kDegreeL, s, c));
}

} // namespace vexmo
