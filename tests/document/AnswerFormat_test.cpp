#include "document/core/AnswerFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vexmo;

namespace {

class AnswerFormatTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        SetDecimalSeparator('.');
        SetThousandSeparator(",");
    }
    void TearDown() override
    {
        SetDecimalSeparator('.');
        SetThousandSeparator(",");
    }
};

struct NumberRow {
    const char* name;
    int code, precision, digits;
    long double x;
    const char* expected;
};

TEST_F(AnswerFormatTest, FormatNumber)
{
    const long double inf = std::numeric_limits<long double>::infinity();
    const NumberRow rows[] = {
        {"general shows the nearest double to 0.1", 0, 18, 0, 0.1, "0.100000000000000006"},
        {"general precision 15 one third", 0, 15, 0, 1.0 / 3.0, "0.333333333333333"},
        {"general small turns scientific", 0, 15, 0, 1e-5, "1E-5"},
        {"precision below 2 is clamped", 0, 1, 0, 1.0 / 3.0, "0.33"},
        {"precision above 18 is clamped", 0, 40, 0, 0.1, "0.100000000000000006"},
        {"unknown code gives nothing", 5, 15, 0, 1.0, ""},

        {"exponent rounds and pads", 1, 4, 2, 1234.56, "1.235E+03"},
        {"exponent of zero", 1, 3, 3, 0.0, "0.00E+000"},
        {"exponent negative", 1, 3, 0, -0.00123, "-1.23E-3"},
        {"exponent digits 4 gives no padding", 1, 3, 4, 1e5, "1.00E+5"},
        {"exponent carries into the next decade", 1, 2, 2, 9.96, "1.0E+01"},

        {"fixed no decimals rounds", 2, 18, 0, 2.0 / 3.0, "1"},
        {"fixed too large falls back to general", 2, 18, 3, 1e20, "1E20"},
        {"fixed pads decimals", 2, 18, 2, 1234.5, "1234.50"},
        {"fixed rounds halves away from zero", 2, 18, 0, 2.5, "3"},
        {"fixed rounds up to the next unit", 2, 18, 2, 0.006, "0.01"},
        {"fixed negative", 2, 18, 1, -2.26, "-2.3"},
        {"fixed rounding to zero drops the sign", 2, 18, 2, -0.001, "0.00"},
        {"fixed limits significant digits", 2, 3, 3, 12.3456, "12.300"},
        {"fixed digits above 18 count as 18", 2, 18, 30, 0.5, "0.500000000000000000"},
        {"fixed negative digits show no decimals", 2, 18, -3, 2.7, "3"},

        {"engineering zero is fixed", 3, 6, 2, 0.0, "0.00"},
        {"engineering 0.05", 3, 6, 0, 0.05, "50M"},
        {"engineering 0.0005", 3, 6, 0, 0.0005, "0.5M"},
        {"engineering 5e-7", 3, 6, 0, 5e-7, "0.5U"},
        {"engineering 1500", 3, 6, 0, 1500, "1.5K"},
        {"engineering mega is MG", 3, 6, 0, 2.2e6, "2.2MG"},
        {"engineering 5e14", 3, 6, 0, 5e14, "500T"},
        {"engineering 2e15 is exponent form", 3, 6, 0, 2e15, "2.00000E+15"},
        {"engineering 1e-20 is exponent form", 3, 6, 0, 1e-20, "1.00000E-20"},
        // A mantissa rounding up to 1000 moves to the next suffix so the text reads back.
        {"engineering carry moves to the next suffix", 3, 3, 0, 999999, "1MG"},
        {"engineering carry below one", 3, 3, 0, 0.99999, "1"},
        // A three-digit mantissa at precision 2 would need an exponent before the suffix.
        {"engineering unreadable mantissa uses exponent form", 3, 2, 0, 123000, "1.2E+5"},

        {"infinity in exponent", 1, 6, 0, inf, "INF"},
        {"nan in fixed", 2, 6, 2, std::numeric_limits<long double>::quiet_NaN(), "NAN"},
    };
    for (const NumberRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FormatNumber(row.code, row.precision, row.digits, row.x), row.expected);
    }
}

