// Built-in functions and constants reached through whole expressions.

#include "engine/CompTinyParseEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace vexmo;

namespace {

struct Session {
    Variables vars;
    TCompTinyParser engine;
    Session() {
        SetDecimalSeparator('.');
        engine.SetVariables(&vars);
    }
    DComplex Run(const std::string& line) {
        engine.SetExpression(line);
        return engine.ResultValue();
    }
};

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
        {"no frequency gives zero", {"CAP(1U)"}, {0, 0}, 0},
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
        {"failure does not stop the line", {"1 + TRUNC(1E19)"}, {1, 0}, 1},
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
