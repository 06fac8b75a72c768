// The elementary functions against textbook values: references computed independently at
// 60 digits and rounded to the nearest double. Parts agree to 14 significant digits; a row
// marked exact must come out bit for bit.

#include "engine/BuiltinFunctions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace vexmo;

namespace {

struct Row {
    const char* name; // "FN(...)" applies built-in function FN to z; "(...)^..." is z^w
    DComplex z, w;
    DComplex want;
    bool exact = false;
    const char* failure = nullptr; // the message of a row that must fail
};

DComplex Apply(const std::string& fn, const DComplex& z, const DComplex& w) {
    return fn == "^" ? ComplexPower(z, w) : EvaluateBuiltinFunction(fn, {}, z, nullptr);
}

bool Close(double got, double want) {
    return want == 0 ? got == 0 : std::fabs(got - want) <= 1e-14 * std::fabs(want);
}

void Check(const std::vector<Row>& rows) {
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        try {
            const std::string name = r.name;
            const DComplex got =
                Apply(name[0] == '(' ? "^" : name.substr(0, name.find('(')), r.z, r.w);
            if (r.failure) {
                ADD_FAILURE() << "answers " << got.Real << ", " << got.Imaginary;
                continue;
            }
            if (r.exact) {
                EXPECT_EQ(got.Real, r.want.Real);
                EXPECT_EQ(got.Imaginary, r.want.Imaginary);
            } else {
                EXPECT_TRUE(Close(got.Real, r.want.Real)) << got.Real << " vs " << r.want.Real;
                EXPECT_TRUE(Close(got.Imaginary, r.want.Imaginary))
                    << got.Imaginary << " vs " << r.want.Imaginary;
            }
        } catch (const EMathError& e) {
            EXPECT_STREQ(e.what(), r.failure ? r.failure : "an answer");
        }
    }
}

} // namespace

// A whole exponent gives a real base a real result; a complex base is multiplied out.
TEST(ElementaryFunctions, RealBasesKeepRealPowers) {
    // clang-format off
    Check({
        {"(-3)^2", {-3, 0}, {2, 0}, {9, 0}, true},
        {"(-10)^15", {-10, 0}, {15, 0}, {-1000000000000000, 0}, true},
        {"(-2)^50", {-2, 0}, {50, 0}, {1125899906842624, 0}, true},
        {"(-1.5)^3", {-1.5, 0}, {3, 0}, {-3.375, 0}, true},
        {"(-0.1)^-3", {-0.1, 0}, {-3, 0}, {-999.9999999999999, 0}},
        {"(-1)^1023", {-1, 0}, {1023, 0}, {-1, 0}, true},
        {"(-1.0001)^5001", {-1.0001, 0}, {5001, 0}, {-1.648844923936678, 0}},
        {"(-2)^-1", {-2, 0}, {-1, 0}, {-0.5, 0}, true},
        {"(-7)^300", {-7, 0}, {300, 0}, {3.38385702007491e253, 0}},
        {"(-2.5)^-7", {-2.5, 0}, {-7, 0}, {-0.0016384, 0}},
        {"(-3)^0.5", {-3, 0}, {0.5, 0}, {0, 1.7320508075688772}},
        {"(1 +_I 1)^2", {1, 1}, {2, 0}, {0, 2}, true},
        {"(3 +_I 4)^2", {3, 4}, {2, 0}, {-7, 24}, true},
        {"(1 +_I 1)^-2", {1, 1}, {-2, 0}, {0, -0.5}, true},
        {"(0.6 +_I 0.8)^1000", {0.6, 0.8}, {1000, 0}, {-0.8651308138801383, -0.5015462838812922}},
        {"(-8)^(1/3)", {-8, 0}, {0.3333333333333333, 0}, {1, 1.7320508075688772}},
        {"(-7)^1024", {-7, 0}, {1024, 0}, {}, false, "Floating point overflow"},
    });
    // clang-format on
}

