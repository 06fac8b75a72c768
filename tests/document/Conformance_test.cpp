// Cross-checks of the document rules as a user meets them: number formats, the answer
// separator, whole documents calculated line by line, variables files and clipboard
// arrays.

#include "document/core/AnswerFormat.h"
#include "document/core/CalcLine.h"
#include "document/core/ClipText.h"
#include "document/core/DocumentText.h"
#include "document/core/VariablesFile.h"
#include "engine/CompTinyParseEngine.h"
#include "engine/Variables.h"

#include "LineSession.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace vexmo;

namespace {

class Conformance : public ::testing::Test {
  protected:
    void SetUp() override
    {
        SetDecimalSeparator('.');
        SetThousandSeparator(",");
    }
};

TEST_F(Conformance, FormatNumber)
{
    struct Row {
        const char* name;
        int code, precision, digits;
        long double x;
        const char* expected;
    };
    const Row rows[] = {
        // Engineering: the mantissa runs from 0.1 below one and from 1 to below 1000 above.
        {"eng 0.5", 3, 6, 0, 0.5, "0.5"},
        {"eng 47000", 3, 6, 0, 47000, "47K"},
        {"eng negative milli", 3, 6, 0, -0.05, "-50M"},
        {"eng exact thousand", 3, 6, 0, 1000, "1K"},
        {"eng just below 1e15 rounds out of the table", 3, 6, 0, 999999999999999.9L, "1.00000E+15"},
        {"eng smallest suffix", 3, 6, 0, 5e-19, "0.5A"},
        {"eng below the table", 3, 6, 0, 1e-19, "1.00000E-19"},
        {"eng zero takes the fixed digits", 3, 6, 2, 0.0, "0.00"},
        // Exponent: digits 0 to 3 pad the exponent, anything else does not.
        {"exp digits 0", 1, 3, 0, 1e5, "1.00E+5"},
        {"exp digits 1", 1, 3, 1, 1e5, "1.00E+5"},
        {"exp digits 3", 1, 3, 3, 1e5, "1.00E+005"},
        {"exp digits 3, long exponent", 1, 3, 3, 1e-123, "1.00E-123"},
        {"exp digits 2, three-digit exponent", 1, 3, 2, 1e300, "1.00E+300"},
        {"exp negative digits", 1, 3, -1, 1e5, "1.00E+5"},
        {"exp keeps trailing zeros", 1, 5, 0, 2, "2.0000E+0"},
        {"exp precision clamped to 2", 1, 0, 0, 2, "2.0E+0"},
        {"exp negative zero has no sign", 1, 3, 1, -0.0, "0.00E+0"},
        // Fixed: the general form only when the rounded value has more integer digits
        // than the precision.
        {"fixed integer digits equal precision", 2, 5, 2, 12345.6, "12346.00"},
        {"fixed integer digits above precision", 2, 5, 2, 123456, "1.2346E5"},
        {"fixed rounding carries past precision", 2, 5, 0, 99999.5, "1E5"},
        {"fixed below one", 2, 18, 3, 0.0625, "0.063"},
        {"fixed tiny rounds to zero", 2, 18, 3, 0.0004, "0.000"},
        {"fixed precision leaves zeros", 2, 2, 4, 3.14159, "3.1000"},
        // General ignores digits.
        {"general ignores digits", 0, 4, 9, 2.5, "2.5"},
        {"general code 4", 4, 3, 0, 1234.5, "1.23E3"},
        {"negative code", -1, 6, 0, 1, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FormatNumber(row.code, row.precision, row.digits, row.x), row.expected);
    }
}

TEST_F(Conformance, UserFormatText)
{
    struct Row {
        const char* name;
        const char* format;
        long double x;
        const char* expected;
    };
    const char* standard = "#,##0.000;-#,##0.000;0.000";
    const Row rows[] = {
        {"standard, small negative takes the zero section", standard, -0.0001, "0.000"},
        {"rounding carries into a new group", "#,##0", 999.5, "1,000"},
        {"zero placeholders pad with grouping", "0,000.00", 5, "0,005.00"},
        {"long integers grouped", "#,##0.00", 1e15, "1,000,000,000,000,000.00"},
        {"scientific negative", "0.00E+00", -1234.5, "-1.23E+03"},
        {"scientific zero", "0.00E+00", 0, "0.00E+00"},
        {"scientific rounding moves the exponent", "0.00E+00", 9.999, "1.00E+01"},
        {"at most four exponent digits", "0.00E+0000000", 5, "5.00E+0000"},
        {"eighteen significant digits at most", "0.0000000000000000000", 1.0L / 3,
         "0.3333333333333333330"},
        {"negative section used as written", "0.0;[0.0]", -2.25, "[2.3]"},
        {"zero section only for zero", "0;-0;\"none\"", 0.4, "none"},
        {"quoted placeholders are literal", "\"#0.\"0", 7, "#0.7"},
        {"empty first section is general", ";0.0", -2, "-2"},
        {"infinity", "0.0", -1.0L / 0.0L, "-INF"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(UserFormatText(row.format, row.x), row.expected);
    }
}

TEST_F(Conformance, AnswerSeparatorInEveryFormat)
{
    struct Row {
        const char* name;
        DComplex value;
        const char* separator;
    };
    const Row rows[] = {
        {"negative imaginary", {3, -4}, " -_I "},
        {"negative zero imaginary", {3, -0.0}, " +_I "},
        {"negative real", {-1, 2}, " +_I "},
        {"tiny negative imaginary", {0, -1e-30}, " -_I "},
    };
    for (int format = 0; format <= 4; ++format) {
        NumberFormatSettings settings;
        settings.OptNumFormat = format;
        settings.OptPrecision = 6;
        settings.OptDigits = 2;
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + ", format " + std::to_string(format));
            const std::string text = AnswerText(row.value, settings);
            const std::size_t at = text.find(row.separator);
            ASSERT_NE(at, std::string::npos) << text;
            // The imaginary part carries no sign of its own: the separator says it.
            EXPECT_NE(text[at + 5], '-') << text;
        }
    }
}

