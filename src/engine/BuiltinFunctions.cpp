// The built-in constants and functions of the engine.

#include "engine/BuiltinFunctions.h"

#include "engine/ComplexFunctions.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace vexmo {

namespace {

constexpr long double kTwoPi = 6.283185307179586477L;

// ---- failures, raised with the messages the arithmetic uses ----

[[noreturn]] void FailInvalid() {
    throw EMathError("Invalid floating point operation");
}
[[noreturn]] void FailZeroDivide() {
    throw EMathError("Floating point division by zero");
}
[[noreturn]] void FailOverflow() {
    throw EMathError("Floating point overflow");
}

// Rounds an extended intermediate to a stored double part. Values beyond the double range
// fail instead of turning into infinities that would spread through later lines.
double StorePart(long double x) {
    if (std::isnan(x)) FailInvalid();
    if (std::fabs(x) > static_cast<long double>(DBL_MAX)) FailOverflow();
    return static_cast<double>(x);
}

// Real division with the failures of the floating-point unit: 0/0 is an invalid operation,
// any other quotient by zero a division by zero.
long double RealDivide(long double num, long double den) {
    if (den == 0.0L) {
        if (num == 0.0L) FailInvalid();
        FailZeroDivide();
    }
    return num / den;
}

DComplex Real(double x) {
    return DComplex{x, 0.0};
}

// ---- rounding, part by part ----

constexpr long double kTwo63 = 9223372036854775808.0L;

// An integral value as a signed 64-bit integer. A part of 2^63 or more in magnitude is
// already whole and stays as it is.
double ToInt64Part(long double integral) {
    if (std::isnan(integral)) FailInvalid();
    if (!(integral >= -kTwo63 && integral < kTwo63)) return StorePart(integral);
    return static_cast<double>(static_cast<std::int64_t>(integral));
}

double TruncPart(double x) {
    return ToInt64Part(std::trunc(static_cast<long double>(x)));
}

// Nearest integer, an exact half going to the even neighbour, whatever the FPU rounding mode.
double RoundPart(double x) {
    if (!std::isfinite(x)) FailInvalid();
    long double lower = std::floor(static_cast<long double>(x));
    long double diff = static_cast<long double>(x) - lower; // exact for a double x
    long double r = lower;
    if (diff > 0.5L || (diff == 0.5L && std::fmod(lower, 2.0L) != 0.0L)) r = lower + 1.0L;
    return ToInt64Part(r);
}

// Exact ceiling and floor for every finite part; a huge part is already integral. Adding
// zero turns -0 into 0, so CEIL(-0.5) reads as 0 like every other integer result.
double CeilPart(double x) {
    if (!std::isfinite(x)) FailInvalid();
    return std::ceil(x) + 0.0;
}

double FloorPart(double x) {
    if (!std::isfinite(x)) FailInvalid();
    return std::floor(x) + 0.0;
}

double FracPart(double x) {
    if (!std::isfinite(x)) FailInvalid();
    return x - std::trunc(x);
}

template <double (*Part)(double)> DComplex PartWise(const DComplex& z) {
    return DComplex{Part(z.Real), Part(z.Imaginary)};
}

// ---- the call of one function ----

struct Call {
    const std::vector<DComplex>& Args; // e1 .. e(n-1)
    const DComplex& Value;             // en
    const VariableReader& ReadVariable;
};

using Implementation = DComplex (*)(const Call&);

template <DComplex (*F)(const DComplex&)> DComplex Unary(const Call& c) {
    return F(c.Value);
}

DComplex Abs(const Call& c) {
    return Real(ComplexAbs(c.Value));
}

DComplex Log(const Call& c) {
    static constexpr auto ln10 = 2.302585092994045684L;
    return ComplexDiv(ComplexLn(c.Value), Real(static_cast<double>(ln10)));
}

DComplex Angle(const Call& c) {
    return Real(ComplexAngle(c.Value));
}
DComplex RePart(const Call& c) {
    return Real(c.Value.Real);
}
DComplex ImPart(const Call& c) {
    return Real(c.Value.Imaginary);
}

// ---- electronics ----

// The first quantity and the frequency of an electronics function. With one element the
// frequency comes from _F or _FREQ; when neither holds a value the call fails, since any
// answer would be made up.
struct QuantityAndFrequency {
    DComplex Quantity;
    DComplex Frequency;
};

std::optional<QuantityAndFrequency> ElectronicsOperands(const Call& c) {
    if (!c.Args.empty()) return QuantityAndFrequency{c.Args.back(), c.Value};
    if (c.ReadVariable) {
        for (std::string_view name : {"_F", "_FREQ"}) {
            std::optional<std::string> text = c.ReadVariable(name);
            if (!text) break; // no variable store
            if (!text->empty()) return QuantityAndFrequency{c.Value, StrToDComplex(*text)};
        }
    }
    throw std::runtime_error(
        "A frequency is needed: give it as a second argument or set _F or _FREQ");
}

DComplex Cap(const Call& c) {
    auto q = ElectronicsOperands(c);
    if (!q) return {};
    long double den = kTwoPi * q->Frequency.Real * static_cast<long double>(q->Quantity.Real);
    return DComplex{0.0, StorePart(RealDivide(-1.0L, den))};
}

DComplex Ind(const Call& c) {
    auto q = ElectronicsOperands(c);
    if (!q) return {};
    return DComplex{
        0.0, StorePart(kTwoPi * q->Frequency.Real * static_cast<long double>(q->Quantity.Real))};
}

DComplex ACap(const Call& c) {
    auto q = ElectronicsOperands(c);
    if (!q) return {};
    long double den = kTwoPi * q->Frequency.Real * static_cast<long double>(q->Quantity.Imaginary);
    return Real(StorePart(RealDivide(-1.0L, den)));
}

DComplex AInd(const Call& c) {
    auto q = ElectronicsOperands(c);
    if (!q) return {};
    return Real(StorePart(RealDivide(q->Quantity.Imaginary, kTwoPi * q->Frequency.Real)));
}

// ---- decibels ----

long double Log10Magnitude(const DComplex& z) {
    long double m = ComplexAbs(z);
    if (m == 0.0L) FailZeroDivide();
    // Close to 1 the magnitude rounded to a double would lose the digits of the difference.
    if (m > 0.75L && m < 1.25L) return ComplexLnAbs(z) / 2.302585092994045684017991454684364208L;
    return std::log10(m);
}

DComplex Db(const Call& c) {
    return Real(StorePart(10.0L * Log10Magnitude(c.Value)));
}
DComplex Db2(const Call& c) {
    return Real(StorePart(20.0L * Log10Magnitude(c.Value)));
}

DComplex TenToThe(long double exponent) {
    long double r = std::pow(10.0L, exponent);
    return Real(StorePart(r)); // too large fails; too small quietly becomes 0
}

DComplex Adb(const Call& c) {
    return TenToThe(c.Value.Real / 10.0L);
}
DComplex Adb2(const Call& c) {
    return TenToThe(c.Value.Real / 20.0L);
}

// ---- statistics and condition ----

DComplex Sum(const Call& c) {
    DComplex s = c.Value;
    for (const DComplex& e : c.Args)
        s = ComplexAdd(s, e);
    return s;
}

DComplex Mean(const Call& c) {
    return ComplexDiv(Sum(c), Real(static_cast<double>(c.Args.size() + 1)));
}

template <bool Greater> DComplex Extreme(const Call& c) {
    DComplex best = c.Value;
    for (const DComplex& e : c.Args)
        if (Greater ? e.Real > best.Real : e.Real < best.Real) best = e;
    return best;
}

DComplex If(const Call& c) {
    if (c.Args.size() != 2) return {};
    return ComplexEqual(c.Args[0], DComplex{}) ? c.Value : c.Args[1];
}

// ---- the tables ----

struct FunctionEntry {
    std::string_view Name;
    Implementation Fn;
};

constexpr std::array<FunctionEntry, 53> kFunctions{{
    {"TRUNC", Unary<PartWise<TruncPart>>},
    {"CEIL", Unary<PartWise<CeilPart>>},
    {"FLOOR", Unary<PartWise<FloorPart>>},
    {"FRAC", Unary<PartWise<FracPart>>},
    {"ROUND", Unary<PartWise<RoundPart>>},
    {"ABS", Abs},
    {"EXP", Unary<ComplexExp>},
    {"LN", Unary<ComplexLn>},
    {"LOG", Log},
    {"SQRT", Unary<ComplexSqrt>},
    {"SIN", Unary<ComplexSin>},
    {"COS", Unary<ComplexCos>},
    {"TAN", Unary<ComplexTan>},
    {"SINH", Unary<ComplexSinH>},
    {"COSH", Unary<ComplexCosH>},
    {"TANH", Unary<ComplexTanH>},
    {"ARCSIN", Unary<ComplexArcSin>},
    {"ARCCOS", Unary<ComplexArcCos>},
    {"ARCTAN", Unary<ComplexArcTan>},
    {"ARCSINH", Unary<ComplexArcSinH>},
    {"ARCCOSH", Unary<ComplexArcCosH>},
    {"ARCTANH", Unary<ComplexArcTanH>},
    {"SIND", Unary<ComplexSinDeg>},
    {"COSD", Unary<ComplexCosDeg>},
    {"TAND", Unary<ComplexTanDeg>},
    {"SINHD", Unary<ComplexSinHDeg>},
    {"COSHD", Unary<ComplexCosHDeg>},
    {"TANHD", Unary<ComplexTanHDeg>},
    {"ARCSIND", Unary<ComplexArcSinDeg>},
    {"ARCCOSD", Unary<ComplexArcCosDeg>},
    {"ARCTAND", Unary<ComplexArcTanDeg>},
    {"ARCSINHD", Unary<ComplexArcSinHDeg>},
    {"ARCCOSHD", Unary<ComplexArcCosHDeg>},
    {"ARCTANHD", Unary<ComplexArcTanHDeg>},
    {"ANGLE", Angle},
    {"RADTODEG", Unary<ComplexRadToDeg>},
    {"DEGTORAD", Unary<ComplexDegToRad>},
    {"RE", RePart},
    {"IM", ImPart},
    {"CONJ", Unary<ComplexConj>},
    {"CAP", Cap},
    {"IND", Ind},
    {"ACAP", ACap},
    {"AIND", AInd},
    {"DB", Db},
    {"DB2", Db2},
    {"ADB", Adb},
    {"ADB2", Adb2},
    {"SUM", Sum},
    {"MEAN", Mean},
    {"MAX", Extreme<true>},
    {"MIN", Extreme<false>},
    {"IF", If},
}};

// The same entries sorted by name, so a lookup is a binary search.
constexpr auto kFunctionsByName = [] {
    auto sorted = kFunctions;
    std::ranges::sort(sorted, {}, &FunctionEntry::Name);
    return sorted;
}();

Implementation FindFunction(std::string_view name) {
    auto it = std::ranges::lower_bound(kFunctionsByName, name, {}, &FunctionEntry::Name);
    if (it == kFunctionsByName.end() || it->Name != name) return nullptr;
    return it->Fn;
}

struct ConstantEntry {
    std::string_view Name;
    DComplex Value;
};

// e computed in extended precision and rounded once; equals the double nearest to e.
constexpr double kE = static_cast<double>(2.7182818284590452354L);

// The physical constants are the CODATA 2022 recommended values; h, e, k and N_A are exact
// by definition, and R is the double nearest to N_A k (exactly 8.31446261815324).
// _VM is the molar volume of an ideal gas at 273.15 K and 101.325 kPa.
constexpr std::array<ConstantEntry, 25> kConstants{{
    {"_A0", {5.29177210544e-11, 0}},
    {"_C", {299792458, 0}},
    {"_U0", {1.25663706127e-6, 0}},
    {"_E", {kE, 0}},
    {"_E0", {8.8541878188e-12, 0}},
    {"_EU", {1.602176634e-19, 0}},
    {"_FALSE", {0, 0}},
    {"FALSE", {0, 0}},
    {"_H", {6.62607015e-34, 0}},
    {"_I", {0, 1}},
    {"_J", {0, 1}},
    {"_K", {1.380649e-23, 0}},
    {"_ME", {9.1093837139e-31, 0}},
    {"_MP", {1.67262192595e-27, 0}},
    {"_MN", {1.67492750056e-27, 0}},
    {"_NA", {6.02214076e23, 0}},
    {"_PI", {3.141592653589793, 0}},
    {"PI", {3.141592653589793, 0}},
    {"_R", {8.31446261815324, 0}},
    {"_TRUE", {1, 0}},
    {"TRUE", {1, 0}},
    {"_UB", {9.2740100657e-24, 0}},
    {"_UE", {9.2847646917e-24, 0}},
    {"_UP", {1.41060679545e-26, 0}},
    {"_VM", {0.02241396954, 0}},
}};

constexpr std::string_view kRandomName = "_RND";

const ConstantEntry* FindConstant(std::string_view name) {
    auto it = std::ranges::find(kConstants, name, &ConstantEntry::Name);
    return it == kConstants.end() ? nullptr : &*it;
}

// Uniform in [0, 1): the top 53 bits of a draw scaled by 2^-53, which can never round up
// to 1 (a distribution over doubles may).
double DrawUnit(RandomSource& rng) {
    return static_cast<double>(rng() >> 11) * 0x1.0p-53;
}

} // namespace

std::optional<DComplex> ConstantValue(std::string_view name, RandomSource& rng) {
    if (name == kRandomName) return Real(DrawUnit(rng));
    if (const ConstantEntry* c = FindConstant(name)) return c->Value;
    return std::nullopt;
}

bool IsConstantName(std::string_view name) {
    return name == kRandomName || FindConstant(name) != nullptr;
}

bool IsBuiltinFunction(std::string_view name) {
    return FindFunction(name) != nullptr;
}

DComplex EvaluateBuiltinFunction(std::string_view name, const std::vector<DComplex>& args,
                                 const DComplex& value, const VariableReader& readVariable) {
    Implementation fn = FindFunction(name);
    if (!fn) throw std::runtime_error("Unknown function " + std::string(name));
    return fn(Call{args, value, readVariable});
}

} // namespace vexmo
