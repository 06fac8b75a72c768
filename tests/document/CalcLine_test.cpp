#include "document/core/AnswerValue.h"
#include "document/core/CalcLine.h"
#include "document/core/CalcRunner.h"
#include "document/core/DocumentText.h"
#include "engine/CompTinyParseEngine.h"
#include "engine/Variables.h"

#include "LineSession.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace vexmo;

namespace {

TEST(CalcLineText, StripAnswer)
{
    // `wide` is the same line in UTF-16, where the arrow stands at `units`.
    struct Row {
        const char* name;
        const char* line;
        const char* expected;
        std::u16string_view wide;
        std::size_t units;
    };
    const std::size_t none = std::u16string_view::npos;
    const Row rows[] = {
        {"answered line", "1+2 ==> 3 +_I 0 ", "1+2", u"1+2 ==> 3 +_I 0 ", 3},
        {"error arrow", "1/0 >>> 1 +_I 0 ", "1/0", u"1/0 >>> 1 +_I 0 ", 3},
        {"unanswered line is trimmed", " \t A+1 \x01", "A+1", u" \t A+1 \x01", none},
        {"normal arrow wins wherever it stands", "a >>> b ==> c", "a >>> b", u"a >>> b ==> c", 7},
        {"typed by hand", "A ==> B", "A", u"A ==> B", 1},
        {"multi-byte characters are no blanks", "\xC3\xA9 ==> 1", "\xC3\xA9", u"\u00E9 ==> 1", 1},
        {"blank line", "    ", "", u"    ", none},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(StripAnswer(row.line), row.expected);
        EXPECT_EQ(FindAnswerArrow(row.wide), row.units);
    }
}

TEST(CalcLineText, SplitCalculationText)
{
    struct Row {
        const char* name;
        const char* expression;
        const char* text;
        bool hidden;
    };
    const Row rows[] = {
        {"comment with inner blanks", "A:=2   ;note", "A:=2", false},
        {"hide marker", "X:=5 $", "X:=5", true},
        {"text between marker and comment is ignored", "1+1 $ignored ; c", "1+1", true},
        {"marker inside the comment does not hide", "2 ; cost $5", "2", false},
        {"marker first", "$ 1+2", "", true},
        {"comment only", ";just words", "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const CalculationText c = SplitCalculationText(row.expression);
        EXPECT_EQ(c.Text, row.text);
        EXPECT_EQ(c.Hidden, row.hidden);
    }
}

TEST(CalcLineText, Utf16LengthAndErrorBoxText)
{
    struct Row {
        const char* name;
        const char* text;
        std::size_t units;
    };
    const Row rows[] = {
        {"ASCII", "abc", 3},
        {"three-byte", "\xE3\x81\x82\xE3\x81\x84", 2},
        {"four-byte is a surrogate pair", "\xF0\x9F\x98\x80", 2},
        {"stray bytes count one each", "\xFF\x80" "a", 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Utf16Length(row.text), row.units);
    }
    EXPECT_EQ(ErrorBoxText("'1E' is not a valid floating point value"),
              "'1E' is not a valid floating point value.");
    EXPECT_EQ(ErrorBoxText("DorvStrToFloat: Not a number."), "DorvStrToFloat: Not a number.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

class LineCalculatorTest : public ::testing::Test, protected test::LineSession {
  protected:
    LineCalculation Ok(const char* line)
    {
        LineOutcome outcome = calc.Calculate(line);
        EXPECT_TRUE(outcome.Ok()) << outcome.ErrorMessage;
        return outcome.Ok() ? *outcome.Result : LineCalculation{};
    }
};

TEST_F(LineCalculatorTest, RewritesTheLine)
{
    struct Row {
        const char* name;
        const char* line;
        const char* expected;
        bool answered, errorArrow;
    };
    const Row rows[] = {
        {"sum", "1+2", "1+2 ==> 3 +_I 0 ", true, false},
        {"comment kept, expression trimmed", "   A:=2   ;note", "A:=2   ;note ==> 2 +_I 0 ", true, false},
        {"old answer replaced", "A*3 ==> 99 +_I 0 ", "A*3 ==> 6 +_I 0 ", true, false},
        {"old error answer replaced", "A+1 >>> 0 +_I 0 ", "A+1 ==> 3 +_I 0 ", true, false},
        {"hidden line keeps its text", "  X:=5 $  ", "X:=5 $", false, false},
        {"hidden line shows an error", "1/0 $", "1/0 $ >>> 1 +_I 0 ", true, true},
        {"engine error arrow", "1/0", "1/0 >>> 1 +_I 0 ", true, true},
        {"default precision", "0.1", "0.1 ==> 0.1 +_I 0 ", true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const LineCalculation r = Ok(row.line);
        EXPECT_EQ(r.NewText, row.expected);
        EXPECT_EQ(r.HasAnswer, row.answered);
        EXPECT_EQ(r.ErrorArrow, row.errorArrow);
        EXPECT_TRUE(r.Calculated);
    }
    EXPECT_EQ(store.Read("X"), "5 +_I 0");
    // An arrow typed before the answer run stays part of the expression.
    EXPECT_EQ(StripAnswer(Ok("A >> 5 ==> 1 ").NewText), "A >> 5");
    EXPECT_EQ(Ok("A >>> 5 ==> 1 ").NewText.rfind("A >>> 5 >>> ", 0), 0u);
}

// A value kept for a later line (variable, element, ANS, a value folded into a function
// body) is the value itself, not the fifteen digits its answer shows.
TEST_F(LineCalculatorTest, KeptValuesKeepEveryBit)
{
    struct Row {
        const char* name;
        std::vector<const char*> lines; // the last one is checked
        const char* expected;
    };
    const Row rows[] = {
        {"variable", {"X:=1/3", "X*3"}, "X*3 ==> 1 +_I 0 "},
        {"constant copied", {"Z:=_PI", "Z-_PI"}, "Z-_PI ==> 0 +_I 0 "},
        {"answer", {"1/3", "ANS*3"}, "ANS*3 ==> 1 +_I 0 "},
        {"array element", {"A[2]:=1/3", "A[2]*3"}, "A[2]*3 ==> 1 +_I 0 "},
        {"value in a function body", {"K:=1/3", "H(X):=K*X", "H(3)"}, "H(3) ==> 1 +_I 0 "},
        {"negative imaginary part", {"W:=1-_I/3", "IM(W)*3"}, "IM(W)*3 ==> -1 +_I 0 "},
        {"first lines of the issue", {"0.1+0.2"}, "0.1+0.2 ==> 0.3 +_I 0 "},
        {"milli", {"1.5M"}, "1.5M ==> 0.0015 +_I 0 "},
        {"nano", {"100N"}, "100N ==> 1E-7 +_I 0 "},
        {"product", {"3*1.1"}, "3*1.1 ==> 3.3 +_I 0 "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        store.Clear();
        LineCalculation last;
        for (const char* line : row.lines)
            last = Ok(line);
        EXPECT_EQ(last.NewText, row.expected);
    }
    store.Clear();
    Ok("X:=1/3");
    EXPECT_EQ(store.Read("X"), "0.3333333333333333 +_I 0");
}

TEST_F(LineCalculatorTest, SetsAnsAndTellsTheWindowFirst)
{
    std::vector<std::string> seen;
    calc.SetShowValue([&](const std::string& name, const std::string& value) {
        seen.push_back(name + "=" + value + " stored:" + store.Read(name));
    });
    const LineCalculation r = Ok("2*3 $");
    EXPECT_EQ(r.Value, (DComplex{6, 0}));
    EXPECT_EQ(r.Answer, "6 +_I 0");
    EXPECT_EQ(seen, (std::vector<std::string>{"ANS=6 +_I 0 stored:", "_ANS=6 +_I 0 stored:"}));
    EXPECT_EQ(store.Read("ANS"), "6 +_I 0");
    EXPECT_EQ(store.Read("_ANS"), "6 +_I 0");
    EXPECT_EQ(Ok("ANS+_ANS").Answer, "12 +_I 0");
}

TEST_F(LineCalculatorTest, EmptyCalculationTextKeepsAns)
{
    Ok("7");
    for (const char* line : {"   ", "$ 1+2", " ;comment only ", " ==> 3 +_I 0 "}) {
        SCOPED_TRACE(line);
        const LineCalculation r = Ok(line);
        EXPECT_FALSE(r.Calculated);
        EXPECT_FALSE(r.HasAnswer);
        EXPECT_EQ(r.NewText, StripAnswer(line));
        EXPECT_EQ(r.Value, DComplex{});
    }
    EXPECT_EQ(store.Read("ANS"), "7 +_I 0");
}

TEST_F(LineCalculatorTest, FailureChangesNothing)
{
    Ok("5");
    store.Write("BAD", "not a number");
    for (const char* line : {"1E", "BAD+1", "2+1E ==> 0 "}) {
        SCOPED_TRACE(line);
        const LineOutcome outcome = calc.Calculate(line);
        EXPECT_FALSE(outcome.Ok());
        EXPECT_FALSE(outcome.ErrorMessage.empty());
    }
    EXPECT_EQ(calc.Calculate("1E").ErrorMessage, "'1E' is not a valid floating point value");
    EXPECT_EQ(store.Read("ANS"), "5 +_I 0");
    EXPECT_EQ(store.Read("_ANS"), "5 +_I 0");
}

TEST_F(LineCalculatorTest, AnswerPositionsCountBytesAndUtf16)
{
    // "\xE3\x81\x82" is one character of three bytes.
    const LineCalculation r = Ok("1 ;\xE3\x81\x82");
    EXPECT_EQ(r.NewText, "1 ;\xE3\x81\x82 ==> 1 +_I 0 ");
    EXPECT_EQ(r.AnswerStart, 6u);
    EXPECT_EQ(r.AnswerStartUtf16, 4u);
    EXPECT_EQ(r.NewText.substr(r.AnswerStart, ArrowLength), AnswerArrow);
}

TEST_F(LineCalculatorTest, UsesTheNumberFormat)
{
    settings.OptNumFormat = 3;
    settings.OptPrecision = 6;
    EXPECT_EQ(Ok("0.0005").NewText, "0.0005 ==> 0.5M +_I 0 ");
    EXPECT_EQ(store.Read("ANS"), "0.0005 +_I 0") << "the store keeps full text, not the answer";
}

TEST_F(LineCalculatorTest, AnswersWrittenEitherWayReadBackTheSame)
{
    // A line written with or without its zero imaginary part calculates to the same value,
    // and its new answer follows the setting in force, whatever the line showed before.
    struct Row {
        const char* name;
        const char* line;
        bool show;
        const char* expected;
    };
    const Row rows[] = {
        {"plain answer, shown", "1+2 ==> 3 ", true, "1+2 ==> 3 +_I 0 "},
        {"full answer, hidden", "1+2 ==> 3 +_I 0 ", false, "1+2 ==> 3 "},
        {"plain answer, hidden", "1+2 ==> 3 ", false, "1+2 ==> 3 "},
        {"complex answer keeps both parts", "2*(1+_I) ==> 2 +_I 2 ", false, "2*(1+_I) ==> 2 +_I 2 "},
        {"failure arrow", "1/0 >>> 1 ", true, "1/0 >>> 1 +_I 0 "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        settings.OptShowZeroImaginary = row.show;
        const LineCalculation result = Ok(row.line);
        EXPECT_EQ(result.NewText, row.expected);
        // The answer text itself reads back as the value calculated.
        EXPECT_EQ(ReadAnswerText(result.Answer), result.Value);
    }
}

TEST_F(LineCalculatorTest, LineAnswerValueIsTheLinesOwnValue)
{
    store.Write("R", "1000 +_I 0");
    struct Row {
        const char* name;
        int format, digits;
        const char* line;
        std::optional<DComplex> expected;
    };
    const Row rows[] = {
        {"every digit of a rounded answer", 2, 2, "1/3 ==> 0.33 +_I 0.00 ", DComplex{1.0 / 3, 0}},
        {"variables as the store holds them", 0, 0, "R/4 ==> 250 +_I 0 ", DComplex{250, 0}},
        {"an answer the line no longer gives is read as shown", 0, 0, "R ==> 4.7K -_I 2 ",
         DComplex{4700, -2}},
        {"an answer without imaginary part", 0, 0, "x ==> 12.5 ", DComplex{12.5, 0}},
        {"no answer run", 0, 0, "1+1", std::nullopt},
        {"grouped digits cannot be read", 4, 0, "R+X ==> 1,234.000 +_I 0.000 ", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        settings.OptNumFormat = row.format;
        settings.OptDigits = row.digits;
        EXPECT_EQ(LineAnswerValue(row.line, store, settings), row.expected);
    }
    EXPECT_EQ(store.Read("ANS"), "") << "nothing is written to the store";
}

// Steps over `lines` that record every call ("2" or "2 copy"), fail where `fails` says and
// append an empty line after the last one, as calculating the last line does.
struct RecordedSteps {
    RecordedSteps(std::vector<std::string> text, std::function<bool(std::size_t)> fails)
        : lines(std::move(text)), failing(std::move(fails))
    {
        steps.LineCount = [this] { return lines.size(); };
        steps.LineIsEmpty = [this](std::size_t i) { return lines[i].empty(); };
        steps.CalculateLine = [this](std::size_t i, bool copy) {
            calls.push_back(std::to_string(i) + (copy ? " copy" : ""));
            if (failing(i))
                return false;
            if (i + 1 == lines.size())
                lines.emplace_back();
            return true;
        };
    }
    RecordedSteps(const RecordedSteps&) = delete; // the steps point into this object

    std::vector<std::string> lines;
    std::function<bool(std::size_t)> failing;
    std::vector<std::string> calls;
    CalculateAgainSteps steps;
};

TEST(CalculateAgain, SequencesTheLines)
{
    struct Row {
        const char* name;
        std::vector<std::string> lines;
        std::vector<std::size_t> failing;
        std::vector<std::string> calls; // "i" or "i copy"
        std::optional<std::size_t> stoppedAt;
    };
    const Row rows[] = {
        {"empty last line stops", {"a", "b", ""}, {}, {"0", "1"}, std::nullopt},
        {"last line is copied", {"a", "b"}, {}, {"0", "1 copy"}, std::nullopt},
        {"raising line ends the command", {"a", "b", "c"}, {1}, {"0", "1"}, 1},
        {"empty middle line is calculated", {"a", "", "c"}, {}, {"0", "1", "2 copy"}, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RecordedSteps recorded(row.lines, [&](std::size_t i) {
            return std::find(row.failing.begin(), row.failing.end(), i) != row.failing.end();
        });
        EXPECT_EQ(CalculateAgain(recorded.steps), row.stoppedAt);
        EXPECT_EQ(recorded.calls, row.calls);
    }
}

TEST(CalculationRun, SlicesStartLineAndCancel)
{
    struct Row {
        const char* name;
        std::size_t lineCount;
        std::size_t start;
        std::size_t sliceLines;    // lines per slice
        std::size_t cancelAfter;   // slices before Cancel (0: never)
        std::optional<std::size_t> failing;
        std::vector<std::string> calls;
        std::size_t nextLine;
        bool cancelled;
    };
    const Row rows[] = {
        {"slices of one line as one run", 3, 0, 1, 0, {}, {"0", "1", "2 copy"}, 3, false},
        {"from a start line", 3, 1, 5, 0, {}, {"1", "2 copy"}, 3, false},
        {"start past the end runs nothing", 3, 5, 1, 0, {}, {}, 3, false},
        {"cancel between slices", 4, 0, 1, 2, {}, {"0", "1"}, 2, true},
        {"failure in a later slice", 4, 0, 2, 0, 2, {"0", "1", "2"}, 2, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RecordedSteps recorded(std::vector<std::string>(row.lineCount, "x"),
                               [&](std::size_t i) { return row.failing == i; });
        CalculationRun run(recorded.steps, row.start);
        for (std::size_t slice = 1; !run.Finished(); ++slice) {
            std::size_t inSlice = 0;
            run.RunSlice([&] { return ++inSlice >= row.sliceLines; });
            if (slice == row.cancelAfter)
                run.Cancel();
        }
        EXPECT_EQ(recorded.calls, row.calls);
        EXPECT_EQ(run.NextLine(), row.nextLine);
        EXPECT_EQ(run.Cancelled(), row.cancelled);
        EXPECT_EQ(run.FailedLine(), row.failing);
        EXPECT_EQ(run.LinesDone(), row.nextLine - std::min(row.start, row.lineCount));
    }
}

TEST(DocumentText, SplitAndJoinKeepTheText)
{
    struct Row {
        const char* name;
        std::string text;
        std::size_t lines;
        std::optional<LineBreak> lineBreak;
    };
    const Row rows[] = {
        {"CR LF with final break", "a\r\nb\r\n", 3, LineBreak::CrLf},
        {"LF without final break", "a\nb", 2, LineBreak::Lf},
        {"CR", "a\rb\r", 3, LineBreak::Cr},
        {"one line", "abc", 1, std::nullopt},
        {"empty", "", 1, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const DocumentLines doc = SplitDocument(row.text);
        EXPECT_EQ(doc.Lines.size(), row.lines);
        EXPECT_EQ(doc.Break, row.lineBreak);
        EXPECT_EQ(JoinDocument(doc.Lines, doc.Break.value_or(LineBreak::Lf)), row.text);
    }
    EXPECT_EQ(SplitDocument("a\r\nb\nc").Lines, (std::vector<std::string>{"a", "b", "c"}));
}

} // namespace
