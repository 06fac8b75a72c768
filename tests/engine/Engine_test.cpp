#include "EngineSession.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace vexmo {
namespace {

constexpr double kPi = 3.14159265358979323846;

using Session = test::EngineSession;

// "text:priority" of each term, blank-separated.
std::string Scanned(const std::string& expression) {
    TCompTinyParser engine;
    engine.SetExpression(expression);
    engine.ScanExpression();
    std::string out;
    const TCompTermList& terms = engine.Terms();
    for (auto h : terms.InOrder()) {
        if (!out.empty())
            out += ' ';
        out += terms[h].Text + ":" + std::to_string(terms[h].Priority);
    }
    return out;
}

bool Near(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b)); }

TEST(OperatorTable, HoldsEveryEntryLongestFirst) {
    TOpeList table;
    BuildOperatorTable(table);
    ASSERT_EQ(table.Count(), 82u);
    for (std::size_t i = 1; i < table.Count(); ++i)
        EXPECT_GE(table.At(i - 1).Text.size(), table.At(i).Text.size()) << i;
    int functions = 0;
    for (const TOpe& op : table.Items())
        if (op.Priority == 100)
            ++functions;
    EXPECT_EQ(functions, 53);
}

TEST(Scanner, CutsTextIntoTerms) {
    struct Row {
        const char* name;
        const char* expression;
        const char* terms;
    } rows[] = {
        {"empty", "", ""},
        {"blank", "   \t ", ""},
        {"longest operator wins", "a>>=b", "A:-1 >>=:50 B:-1"},
        {"blank splits operators", "a> >=b", "A:-1 >:50 >=:50 B:-1"},
        {"exponent sign stays in number", "1E-5*2", "1E-5:0 *:90 2:0"},
        {"name E is no exponent", "E-5", "E:-1 -:60 5:0"},
        {"lower case scans as upper", "sin(x)", "SIN:100 (:10 X:-1 ):10"},
        {"function name ends at digit", "SIN2", "SIN:100 2:0"},
        {"function name ends at underscore", "LOG_X", "LOG:100 _X:-1"},
        {"longer word is a name", "SINE", "SINE:-1"},
        {"longest function name", "ARCSINHD 1", "ARCSINHD:100 1:0"},
        {"sign is an operator", "-3", "-:60 3:0"},
        {"juxtaposed numbers multiply", "2 3", "2:0 *:90 3:0"},
        {"unit suffix stays in the number", "2PI", "2PI:0"},
        {"blank before name multiplies", "2 PI", "2:0 *:90 PI:-1"},
        {"value before bracket", "2(3)", "2:0 *:90 (:10 3:0 ):10"},
        {"bracket before bracket", "(1)(2)", "(:10 1:0 ):10 *:90 (:10 2:0 ):10"},
        {"name before function", "X SIN(Y)", "X:-1 *:90 SIN:100 (:10 Y:-1 ):10"},
        {"array name marked", "A [ 1 ] B", "A:200 [:15 1:0 ]:15 *:90 B:-1"},
        {"trailing bracket not marked", "A[", "A:-1 [:15"},
        {"no product before user call", "2 F(3)", "2:0 F:300 (:10 3:0 ):10"},
        {"double backslash is one operator", "1\\\\2", "1:0 \\\\:70 2:0"},
        {"single backslash is in a name", "A\\B", "A\\B:-1"},
        {"names keep digits and dots", "R1.5_X+1", "R1.5_X:-1 +:60 1:0"},
        {"assignment", "x:=1", "X:-1 :=:5 1:0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Scanned(row.expression), row.terms);
    }
}

struct ValueRow {
    const char* name;
    const char* expression;
    double re;
    double im;
    int error;
};

void CheckValues(const std::vector<const char*>& setup, const ValueRow* rows, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const ValueRow& row = rows[i];
        SCOPED_TRACE(std::string(row.name) + ": " + row.expression);
        Session s;
        for (const char* line : setup)
            s.Run(line);
        const DComplex v = s.Run(row.expression);
        EXPECT_TRUE(Near(v.Real, row.re)) << v.Real;
        EXPECT_TRUE(Near(v.Imaginary, row.im)) << v.Imaginary;
        EXPECT_EQ(s.engine.ErrorState(), row.error);
    }
}

