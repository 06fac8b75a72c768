// Whole lines through the engine, read the way the main window reads them: the value, the
// answer text and the error state. Each row is a line whose result depends on one rule of the
// scanner or the reduction, so that a change to that rule shows up as a wrong answer.
#include "EngineSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace vexmo {
namespace {

// One engine with its store; notices are recorded as NAME=VALUE@IDX together with what the
// store held for NAME at that moment.
struct Session : test::EngineSession {
    std::vector<std::string> notices;
    Session() {
        engine.SetOnSubstitute([this](TCompTinyParser&, std::string& name, std::string& value,
                                      int idx) {
            notices.push_back(name + "=" + value + "@" + std::to_string(idx) + " (was '" +
                              store.Read(name) + "')");
        });
    }
};

struct LineRow {
    const char* name;
    std::vector<std::string> setup; // lines calculated first
    const char* line;
    DComplex value;
    const char* text; // the answer text, or nullptr where rounding makes it uninteresting
    int error;
};

void CheckLines(const LineRow* rows, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const LineRow& row = rows[i];
        SCOPED_TRACE(std::string(row.name) + ": " + row.line);
        Session s;
        for (const std::string& line : row.setup)
            s.Run(line);
        const DComplex got = s.Run(row.line);
        const double tol =
            1e-12 * std::max({1.0, std::fabs(row.value.Real), std::fabs(row.value.Imaginary)});
        EXPECT_NEAR(got.Real, row.value.Real, tol);
        EXPECT_NEAR(got.Imaginary, row.value.Imaginary, tol);
        if (row.text != nullptr) {
            EXPECT_EQ(s.engine.ResultText(), row.text);
        }
        EXPECT_EQ(s.engine.ErrorState(), row.error);
    }
}

constexpr double kPi = 3.14159265358979323846;

TEST(Conformance, PrioritiesOfTheOperatorTable) {
    const LineRow rows[] = {
        // Each row would come out differently if the two operators swapped ranks.
        {"polar before power", {}, "2 @ 0 ^ 2", {4, 0}, "4 +_I 0", 0},
        {"power before product", {}, "2*3^2", {18, 0}, "18 +_I 0", 0},
        {"product family left to right", {}, "9 # 4 / 2", {0.5, 0}, "0.5 +_I 0", 0},
        {"truncated quotient then product", {}, "7 % 2 * 2", {6, 0}, "6 +_I 0", 0},
        {"product before parallel", {}, "2 // 2 * 3", {1.5, 0}, "1.5 +_I 0", 0},
        {"parallel before sum", {}, "1 + 2 // 2", {2, 0}, "2 +_I 0", 0},
        {"parallel pair left to right", {}, "1 \\\\ 2 // 2", {1, 0}, "1 +_I 0", 0},
        {"sum before comparison", {}, "1 + 1 == 2", {1, 0}, "1 +_I 0", 0},
        {"comparisons left to right", {}, "3 > 2 == 1", {1, 0}, "1 +_I 0", 0},
        {"comparison before not", {}, "!0 == 5", {1, 0}, "1 +_I 0", 0},
        {"not before and", {}, "!0 & 0", {0, 0}, "0 +_I 0", 0},
        {"and, or left to right", {}, "1 | 1 & 0", {0, 0}, "0 +_I 0", 0},
        {"and before comma", {}, "SUM(1 & 1, 2)", {3, 0}, "3 +_I 0", 0},
        {"function before power", {}, "ABS(-3)^2", {9, 0}, "9 +_I 0", 0},
        {"power left to right", {}, "2^3^2", {64, 0}, "64 +_I 0", 0},
        {"list value is its last element", {}, "1,2,3", {3, 0}, "3 +_I 0", 0},
    };
    CheckLines(rows, std::size(rows));
}