struct UserRow {
    const char* name;
    const char* format;
    long double x;
    const char* expected;
};

TEST_F(AnswerFormatTest, UserFormatText)
{
    const char* standard = "#,##0.000;-#,##0.000;0.000";
    const UserRow rows[] = {
        {"positive section", standard, 1234.5, "1,234.500"},
        {"negative section writes its own sign", standard, -1234.5, "-1,234.500"},
        {"zero section", standard, 0.0, "0.000"},
        {"rounds to zero, takes the zero section", standard, 0.0001, "0.000"},
        {"parentheses for negatives", "0,;(0,);0", -1234, "(1,234)"},
        {"grouping without decimals", "0,;-0,;0", 1234.4, "1,234"},
        {"grouping of millions", "#,##0", 1234567, "1,234,567"},
        {"empty format is general at 15", "", 1.0 / 3.0, "0.333333333333333"},
        {"one section adds the minus", "0.0", -2.26, "-2.3"},
        {"one section, rounds to zero, no sign", "0.0", -0.01, "0.0"},
        {"empty negative section takes the first", "0.0;;zero", -1, "-1.0"},
        {"zero section as text", "0.0;;zero", 0, "zero"},
        {"hash decimals drop trailing zeros", "#.##", 1.5, "1.5"},
        {"hash integer shows no zero", "#.##", 0.5, ".5"},
        {"zero placeholders pad", "0.00", 0.5, "0.50"},
        {"scientific", "0.00E+00", 1234.5, "1.23E+03"},
        {"scientific negative exponent", "0.0E-0", 0.00123, "1.2E-3"},
        {"scientific E- hides a plus", "0.0e-0", 1234, "1.2e3"},
        {"scientific two integer places", "00.0E+0", 1234.5, "12.3E+2"},
        {"quoted literal", "0.0 'kg'", 2, "2.0 kg"},
        {"semicolon inside quotes does not split", "0';'0", 5, "0;5"},
        {"huge values fall back to general", "0", 1e18, "1E18"},
    };
    for (const UserRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(UserFormatText(row.format, row.x), row.expected);
    }
}

TEST_F(AnswerFormatTest, UserFormatUsesTheLocaleSeparators)
{
    SetDecimalSeparator(',');
    SetThousandSeparator("'");
    EXPECT_EQ(UserFormatText("#,##0.000", 1234.5), "1'234,500");
    EXPECT_EQ(FormatNumber(2, 18, 2, 1.5), "1,50");
    EXPECT_EQ(FormatNumber(1, 3, 0, 1.5), "1,50E+0");
}

struct AnswerRow {
    const char* name;
    int format, precision, digits;
    DComplex value;
    const char* expected;
};

TEST_F(AnswerFormatTest, AnswerText)
{
    const AnswerRow rows[] = {
        {"default answer of 0.1", 0, 18, 0, {0.1, 0}, "0.100000000000000006 +_I 0"},
        {"negative zero imaginary keeps plus", 0, 18, 0, {3, -0.0}, "3 +_I 0"},
        {"general negative imaginary", 0, 18, 0, {3, -4}, "3 -_I 4"},
        {"exponent negative imaginary", 1, 3, 0, {3, -4}, "3.00E+0 -_I 4.00E+0"},
        {"user negative imaginary", 4, 18, 0, {3, -4}, "3.000 -_I 4.000"},
        {"exponent zero", 1, 3, 3, {0, 0}, "0.00E+000 +_I 0.00E+000"},
        {"fixed large falls back", 2, 18, 3, {1e20, 0}, "1E20 +_I 0.000"},
        {"unknown format is general", 9, 18, 0, {0.1, 2}, "0.100000000000000006 +_I 2"},
    };
    for (const AnswerRow& row : rows) {
        SCOPED_TRACE(row.name);
        NumberFormatSettings s;
        s.OptNumFormat = row.format;
        s.OptPrecision = row.precision;
        s.OptDigits = row.digits;
        EXPECT_EQ(AnswerText(row.value, s), row.expected);
    }
}