TEST(Reduction, PriorityGroupsAndOperandRules) {
    const ValueRow rows[] = {
        {"power left to right", "2^3^2", 64, 0, 0},
        {"sign before power", "-2^2", -4, 0, 0},
        {"product first", "2+3*4", 14, 0, 0},
        {"groups", "(1+2)*(3+4)", 21, 0, 0},
        {"function binds tightest", "SIN(1)^2", std::sin(1.0) * std::sin(1.0), 0, 0},
        {"functions in a row apply innermost first", "SIN COS 0", std::sin(1.0), 0, 0},
        {"nested functions", "SIN(COS(0))", std::sin(1.0), 0, 0},
        {"bracketed sign", "2*(-3)", -6, 0, 0},
        {"sign outranks comparison", "2<-3", 0, 0, 0},
        {"missing right operand", "2+", 0, 0, 2},
        {"leading infix operator", "*3", 0, 0, 2},
        {"missing function operand", "1+SIN", 1, 0, 2},
        {"unclosed bracket", "((1+2)", 3, 0, 0},
        {"unopened bracket", "1+2)", 3, 0, 2},
        {"mixed bracket kinds", "(1+2]", 3, 0, 0},
        {"empty brackets", "()", 0, 0, 0},
        {"list value is last element", "1,2,3", 3, 0, 0},
        {"sum of list", "SUM(1,2,3)", 6, 0, 0},
        {"inner list flattens", "SUM((1,2),3)", 6, 0, 0},
        {"inner list of right operand dropped", "SUM(1,(2,3))", 4, 0, 0},
        {"consumed list does not return", "SUM(SUM(1,2,3))", 6, 0, 0},
        {"one-argument function takes last", "SIN(1,2)", std::sin(2.0), 0, 0},
        {"juxtaposition", "2(3)", 6, 0, 0},
        {"operands without operator merge", "2 F(3)", 0, 0, 2},
        {"failing infix keeps left operand", "1/0", 1, 0, 1},
        {"failing function gives zero", "1+DB(0)", 1, 0, 1},
        {"error state keeps last event", "(1/0)+(2+)", 1, 0, 2},
    };
    CheckValues({}, rows, std::size(rows));
}

// A sign right after an operator belongs to the operand after it, binding as usual:
// looser than a power after it, tighter than the operator before it.
TEST(Reduction, SignAfterAnOperatorIsTheOperandsSign) {
    const ValueRow rows[] = {
        {"after a product", "2*-3", -6, 0, 0},
        {"after a sum", "2+-3", -1, 0, 0},
        {"after a difference", "5--2", 7, 0, 0},
        {"negative exponent", "10^-3", 0.001, 0, 0},
        {"reciprocal power", "2^-1", 0.5, 0, 0},
        {"power before the sign", "2*-3^2", -18, 0, 0},
        {"leading sign before power", "-3^2", -9, 0, 0},
        {"after a comparison", "2<-3", 0, 0, 0},
        {"quotients stay left to right", "2/-4/2", -0.25, 0, 0},
        {"after a power the number alone", "2^-3^2", 1.0 / 64, 0, 0},
        {"two signs", "2*--3", 6, 0, 0},
        {"not after a product", "2*!0", 2, 0, 0},
        {"sign before a function", "2*-SIN(0)", 0, 0, 0},
        {"sign of a complex operand", "2*-(1 +_I 1)", -2, -2, 0},
        {"assigned value", "X := -2^2", -4, 0, 0},
    };
    CheckValues({}, rows, std::size(rows));
}