// Angles of 2^63 and more are reduced like any other; a value beyond the range fails.
TEST(ElementaryFunctions, HugeArgumentsAnswerOrFail) {
    // clang-format off
    Check({
        {"SIN(1E19)", {1e19, 0}, {}, {-0.9270631660486504, 0}},
        {"SIN(2^63)", {9.223372036854776e18, 0}, {}, {0.9999303766734422, 0}},
        {"SIN(-1E22)", {-1e22, 0}, {}, {0.8522008497671888, 0}},
        {"SIN(1.7E308)", {1.7e308, 0}, {}, {-0.5952560848632077, 0}},
        {"COS(1E19)", {1e19, 0}, {}, {-0.37490516955071784, 0}},
        {"COS(2^63)", {9.223372036854776e18, 0}, {}, {0.011800076512800236, 0}},
        {"COS(-1E22)", {-1e22, 0}, {}, {0.523214785395139, 0}},
        {"COS(1.7E308)", {1.7e308, 0}, {}, {0.803536056087918, 0}},
        {"TAN(1E19)", {1e19, 0}, {}, {2.4727937658465273, 0}},
        {"TAN(2^63)", {9.223372036854776e18, 0}, {}, {84.73931296875567, 0}},
        {"TAN(-1E22)", {-1e22, 0}, {}, {1.6287782256068988, 0}},
        {"TAN(1.7E308)", {1.7e308, 0}, {}, {-0.7407957369844252, 0}},
        {"SIN(1E19 +_I 1)", {1e19, 1}, {}, {-1.4305332187801811, -0.44058900275923535}},
        {"EXP(0 +_I 1E22)", {0, 1e22}, {}, {0.523214785395139, -0.8522008497671888}},
        {"EXP(1 -_I 1E19)", {1, -1e19}, {}, {-1.0190979097850736, 2.5200189581037566}},
        {"SINH(0 +_I 1E19)", {0, 1e19}, {}, {0, -0.9270631660486504}},
        {"COSH(0.5 +_I 1E19)", {0.5, 1e19}, {}, {-0.42275280367549, -0.4830882637241221}},
        {"TANH(0 +_I 1E19)", {0, 1e19}, {}, {0, 2.4727937658465273}},
        {"SIND(1E300)", {1e300, 0}, {}, {0, 0}, true},
        {"COSD(-1E19)", {-1e19, 0}, {}, {0.17364817766693036, 0}},
        {"SINHD(0 +_I 1E19)", {0, 1e19}, {}, {0, -0.984807753012208}},
        {"EXP(1E19)", {1e19, 0}, {}, {}, false, "Floating point overflow"},
        {"SINH(-1E19 +_I 1)", {-1e19, 1}, {}, {}, false, "Floating point overflow"},
        {"SIN(1 +_I 1E19)", {1, 1e19}, {}, {}, false, "Floating point overflow"},
    });
    // clang-format on
}

// A small part next to a large one is computed, not passed through.
TEST(ElementaryFunctions, SmallPartsBesideLargeOnesAreComputed) {
    // clang-format off
    Check({
        {"SIN(2 +_I 1E-12)", {2, 1e-12}, {}, {0.9092974268256817, -4.161468365471424e-13}},
        {"COS(2 +_I 1E-12)", {2, 1e-12}, {}, {-0.4161468365471424, -9.092974268256817e-13}},
        {"TAN(2 +_I 1E-12)", {2, 1e-12}, {}, {-2.185039863261519, 5.7743992040419175e-12}},
        {"SIN(1 +_I 1E-13)", {1, 1e-13}, {}, {0.8414709848078965, 5.4030230586813976e-14}},
        {"EXP(-4 +_I 4E-14)", {-4, 4e-14}, {}, {0.01831563888873418, 7.326255555493672e-16}},
        {"EXP(30 -_I 1E-13)", {30, -1e-13}, {}, {10686474581524.463, -1.0686474581524463}},
        {"LN(100 +_I 1E-12)", {100, 1e-12}, {}, {4.605170185988092, 1e-14}},
        {"LOG(100 +_I 1E-12)", {100, 1e-12}, {}, {2, 4.342944819032518e-15}},
        {"SIND(30 +_I 1E-12)", {30, 1e-12}, {}, {0.5, 1.5114994701951814e-14}},
        {"COSD(30 -_I 1E-12)", {30, -1e-12}, {}, {0.8660254037844386, 8.726646259971647e-15}},
        {"SINH(1E-12 +_I 2)", {1e-12, 2}, {}, {-4.161468365471424e-13, 0.9092974268256817}},
        {"TANH(1E-12 +_I 2)", {1e-12, 2}, {}, {5.7743992040419175e-12, -2.185039863261519}},
    });
    // clang-format on
}

