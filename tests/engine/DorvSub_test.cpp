#include "engine/DorvSub.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>

using namespace vexmo;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kLn2PlusSqrt3 = 1.31695789692481670863; // acosh 2

class DorvSubTest : public ::testing::Test {
  protected:
    void SetUp() override { SetDecimalSeparator('.'); }
    void TearDown() override { SetDecimalSeparator('.'); }
};

// Message of the exception `f` raises, "" when it returns; any other exception type fails.
template <class E> std::string MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "";
}

// |a - b| relative to |b|, measured on the complex plane.
double RelativeError(const DComplex& a, const DComplex& b) {
    return std::hypot(a.Real - b.Real, a.Imaginary - b.Imaginary) /
           std::hypot(b.Real, b.Imaginary);
}

} // namespace

TEST_F(DorvSubTest, NumberLiterals) {
    struct Row {
        const char* text;
        long double value;
    };
    const Row rows[] = {
        {"10K", 1e4L},       {"4.7U", 4.7e-6L},   {"2MEG", 2e6L},       {"2mg", 2e6L},
        {"3M", 3e-3L},       {"3m", 3e-3L},       {"5T", 5e12L},        {"1A", 1e-18L},
        {"7G", 7e9L},        {"8N", 8e-9L},       {"9P", 9e-12L},       {"6F", 6e-15L},
        {"1.5E-3", 1.5e-3L}, {"1e+2", 100.0L},    {"1K5", 1000.0L},     {"2KM", 2000.0L},
        {"1MEG", 1e6L},      {".", 0.0L},         {"-.5", -0.5L},       {"+7", 7.0L},
        {"1E2.5", 316.227766016837933199889354L}, {"1E1K", 1e1000L},    {"0E99999", 0.0L},
        {"1E-999999999", 0.0L},                   {"90DEG", 1.57079632679489661923132169L},
        {"0.1", 0.1L},       {"123456789012345678", 123456789012345678.0L},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        const long double v = DorvStrToFloat(r.text);
        if (r.value == 0)
            EXPECT_EQ(v, 0.0L);
        else
            EXPECT_NEAR(static_cast<double>(v / r.value), 1.0, 1e-15);
    }
    // A long digit string and a long run of fraction zeros neither overflow nor lose the scale.
    EXPECT_DOUBLE_EQ(static_cast<double>(DorvStrToFloat("1" + std::string(4500, '0') + "E-4490")),
                     1e10);
    EXPECT_DOUBLE_EQ(static_cast<double>(DorvStrToFloat("0." + std::string(4000, '0') + "1E4000")),
                     0.1);
}