// A line that is not a complete expression fails and says why; what is complete stays.
TEST(Reduction, MalformedLinesFailWithAReason) {
    const struct {
        const char* name;
        const char* line;
        int error;
        const char* reason; // a part of the reason; "" for a line that does not fail
    } rows[] = {
        {"operator without left operand", "*3", 2, "'*' has no operand before it"},
        {"operator without right operand", "2+", 2, "'+' has no operand after it"},
        {"or twice", "2 | | 3", 2, "write //"},
        {"or twice as resistors", "10K||4.7K", 2, "'|' has no operand after it"},
        {"operators in a row", "2*/3", 2, "'*' has no operand after it"},
        {"comparison written apart", "3> >=3", 2, "'>' has no operand after it"},
        {"closing brackets alone", "))", 2, "')' has no opening bracket"},
        {"one closing bracket too many", "SQRT(4))", 2, "')' has no opening bracket"},
        {"operands no operator joins", "2 F(3)", 2, "No operator takes"},
        {"number before square bracket", "2[3]", 2, "No operator takes '3' after '2'"},
        {"failing operator says why", "1/0", 1, "Division by zero"},
        {"element beyond the bound", "A[100] := 1", 1, "elements 0 to 99"},
        {"frequency missing", "CAP(1U)", 1, "_F or _FREQ"},
        {"final bracket missing", "((1+2)", 0, ""},
        {"juxtaposed numbers", "3 4", 0, ""},
        {"number and constant", "2 PI", 0, ""},
        {"number and bracket", "2(3)", 0, ""},
        {"list", "1,2", 0, ""},
        {"empty call", "G()", 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.name) + ": " + row.line);
        Session s;
        s.Run("F(X) := X");
        s.Run("G() := 5");
        s.Run(row.line);
        EXPECT_EQ(s.engine.ErrorState(), row.error);
        if (*row.reason == '\0') {
            EXPECT_EQ(s.engine.ErrorReason(), "");
        } else {
            EXPECT_NE(s.engine.ErrorReason().find(row.reason), std::string::npos)
                << s.engine.ErrorReason();
        }
    }
}

TEST(Evaluator, Operators) {
    const ValueRow rows[] = {
        {"unknown name is zero", "X + 1", 1, 0, 0},
        {"imaginary unit", "_I*_I", -1, 0, 0},
        {"complex literal text", "1.5 -_I 2", 1.5, -2, 0},
        {"truncated quotient", "7 % 2", 3, 0, 0},
        {"truncated quotient negative", "-7 % 2", -3, 0, 0},
        {"truncated quotient by zero", "7 % 0", 7, 0, 1},
        {"complex remainder", "(7 +_I 5) # (2 +_I 3)", 1, 2, 0},
        {"complex remainder negative", "(-7 +_I 5) # (2 +_I 3)", -1, 2, 0},
        {"real remainder", "7 # 2", 1, 0, 0},
        {"real divisor keeps imaginary part", "(7 +_I 5) # 2", 1, 5, 0},
        {"remainder sign of dividend", "-7 # 2", -1, 0, 0},
        {"remainder by zero", "7 # 0.5", 7, 0, 1},
        {"remainder beyond 64 bits", "1E300 # 7", 1e300, 0, 1},
        {"polar form", "1 @ (_PI/2)", 0, 1, 0},
        {"parallel", "2 // 2", 1, 0, 0},
        {"inverse parallel", "1 \\\\ 2", 2, 0, 0},
        {"parallel of opposites fails", "1 // (-1)", 1, 0, 1},
        {"greater on real parts", "3 > 2", 1, 0, 0},
        {"imaginary parts ignored", "(1 +_I 5) > 2", 0, 0, 0},
        {"at least", "2 >= 2", 1, 0, 0},
        {"less", "2 < 2", 0, 0, 0},
        {"at most", "2 <= 2", 1, 0, 0},
        {"magnitudes", "3 >> -4", 0, 0, 0},
        {"magnitude at least", "(3 +_I 4) >>= 5", 1, 0, 0},
        {"magnitude less", "3 << -4", 1, 0, 0},
        {"magnitude at most", "5 <<= (3 -_I 4)", 1, 0, 0},
        {"equal", "2 == 2", 1, 0, 0},
        {"not equal", "2 != 2", 0, 0, 0},
        {"not of zero", "!0", 1, 0, 0},
        {"not of non-zero", "!5", 0, 0, 0},
        {"and", "1 & 0", 0, 0, 0},
        {"and both", "2 & 3", 1, 0, 0},
        {"or", "0 | 4", 1, 0, 0},
        {"or neither", "0 | 0", 0, 0, 0},
        {"unary plus", "+5", 5, 0, 0},
        {"constant", "_PI", kPi, 0, 0},
        {"pi without underscore", "2 PI", 2 * kPi, 0, 0},
    };
    CheckValues({}, rows, std::size(rows));
}