// Only an imaginary part of exactly 0 takes the real axis (the upper side of the cut);
// any other is the complex principal value, its sign choosing the side.
TEST(ElementaryFunctions, RealShortcutOnlyForExactlyRealArguments) {
    // clang-format off
    Check({
        {"SQRT(100 +_I 0.0001)", {100, 0.0001}, {}, {10.00000000000125, 4.999999999999375e-06}},
        {"SQRT(4 +_I 5E-05)", {4, 5e-05}, {}, {2.0000000000390625, 1.249999999975586e-05}},
        {"SQRT(-4 -_I 1E-300)", {-4, -1e-300}, {}, {2.5e-301, -2}, true},
        {"SQRT(-4)", {-4, 0}, {}, {0, 2}, true},
        {"LN(-1 -_I 1E-05)", {-1, -1e-05}, {}, {4.999999999750001e-11, -3.1415826535897935}},
        {"LN(-1 +_I 5E-05)", {-1, 5e-05}, {}, {1.2499999984375e-09, 3.141542653589835}},
        {"LN(-1)", {-1, 0}, {}, {0, 3.141592653589793}},
        {"LN(-2 -_I 1E-300)", {-2, -1e-300}, {}, {0.6931471805599453, -3.141592653589793}},
        {"LN(1 +_I 1E-16)", {1, 1e-16}, {}, {4.9999999999999996e-33, 1e-16}},
        {"LOG(-1 -_I 1E-05)", {-1, -1e-05}, {}, {2.171472409407686e-11, -1.3643720108970225}},
        {"(100 +_I 0.0001)^1.5", {100, 0.0001}, {1.5, 0}, {999.999999999625, 0.0015000000000000625}},
        {"(-1 -_I 1E-05)^0.25", {-1, -1e-05}, {0.25, 0}, {0.7071085489601295, -0.7071050134262237}},
        {"(10)^2 +_I 1E-13", {10, 0}, {2, 1e-13}, {100, 2.3025850929940458e-11}},
    });
    // clang-format on
}

// End points of real domains, limits of tan and tanh, and whole parts beyond 2^63 answer.
TEST(ElementaryFunctions, EndPointsAndLimitsAnswer) {
    // clang-format off
    Check({
        {"TAN(0 +_I 700)", {0, 700}, {}, {0, 1}, true},
        {"TAN(1 -_I 700)", {1, -700}, {}, {0, -1}},
        {"TANH(800 +_I 1)", {800, 1}, {}, {1, 0}},
        {"TAND(0 +_I 40000)", {0, 40000}, {}, {0, 1}, true},
        {"TAN(1.5707963267948966 +_I 1.0001E-12)", {1.5707963267948966, 1.0001e-12}, {}, {61220095.0966088, 999900006250.7253}},
        {"ARCCOS(-1)", {-1, 0}, {}, {3.141592653589793, 0}},
        {"ARCCOS(1)", {1, 0}, {}, {0, 0}, true},
        {"ARCCOSD(-1)", {-1, 0}, {}, {180, 0}, true},
        {"ARCCOSH(1)", {1, 0}, {}, {0, 0}, true},
        {"ARCSIN(-1)", {-1, 0}, {}, {-1.5707963267948966, 0}},
        {"ARCSIN(1)", {1, 0}, {}, {1.5707963267948966, 0}},
        {"ARCSIN(-10000000000)", {-10000000000, 0}, {}, {-1.5707963267948966, 23.7189981105004}},
        {"ARCCOSH(1E200)", {1e200, 0}, {}, {461.2101657793691, 0}},
        {"ARCCOS(1E300)", {1e300, 0}, {}, {0, 691.4686750787737}},
        {"ROUND(1E19 -_I 2^63)", {1e19, -9.223372036854776e18}, {}, {1e19, -9.223372036854776e18}, true},
        {"TRUNC(-1E19 +_I 1E300)", {-1e19, 1e300}, {}, {-1e19, 1e300}, true},
        {"CEIL(1E19 -_I 1E19)", {1e19, -1e19}, {}, {1e19, -1e19}, true},
        {"FLOOR(-1E300 +_I 1E19)", {-1e300, 1e19}, {}, {-1e300, 1e19}, true},
    });
    // clang-format on
}

