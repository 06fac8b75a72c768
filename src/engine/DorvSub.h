#pragma once
// The value type of every number in Vexmo, its text forms, and complex arithmetic.
// Intermediates are long double (x87 extended); parts are rounded to double when stored.

#include <stdexcept>
#include <string>
#include <string_view>

namespace vexmo {

struct DComplex {
    double Real = 0.0;
    double Imaginary = 0.0;
    friend bool operator==(const DComplex&, const DComplex&) = default;
};

// A number text that cannot be read. The message is shown to the user as it stands.
class EConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// An arithmetic failure: "Division by zero", "Invalid floating point operation",
// "Floating point division by zero", "Floating point overflow".
class EMathError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The locale decimal separator used by number text (read and written). Handed in once at
// start-up; "." until then.
void SetDecimalSeparator(char separator);
char DecimalSeparator();

// Rounds an extended intermediate to a DComplex part: "Floating point overflow" beyond the
// double range, "Invalid floating point operation" for not-a-number.
double ToDComplexPart(long double value);

// ---- number text ----
long double DorvStrToFloat(std::string_view text);                     // raises EConvertError
bool TryParseNumberText(std::string_view text, long double& value);    // false: not a number
long double ParseSuffixedNumber(std::string_view upperText);
long double PlainNumberToFloat(std::string_view text);                 // raises EConvertError
DComplex StrToDComplex(std::string_view text);                         // raises EConvertError
// The value text of z: each part the shortest text that reads back to the same double.
std::string DComplexToStr(const DComplex& z);
std::string GeneralNumberText(long double x, int precision);
// The shortest decimal text that reads back to x (at most 17 significant digits), in the
// layout of GeneralNumberText: 0.1 is "0.1", 1/3 is "0.3333333333333333", 1E-5 stays so.
std::string ValueNumberText(double x);
// x read from a plain decimal (optional sign, digits, `separator`, digits, exponent) as the
// nearest double. False, x untouched, for any other text and for a value beyond the double
// range, which the extended reading handles with its own rules.
bool TryReadDecimal(std::string_view text, char separator, double& x);

struct UnitSuffix {
    const char* Suffix;
    long double Multiplier;
};
// The twelve unit suffixes in the order they are tried (longest first).
const UnitSuffix* UnitSuffixTable();
constexpr int UnitSuffixCount = 12;

// ---- tolerance tests ----
bool Negligible(double x);                    // |x| <= 1e-12
bool CoarselyNegligible(double x);            // |(float)x| <= 1e-4f; overflow beyond float range
bool NearlyEqual(double a, double b);

// ---- complex arithmetic (raise EMathError) ----
// Division fails only for an exactly zero divisor and a power treats only an exactly zero base
// as zero, so the small values of electronics (1/1U, 1/(2*_PI*1K*10P)) compute normally.
DComplex ComplexAdd(const DComplex& z, const DComplex& w);
DComplex ComplexSub(const DComplex& z, const DComplex& w);
DComplex ComplexMul(const DComplex& z, const DComplex& w);
DComplex ComplexDiv(const DComplex& z, const DComplex& w);
DComplex ComplexNeg(const DComplex& z);
bool ComplexEqual(const DComplex& z, const DComplex& w);
double ComplexAbsSqr(const DComplex& z);
double ComplexAbs(const DComplex& z);
double ComplexAngle(const DComplex& z);
DComplex ComplexConj(const DComplex& z);
DComplex ComplexTimesI(const DComplex& z);
DComplex ComplexTimesMinusI(const DComplex& z);
void ComplexToPolar(const DComplex& z, double& r, double& theta);
DComplex ComplexExp(const DComplex& z);
DComplex ComplexLn(const DComplex& z);
DComplex BasicComplexLn(const DComplex& z);
DComplex ComplexSqrt(const DComplex& z);
DComplex BasicComplexSqrt(const DComplex& z);
DComplex ComplexSqr(const DComplex& z);
DComplex ComplexPower(const DComplex& z, const DComplex& w);
DComplex ComplexSin(const DComplex& z);
DComplex ComplexCos(const DComplex& z);
DComplex ComplexTan(const DComplex& z);
DComplex ComplexSinH(const DComplex& z);
DComplex ComplexCosH(const DComplex& z);
DComplex ComplexTanH(const DComplex& z);
DComplex ComplexArcSin(const DComplex& z);
DComplex ComplexArcCos(const DComplex& z);
DComplex ComplexArcTan(const DComplex& z);
DComplex ComplexArcSinH(const DComplex& z);
DComplex ComplexArcCosH(const DComplex& z);
DComplex ComplexArcTanH(const DComplex& z);
DComplex ComplexDegToRad(const DComplex& z);
DComplex ComplexRadToDeg(const DComplex& z);

} // namespace vexmo