TEST(Evaluator, NamesArraysAndStore) {
    const ValueRow rows[] = {
        {"stored value", "A", 5, 0, 0},
        {"bare array name reads first element", "L", 1, 0, 0},
        {"array element", "L[2]", 3, 0, 0},
        {"index truncated", "L[1.9]", 2, 0, 0},
        {"index below range", "L[-1]", 0, 0, 0},
        {"index above range", "L[5]", 0, 0, 0},
        {"written array by bare name", "W", 0, 0, 0},
        {"written element", "W[3]", 7, 0, 0},
        {"element of a complex scalar", "C[0]", 3, 4, 0},
        {"constant beats stored variable", "_PI", kPi, 0, 0},
        {"stored value text with sign", "N", 1, -2, 0},
        {"element product", "L[1] L[2]", 6, 0, 0},
        {"parenthesised target", "(A) := 2", 2, 0, 0},
    };
    CheckValues({"A := 5", "L[0] := 1", "L[1] := 2", "L[2] := 3", "W[3] := 7", "C := 3 +_I 4", "_PI := 3",
                 "N := 1 -_I 2"},
                rows, std::size(rows));
}

TEST(Evaluator, AssignmentNotifiesBeforeStoring) {
    struct Row {
        const char* name;
        const char* line;
        DComplex value;
        const char* noticeName;
        const char* noticeValue;
        int idx;
        const char* storedName;
        const char* stored;
    } rows[] = {
        {"plain", "a := 5", {5, 0}, "A", "5 +_I 0", -1, "A", "5 +_I 0"},
        {"element pads with zeros", "A[3] := 7", {7, 0}, "A", "7 +_I 0", 3, "A",
         "\"0 +_I 0\",\"0 +_I 0\",\"0 +_I 0\",\"7 +_I 0\""},
        {"list assigns last element", "B := 1,2,3", {3, 0}, "B", "3 +_I 0", -1, "B", "3 +_I 0"},
        {"chain assigns left first", "A := B := 3", {3, 0}, "A", "0 +_I 0", -1, "B", ""},
        {"handler renames the target", "OLD := 4", {4, 0}, "OLD", "4 +_I 0", -1, "NEW",
         "4 +_I 0"},
        {"constant name is stored", "_PI := 3", {3, 0}, "_PI", "3 +_I 0", -1, "_PI", "3 +_I 0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Session s;
        std::vector<std::string> seen;
        std::string storedDuringCall = "unset";
        s.engine.SetOnSubstitute(
            [&](TCompTinyParser& sender, std::string& name, std::string& value, int idx) {
                EXPECT_EQ(&sender, &s.engine);
                seen.push_back(name + "|" + value + "|" + std::to_string(idx));
                if (seen.size() == 1)
                    storedDuringCall = s.store.Read(name);
                if (name == "OLD")
                    name = "NEW";
                value = "99 +_I 0"; // has no effect
            });
        const DComplex v = s.Run(row.line);
        EXPECT_EQ(v, row.value);
        EXPECT_EQ(s.engine.ErrorState(), 0);
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.front(), std::string(row.noticeName) + "|" + row.noticeValue + "|" +
                                    std::to_string(row.idx));
        EXPECT_EQ(storedDuringCall, "") << "the store is written after the notice";
        EXPECT_EQ(s.store.Read(row.storedName), row.stored);
    }
}

TEST(Evaluator, AssignmentThatStoresNothing) {
    Session s;
    int notices = 0;
    s.engine.SetOnSubstitute([&](TCompTinyParser&, std::string&, std::string&, int) { ++notices; });
    EXPECT_EQ(s.Run("3 := 5"), (DComplex{3, 0})) << "a number is no target";
    EXPECT_EQ(notices, 0);
    EXPECT_EQ(s.Run("A[-1] := 5"), (DComplex{0, 0}));
    EXPECT_EQ(s.engine.ErrorState(), 1) << "a negative element index fails";
    EXPECT_EQ(notices, 0) << "index -1 must not reach the handler as a plain assignment";
    EXPECT_EQ(s.store.Count(), 0u);

    TCompTinyParser alone; // no store: nothing stored, nobody told
    alone.SetOnSubstitute([&](TCompTinyParser&, std::string&, std::string&, int) { ++notices; });
    alone.SetExpression("A := 5");
    EXPECT_EQ(alone.ResultValue(), (DComplex{0, 0}));
    EXPECT_EQ(notices, 0);
}

