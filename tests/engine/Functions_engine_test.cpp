// Built-in functions and constants reached through whole expressions.

#include "EngineSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace vexmo;

namespace {

using Session = test::EngineSession;

} // namespace

TEST(FunctionsInExpressions, LinesGiveValuesAndErrorState) {
    const double pi = 3.14159265358979323846;
    const struct {
        const char* row;
        std::vector<std::string> lines; // the last one is checked
        DComplex expected;
        int errorState;
    } rows[] = {
        {"capacitor with unit suffixes", {"CAP(1U,1K)"}, {0, -159.15494309189534}, 0},
        {"inductor with unit suffixes", {"IND(1M,1K)"}, {0, 6.2831853071795865}, 0},
        {"frequency from _F", {"_F := 1K", "CAP(1U)"}, {0, -159.15494309189534}, 0},
        {"frequency from _FREQ", {"_FREQ := 2K", "IND(1M)"}, {0, 12.566370614359173}, 0},
        {"no frequency fails", {"CAP(1U)"}, {0, 0}, 1},
        {"array frequency is unreadable", {"_F := 0", "_F[1] := 5", "CAP(1U)"}, {0, 0}, 1},
        {"round trip through reactance", {"ACAP(CAP(1U,1K),1K)"}, {1e-6, 0}, 0},
        {"degrees", {"SIND(30)"}, {0.5, 0}, 0},
        {"degree result", {"ARCTAND(1)"}, {45, 0}, 0},
        {"radians to degrees", {"RADTODEG(_PI)"}, {180, 0}, 0},
        {"angle of i", {"ANGLE(_I)"}, {pi / 2, 0}, 0},
        {"i squared", {"_I*_I"}, {-1, 0}, 0},
        {"constant wins over variable", {"_PI := 3", "_PI"}, {pi, 0}, 0},
        {"e", {"LN(_E)"}, {1, 0}, 0},
        {"max by real part", {"MAX(1 +_I 9, 2)"}, {2, 0}, 0},
        {"mean", {"MEAN(1,2,3,4)"}, {2.5, 0}, 0},
        {"condition from comparison", {"X := 5", "IF(X > 3, 10, 20)"}, {10, 0}, 0},
        {"condition with two elements", {"IF(1,2)"}, {0, 0}, 0},
        {"rounding part by part", {"ROUND(-3.5 +_I 0.5)"}, {-4, 0}, 0},
        {"fraction part by part", {"FRAC(-1.25 +_I 2.75)"}, {-0.25, 0.75}, 0},
        {"ceiling beyond 32 bits", {"CEIL(5000000000.5)"}, {5000000001, 0}, 0},
        {"decibels", {"DB(100) + DB2(100) + ADB(20) + ADB2(20)"}, {170, 0}, 0},
        {"failing function gives zero", {"DB(0)"}, {0, 0}, 1},
        {"failure does not stop the line", {"1 + DB(0)"}, {1, 0}, 1},
        {"overflowing power of ten", {"ADB(4000)"}, {0, 0}, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.row);
        Session s;
        DComplex got;
        for (const std::string& line : r.lines)
            got = s.Run(line);
        double tol = 1e-12 * std::max(std::fabs(r.expected.Real), std::fabs(r.expected.Imaginary));
        EXPECT_NEAR(got.Real, r.expected.Real, tol);
        EXPECT_NEAR(got.Imaginary, r.expected.Imaginary, tol);
        EXPECT_EQ(s.engine.ErrorState(), r.errorState);
    }
}

TEST(FunctionsInExpressions, RandomDrawsAtEachOccurrence) {
    Session s;
    int same = 0;
    for (int i = 0; i < 100; ++i) {
        DComplex d = s.Run("_RND - _RND");
        same += d.Real == 0;
    }
    EXPECT_EQ(same, 0);
    DComplex v = s.Run("_RND");
    EXPECT_TRUE(v.Real >= 0 && v.Real < 1 && v.Imaginary == 0);
}

// Values where a plain formula squares into overflow or underflow, cancels away the digits of
// a small argument, or leaves the principal branch; references at 40 digits, checked part by
// part to 14 significant digits.
TEST(FunctionsInExpressions, MagnitudesBranchesAndSmallValues) {
    const struct {
        const char* line;
        DComplex expected;
    } rows[] = {
        {"ABS(1E200)", {1e200, 0}},
        {"ABS(3E200 +_I 4E200)", {5e200, 0}},
        {"DB(1E300)", {3000, 0}},
        {"LN(1E200 +_I 1E200)", {460.86359218908911, 0.78539816339744831}},
        {"SQRT(1E200 +_I 1E200)", {1.09868411346781e+100, 4.5508986056222734e+99}},
        {"ABS(1E-200 +_I 1E-200)", {1.414213562373095e-200, 0}},
        {"ABS(1E-160*_I)", {1e-160, 0}},
        {"SQRT(1 +_I 1E39)", {2.2360679774997897e19, 2.2360679774997897e19}},
        {"ARCCOS(0.5 -_I 1E-8)", {1.0471975511965978, 1.1547005383792515e-8}},
        {"ARCCOSH(-1 +_I 1)", {1.0612750619050357, 2.2370357592874119}},
        {"ARCCOS(-1 +_I 1)", {2.2370357592874119, -1.0612750619050357}},
        {"ARCCOSD(-1 +_I 1)", {128.17270762701225, -60.806581949643714}},
        {"ARCCOSHD(-1 +_I 1)", {60.806581949643714, 128.17270762701225}},
        {"SQRT(1U +_I 1U)", {0.00109868411346781, 0.00045508986056222734}},
        {"SQRT(1E-8 +_I 1E-8)", {0.000109868411346781, 4.5508986056222734e-5}},
        {"LN(-0.0001 +_I 0.0000999)", {-8.8642667816128142, 2.3566947402756782}},
        {"LOG(-0.0001 +_I 0.0000999)", {-3.8497021493727427, 1.0234995212321443}},
        {"(-0.0001 +_I 0.0000999)^0.5", {0.0045470134839091103, 0.010985232433719883}},
        {"LN(1E-200 +_I 1E-200)", {-460.17044500852916, 0.78539816339744831}},
        {"LN(1E-20*_I)", {-46.051701859880914, 1.5707963267948966}},
        {"TANH(800)", {1, 0}},
        {"TANH(1E15)", {1, 0}},
        {"TANH(800 +_I 1)", {1, 0}},
        {"ARCSINH(1E-8)", {9.9999999999999998e-9, 0}},
        {"ARCTANH(1E-8)", {1e-8, 0}},
        {"SINH(1E-10)", {1e-10, 0}},
        {"TANH(1E-10)", {1e-10, 0}},
        {"ARCSIN(1E-6*_I)", {0, 9.9999999999983333e-7}},
        {"ARCTANH(1E-8 +_I 1E-8)", {9.9999999999999993e-9, 1.0000000000000001e-8}},
        {"ARCSINH(1E-8 +_I 1E-8)", {1e-8, 9.9999999999999997e-9}},
        {"ARCSINH(-1E10)", {-23.718998110500402, 0}},
    };
    auto close = [](double got, double want) {
        return want == 0 ? got == 0 : std::fabs(got - want) <= 1e-14 * std::fabs(want);
    };
    Session s;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.line);
        const DComplex v = s.Run(r.line);
        EXPECT_EQ(s.engine.ErrorState(), 0);
        EXPECT_TRUE(close(v.Real, r.expected.Real)) << v.Real;
        EXPECT_TRUE(close(v.Imaginary, r.expected.Imaginary)) << v.Imaginary;
    }
}
