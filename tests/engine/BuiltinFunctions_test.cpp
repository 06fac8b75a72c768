#include "engine/BuiltinFunctions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>

using namespace vexmo;

namespace {

const DComplex I{0, 1};

// Reads from a fixed map of stored variables ("" when absent).
VariableReader StoreOf(std::map<std::string, std::string> lines) {
    return [lines = std::move(lines)](std::string_view name) -> std::optional<std::string> {
        auto it = lines.find(std::string(name));
        return it == lines.end() ? std::string() : it->second;
    };
}

// An engine without a variable store.
VariableReader NoStore() {
    return [](std::string_view) -> std::optional<std::string> { return std::nullopt; };
}

// Applies `name` to the elements e1..en the way the engine hands them over.
DComplex Call(std::string_view name, std::vector<DComplex> elements,
              const VariableReader& read = NoStore()) {
    DComplex value = elements.back();
    elements.pop_back();
    return EvaluateBuiltinFunction(name, elements, value, read);
}

// Both parts within 1e-12 of the expected value's magnitude.
void ExpectClose(const DComplex& actual, const DComplex& expected) {
    double tol = 1e-12 * std::max(std::fabs(expected.Real), std::fabs(expected.Imaginary));
    EXPECT_NEAR(actual.Real, expected.Real, tol);
    EXPECT_NEAR(actual.Imaginary, expected.Imaginary, tol);
}

} // namespace

TEST(BuiltinConstants, ValuesByName) {
    const struct {
        const char* name;
        DComplex value;
    } rows[] = {
        {"_E", {2.718281828459045, 0}}, // e rounded once, not a shorter decimal
        {"_A0", {5.29177210544e-11, 0}}, // CODATA 2022
        {"_U0", {1.25663706127e-6, 0}},
        {"_E0", {8.8541878188e-12, 0}},
        {"_EU", {1.602176634e-19, 0}},
        {"_H", {6.62607015e-34, 0}},
        {"_K", {1.380649e-23, 0}},
        {"_ME", {9.1093837139e-31, 0}},
        {"_MP", {1.67262192595e-27, 0}},
        {"_MN", {1.67492750056e-27, 0}},
        {"_NA", {6.02214076e23, 0}},
        {"_R", {8.31446261815324, 0}}, // N_A k, exactly 8.31446261815324
        {"_UB", {9.2740100657e-24, 0}},
        {"_UE", {9.2847646917e-24, 0}},
        {"_UP", {1.41060679545e-26, 0}},
        {"_VM", {0.02241396954, 0}},
        {"_C", {299792458, 0}},
        {"_I", {0, 1}},
        {"_J", {0, 1}},
        {"PI", {M_PI, 0}},
        {"_PI", {M_PI, 0}},
        {"TRUE", {1, 0}},
        {"_FALSE", {0, 0}},
    };
    RandomSource rng(1);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ConstantValue(row.name, rng), std::optional<DComplex>(row.value));
    }
    EXPECT_TRUE(IsConstantName("_RND"));
    for (const char* other : {"", "pi", "E", "_F", "_FREQ", "_RND2", "SIN"}) {
        SCOPED_TRACE(other);
        EXPECT_FALSE(IsConstantName(other));
        EXPECT_FALSE(ConstantValue(other, rng).has_value());
    }
}

TEST(BuiltinConstants, RandomDrawsAnewBelowOne) {
    RandomSource rng(42);
    std::set<double> seen;
    for (int i = 0; i < 10000; ++i) {
        DComplex v = *ConstantValue("_RND", rng);
        ASSERT_TRUE(v.Real >= 0.0 && v.Real < 1.0 && v.Imaginary == 0.0) << v.Real;
        seen.insert(v.Real);
    }
    EXPECT_GT(seen.size(), 9990u);
}

TEST(BuiltinFunctions, NamesAreExact) {
    for (const char* n : {"TRUNC", "ARCTANHD", "DB2", "ADB2", "IF", "RE"})
        EXPECT_TRUE(IsBuiltinFunction(n)) << n;
    for (const char* n : {"", "sin", "SINE", "SIN2", "LOG10", "PI", "_RND"}) {
        EXPECT_FALSE(IsBuiltinFunction(n)) << n;
        EXPECT_THROW(Call(n, {{1, 0}}), std::runtime_error) << n;
    }
}