TEST(OwnerInterface, StaleFreshAndCallingOrder) {
    Session s;
    int notices = 0;
    s.engine.SetOnSubstitute([&](TCompTinyParser&, std::string&, std::string&, int) { ++notices; });
    s.engine.SetExpression("N := N + 1");
    EXPECT_EQ(notices, 0) << "setting the expression does not calculate";
    EXPECT_EQ(s.engine.ResultValue(), (DComplex{1, 0}));
    EXPECT_EQ(s.engine.ErrorState(), 0);
    EXPECT_EQ(s.engine.ResultText(), "1 +_I 0") << "a fresh engine does not calculate again";
    EXPECT_EQ(notices, 1);
    s.engine.SetExpression("N := N + 1");
    EXPECT_EQ(s.engine.ResultText(), "2 +_I 0");
    s.engine.Calculate();
    EXPECT_EQ(s.engine.ResultValue(), (DComplex{3, 0}));

    s.engine.SetExpression("  ");
    EXPECT_EQ(s.engine.ResultValue(), (DComplex{0, 0}));
    EXPECT_EQ(s.engine.ResultText(), "") << "an empty expression leaves the engine stale";
}

TEST(OwnerInterface, HandlerReadingTheResultDoesNotReenter) {
    Session s;
    s.engine.SetOnSubstitute([&](TCompTinyParser& sender, std::string&, std::string&, int) {
        (void)sender.ResultValue();
    });
    EXPECT_EQ(s.Run("A := 2+3"), (DComplex{0, 0})) << "the assignment fails, A keeps 0";
    EXPECT_EQ(s.engine.ErrorState(), 1);
    EXPECT_EQ(s.Run("1+1"), (DComplex{2, 0}));
}

TEST(OwnerInterface, ConversionErrorsLeaveCalculate) {
    struct Row {
        const char* name;
        const char* storedValue;
        const char* expression;
        const char* message;
    } rows[] = {
        {"two decimal points", nullptr, "1..2 + 1", "'1..2' is not a valid floating point value"},
        {"letter that is no suffix", nullptr, "3Q", "'3Q' is not a valid floating point value"},
        {"bare exponent", nullptr, "2*1E", "'1E' is not a valid floating point value"},
        {"number beyond range", nullptr, "1E10K+1", "Floating point overflow"},
        {"bad stored text names the variable, as written", "abc", "V + 1",
         "The variable V: 'abc' is not a valid floating point value"},
        {"blank stored text", "  ", "V",
         "The variable V: StrToDComplex: This is not DComplex type string."},
        {"bad stored text in definition", "x!", "F(Y) := V*Y",
         "The variable V: 'x!' is not a valid floating point value"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Session s;
        if (row.storedValue)
            s.store.Write("V", row.storedValue);
        s.engine.SetExpression(row.expression);
        try {
            s.engine.ResultValue();
            ADD_FAILURE() << "no error raised";
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), row.message);
        }
        EXPECT_THROW(s.engine.ResultText(), EConvertError) << "still stale: calculates again";
    }
}

TEST(Evaluator, CommaAsLocaleDecimalSeparator) {
    struct Restore {
        ~Restore() { SetDecimalSeparator('.'); }
    } restore;
    Session s;
    SetDecimalSeparator(',');
    EXPECT_EQ(s.Run("A := 2.5"), (DComplex{2.5, 0})) << "the full stop is the point in lines";
    EXPECT_EQ(s.store.Read("A"), "2,5 +_I 0");
    EXPECT_EQ(s.Run("A"), (DComplex{2.5, 0})) << "a stored value with a comma is no list";
    s.Run("F(X) := A*X");
    EXPECT_EQ(s.store.Read("F(X)"), "(2.5 +_I 0)*X") << "bodies are read back as lines";
    EXPECT_EQ(s.Run("F(2)"), (DComplex{5, 0}));
    s.Run("A[1] := 7");
    EXPECT_EQ(s.Run("A[0]"), (DComplex{2.5, 0}));
    s.engine.SetExpression("1..2");
    try {
        s.engine.Calculate();
        ADD_FAILURE() << "no error raised";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'1..2' is not a valid floating point value");
    }
}