class DocumentConformance : public Conformance, protected test::LineSession {
  protected:
    std::optional<DocumentFailure> Run(std::vector<std::string>& lines)
    {
        return CalculateDocument(lines, calc);
    }
};

TEST_F(DocumentConformance, CalculatesLinesInOrder)
{
    std::vector<std::string> lines = {
        "  A:=2   ;first  ",
        "",
        ";just a comment",
        "ANS*10 ==> old +_I 0 ",
        "B:=A+1 $ hidden ; note",
        "ANS $",
        "1/0 $",
        "\tC:=_ANS\t",
    };
    ASSERT_FALSE(Run(lines).has_value());
    const std::vector<std::string> expected = {
        "A:=2   ;first ==> 2 +_I 0 ",
        "",
        ";just a comment",
        "ANS*10 ==> 20 +_I 0 ",
        "B:=A+1 $ hidden ; note",
        "ANS $",
        "1/0 $ >>> 1 +_I 0 ",
        "C:=_ANS ==> 1 +_I 0 ",
        "",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(store.Read("B"), "3 +_I 0");
    EXPECT_EQ(store.Read("ANS"), "1 +_I 0");
    EXPECT_EQ(store.Read("_ANS"), "1 +_I 0");
}

TEST_F(DocumentConformance, StopsAtTheLineThatRaises)
{
    store.Write("V", "not a number");
    std::vector<std::string> lines = {"X:=7", "V+1 ==> 5 +_I 0 ", "X:=8", "Y:=1"};
    const std::optional<DocumentFailure> failure = Run(lines);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->Line, 1u);
    EXPECT_FALSE(failure->Message.empty());
    EXPECT_EQ(lines, (std::vector<std::string>{"X:=7 ==> 7 +_I 0 ", "V+1 ==> 5 +_I 0 ", "X:=8",
                                               "Y:=1"}));
    EXPECT_EQ(store.Read("X"), "7 +_I 0");
    EXPECT_EQ(store.Read("ANS"), "7 +_I 0");
    EXPECT_EQ(store.IndexOf("Y"), -1);
}

TEST_F(DocumentConformance, FormatSettingsReachTheAnswers)
{
    struct Row {
        const char* name;
        int format, precision, digits;
        const char* line;
        const char* expected;
    };
    const Row rows[] = {
        {"fixed digits 0", 2, 18, 0, "2/3", "2/3 ==> 1 +_I 0 "},
        {"engineering", 3, 6, 0, "0.0005 ==> 1 ", "0.0005 ==> 0.5M +_I 0 "},
        {"exponent", 1, 3, 3, "0", "0 ==> 0.00E+000 +_I 0.00E+000 "},
        {"user format", 4, 18, 0, "-1234.5", "-1234.5 ==> -1,234.500 +_I 0.000 "},
        {"general 15", 0, 15, 0, "1/3", "1/3 ==> 0.333333333333333 +_I 0 "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        settings.OptNumFormat = row.format;
        settings.OptPrecision = row.precision;
        settings.OptDigits = row.digits;
        const LineOutcome outcome = calc.Calculate(row.line);
        ASSERT_TRUE(outcome.Ok()) << outcome.ErrorMessage;
        EXPECT_EQ(outcome.Result->NewText, row.expected);
    }
}

TEST(VariablesFileConformance, EveryEntryReadsBackAsOneEntry)
{
    struct Row {
        const char* name;
        const char* value;
        const char* written; // the value as the file holds it
    };
    const Row rows[] = {
        {"_CLIP", "1\r\n2\r\nX=5", "1 2 X=5"},
        {"LF", "a\nb", "a b"},
        {"CR", "a\rb", "a b"},
        {"ARR", "\"1 +_I 0\",\"2 +_I 0\"", "\"1 +_I 0\",\"2 +_I 0\""},
        {"EQ", "a=b", "a=b"},
    };
    Variables store;
    for (const Row& row : rows)
        store.Write(row.name, row.value);
    const std::string text = VariablesFileText(store);
    const std::vector<Variables::Line> read = ParseVariablesFileText(text);
    ASSERT_EQ(read.size(), std::size(rows)) << text;
    for (std::size_t i = 0; i < read.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(read[i].Name, rows[i].name);
        EXPECT_EQ(read[i].Value, rows[i].written);
    }
}

TEST(ClipConformance, AssignmentToAnElement)
{
    struct Row {
        const char* name;
        const char* clip;
        int idx, array, complexStyle;
        const char* expected;
    };
    const Row rows[] = {
        {"tab pairs, conventional element", "1\t2\t3\t4", 0, 1, 0, "7 + -1i\t3\t4"},
        {"space setting", "1 2  3", 1, 2, 1, "1 7 +_I -1 3"},
        {"quoted element loses its quotes", "\"a b\",2", 1, 0, 0, "a b,7 + -1i"},
        {"lines, padding", "1\n", 2, 3, 2, "1\r\n0\t0\r\n7\t-1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        NumberFormatSettings settings;
        settings.OptNumFormatArray = row.array;
        settings.OptNumFormatComplex = row.complexStyle;
        EXPECT_EQ(ClipAssignmentText(row.clip, "7 -_I 1", row.idx, settings), row.expected);
    }
}

} // namespace