TEST(BuiltinFunctions, RoundingPartByPart) {
    const struct {
        const char* row;
        const char* fn;
        DComplex z, expected;
    } rows[] = {
        {"trunc toward zero", "TRUNC", {-2.7, 2.7}, {-2, 2}},
        {"trunc of -2^63", "TRUNC", {-9223372036854775808.0, 0}, {-9223372036854775808.0, 0}},
        {"ceil", "CEIL", {2.1, -2.1}, {3, -2}},
        {"ceil of small negative is zero", "CEIL", {-0.5, 0}, {0, 0}},
        {"floor", "FLOOR", {-2.7, 2.7}, {-3, 2}},
        {"frac keeps the sign", "FRAC", {-1.25, 2.75}, {-0.25, 0.75}},
        {"round half to even up", "ROUND", {2.5, 3.5}, {2, 4}},
        {"round half to even negative", "ROUND", {-2.5, -3.5}, {-2, -4}},
        {"round mixed", "ROUND", {-3.5, 0.5}, {-4, 0}},
        {"round near half", "ROUND", {2.4999999999999996, 2.5000000000000004}, {2, 3}},
        // Exact beyond the 32-bit range instead of wrapping around.
        {"ceil beyond 32 bits", "CEIL", {5e9 + 0.5, -4294967296.5}, {5000000001, -4294967296}},
        {"floor beyond 32 bits", "FLOOR", {-5e9 - 0.5, 4294967296.5}, {-5000000001, 4294967296}},
        {"ceil beyond 64 bits", "CEIL", {1e300, -1e20}, {1e300, -1e20}},
        {"floor beyond 64 bits", "FLOOR", {-1e300, 1e20}, {-1e300, 1e20}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.row);
        DComplex got = Call(r.fn, {r.z});
        EXPECT_EQ(got, r.expected);
        EXPECT_FALSE(std::signbit(got.Real) && got.Real == 0) << "negative zero";
    }
    const struct {
        const char* fn;
        double x;
    } failing[] = {{"TRUNC", INFINITY}, {"ROUND", -INFINITY}, {"CEIL", NAN}, {"FLOOR", -INFINITY}};
    for (const auto& f : failing) {
        SCOPED_TRACE(std::string(f.fn) + " " + std::to_string(f.x));
        EXPECT_THROW(Call(f.fn, {{f.x, 0}}), EMathError);
        EXPECT_THROW(Call(f.fn, {{0, f.x}}), EMathError);
    }
}