TEST(UserFunctions, DefinitionsAreStoredLines) {
    struct Row {
        const char* name;
        std::vector<const char*> lines;
        const char* header;
        const char* body;
    } rows[] = {
        {"square", {"F(X) := X^2"}, "F(X)", "X^(2 +_I 0)"},
        {"values folded in, names kept",
         {"A := 2", "F(X) := A*X^2 + SIN(X) + _PI*Q"},
         "F(X)",
         "(2 +_I 0)*X^(2 +_I 0)+SIN(X)+_PI*Q"},
        {"two parameters", {"g(x,y) := x-y"}, "G(X,Y)", "X-Y"},
        {"parameter shadows stored variable", {"X := 3", "F(X) := X+1"}, "F(X)", "X+(1 +_I 0)"},
        {"constant name stays a name", {"_PI := 3", "K(X) := _PI*X"}, "K(X)", "_PI*X"},
        {"redefinition replaces", {"F(X) := X", "F(X) := X+X"}, "F(X)", "X+X"},
        {"empty body removes", {"F(X) := X", "F(X) :="}, "F(X)", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Session s;
        for (const char* line : row.lines)
            s.Run(line);
        EXPECT_EQ(s.engine.ResultText(), "0 +_I 0") << "a definition answers 0";
        EXPECT_EQ(s.store.Read(row.header), row.body);
    }
}

TEST(UserFunctions, Calls) {
    const ValueRow rows[] = {
        {"square", "F(3)", 9, 0, 0},
        {"in an expression", "2*F(3)+1", 19, 0, 0},
        {"two arguments", "G(5,2)", 3, 0, 0},
        {"missing trailing argument", "G(5)", 5, 0, 0},
        {"extra argument ignored", "G(5,2,9)", 3, 0, 0},
        {"constant in body", "K(2)", 2 * kPi, 0, 0},
        {"value folded at definition", "H(1)", 3, 0, 0},
        {"name unknown at definition stays 0", "U(1)", 1, 0, 0},
        {"first line beginning with the name wins", "P(4)", 5, 0, 0},
        {"undefined function", "Z(1)", 0, 0, 1},
        {"stored variable called", "V(2)", 0, 0, 1},
        {"stored variable called after blank", "V (2)", 0, 0, 1},
        {"stored variable times bracket", "V*(2)", 6, 0, 0},
        {"body failure stays inside", "D(1)", 1, 0, 0},
        {"nested call", "F(G(5,2))", 9, 0, 0},
        {"call consumes its list", "SUM(G(5,2,9))", 3, 0, 0},
        {"function calling function", "FF(2)", 16, 0, 0},
    };
    CheckValues({"F(X) := X^2", "G(X,Y) := X-Y", "K(X) := _PI*X", "C := 2", "H(X) := X+C",
                 "C := 10", "U(X) := X+W", "W := 5", "P(X) := X+1", "P(A) := A+2", "V := 3",
                 "D(X) := X/0", "FF(X) := F(F(X))"},
                rows, std::size(rows));
}

TEST(Evaluator, ListFunctionsTakeEveryElementOfABareArray) {
    const ValueRow rows[] = {
        {"sum", "SUM(L)", 6, 0, 0},
        {"mean", "MEAN(L)", 2, 0, 0},
        {"max of the array and a value", "MAX(L, 2.5)", 3, 0, 0},
        {"min with the array last", "MIN(7, M)", -4, 0, 0},
        {"two arrays", "SUM(L, M)", 12, 0, 0},
        {"complex elements", "SUM(C)", 4, 6, 0},
        {"bracketed name", "SUM((L))", 6, 0, 0},
        {"inner list", "SUM((L, 1), 1)", 8, 0, 0},
        {"an operator makes one value", "SUM(L*2)", 2, 0, 0},
        {"an element is one value", "SUM(L[1], 1)", 3, 0, 0},
        {"a plain variable", "SUM(A, 1)", 6, 0, 0},
        {"other functions take the first element", "IF(L, 5, 6)", 5, 0, 0},
        {"outside a list function the first element", "L + SUM(1)", 2, 0, 0},
    };
    CheckValues({"A := 5", "L[0] := 1", "L[1] := 2", "L[2] := 3", "M[0] := 10", "M[1] := -4",
                 "C[0] := 1 +_I 2", "C[1] := 3 +_I 4"},
                rows, std::size(rows));
}

TEST(Evaluator, BrokenStoredTextFailsTheOperation) {
    Session s;
    s.store.Write("BAD(X)", "X+1..2");
    s.store.Write("NOHEAD(X", "X");
    s.store.Write("Q", "x,y");
    s.store.Write("R", "1,y");
    for (const char* call : {"BAD(1)", "NOHEAD(1)", "Q[0]", "SUM(R)"}) {
        SCOPED_TRACE(call);
        EXPECT_EQ(s.Run(call), (DComplex{0, 0}));
        EXPECT_EQ(s.engine.ErrorState(), 1);
    }
}

TEST(UserFunctions, RandomDrawsAtEachCall) {
    Session s;
    s.Run("R(X) := _RND");
    const DComplex a = s.Run("R(0)");
    const DComplex b = s.Run("R(0)");
    EXPECT_NE(a, b);
    EXPECT_GE(a.Real, 0.0);
    EXPECT_LT(a.Real, 1.0);
}

TEST(UserFunctions, RunawayRecursionFailsQuickly) {
    struct Row {
        const char* name;
        std::vector<const char*> definitions;
        const char* call;
    } rows[] = {
        {"direct", {"F(X) := F(X)"}, "F(1)"},
        {"doubling", {"F(X) := F(X)+F(X)"}, "F(1)"},
        {"mutual", {"F(X) := G(X)+1", "G(X) := F(X)*2"}, "F(1)"},
        {"wide and shallow", {"W(X) := 1+1", "F(X) := W(1)+W(1)+W(1)+W(1)+W(1)+W(1)+W(1)+W(1)+W(1)+W(1)",
          "G(X) := F(1)+F(1)+F(1)+F(1)+F(1)+F(1)+F(1)+F(1)+F(1)+F(1)",
          "H(X) := G(1)+G(1)+G(1)+G(1)+G(1)+G(1)+G(1)+G(1)+G(1)+G(1)",
          "J(X) := H(1)+H(1)+H(1)+H(1)+H(1)+H(1)+H(1)+H(1)+H(1)+H(1)",
          "K(X) := J(1)+J(1)+J(1)+J(1)+J(1)+J(1)+J(1)+J(1)+J(1)+J(1)"},
         "K(1)"},
        {"large body", {nullptr}, "R(1)"},
    };
    // Every call of R doubles the work, and each call's body holds 10 KB of terms.
    std::string largeBody = "R(X) := R(X)+R(X)";
    while (largeBody.size() < 10 * 1024)
        largeBody += "+1";
    rows[std::size(rows) - 1].definitions = {largeBody.c_str()};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Session s;
        for (const char* d : row.definitions)
            s.Run(d);
        // A runaway definition must come back (the test's time-out catches a hang).
        EXPECT_EQ(s.Run(row.call), (DComplex{0, 0}));
        EXPECT_EQ(s.engine.ErrorState(), 1);
        // The limits are per calculation: an ordinary call afterwards works.
        s.Run("SQ(X) := X*X");
        EXPECT_EQ(s.Run("SQ(3)"), (DComplex{9, 0}));
        EXPECT_EQ(s.engine.ErrorState(), 0);
    }
}

