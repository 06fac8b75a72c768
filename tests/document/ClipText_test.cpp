#include "document/core/ClipText.h"

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
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(ClipArrayElements(c.Text, c.Array, 0), c.Expected);
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

} // namespace
