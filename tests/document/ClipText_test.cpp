#include "document/core/ClipText.h"

#include "EngineSession.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace vexmo;

namespace {

using Strings = std::vector<std::string>;

struct NormaliseCase {
    const char* Name;
    std::string Text;
    int Array;
    std::string Expected;
};

TEST(NormaliseClipText, BySeparatorSetting) {
    const NormaliseCase cases[] = {
        {"comma with blanks both sides", "1 , 2", 0, "1,2"},
        {"comma with blank after only", "1, 2", 0, "1, 2"},
        {"comma with tabs both sides", "1\t,\t2 ,3", 0, "1,2 ,3"},
        {"tab text stays", "1\t2\t3", 1, "1\t2\t3"},
        {"space setting", "1 , 2", 2, "1,2"},
        {"outer blanks and breaks trimmed", "  \t1,2\r\n", 0, "1,2"},
        {"only blanks", " \r\n\t ", 0, ""},
        {"line break with blanks around", "1 \r\n 2\r\n3", 3, "1,2\r\n3"},
        {"bare line break stays", "1\r\n2", 3, "1\r\n2"},
        {"line break takes one blank after", "1\t\r\n  2", 3, "1, 2"},
        {"other setting tightens every run", "1  2\t3", 7, "1,2,3"},
        {"multi-byte text", "１ , ２", 0, "１,２"},
    };
    for (const NormaliseCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(NormaliseClipText(c.Text, c.Array), c.Expected);
    }
}

TEST(NormaliseClipText, SharedComponentFollowsTheSetting) {
    TAWKStr awk;
    EXPECT_EQ(NormaliseClipText("1 , 2", 0, awk), "1,2");
    EXPECT_EQ(NormaliseClipText("1 \r\n 2", 3, awk), "1,2");
    EXPECT_EQ(NormaliseClipText("1 , 2", 0, awk), "1,2");
}

struct SplitCase {
    const char* Name;
    std::string Text;
    int Array;
    Strings Expected;
    int Complex = 0;
};

TEST(ClipArrayElements, SplitRules) {
    const SplitCase cases[] = {
        {"comma", "1,2,3", 0, {"1", "2", "3"}},
        {"separator last adds empty element", "1,2,", 0, {"1", "2", ""}},
        {"separator then blank adds none", "1,2, ", 0, {"1", "2"}},
        {"blank ends an element", "1 2,3", 0, {"1", "2", "3"}},
        {"empty middle element", "1,,2", 0, {"1", "", "2"}},
        {"quoted element keeps comma", "\"a,b\",c", 0, {"a,b", "c"}},
        {"doubled quote", "\"say \"\"hi\"\"\",x", 0, {"say \"hi\"", "x"}},
        {"unclosed quote runs to end", "\"a b", 0, {"a b"}},
        {"leading control characters", "\r\n 1,2", 0, {"1", "2"}},
        {"NUL ends the text", std::string("1,2\0,3", 6), 0, {"1", "2"}},
        {"empty text", "", 0, {}},
        {"tab pairs", "1\t2\t3\t4", 1, {"1\t2", "3\t4"}},
        {"tab pairs, odd count", "1\t2\t3", 1, {"1\t2", "3"}},
        {"space setting", "1 2  3", 2, {"1", "2", "3"}},
        {"lines of every break", "a\r\nb\rc\nd\r\n", 3, {"a", "b", "c", "d"}},
        {"empty line kept", "a\r\n\r\nb", 3, {"a", "", "b"}},
        {"line keeps blanks", " 1 2 ", 3, {" 1 2 "}},
        {"other setting acts as comma", "1,2", 9, {"1", "2"}},
        {"conventional element stays whole", "1,2,7 + 0i", 0, {"1", "2", "7 + 0i"}},
        {"negative parts", "-3 + -4i,5 - 6i", 0, {"-3 + -4i", "5 - 6i"}},
        {"program style", "3 +_I 4 5 -_I 6", 2, {"3 +_I 4", "5 -_I 6"}},
        {"complex elements are not TAB-paired", "1 + 2i\t3\t4", 1, {"1 + 2i", "3\t4"}},
        {"sign without a number after it", "1 + x", 2, {"1", "+", "x"}},
        {"sign between plain numbers", "1 - 2", 2, {"1", "-", "2"}},
        {"spreadsheet row", "1\t2\t3\r\n", 0, {"1", "2", "3"}},
        {"spreadsheet block in row order", "1\t2\t3\n4\t5\t6\n", 0, {"1", "2", "3", "4", "5", "6"}},
        {"TAB complex style pairs two numbers", "1\t2,3\t4", 0, {"1\t2", "3\t4"}, 2},
        {"TAB complex style pairs with the space setting", "1\t2 3\t4", 2, {"1\t2", "3\t4"}, 2},
        {"a longer TAB row is no pair", "1\t2\t3", 0, {"1", "2", "3"}, 2},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(ClipArrayElements(c.Text, c.Array, c.Complex), c.Expected);
    }
}

TEST(ReadClipElement, EveryStyleTheProgramWrites) {
    SetDecimalSeparator('.');
    const struct {
        const char* Name;
        std::string Text;
        bool TabPairs;
        std::optional<DComplex> Expected;
    } cases[] = {
        {"plain", "2.5", false, DComplex{2.5, 0}},
        {"suffix", "4.7K", false, DComplex{4700, 0}},
        {"suffix in lower case", "2meg", false, DComplex{2e6, 0}},
        {"exponent", "-1.5E-3", false, DComplex{-1.5e-3, 0}},
        {"program style", "3 +_I 4", false, DComplex{3, 4}},
        {"program style, minus", "3 -_i 4", false, DComplex{3, -4}},
        {"program style, suffixed parts", "4.7K +_I 1M", false, DComplex{4700, 1e-3}},
        {"braced pair", "{3, 4}", false, DComplex{3, 4}},
        {"conventional", "3 + 4i", false, DComplex{3, 4}},
        {"conventional, minus", "3 - 4i", false, DComplex{3, -4}},
        {"conventional, negative parts", "-3 + -4i", false, DComplex{-3, -4}},
        {"conventional without blanks", "1E-3+2j", false, DComplex{1e-3, 2}},
        {"imaginary alone", "4i", false, DComplex{0, 4}},
        {"TAB pair", "3\t-4", true, DComplex{3, -4}},
        {"TAB pair where the settings make none", "3\t4", false, std::nullopt},
        {"word", "Hello", false, std::nullopt},
        {"letters after a number", "12abc", false, std::nullopt},
        {"sum without i", "3 + 4", false, std::nullopt},
        {"bare exponent", "1E", false, std::nullopt},
        {"beyond the double range", "1E400", false, std::nullopt},
        {"empty", " ", false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(ReadClipElement(c.Text, c.TabPairs), c.Expected);
    }
}

TEST(JoinArrayText, Separators) {
    const struct {
        int Array;
        const char* Expected;
    } cases[] = {{0, "1,2,3"}, {1, "1\t2\t3"}, {2, "1 2 3"}, {3, "1\r\n2\r\n3"}, {-1, "1,2,3"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Array);
        EXPECT_EQ(JoinArrayText({"1", "2", "3"}, c.Array), c.Expected);
    }
    EXPECT_EQ(JoinArrayText({}, 3), "");
}

struct AssignCase {
    const char* Name;
    std::string Clip;
    std::string Value;
    int Idx;
    int Clipboard; // OptNumFormatClipboard
    int Array;     // OptNumFormatArray
    int Complex;   // OptNumFormatComplex
    std::optional<std::string> Expected;
};

TEST(ClipAssignmentText, WholeAndElement) {
    const AssignCase cases[] = {
        {"value, conventional", "old", "5 +_I 0", -1, 0, 0, 0, "5 + 0i"},
        {"value, program style", "old", "5 +_I 0", -1, 0, 0, 1, "5 +_I 0"},
        {"value, tab separated", "old", "5 +_I 0", -1, 0, 0, 2, "5\t0"},
        {"negative imaginary keeps its sign", "", "1 -_I 2", -1, 0, 0, 0, "1 + -2i"},
        {"value as answer text", "", "5 +_I 0", -1, 1, 0, 0, "5 +_I 0"},
        {"other clipboard setting passes value", "", "5 +_I 0", -1, 2, 0, 0, "5 +_I 0"},
        {"append element", "1,2", "7 +_I 0", 2, 0, 0, 0, "1,2,7 + 0i"},
        {"pad with zeros", "1,2", "7 +_I 0", 4, 0, 0, 0, "1,2,0 + 0i,0 + 0i,7 + 0i"},
        {"others keep their text", "a, b", "7 +_I 0", 0, 0, 0, 0, "7 + 0i,b"},
        {"tab pairs", "1\t2\t3\t4", "5 +_I 6", 1, 0, 1, 2, "1\t2\t5\t6"},
        {"lines, no break after last", "1\r\n2\r\n", "7 +_I 0", 1, 0, 3, 0, "1\r\n7 + 0i"},
        {"empty clipboard", "", "7 +_I 0", 1, 0, 0, 0, "0 + 0i,7 + 0i"},
        {"element as answer text", "1,2", "7 +_I 0", 0, 1, 0, 0, "7 +_I 0,2"},
        {"index below -1", "1,2", "7 +_I 0", -2, 0, 0, 0, std::nullopt},
        {"index beyond any clipboard", "1,2", "7 +_I 0", 2'000'000'000, 0, 0, 0, std::nullopt},
    };
    for (const AssignCase& c : cases) {
        SCOPED_TRACE(c.Name);
        NumberFormatSettings settings;
        settings.OptNumFormatClipboard = c.Clipboard;
        settings.OptNumFormatArray = c.Array;
        settings.OptNumFormatComplex = c.Complex;
        settings.OptPrecision = 15;
        EXPECT_EQ(ClipAssignmentText(c.Clip, c.Value, c.Idx, settings), c.Expected);
    }
}

// The clipboard as one engine sees it: _CLIP stored from the clipboard's text before every
// calculation, assignments to _CLIP written back to the text.
class ClipSession : test::EngineSession {
  public:
    explicit ClipSession(const NumberFormatSettings& settings) : settings_(settings) {
        engine.SetOnSubstitute(
            [this](TCompTinyParser&, std::string& name, std::string& value, int idx) {
                if (name == "_CLIP")
                    Clipboard = ClipAssignmentText(Clipboard, value, idx, settings_).value();
            });
    }
    DComplex Calculate(const std::string& expression) {
        store.Write("_CLIP", ClipVariableText(Clipboard, settings_.OptNumFormatArray,
                                              settings_.OptNumFormatComplex));
        return Run(expression);
    }
    std::size_t Count() const {
        return ClipArrayElements(Clipboard, settings_.OptNumFormatArray,
                                 settings_.OptNumFormatComplex)
            .size();
    }
    std::string Clipboard;

  private:
    NumberFormatSettings settings_;
};

// Every value the program writes to the clipboard reads back as that value, as a whole and as
// an element, under every combination of the clipboard settings.
TEST(ClipRoundTrip, EverySettingReadsWhatItWrites) {
    const DComplex values[] = {
        {-3, -4},
        {0, 4},
        {1.5, 0},
        {-123456789012345, 0.000123456789012345},
        {1.23456789012345e-300, -9.87654321098765e299},
        {0, 0},
        {-0.5, 1e-5},
    };
    const DComplex a{1, 0};
    const DComplex c{-2.5, 7};
    for (int clipboard = 0; clipboard <= 1; ++clipboard)
        for (int array = 0; array <= 3; ++array)
            for (int complex = 0; complex <= 2; ++complex)
                for (const DComplex& v : values) {
                    NumberFormatSettings settings;
                    settings.OptNumFormatClipboard = clipboard;
                    settings.OptNumFormatArray = array;
                    settings.OptNumFormatComplex = complex;
                    const std::string text = "(" + DComplexToStr(v) + ")";
                    SCOPED_TRACE("clipboard " + std::to_string(clipboard) + ", array " +
                                 std::to_string(array) + ", complex " + std::to_string(complex) +
                                 ", value " + text);
                    ClipSession s(settings);
                    ASSERT_EQ(s.Calculate(text), v) << "the expression itself";

                    s.Clipboard = "old";
                    s.Calculate("_CLIP := " + text);
                    EXPECT_EQ(s.Calculate("_CLIP"), v) << s.Clipboard;

                    s.Clipboard = JoinArrayText({ClipboardNumberText(a, settings),
                                                 ClipboardNumberText({2, 2}, settings),
                                                 ClipboardNumberText(c, settings)},
                                                array);
                    s.Calculate("_CLIP[1] := " + text);
                    EXPECT_EQ(s.Calculate("_CLIP[0]"), a) << s.Clipboard;
                    EXPECT_EQ(s.Calculate("_CLIP[1]"), v) << s.Clipboard;
                    EXPECT_EQ(s.Calculate("_CLIP[2]"), c) << s.Clipboard;
                    EXPECT_EQ(s.Calculate("_CLIP"), a) << "the bare name is the first element";
                    s.Calculate("_CLIP[2] := " + text);
                    s.Calculate("_CLIP[0] := " + text);
                    EXPECT_EQ(s.Count(), 3u) << s.Clipboard;
                    s.Calculate("_CLIP[4] := " + text);
                    EXPECT_EQ(s.Count(), 5u) << "padded by one zero: " << s.Clipboard;
                    EXPECT_EQ(s.Calculate("_CLIP[3]"), (DComplex{0, 0}));
                    EXPECT_EQ(s.Calculate("_CLIP[4]"), v);
                }
}

TEST(ClipRoundTrip, SpreadsheetRowsColumnsAndBlocks) {
    const struct {
        const char* Name;
        std::string Clipboard;
        int Array;
        std::vector<double> Elements;
    } cases[] = {
        {"TAB row", "1\t2\t3\r\n", 0, {1, 2, 3}},
        {"TAB row, space setting", "1\t2\t3\n", 2, {1, 2, 3}},
        {"LF column", "5\n6\n7\n", 0, {5, 6, 7}},
        {"CR LF column", "5\r\n6\r\n7\r\n", 0, {5, 6, 7}},
        {"CR LF column, CR LF setting", "5\r\n6\r\n7\r\n", 3, {5, 6, 7}},
        {"LF column, CR LF setting", "5\n-6.5\n7E3\n", 3, {5, -6.5, 7000}},
        {"2x3 block in row order", "1\t2\t3\r\n4\t5\t6\r\n", 0, {1, 2, 3, 4, 5, 6}},
        {"TAB setting pairs the row", "1\t2\t3\r\n", 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        NumberFormatSettings settings;
        settings.OptNumFormatArray = c.Array;
        ClipSession s(settings);
        s.Clipboard = c.Clipboard;
        if (c.Elements.empty()) { // 1+2i and 3
            EXPECT_EQ(s.Calculate("_CLIP[0]"), (DComplex{1, 2}));
            EXPECT_EQ(s.Calculate("_CLIP[1]"), (DComplex{3, 0}));
            continue;
        }
        for (std::size_t i = 0; i < c.Elements.size(); ++i)
            EXPECT_EQ(s.Calculate("_CLIP[" + std::to_string(i) + "]"), (DComplex{c.Elements[i], 0}))
                << i;
        EXPECT_EQ(s.Calculate("_CLIP"), (DComplex{c.Elements.front(), 0}));
        s.Calculate("_CLIP[1] := 9");
        EXPECT_EQ(s.Count(), c.Elements.size()) << s.Clipboard;
    }

    // A column of 1,000 numbers.
    ClipSession s{NumberFormatSettings{}};
    for (int i = 1; i <= 1000; ++i)
        s.Clipboard += std::to_string(i) + "\r\n";
    EXPECT_EQ(s.Calculate("SUM(_CLIP)"), (DComplex{500500, 0}));
    EXPECT_EQ(s.Calculate("MEAN(_CLIP)"), (DComplex{500.5, 0}));
    EXPECT_EQ(s.Calculate("_CLIP[999]"), (DComplex{1000, 0}));
}

TEST(ClipRoundTrip, TextThatIsNoNumberSaysItCameFromTheClipboard) {
    ClipSession s{NumberFormatSettings{}};
    s.Clipboard = "Hello world";
    try {
        s.Calculate("_CLIP + 1");
        FAIL() << "a sentence is no number";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(
            e.what(),
            "The clipboard's text (_CLIP): 'Hello world' is not a valid floating point value");
    }
}

} // namespace