TEST(UserFunctions, CallDepthIsLimited) {
    Session s;
    // D1 calls D2 ... calls D300; each level adds 1.
    for (int i = 1; i < 300; ++i)
        s.Run("D" + std::to_string(i) + "(X) := D" + std::to_string(i + 1) + "(X)+1");
    s.Run("D300(X) := X");
    EXPECT_EQ(s.Run("D100(0)"), (DComplex{200, 0})) << "201 levels are allowed";
    EXPECT_EQ(s.engine.ErrorState(), 0);
    EXPECT_EQ(s.Run("D1(0)"), (DComplex{0, 0})) << "300 levels are not";
    EXPECT_EQ(s.engine.ErrorState(), 1);
    EXPECT_EQ(s.Run("D1(0) + D200(1)"), (DComplex{101, 0}))
        << "a later call in the same line still runs";
}

TEST(HostileInput, NeverCrashesOrHangs) {
    Session s;
    std::string sum = "1";
    while (sum.size() < 100 * 1024)
        sum += "+1";
    EXPECT_EQ(s.Run(sum), (DComplex{static_cast<double>((sum.size() + 1) / 2), 0}));

    const std::string nested = std::string(10000, '(') + "2" + std::string(10000, ')');
    EXPECT_EQ(s.Run(nested), (DComplex{2, 0}));

    const std::string megabyte[] = {
        std::string(1 << 20, '('),
        std::string(1 << 20, ')'),
        std::string(1 << 20, 'A'),
        std::string(1 << 20, '-') + "1",
    };
    std::string bigSum = "1";
    while (bigSum.size() < (1u << 20))
        bigSum += "+1";
    for (const std::string& line : megabyte)
        EXPECT_NO_THROW(s.Run(line));
    EXPECT_EQ(s.Run(bigSum), (DComplex{static_cast<double>((bigSum.size() + 1) / 2), 0}));

    // Random lines come back with a value or a number-text error; a value's text at 17 digits
    // reads back to the same value, and the engine goes on as before.
    std::mt19937 gen(12345);
    const std::string alphabet = "0123456789.E+-*/%#^@\\=!<>&|,[]():_ ABCFIKPSXZ\t\"";
    s.Run("SQ(X) := X*X");
    for (int i = 0; i < 3000; ++i) {
        std::string line;
        const int len = static_cast<int>(gen() % 40);
        for (int j = 0; j < len; ++j)
            line += (i % 2) ? static_cast<char>(gen() % 256) : alphabet[gen() % alphabet.size()];
        try {
            const DComplex value = s.Run(line);
            for (const double part : {value.Real, value.Imaginary}) {
                if (std::isfinite(part)) {
                    EXPECT_EQ(ToDComplexPart(DorvStrToFloat(GeneralNumberText(part, 17))), part)
                        << line;
                }
            }
        } catch (const EConvertError&) {
        }
        if (i % 100 == 0) {
            EXPECT_EQ(s.Run("SQ(3)"), (DComplex{9, 0})) << "after " << line;
            EXPECT_EQ(s.engine.ErrorState(), 0) << "after " << line;
        }
    }
}