// Arc sine and arc cosine take the same side of their cut (they add up to pi/2), odd
// functions stay odd; a cut that has no value keeps failing.
TEST(ElementaryFunctions, CutsTakeOneSideAndOddFunctionsStayOdd) {
    // clang-format off
    Check({
        {"ARCSIN(2)", {2, 0}, {}, {1.5707963267948966, -1.3169578969248168}},
        {"ARCCOS(2)", {2, 0}, {}, {0, 1.3169578969248168}},
        {"ARCSIN(-2)", {-2, 0}, {}, {-1.5707963267948966, 1.3169578969248168}},
        {"ARCSIND(2)", {2, 0}, {}, {90, -75.4561292902169}},
        {"ARCCOSD(2)", {2, 0}, {}, {0, 75.4561292902169}},
        {"ARCSIN(10000000000)", {10000000000, 0}, {}, {1.5707963267948966, -23.7189981105004}},
        {"ARCSINH(0 +_I 2)", {0, 2}, {}, {1.3169578969248168, 1.5707963267948966}},
        {"ARCSINH(0 -_I 2)", {0, -2}, {}, {-1.3169578969248168, -1.5707963267948966}},
        {"ARCCOSH(0.5)", {0.5, 0}, {}, {0, 1.0471975511965979}},
        {"ARCCOSH(-0.5)", {-0.5, 0}, {}, {0, 2.0943951023931957}},
        {"ARCCOSHD(0.5)", {0.5, 0}, {}, {0, 60}},
        {"ARCSIN(-0.5 -_I 3)", {-0.5, -3}, {}, {-0.15700459478894233, -1.8301947623375088}},
        {"ARCSIN(0.5 +_I 3)", {0.5, 3}, {}, {0.15700459478894233, 1.8301947623375088}},
        {"ARCCOS(2 +_I 1E-300)", {2, 1e-300}, {}, {5.773502691896257e-301, -1.3169578969248168}},
        {"ARCCOS(-2)", {-2, 0}, {}, {}, false, "Invalid floating point operation"},
        {"ARCCOSH(-2)", {-2, 0}, {}, {}, false, "Invalid floating point operation"},
    });
    // clang-format on
}

// The inverse tangents are as exact next to -1 (and -i) as next to 1.
TEST(ElementaryFunctions, InverseTangentsNearMinusOne) {
    // clang-format off
    Check({
        {"ARCTANH(-1 +_I 1E-10)", {-1, 1e-10}, {}, {-11.8594990552502, 0.7853981634224483}},
        {"ARCTANH(1 +_I 1E-10)", {1, 1e-10}, {}, {11.8594990552502, 0.7853981634224483}},
        {"ARCTANH(-1 +_I 1E-08)", {-1, 1e-08}, {}, {-9.556913962256155, 0.7853981658974483}},
        {"ARCTANH(1 +_I 1E-08)", {1, 1e-08}, {}, {9.556913962256155, 0.7853981658974483}},
        {"ARCTANH(-1 -_I 1E-300)", {-1, -1e-300}, {}, {-345.73433753938684, -0.7853981633974483}},
        {"ARCTANH(-0.9999999999 +_I 1E-12)", {-0.9999999999, 1e-12}, {}, {-11.85947401510907, 0.0049998329299221645}},
        {"ARCTAN(1E-10 +_I 1)", {1e-10, 1}, {}, {0.7853981634224483, 11.8594990552502}},
        {"ARCTAN(1E-10 -_I 1)", {1e-10, -1}, {}, {0.7853981634224483, -11.8594990552502}},
        {"ARCTAN(-1E-08 +_I 1)", {-1e-08, 1}, {}, {-0.7853981658974483, 9.556913962256155}},
        {"ARCTANHD(-1 +_I 1E-08)", {-1, 1e-08}, {}, {-547.5708352069266, 45.00000014323945}},
        {"ARCTANH(-1)", {-1, 0}, {}, {}, false, "Floating point division by zero"},
    });
    // clang-format on
}

// Degree angles are reduced modulo 360 before they are converted: the textbook values come
// out exactly.
TEST(ElementaryFunctions, DegreesReducedExactly) {
    // clang-format off
    Check({
        {"SIND(30)", {30, 0}, {}, {0.5, 0}, true},
        {"SIND(180)", {180, 0}, {}, {0, 0}, true},
        {"COSD(90)", {90, 0}, {}, {0, 0}, true},
        {"TAND(45)", {45, 0}, {}, {1, 0}, true},
        {"COSD(60)", {60, 0}, {}, {0.5, 0}, true},
        {"SIND(-30)", {-30, 0}, {}, {-0.5, 0}, true},
        {"SIND(390)", {390, 0}, {}, {0.5, 0}, true},
        {"COSD(-270)", {-270, 0}, {}, {0, 0}, true},
        {"TAND(-135)", {-135, 0}, {}, {1, 0}, true},
        {"SIND(1000000000000000)", {1000000000000000, 0}, {}, {-0.984807753012208, 0}},
        {"COSD(1000000000000000)", {1000000000000000, 0}, {}, {0.17364817766693036, 0}},
        {"TAND(1000000000000000)", {1000000000000000, 0}, {}, {-5.671281819617709, 0}},
        {"SIND(1E22)", {1e22, 0}, {}, {-0.984807753012208, 0}},
        {"SIND(0.1)", {0.1, 0}, {}, {0.001745328365898309, 0}},
        {"COSD(89.9)", {89.9, 0}, {}, {0.0017453283658982097, 0}},
        {"SIND(12345.678)", {12345.678, 0}, {}, {0.9627955785690516, 0}},
        {"SIND(30 +_I 1)", {30, 1}, {}, {0.5000761562881282, 0.015115762095420825}},
        {"TAND(45 +_I 1)", {45, 1}, {}, {0.9993910743131459, 0.03489241440794944}},
        {"SINHD(0 +_I 180)", {0, 180}, {}, {0, 0}, true},
        {"COSHD(0 +_I 180)", {0, 180}, {}, {-1, 0}, true},
        {"TANHD(1 +_I 45)", {1, 45}, {}, {0.03489241440794944, 0.9993910743131459}},
        {"SINHD(30)", {30, 0}, {}, {0.5478534738880398, 0}},
        {"ARCSIND(0.5)", {0.5, 0}, {}, {30, 0}, true},
        {"ARCTAND(1)", {1, 0}, {}, {45, 0}, true},
        {"ARCCOSD(0.5)", {0.5, 0}, {}, {60, 0}},
        {"TAND(90)", {90, 0}, {}, {}, false, "Division by zero"},
        {"TAND(-270)", {-270, 0}, {}, {}, false, "Division by zero"},
    });
    // clang-format on
}