TEST(BuiltinFunctions, AgainstKnownValues) {
    const struct {
        const char* fn;
        DComplex z, expected;
    } rows[] = {
        {"ABS", {3, 4}, {5, 0}},
        {"EXP", {1, 1}, {1.4686939399158852, 2.2873552871788424}},
        {"LN", {-1, 0}, {0, M_PI}},
        {"LN", {2, 3}, {1.2824746787307684, 0.98279372324732907}},
        {"LOG", {1000, 0}, {3, 0}},
        {"LOG", {-10, 0}, {1, 1.3643763538418413}},
        {"SQRT", {-4, 0}, {0, 2}},
        {"SQRT", {3, 4}, {2, 1}},
        {"SIN", {1, 0}, {0.84147098480789651, 0}},
        {"SIN", {1, 1}, {1.2984575814159773, 0.63496391478473611}},
        {"COS", {1, 0}, {0.54030230586813972, 0}},
        {"TAN", {1, 0}, {1.5574077246549022, 0}},
        {"SINH", {1, 0}, {1.1752011936438015, 0}},
        {"COSH", {1, 0}, {1.5430806348152438, 0}},
        {"TANH", {1, 0}, {0.76159415595576489, 0}},
        {"ARCSIN", {.5, 0}, {0.52359877559829887, 0}},
        {"ARCCOS", {.5, 0}, {1.0471975511965977, 0}},
        {"ARCTAN", {1, 0}, {0.78539816339744831, 0}},
        {"ARCSINH", {1, 0}, {0.88137358701954303, 0}},
        {"ARCCOSH", {2, 0}, {1.3169578969248167, 0}},
        {"ARCTANH", {.5, 0}, {0.54930614433405485, 0}},
        {"SIND", {30, 0}, {.5, 0}},
        {"COSD", {60, 0}, {.5, 0}},
        {"TAND", {45, 0}, {1, 0}},
        {"SINHD", {90, 0}, {2.3012989023072949, 0}},
        {"COSHD", {90, 0}, {2.5091784786580568, 0}},
        {"TANHD", {90, 0}, {0.91715233566727435, 0}},
        {"ARCSIND", {.5, 0}, {30, 0}},
        {"ARCCOSD", {.5, 0}, {60, 0}},
        {"ARCTAND", {1, 0}, {45, 0}},
        {"ARCSINHD", {1, 0}, {50.498986710526211, 0}},
        {"ARCCOSHD", {2, 0}, {75.456129290216892, 0}},
        {"ARCTANHD", {.5, 0}, {31.47292373094538, 0}},
        {"ANGLE", {0, 1}, {M_PI / 2, 0}},
        {"ANGLE", {-1, 0}, {M_PI, 0}},
        {"RADTODEG", {M_PI, M_PI / 2}, {180, 90}},
        {"DEGTORAD", {180, -90}, {M_PI, -M_PI / 2}},
        {"RE", {3, 4}, {3, 0}},
        {"IM", {3, 4}, {4, 0}},
        {"CONJ", {3, 4}, {3, -4}},
        {"DB", {100, 0}, {20, 0}},
        {"DB", {3, 4}, {6.989700043360188, 0}},
        {"DB2", {100, 0}, {40, 0}},
        {"DB2", {0, -5}, {13.979400086720376, 0}},
        {"ADB", {20, 7}, {100, 0}},
        {"ADB", {3, 0}, {1.9952623149688796, 0}},
        {"ADB2", {20, 0}, {10, 0}},
        {"ADB2", {3, 0}, {1.4125375446227543, 0}},
        {"ADB", {-4000, 0}, {0, 0}}, // too small quietly becomes 0
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.fn) + "(" + std::to_string(r.z.Real) + ", " +
                     std::to_string(r.z.Imaginary) + ")");
        ExpectClose(Call(r.fn, {r.z}), r.expected);
        // Functions of one argument use only the last element.
        ExpectClose(Call(r.fn, {{123, 4}, {-5, 6}, r.z}), r.expected);
    }
}

TEST(BuiltinFunctions, SeveralElements) {
    const double cap = -159.15494309189534, ind = 6.2831853071795865;
    const struct {
        const char* row;
        const char* fn;
        std::vector<DComplex> elements;
        DComplex expected;
    } rows[] = {
        {"capacitor", "CAP", {{1e-6, 0}, {1000, 0}}, {0, cap}},
        {"leading elements ignored", "CAP", {{7, 0}, {8, 0}, {1e-6, 0}, {1000, 0}}, {0, cap}},
        {"real parts only", "CAP", {{1e-6, 5}, {1000, 9}}, {0, cap}},
        {"inductor", "IND", {{1e-3, 0}, {1000, 0}}, {0, ind}},
        {"capacitance of reactance", "ACAP", {{0, cap}, {1000, 0}}, {1e-6, 0}},
        {"inductance of reactance", "AIND", {{0, ind}, {1000, 0}}, {1e-3, 0}},
        {"sum", "SUM", {{1, 0}, {2, 0}, {3, 1}}, {6, 1}},
        {"sum of one", "SUM", {{5, 0}}, {5, 0}},
        {"mean", "MEAN", {{1, 0}, {2, 0}, {3, 0}, {4, 2}}, {2.5, 0.5}},
        {"max", "MAX", {{3, 0}, {1, 0}, {2, 0}}, {3, 0}},
        {"max by real part", "MAX", {{1, 9}, {2, 0}}, {2, 0}},
        {"max first of equals", "MAX", {{2, 1}, {2, 2}, {1, 0}}, {2, 1}},
        {"min", "MIN", {{3, 0}, {1, 0}, {2, 0}}, {1, 0}},
        {"min last element wins ties", "MIN", {{1, 5}, {1, 7}}, {1, 7}},
        {"if true", "IF", {{1, 0}, {10, 0}, {20, 0}}, {10, 0}},
        {"if imaginary true", "IF", {I, {10, 0}, {20, 0}}, {10, 0}},
        {"if false", "IF", {{0, 0}, {10, 0}, {20, 0}}, {20, 0}},
        {"if two elements", "IF", {{1, 0}, {2, 0}}, {0, 0}},
        {"if four elements", "IF", {{1, 0}, {1, 0}, {2, 0}, {3, 0}}, {0, 0}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.row);
        ExpectClose(Call(r.fn, r.elements), r.expected);
    }
}