TEST_F(DorvSubTest, NumberLiteralFailures) {
    struct Row {
        const char* text;
        const char* convertMessage; // EConvertError, or nullptr
        const char* mathMessage;    // EMathError, or nullptr
    };
    const Row rows[] = {
        {"", "DorvStrToFloat: Not a number.", nullptr},
        {"K5", "DorvStrToFloat: Not a number.", nullptr},
        {"e5", "DorvStrToFloat: Not a number.", nullptr},
        {"1E", "'1E' is not a valid floating point value", nullptr},
        {"1.2.3", "'1.2.3' is not a valid floating point value", nullptr},
        {"1EK", "'1E' is not a valid floating point value", nullptr},
        {"-inf", "'-I' is not a valid floating point value", nullptr},
        {"1X", "'1X' is not a valid floating point value", nullptr},
        {"1E999999999", nullptr, "Floating point overflow"},
        {"1E4930T", nullptr, "Floating point overflow"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        auto call = [&] { DorvStrToFloat(r.text); };
        if (r.convertMessage)
            EXPECT_EQ(MessageOf<EConvertError>(call), r.convertMessage);
        else
            EXPECT_EQ(MessageOf<EMathError>(call), r.mathMessage);
    }
    // A huge rejected text is quoted only in part, never cutting a multi-byte character.
    const std::string huge = "1" + std::string(198, '2') + "\xC3\xA9" + std::string(100000, 'X');
    const std::string message = MessageOf<EConvertError>([&] { PlainNumberToFloat(huge); });
    EXPECT_EQ(message, "'" + huge.substr(0, 199) + "...' is not a valid floating point value");
    long double v = 5;
    EXPECT_FALSE(TryParseNumberText("X1", v));
    EXPECT_EQ(v, 0.0L);
}

TEST_F(DorvSubTest, ValueTextReading) {
    struct Row {
        const char* text;
        DComplex value;
    };
    const Row rows[] = {
        {" 3 +_i 4 ", {3, 4}},  {"{ 1.5 , -2 }", {1.5, -2}}, {"7", {7, 0}},
        {"1 -_J 2", {1, -2}},   {"1 -_I -2", {1, 2}},        {"\t-1E-5+_I 1E300\n", {-1e-5, 1e300}},
        {"0 +_I 0", {0, 0}},    {"{-1e-3,2e1}", {-1e-3, 20}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(StrToDComplex(r.text), r.value);
    }
}

TEST_F(DorvSubTest, ValueTextFailures) {
    struct Row {
        const char* text;
        const char* message;
    };
    const Row rows[] = {
        {"", "StrToDComplex: This is not DComplex type string."},
        {" \t\r\n", "StrToDComplex: This is not DComplex type string."},
        {"{1, 2", "StrToDComplex: Couldn't find '{' or '}'."},
        {"{}", "'' is not a valid floating point value"},
        {"+_I 3", "'' is not a valid floating point value"},
        {"1 +_I", "'1 +_I' is not a valid floating point value"},
        {"10K", "'10K' is not a valid floating point value"},
        {"1 +_I X", "'X' is not a valid floating point value"},
        {"{,5}", "'' is not a valid floating point value"},
        {"2+_I 3 +_I 4", "'3 +_I 4' is not a valid floating point value"}, // first separator only
        {"1 -_I 2X", "'2X' is not a valid floating point value"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(MessageOf<EConvertError>([&] { StrToDComplex(r.text); }), r.message);
    }
    EXPECT_EQ(MessageOf<EMathError>([] { StrToDComplex("1E400"); }), "Floating point overflow");
}

TEST_F(DorvSubTest, GeneralNumberText) {
    struct Row {
        long double x;
        int precision;
        const char* text;
    };
    const Row rows[] = {
        {0.1, 18, "0.100000000000000006"},
        {1.0L / 3.0L, 15, "0.333333333333333"},
        {1e15L, 15, "1E15"},
        {123456789012345.0L, 15, "123456789012345"},
        {0.0001L, 15, "0.0001"},
        {0.00001L, 15, "1E-5"},
        {-2.5e-300L, 15, "-2.5E-300"},
        {1e300L, 15, "1E300"},
        {0.0L, 15, "0"},
        {-0.0L, 15, "0"},
        {1e-4940L, 15, "0"}, // below the normal extended range
        {HUGE_VALL, 15, "INF"},
        {-HUGE_VALL, 15, "-INF"},
        {NAN, 15, "NAN"},
        {9.96L, 2, "10"},
        {9.96L, 1, "10"},  // clamped to 2
        {1.5L, 40, "1.5"}, // clamped to 18
        {-1234.5678L, 6, "-1234.57"},
        {1234567.0L, 6, "1.23457E6"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(GeneralNumberText(r.x, r.precision), r.text);
    }
}

TEST_F(DorvSubTest, CanonicalTextRoundTrips) {
    struct Row {
        DComplex z;
        const char* text;
    };
    const Row rows[] = {
        {{0, 0}, "0 +_I 0"},      {{1.5, -2}, "1.5 -_I 2"}, {{-1, 0.001}, "-1 +_I 0.001"},
        {{0, 0.00001}, "0 +_I 1E-5"}, {{3, -0.0}, "3 +_I 0"}, {{0.1, 0}, "0.1 +_I 0"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(DComplexToStr(r.z), r.text);
        EXPECT_EQ(StrToDComplex(r.text), r.z);
    }
    // Texts written with 15 digits read as before: the largest doubles were written just
    // past the range and still read back as the largest double.
    const DComplex largest{DBL_MAX, -DBL_MAX};
    EXPECT_EQ(StrToDComplex("1.79769313486232E308 -_I 1.79769313486232E308"), largest);
    EXPECT_THROW(StrToDComplex("1.79769313486233E308"), EMathError);

    SetDecimalSeparator(',');
    EXPECT_EQ(DComplexToStr({1.5, -0.25}), "1,5 -_I 0,25");
    EXPECT_EQ(StrToDComplex("1,5 -_I 0,25"), (DComplex{1.5, -0.25}));
}

// A value written as text and read back is the same double, in the fewest digits that do it.
TEST_F(DorvSubTest, ValueTextKeepsEveryBit) {
    struct Row {
        const char* name;
        DComplex z;
        const char* text;
    };
    const Row rows[] = {
        {"one tenth stays short", {0.1, 0}, "0.1 +_I 0"},
        {"sum with binary noise", {0.1 + 0.2, 0}, "0.30000000000000004 +_I 0"},
        {"a third takes sixteen digits", {1.0 / 3.0, 0}, "0.3333333333333333 +_I 0"},
        {"pi", {3.141592653589793, 0}, "3.141592653589793 +_I 0"},
        {"negative imaginary part", {1.5, -2.0 / 7.0}, "1.5 -_I 0.2857142857142857"},
        {"largest double", {DBL_MAX, -DBL_MAX},
         "1.7976931348623157E308 -_I 1.7976931348623157E308"},
        {"smallest subnormal", {5e-324, 0}, "5E-324 +_I 0"},
        {"fifteen-digit integer", {123456789012345, 0}, "123456789012345 +_I 0"},
        {"seventeen digits", {12345678901234568.0, 0}, "1.2345678901234568E16 +_I 0"},
        {"small fixed", {0.0015, 0}, "0.0015 +_I 0"},
        {"small scientific", {1e-7, 0}, "1E-7 +_I 0"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string text = DComplexToStr(r.z);
        EXPECT_EQ(text, r.text);
        EXPECT_EQ(StrToDComplex(text), r.z);
        EXPECT_EQ(StrToDComplex(r.text), r.z);
    }
    // Any double, of any magnitude: the text reads back to the same bits, in at most 17
    // significant digits (compared with the C library's reading of the same text).
    std::mt19937_64 rng(2024);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t bits = rng();
        double x = 0;
        std::memcpy(&x, &bits, sizeof x);
        if (!std::isfinite(x))
            continue;
        const std::string t = ValueNumberText(x);
        SCOPED_TRACE(t);
        ASSERT_EQ(StrToDComplex(t).Real, x == 0 ? 0.0 : x);
        ASSERT_EQ(std::strtod(t.c_str(), nullptr), x);
        std::size_t digits = 0;
        for (char c : t.substr(0, t.find('E')))
            digits += (c >= '1' && c <= '9') || (digits > 0 && c == '0');
        ASSERT_LE(digits, 17U);
    }
}

TEST_F(DorvSubTest, RandomBytesReturnOrRaiseConversionError) {
    std::mt19937 rng(12345);
    const std::string alphabet = "0123456789+-.eEKMGUNPFATD_IJ{}, \t";
    for (int i = 0; i < 20000; ++i) {
        std::string text(rng() % 24, '\0');
        for (char& c : text)
            c = (i % 2) ? static_cast<char>(rng() % 256) : alphabet[rng() % alphabet.size()];
        for (auto parse : {+[](const std::string& t) { (void)DorvStrToFloat(t); },
                           +[](const std::string& t) { (void)StrToDComplex(t); }}) {
            try {
                parse(text);
            } catch (const EConvertError&) {
            } catch (const EMathError& e) {
                EXPECT_STREQ(e.what(), "Floating point overflow") << text;
            }
        }
    }
}

TEST_F(DorvSubTest, Tolerances) {
    EXPECT_TRUE(ComplexEqual({0.1 + 0.2, 0}, {0.3, 0}));
    EXPECT_FALSE(ComplexEqual({0, 0}, {1e-300, 0}));
    EXPECT_TRUE(Negligible(1e-12));
    EXPECT_FALSE(Negligible(1.1e-12));
    EXPECT_TRUE(CoarselyNegligible(-1e-4));
    EXPECT_FALSE(CoarselyNegligible(1.001e-4));
    EXPECT_EQ(MessageOf<EMathError>([] { CoarselyNegligible(1e39); }), "Floating point overflow");
}

// Results that follow from the shortcuts and the zero tests, compared exactly.
TEST_F(DorvSubTest, ExactResults) {
    struct Row {
        const char* name;
        DComplex got;
        DComplex want;
    };
    const Row rows[] = {
        {"1/0.000001", ComplexDiv({1, 0}, {0.000001, 0}), {1000000, 0}},
        {"(1+2i)/(3-4i)", ComplexDiv({1, 2}, {3, -4}), {-0.2, 0.4}},
        {"sqrt(-4)", ComplexSqrt({-4, 0}), {0, 2}},
        {"sqrt(4)", ComplexSqrt({4, 0}), {2, 0}},
        {"ln(-1)", ComplexLn({-1, 0}), {0, kPi}},
        {"ln(-1-0i)", ComplexLn({-1, -0.0}), {0, kPi}},
        {"0^0", ComplexPower({0, 0}, {0, 0}), {1, 0}},
        {"0^2", ComplexPower({0, 0}, {2, 0}), {0, 0}},
        {"exp(1e-13i)", ComplexExp({0, 1e-13}), {1, 1e-13}},
        {"sqr(3+1e-13i)", ComplexSqr({3, 1e-13}), {9, 1e-13}},
        {"basic sqrt(4+1e-13i)", BasicComplexSqrt({4, 1e-13}), {2, 1e-13}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_DOUBLE_EQ(r.got.Real, r.want.Real);
        EXPECT_DOUBLE_EQ(r.got.Imaginary, r.want.Imaginary);
    }
    // Real powers must land on the nearest double, not one step beside it.
    const struct {
        const char* name;
        double base, exponent, want;
    } exact[] = {{"3^2", 3, 2, 9},      {"2^10", 2, 10, 1024},     {"10^-3", 10, -3, 0.001},
                 {"7^3", 7, 3, 343},    {"1.5^2", 1.5, 2, 2.25},   {"10^15", 10, 15, 1e15}};
    for (const auto& e : exact) {
        SCOPED_TRACE(e.name);
        const DComplex p = ComplexPower({e.base, 0}, {e.exponent, 0});
        EXPECT_EQ(p.Real, e.want);
        EXPECT_EQ(p.Imaginary, 0);
    }
    const DComplex sq = ComplexPower({-2, 0}, {2, 0});
    EXPECT_EQ(sq.Real, 4);
    EXPECT_EQ(sq.Imaginary, 0); // a real base with a whole exponent stays real
    EXPECT_DOUBLE_EQ(ComplexAngle(ComplexNeg({1, 0})), kPi);
    EXPECT_EQ(ComplexAngle({0, 0}), 0);
}

// Values against closed forms (high-precision references), to a relative 1e-12.
TEST_F(DorvSubTest, FunctionValues) {
    using Unary = DComplex (*)(const DComplex&);
    struct Row {
        const char* name;
        Unary f;
        DComplex z;
        DComplex want;
    };
    const double asinh1 = 0.881373587019543025233;
    const Row rows[] = {
        {"arcsin 2", ComplexArcSin, {2, 0}, {kPi / 2, -kLn2PlusSqrt3}},
        {"arccos 2", ComplexArcCos, {2, 0}, {0, kLn2PlusSqrt3}},
        {"arccosh 0.5", ComplexArcCosH, {0.5, 0}, {0, kPi / 3}},
        {"arcsin 0.5", ComplexArcSin, {0.5, 0}, {kPi / 6, 0}},
        {"arccos 0.5", ComplexArcCos, {0.5, 0}, {kPi / 3, 0}},
        {"arctan 1", ComplexArcTan, {1, 0}, {kPi / 4, 0}},
        {"arcsinh 1", ComplexArcSinH, {1, 0}, {asinh1, 0}},
        {"arcsin i", ComplexArcSin, {0, 1}, {0, asinh1}},
        {"arctanh 0.5", ComplexArcTanH, {0.5, 0}, {0.549306144334054845698, 0}},
        {"arcsinh 1+i", ComplexArcSinH, {1, 1}, {1.06127506190503565203, 0.666239432492515255104}},
        {"arccosh 1+i", ComplexArcCosH, {1, 1}, {1.06127506190503565203, 0.904556894302381364127}},
        {"arctanh 1+i", ComplexArcTanH, {1, 1}, {0.40235947810852509365, 1.01722196789785136772}},
        {"sinh 1+i", ComplexSinH, {1, 1}, {0.634963914784736108255, 1.29845758141597729483}},
        {"cosh 1+i", ComplexCosH, {1, 1}, {0.833730025131149048884, 0.988897705762865096382}},
        {"tanh 1+i", ComplexTanH, {1, 1}, {1.08392332733869454348, 0.271752585319511716529}},
        {"sin 1+i", ComplexSin, {1, 1}, {1.29845758141597729483, 0.634963914784736108255}},
        {"cos 1+i", ComplexCos, {1, 1}, {0.833730025131149048884, -0.988897705762865096382}},
        {"tan 1+i", ComplexTan, {1, 1}, {0.271752585319511716529, 1.08392332733869454348}},
        {"sqrt -3-4i", ComplexSqrt, {-3, -4}, {1, -2}},
        {"sqrt 1+i", ComplexSqrt, {1, 1}, {1.09868411346780996604, 0.455089860562227341304}},
        {"sqrt -1e-30", ComplexSqrt, {-1e-30, 0}, {0, 1e-15}},
        {"ln 3+4i", ComplexLn, {3, 4}, {1.6094379124341003746, 0.927295218001612232429}},
        {"ln -1+0.001i", ComplexLn, {-1, 0.001}, {4.99999750000166687358e-7, 3.14059265392312637178}},
        {"90 deg", ComplexDegToRad, {90, 0}, {kPi / 2, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_LE(RelativeError(r.f(r.z), r.want), 1e-12);
    }

    using Binary = DComplex (*)(const DComplex&, const DComplex&);
    struct Row2 {
        const char* name;
        Binary f;
        DComplex z, w, want;
    };
    const Row2 rows2[] = {
        {"(-8)^(1/3)", ComplexPower, {-8, 0}, {1.0 / 3.0, 0}, {1, 1.73205080756887729353}},
        {"i^i", ComplexPower, {0, 1}, {0, 1}, {0.207879576350761908547, 0}},
        {"(1+i)^(1-i)", ComplexPower, {1, 1}, {1, -1}, {2.80787929726062903957, 1.31786517290118086385}},
        {"0.0000001^-1", ComplexPower, {0.0000001, 0}, {-1, 0}, {1e7, 0}},
        {"1/(2pi 1K 10P)", ComplexDiv, {1, 0}, {2 * kPi * 1e-8, 0}, {15915494.3091895335768, 0}},
        {"tiny divisor", ComplexDiv, {1, 0}, {3e-200, 4e-200}, {1.2e199, -1.6e199}},
        {"huge divisor", ComplexDiv, {1, 1}, {1e300, 1e300}, {1e-300, 0}},
    };
    for (const Row2& r : rows2) {
        SCOPED_TRACE(r.name);
        EXPECT_LE(RelativeError(r.f(r.z, r.w), r.want), 1e-12);
    }
}

TEST_F(DorvSubTest, ArithmeticFailures) {
    struct Row {
        const char* name;
        std::function<void()> f;
        const char* message;
    };
    const Row rows[] = {
        {"1/0", [] { ComplexDiv({1, 0}, {0, 0}); }, "Division by zero"},
        {"1/-0", [] { ComplexDiv({1, 0}, {-0.0, -0.0}); }, "Division by zero"},
        {"0^-1", [] { ComplexPower({0, 0}, {-1, 0}); }, "Division by zero"},
        {"0^i", [] { ComplexPower({0, 0}, {0, 1}); }, "Division by zero"},
        {"arctanh 1", [] { ComplexArcTanH({1, 0}); }, "Division by zero"},
        {"arccosh -2", [] { ComplexArcCosH({-2, 0}); }, "Invalid floating point operation"},
        {"arccos -2", [] { ComplexArcCos({-2, 0}); }, "Invalid floating point operation"},
        {"arctanh 2", [] { ComplexArcTanH({2, 0}); }, "Invalid floating point operation"},
        {"ln 0", [] { ComplexLn({0, 0}); }, "Floating point division by zero"},
        {"exp 1000", [] { ComplexExp({1000, 0}); }, "Floating point overflow"},
        {"exp 1000+i", [] { ComplexExp({1000, 1}); }, "Floating point overflow"},
        {"1e300*1e300", [] { ComplexMul({1e300, 0}, {1e300, 0}); }, "Floating point overflow"},
        {"1e300/1e-300", [] { ComplexDiv({1e300, 0}, {1e-300, 0}); }, "Floating point overflow"},
        {"sin 1+20000i", [] { ComplexSin({1, 20000}); }, "Floating point overflow"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(MessageOf<EMathError>(r.f), r.message);
    }
}