TEST(Conformance, PrefixOrInfix) {
    const LineRow rows[] = {
        {"sign at the start", {}, "-2^2", {-4, 0}, "-4 +_I 0", 0},
        {"sign after an operator of equal rank", {}, "2--3", {5, 0}, "5 +_I 0", 0},
        {"sign after a power", {}, "2^-1", {0.5, 0}, "0.5 +_I 0", 0},
        {"sign after lower-rank operator applies", {}, "-3 < -2", {1, 0}, "1 +_I 0", 0},
        {"not after and applies", {}, "1 & !0", {1, 0}, "1 +_I 0", 0},
        {"not after a comparison applies", {}, "1 == !0", {1, 0}, "1 +_I 0", 0},
        {"not between operands joins nothing", {}, "1 ! 2", {0, 0}, "0 +_I 0", 2},
        {"leading product lacks an operand", {}, "*3", {0, 0}, "0 +_I 0", 2},
        {"trailing operator lacks an operand", {}, "3*", {0, 0}, "0 +_I 0", 2},
        {"function without operand", {}, "1+SIN", {1, 0}, "1 +_I 0", 2},
        {"lone function name is one term", {}, "SIN", {0, 0}, "0 +_I 0", 0},
        // A call name not starting with a letter, after an operand, stands between operands.
        {"underscore call between operands", {}, "2 _G(3)", {0, 0}, "0 +_I 0", 2},
        {"letter call is always a prefix", {}, "2 G(3)", {0, 0}, "0 +_I 0", 2},
        {"last error wins", {}, "(1/0)+(2+)", {1, 0}, "1 +_I 0", 2},
    };
    CheckLines(rows, std::size(rows));
}

TEST(Conformance, JuxtapositionMultiplies) {
    const LineRow rows[] = {
        {"value and bracket", {}, "2(3)", {6, 0}, "6 +_I 0", 0},
        {"bracket and value", {}, "(1)2", {2, 0}, "2 +_I 0", 0},
        {"bracket and bracket", {}, "(2)(3)", {6, 0}, "6 +_I 0", 0},
        {"three values", {}, "2 3 4", {24, 0}, "24 +_I 0", 0},
        {"name and value", {}, "PI 2", {2 * kPi, 0}, nullptr, 0},
        {"value and constant", {}, "2 _I", {0, 2}, "0 +_I 2", 0},
        {"name and function", {"X := 2"}, "X COS(0)", {2, 0}, "2 +_I 0", 0},
        {"function and function", {}, "COS(0)COS(0)", {1, 0}, "1 +_I 0", 0},
        {"element and name", {"A[1] := 5", "B := 3"}, "A[1] B", {15, 0}, "15 +_I 0", 0},
        {"complex value text", {}, "1 -_I 2", {1, -2}, "1 -_I 2", 0},
        {"unit suffix, not a product", {}, "2PI", {2e-12, 0}, "2E-12 +_I 0", 0},
        {"no product before a square bracket", {}, "2[3]", {0, 0}, "0 +_I 0", 2},
        {"no product before a user call", {"F(X) := X"}, "2 F(3)", {0, 0}, "0 +_I 0", 2},
    };
    CheckLines(rows, std::size(rows));
}

TEST(Conformance, ArrayAndCallNames) {
    const LineRow rows[] = {
        {"array name with blanks", {"A[2] := 7"}, "A [ 2 ]", {7, 0}, "7 +_I 0", 0},
        {"index truncated toward zero", {"A[1] := 7"}, "A[1.9]", {7, 0}, "7 +_I 0", 0},
        {"index out of range", {"A[1] := 7"}, "A[2]", {0, 0}, "0 +_I 0", 0},
        {"bare name reads element 0", {"A[1] := 7", "A[0] := 4"}, "A", {4, 0}, "4 +_I 0", 0},
        {"scalar is its own element 0", {"C := 3 +_I 4"}, "C[0]", {3, 4}, "3 +_I 4", 0},
        {"element assignment keeps a scalar", {"C := 3", "C[1] := 5"}, "C[0] + C[1]", {8, 0},
         "8 +_I 0", 0},
        {"trailing square bracket", {}, "A[", {0, 0}, "0 +_I 0", 2},
        {"trailing round bracket", {}, "A(", {0, 0}, "0 +_I 0", 2},
        {"stored variable before bracket is a call", {"X := 3"}, "X(2)", {0, 0}, "0 +_I 0", 1},
        {"also after a blank", {"X := 3"}, "X (2)", {0, 0}, "0 +_I 0", 1},
        {"explicit product", {"X := 3"}, "X*(2)", {6, 0}, "6 +_I 0", 0},
        {"empty call passes zero", {"F(X) := X+1"}, "F()", {1, 0}, "1 +_I 0", 0},
    };
    CheckLines(rows, std::size(rows));
}