TEST(BuiltinFunctions, FrequencyVariables) {
    const double cap = -159.15494309189534;
    const struct {
        const char* row;
        VariableReader read;
        std::optional<DComplex> expected; // nothing: every electronics function fails
    } rows[] = {
        {"from _F", StoreOf({{"_F", "1000 +_I 0"}, {"_FREQ", "5"}}), DComplex{0, cap}},
        {"from _FREQ", StoreOf({{"_FREQ", "1000"}}), DComplex{0, cap}},
        {"empty _F falls back", StoreOf({{"_F", ""}, {"_FREQ", "1000"}}), DComplex{0, cap}},
        {"no frequency", StoreOf({}), std::nullopt},
        {"empty frequencies", StoreOf({{"_F", ""}, {"_FREQ", ""}}), std::nullopt},
        {"no store", NoStore(), std::nullopt},
        {"no reader", VariableReader(), std::nullopt},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.row);
        if (r.expected) {
            ExpectClose(Call("CAP", {{1e-6, 0}}, r.read), *r.expected);
            continue;
        }
        for (const char* fn : {"CAP", "IND", "ACAP", "AIND"}) {
            SCOPED_TRACE(fn);
            try {
                Call(fn, {{1e-6, 0}}, r.read);
                ADD_FAILURE() << "no failure without a frequency";
            } catch (const std::runtime_error& e) {
                const std::string message = e.what();
                EXPECT_NE(message.find("_F "), std::string::npos) << message;
                EXPECT_NE(message.find("_FREQ"), std::string::npos) << message;
            }
        }
    }
    // Given elements take precedence over the stored frequency.
    ExpectClose(Call("IND", {{1e-3, 0}, {1000, 0}}, StoreOf({{"_F", "1"}})),
                {0, 6.2831853071795865});
    EXPECT_THROW(Call("IND", {{1e-3, 0}}, StoreOf({{"_F", "fast"}})), EConvertError);
}

TEST(BuiltinFunctions, FailuresRaise) {
    const struct {
        const char* row;
        const char* fn;
        std::vector<DComplex> elements;
    } rows[] = {
        {"decibels of zero", "DB", {{0, 0}}},
        {"voltage decibels of zero", "DB2", {{0, 0}}},
        {"power overflow", "ADB", {{4000, 0}}},
        {"voltage overflow", "ADB2", {{7000, 0}}},
        {"capacitance zero", "CAP", {{0, 0}, {1000, 0}}},
        {"capacitor at zero frequency", "CAP", {{1e-6, 0}, {0, 5}}},
        {"capacitor impedance overflow", "CAP", {{1e-200, 0}, {1e-200, 0}}},
        {"inductor impedance overflow", "IND", {{1e200, 0}, {1e200, 0}}},
        {"no reactance", "ACAP", {{5, 0}, {1000, 0}}},
        {"inductance at zero frequency", "AIND", {{0, 6}, {0, 0}}},
        {"zero over zero frequency", "AIND", {{0, 0}, {0, 0}}},
        {"log of zero", "LN", {{0, 0}}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.row);
        EXPECT_THROW(Call(r.fn, r.elements), EMathError);
    }
}