// Arguments close to 1 or to the unit circle keep the digits of their small differences.
TEST(ElementaryFunctions, NoCancellationNearOne) {
    // clang-format off
    Check({
        {"SIN(0 +_I 1E-10)", {0, 1e-10}, {}, {0, 1e-10}},
        {"COS(1 +_I 1E-10)", {1, 1e-10}, {}, {0.5403023058681398, -8.414709848078965e-11}},
        {"SIN(1 -_I 1E-08)", {1, -1e-08}, {}, {0.8414709848078965, -5.403023058681397e-09}},
        {"ARCCOSH(1.000001)", {1.000001, 0}, {}, {0.00141421344446382, 0}},
        {"ARCCOS(0.999999)", {0.999999, 0}, {}, {0.0014142136802445852, 0}},
        {"ARCCOS(1.000001)", {1.000001, 0}, {}, {0, 0.00141421344446382}},
        {"ARCCOSH(1.0000000001 +_I 1E-12)", {1.0000000001, 1e-12}, {}, {1.4142312979825243e-05, 7.070979134694725e-08}},
        {"LN(1E-05 +_I 1)", {1e-05, 1}, {}, {4.999999999750001e-11, 1.570786326794897}},
        {"LN(0.6 +_I 0.8)", {0.6, 0.8}, {}, {2.2204460492503132e-17, 0.9272952180016123}},
        {"LN(1.000001 -_I 1E-07)", {1.000001, -1e-07}, {}, {9.999995049180567e-07, -9.999990000009968e-08}},
        {"LOG(1E-05 +_I 1)", {1e-05, 1}, {}, {2.171472409407686e-11, 0.6821838339761018}},
        {"DB(1 +_I 1E-05)", {1, 1e-05}, {}, {2.171472409407686e-10, 0}},
        {"DB2(0.99999 +_I 1E-06)", {0.99999, 1e-06}, {}, {-8.685932633460061e-05, 0}},
        {"DB(0.999999)", {0.999999, 0}, {}, {-4.34294699063126e-06, 0}},
    });
    // clang-format on
}

// Everyday real arguments whose answers were right before: their 15-digit text stays the same.
TEST(ElementaryFunctions, EverydayAnswersUnchanged) {
    std::ifstream in(std::string(VEXMO_ENGINE_TEST_DATA) + "/everyday_values.tsv");
    ASSERT_TRUE(in) << "missing everyday_values.tsv";
    auto text = [](double part) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.15g", part + 0.0); // no negative zero
        return std::string(buf);
    };
    int rows = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string expression, first, second;
        std::getline(fields, expression, '\t');
        std::getline(fields, first, '\t');
        std::getline(fields, second);
        SCOPED_TRACE(expression);
        ++rows;
        const std::size_t power = expression.find('^');
        const std::size_t open = expression.find('(');
        std::string got;
        try {
            const DComplex v = power != std::string::npos
                                   ? Apply("^", {std::stod(expression.substr(0, power)), 0},
                                           {std::stod(expression.substr(power + 1)), 0})
                                   : Apply(expression.substr(0, open),
                                           {std::stod(expression.substr(open + 1)), 0}, {});
            got = text(v.Real) + "\t" + text(v.Imaginary);
        } catch (const EMathError& e) {
            got = std::string("ERR\t") + e.what();
        }
        EXPECT_EQ(got, first + "\t" + second);
    }
    EXPECT_GT(rows, 1500);
}