TEST(Conformance, ComparisonsAndLogic) {
    const LineRow rows[] = {
        {"longest operator wins", {}, "3>>=3", {1, 0}, "1 +_I 0", 0},
        {"blank splits it", {}, "3> >=3", {0, 0}, "0 +_I 0", 2},
        {"real parts only", {}, "(1 +_I 5) >= 1", {1, 0}, "1 +_I 0", 0},
        {"magnitudes", {}, "5 >>= -5", {1, 0}, "1 +_I 0", 0},
        {"magnitude at most", {}, "-5 <<= 4", {0, 0}, "0 +_I 0", 0},
        {"equality within tolerance", {}, "0.1+0.2 == 0.3", {1, 0}, "1 +_I 0", 0},
        {"imaginary operand is true", {}, "(0 +_I 1) & 3", {1, 0}, "1 +_I 0", 0},
        // Both operands are non-zero although their product leaves the double range.
        {"and of tiny values", {}, "1E-200 & 1E-200", {1, 0}, "1 +_I 0", 0},
        {"and of huge values", {}, "1E200 & 1E200", {1, 0}, "1 +_I 0", 0},
        {"or", {}, "0 | 1E-300", {1, 0}, "1 +_I 0", 0},
        {"condition", {"X := 5"}, "IF(X > 3, 10, 20)", {10, 0}, "10 +_I 0", 0},
    };
    CheckLines(rows, std::size(rows));
}

TEST(Conformance, ConstantsAndVariables) {
    const LineRow rows[] = {
        {"unknown name is zero", {}, "Q + 1", {1, 0}, "1 +_I 0", 0},
        {"names ignore case", {"abc := 4"}, "ABC", {4, 0}, "4 +_I 0", 0},
        {"constant beats stored variable", {"_PI := 3"}, "_PI", {kPi, 0}, nullptr, 0},
        {"also without underscore", {"TRUE := 0"}, "TRUE", {1, 0}, "1 +_I 0", 0},
        {"function body keeps the constant", {"_PI := 3", "K(X) := _PI*X"}, "K(1)", {kPi, 0},
         nullptr, 0},
        {"name after digit scans as name", {"R1 := 10"}, "R1*2", {20, 0}, "20 +_I 0", 0},
        {"function name ends at digit", {}, "SIN2", {std::sin(2.0), 0}, nullptr, 0},
        {"longer word is a name", {"SINE := 3"}, "SINE", {3, 0}, "3 +_I 0", 0},
    };
    CheckLines(rows, std::size(rows));
}

TEST(Conformance, AssignmentsNotifyThenStore) {
    const struct {
        const char* name;
        std::vector<std::string> setup;
        const char* line;
        DComplex value;
        int error;
        std::vector<std::string> notices;
        std::vector<std::string> store; // NAME=VALUE of every line afterwards
    } rows[] = {
        {"plain", {}, "a := 5", {5, 0}, 0, {"A=5 +_I 0@-1 (was '')"}, {"A=5 +_I 0"}},
        // The target is not looked up; the A on the right is.
        {"notice sees the old value", {"A := 1"}, "A := A + 1", {2, 0}, 0,
         {"A=2 +_I 0@-1 (was '1 +_I 0')"}, {"A=2 +_I 0"}},
        {"element pads with zeros", {}, "A[3] := 7", {7, 0}, 0, {"A=7 +_I 0@3 (was '')"},
         {"A=\"0 +_I 0\",\"0 +_I 0\",\"0 +_I 0\",\"7 +_I 0\""}},
        {"bracketed element reference", {}, "(W[1]) := 4", {4, 0}, 0, {"W=4 +_I 0@1 (was '')"},
         {"W=\"0 +_I 0\",\"4 +_I 0\""}},
        {"element 100 fails unannounced", {}, "A[100] := 1", {0, 0}, 1, {}, {}},
        {"negative index fails unannounced", {}, "A[-1] := 5", {0, 0}, 1, {}, {}},
        {"left assignment first", {}, "A := B := 3", {3, 0}, 0,
         {"A=0 +_I 0@-1 (was '')", "A=3 +_I 0@-1 (was '0 +_I 0')"}, {"A=3 +_I 0"}},
        {"list assigns its last element", {}, "B := 1,2,3", {3, 0}, 0, {"B=3 +_I 0@-1 (was '')"},
         {"B=3 +_I 0"}},
        {"target is the left term's text", {}, "X+1 := 5", {5, 0}, 0, {"X=5 +_I 0@-1 (was '')"},
         {"X=5 +_I 0"}},
        {"sign keeps the target", {}, "-Y := 7", {7, 0}, 0, {"Y=7 +_I 0@-1 (was '')"},
         {"Y=7 +_I 0"}},
        {"a number is no target", {}, "3 := 5", {3, 0}, 0, {}, {}},
        {"constant name is stored", {}, "_PI := 3", {3, 0}, 0, {"_PI=3 +_I 0@-1 (was '')"},
         {"_PI=3 +_I 0"}},
        {"definition tells nobody", {}, "F(X) := X", {0, 0}, 0, {}, {"F(X)=X"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.name) + ": " + row.line);
        Session s;
        for (const std::string& line : row.setup)
            s.Run(line);
        s.notices.clear();
        EXPECT_EQ(s.Run(row.line), row.value);
        EXPECT_EQ(s.engine.ErrorState(), row.error);
        EXPECT_EQ(s.notices, row.notices);
        std::vector<std::string> store;
        for (const Variables::Line& l : s.store.Lines())
            store.push_back(l.Name + "=" + l.Value);
        EXPECT_EQ(store, row.store);
    }
}