TEST_F(AnswerFormatTest, ClipboardNumberText)
{
    struct Row {
        const char* name;
        int clipboard, complexStyle;
        DComplex value;
        const char* expected;
    };
    const Row rows[] = {
        {"conventional", 0, 0, {1.5, 0}, "1.5 + 0i"},
        {"conventional keeps the imaginary sign", 0, 0, {1, -2}, "1 + -2i"},
        {"program style", 0, 1, {1, -2}, "1 +_I -2"},
        {"tab separated", 0, 2, {1, -2}, "1\t-2"},
        {"unknown style is conventional", 0, 7, {1, 2}, "1 + 2i"},
        {"as the answer format", 1, 2, {3, -4}, "3.000 -_I 4.000"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        NumberFormatSettings s;
        s.OptNumFormat = 4;
        s.OptNumFormatClipboard = row.clipboard;
        s.OptNumFormatComplex = row.complexStyle;
        EXPECT_EQ(ClipboardNumberText(row.value, s), row.expected);
    }
}

TEST_F(AnswerFormatTest, FormatSampleLines)
{
    const auto general = FormatSampleLines(0, "18", "0", "");
    ASSERT_TRUE(general.has_value());
    ASSERT_EQ(general->size(), 4u);
    // The double a document holds for pi, as an answer at precision 18 shows it.
    EXPECT_EQ((*general)[0], "_PI := 3.14159265358979312 +_I 0");
    EXPECT_EQ((*general)[1], "123456+987654i = 123456 +_I 987654");
    EXPECT_EQ((*general)[3].rfind("-987654.321+123456.789i = -987654.320999999996", 0), 0u);

    const auto engineering = FormatSampleLines(3, " 6 ", "0", "");
    ASSERT_TRUE(engineering.has_value());
    EXPECT_EQ((*engineering)[2], "0.0012+0.0034i = 1.2M +_I 3.4M");

    const auto user = FormatSampleLines(4, "18", "0", "0.00");
    ASSERT_TRUE(user.has_value());
    EXPECT_EQ((*user)[0], "_PI := 3.14 +_I 0.00");

    struct Bad {
        const char* name;
        const char* precision;
        const char* digits;
    };
    for (const Bad& bad : {Bad{"letters", "x", "0"}, Bad{"empty digits", "18", ""},
                           Bad{"out of range", "99999999999", "0"}}) {
        SCOPED_TRACE(bad.name);
        EXPECT_FALSE(FormatSampleLines(0, bad.precision, bad.digits, "").has_value());
    }
}

} // namespace

TEST_F(AnswerFormatTest, ZeroImaginaryPartLeftOutWhenNotShown)
{
    // Behind the arrow and on the clipboard alike; a non-zero imaginary part always shows.
    struct Row {
        const char* name;
        int format, clipboard, complexStyle;
        DComplex value;
        const char* answer;
        const char* clip;
    };
    const Row rows[] = {
        {"conventional", 0, 0, 0, {15600, 0}, "15600", "15600"},
        {"program style", 0, 0, 1, {15600, 0}, "15600", "15600"},
        {"tab separated", 0, 0, 2, {-1.5, 0}, "-1.5", "-1.5"},
        {"as the answer format", 2, 1, 0, {2, 0}, "2.000", "2.000"},
        {"negative zero is zero", 0, 0, 0, {3, -0.0}, "3", "3"},
        {"user format", 4, 0, 0, {1234.5, 0}, "1,234.500", "1234.5"},
        {"imaginary part shows", 0, 0, 0, {3, -4}, "3 -_I 4", "3 + -4i"},
        {"a small imaginary part shows", 0, 0, 1, {1, 0.5}, "1 +_I 0.5", "1 +_I 0.5"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        NumberFormatSettings s;
        s.OptNumFormat = row.format;
        s.OptDigits = 3;
        s.OptNumFormatClipboard = row.clipboard;
        s.OptNumFormatComplex = row.complexStyle;
        s.OptShowZeroImaginary = false;
        EXPECT_EQ(AnswerText(row.value, s), row.answer);
        EXPECT_EQ(ClipboardNumberText(row.value, s), row.clip);
    }
}