// Found by fuzzing: definitions whose bodies chain calls to each other run into the call limit
// on every line; each line must still come back with a value or a number-text error.
TEST(HostileInput, FuzzerFoundUserFunctionChains) {
    Session s;
    s.store.Write("A", "2 +_I 1");
    s.store.Write("SQ(X)", "X*X");
    s.store.Write("REC(X)", "REC(X)+REC(X)");
    const std::string lines[] = {
        std::string(" F(A()(A()))ME) :=A)E(M)(AME) :=A)E(M)(A()))ME)(SINH1+1)*(\002\000A!:\000=)  F(A()(A()))ME) :=A)E(M)(A()))ME) A)E(M)B=\272 :=EXP =) :=A()))\205(2,F :=A", 136),
        std::string("\002\000\000\000F(\000F(2,:=EXP = F(2)\263  :=EX B=: :=EXP \337=P(= \263:=A) :=A)E(M)(A()))ME) A)E(M)B=\272 :=EXP =) :=A()))\205(2,F :=A", 106),
        std::string("\002\000\000\000F(\000F(2,:=EXP = F(2)\263  :=EX B=: :=EXP \337=P(= \263:=A()))\205(1,F :=A", 64),
        std::string("\002\000F(\000F(2,:=EXP = F(2)\263  :=EX\000\000\000F(\000F(()))\205(1,F :=A", 49),
        std::string("\002\000\000\000F(\000F(2,:=EXP = F(2)\263  :=EX(= \263", 34),
    };
    for (const std::string& line : lines) {
        s.engine.SetExpression(line);
        try {
            (void)s.engine.ResultValue();
        } catch (const EConvertError&) {
        }
        // The limits are per calculation: nothing of the failed chain is left behind.
        EXPECT_EQ(s.Run("SQ(A)"), (DComplex{3, 4}));
        EXPECT_EQ(s.engine.ErrorState(), 0);
    }
}

} // namespace
} // namespace vexmo