TEST(Conformance, UserFunctionBodiesAreFolded) {
    const struct {
        const char* name;
        std::vector<std::string> lines;
        const char* header;
        const char* body;
    } rows[] = {
        {"stored values folded, names kept",
         {"A := -2", "B := 1 -_I 2", "F(X) := A*X + B + Q + _PI"},
         "F(X)",
         "(-2 +_I 0)*X+(1 -_I 2)+Q+_PI"},
        {"numbers in exponent form", {"F(X) := X*1E-20"}, "F(X)", "X*(1E-20 +_I 0)"},
        {"juxtaposition written out", {"K(X, Y) := X Y"}, "K(X,Y)", "X*Y"},
        {"calls and elements stay names", {"G(X) := H(X) + A[X]"}, "G(X)", "H(X)+A[X]"},
        {"assignment target in a body", {"Y := 4", "S(X) := Y := X"}, "S(X)", "Y:=X"},
        {"lower case stored upper", {"f(x) := x*10"}, "F(X)", "X*(10 +_I 0)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Session s;
        for (const std::string& line : row.lines)
            s.Run(line);
        EXPECT_EQ(s.engine.ResultText(), "0 +_I 0");
        EXPECT_EQ(s.store.Read(row.header), row.body);
    }
}

TEST(Conformance, UserFunctionCalls) {
    const LineRow rows[] = {
        {"folded negative and complex values",
         {"A := -2", "B := 1 -_I 2", "F(X) := A*X + B"},
         "F(3)",
         {-5, -2},
         "-5 -_I 2",
         0},
        {"one argument binds the first parameter", {"G(X,Y) := X-Y"}, "G(5)", {5, 0}, "5 +_I 0",
         0},
        {"surplus arguments are ignored", {"G(X,Y) := X-Y"}, "G(5,2,9)", {3, 0}, "3 +_I 0", 0},
        {"parameter shadows a stored variable", {"X := 100", "F(X) := X+1"}, "F(2)", {3, 0},
         "3 +_I 0", 0},
        {"underscore function", {"_F(X) := X+1"}, "1+_F(2)", {4, 0}, "4 +_I 0", 0},
        {"body assigns to the store", {"S(X) := Y := X", "S(6)"}, "Y", {6, 0}, "6 +_I 0", 0},
        {"call inside a body", {"SQ(X) := X*X", "Q4(X) := SQ(SQ(X))"}, "Q4(2)", {16, 0},
         "16 +_I 0", 0},
        // A body that calls an undefined function fails inside the child only.
        {"child errors stay in the child", {"H(X) := X(1)"}, "H(2)", {0, 0}, "0 +_I 0", 0},
        {"list argument of a list function", {"M(X,Y) := MAX(X,Y)"}, "M(2,7)", {7, 0}, "7 +_I 0",
         0},
    };
    CheckLines(rows, std::size(rows));
}

TEST(Conformance, NumberLiteralsOutsideTheDoubleRange) {
    const struct {
        const char* line;
        const char* message; // nullptr: the line calculates to `value`
        double value;
    } rows[] = {
        {"1E1K", "Floating point overflow", 0},
        {"1.8E308 * 0", "Floating point overflow", 0},
        {"-1E309", "Floating point overflow", 0},
        {"1E308", nullptr, 1e308},
        {"1E-400", nullptr, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        Session s;
        s.engine.SetExpression(row.line);
        if (row.message == nullptr) {
            EXPECT_EQ(s.engine.ResultValue(), (DComplex{row.value, 0}));
            continue;
        }
        try {
            s.engine.ResultValue();
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), row.message);
        }
        // Nothing was calculated, so reading the text tries again and fails again.
        EXPECT_THROW(s.engine.ResultText(), EConvertError);
    }
}

} // namespace
} // namespace vexmo
