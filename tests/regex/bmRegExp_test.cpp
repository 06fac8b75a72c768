#include "regex/bmRegExp.h"

#include <gtest/gtest.h>

#include <string>

using namespace vexmo;

namespace {

using LS = TMatchCORE_LineSeparator;

struct ReplaceCase {
    const char* Name;
    std::string Pattern;
    std::string Replacement;
    std::string Text;
    std::string Expected;
    int Count;
    LS Separator = LS::mcls_CRLF;
};

TEST(ReplaceAll, Table) {
    const ReplaceCase cases[] = {
        {"blank and tab runs", "[ \\t]+", ",", "1  2\t3", "1,2,3", 2},
        {"comma with blanks both sides", "[ \\t]+,[ \\t]+", ",", "1 , 2,3", "1,2,3", 1},
        {"bare comma untouched", "[ \\t]+,[ \\t]+", ",", "1,2", "1,2", 0},
        {"comma with blank after only", "[ \\t]+,[ \\t]+", ",", "1, 2", "1, 2", 0},
        {"line break with blanks around", "[ \\t]+\\r\\n[ \\t]", ",", "1 \r\n  2\r\n3", "1, 2\r\n3",
         1},
        {"empty match before each char", "a*", "X", "bc", "XbXc", 2},
        {"empty text, empty match", "a*", "X", "", "X", 1},
        {"empty text, no match", "a", "X", "", "", 0},
        {"non-empty then empty matches", "b*", "X", "abb", "XaX", 2},
        {"leftmost-longest alternation", "a|ab", "X", "abc", "Xc", 1},
        {"longest of three", "ab|abcd|abc", "X", "abcde", "Xe", 1},
        {"ampersand is the match", "[0-9]+", "<&>", "a12b3", "a<12>b<3>", 2},
        {"escaped ampersand", "b", "\\&", "abc", "a&c", 1},
        {"escaped backslash before ampersand", "b", "\\\\&", "abc", "a\\bc", 1},
        {"tab escape", "-", "\\t", "1-2", "1\t2", 1},
        {"hex escape", "-", "\\x41", "1-2", "1A2", 1},
        {"octal escape", "-", "\\101", "1-2", "1A2", 1},
        {"multi-byte hex escape", "-", "\\x65e5", "1-2", "1\u65e52", 1},
        {"trailing backslash kept", "-", "x\\", "1-2", "1x\\2", 1},
        {"head at each line, CRLF", "^a", "X", "aa\r\naa", "Xa\r\nXa", 2},
        {"head at each line, LF", "^a", "X", "aa\naa", "Xa\nXa", 2, LS::mcls_LF},
        {"head not after lone CR", "^a", "X", "aa\raa", "Xa\raa", 1},
        {"tail before CR", "$", "X", "ab\r\ncd", "abX\r\ncdX", 2},
        {"tail before LF", "$", "X", "ab\ncd", "abX\ncdX", 2, LS::mcls_LF},
        {"tail ignores LF with CRLF", "$", "X", "ab\ncd", "ab\ncdX", 1},
        {"tail before LF leaves CR", "$", "X", "ab\r\ncd", "ab\rX\ncdX", 2, LS::mcls_LF},
        {"char before tail", "b$", "X", "ab\r\nb", "aX\r\nX", 2},
        {"empty line", "^$", "X", "a\n\nb", "a\nX\nb", 1, LS::mcls_LF},
        {"head on empty text", "^", "X", "", "X", 1},
        {"whole line", "^[0-9]+$", "N", "12\r\nx3\r\n45", "N\r\nx3\r\nN", 2},
        {"CR LF copied as one", "x*", "-", "a\r\nb", "-a-\r\n-b", 3},
        {"CR and LF apart with LF", "x*", "-", "a\r\nb", "-a-\r-\n-b", 4, LS::mcls_LF},
        {"dot skips CR and LF", ".", "X", "a\r\nb", "X\r\nX", 2},
        {"negated class skips CR and LF", "[^x]", "X", "a\r\nx", "X\r\nx", 1},
        {"dot on multi-byte", ".", "X", "日本", "XX", 2},
        {"empty match steps whole chars", "x*", "-", "日本", "-日-本", 2},
        {"multi-byte repetition", "日+", "X", "日日本", "X本", 1},
        {"multi-byte class range", "[あ-ん]+", "X", "かなカナ", "Xカナ", 1},
        {"negated class and multi-byte", "[^a]", "X", "aé", "aX", 1},
        {"pattern hex names a multi-byte char", "\\x65E5", "X", "日本", "X本", 1},
        {"invalid byte is one character", ".", "X",
         "a\xff"
         "b",
         "XXX", 3},
        {"dot skips NUL", ".", "X", std::string("a\0b", 3), std::string("X\0X", 3), 2},
    };
    for (const ReplaceCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TAWKStr awk;
        awk.SetLineSeparator(c.Separator);
        awk.SetRegExp(c.Pattern);
        std::string text = c.Text;
        EXPECT_EQ(awk.ReplaceAll(c.Replacement, text), c.Count);
        EXPECT_EQ(text, c.Expected);
    }
}

// Each start inside a long run fails the same way; what is replaced must still be exactly
// the matches (the cost of such runs is measured by bench_regex).
TEST(ReplaceAll, LongFailedRunsReplaceExactlyTheMatches) {
    const std::string blanks(200000, ' ');
    const ReplaceCase cases[] = {
        {"blank run without comma", "[ \\t]+,[ \\t]+", ",", "1" + blanks + "2", "1" + blanks + "2",
         0},
        {"blank run then comma", "[ \\t]+,[ \\t]+", ",", "1" + blanks + ", 2", "1,2", 1},
        {"blank run then line break", "[ \\t]+\\r\\n[ \\t]", ",", "1" + blanks + "\r\n 2" + blanks,
         "1,2" + blanks, 1},
        {"short matches inside a failed run", "(a|)b*c|b", "X", "a" + std::string(40, 'b'),
         "a" + std::string(40, 'X'), 40},
        {"accept before a dead end", "(a|)bc*d|bc", "X", "ab" + std::string(40, 'c'),
         "aX" + std::string(39, 'c'), 1},
        // Runs from even and odd starts pass each position in different states.
        {"alternating states, no match", "(aa)*b", "X", std::string(40000, 'a'),
         std::string(40000, 'a'), 0},
        {"alternating states, odd run", "(aa)*b", "X", std::string(40001, 'a') + "b", "aX", 1},
        {"alternating states, even run", "(aa)*b", "X", std::string(40000, 'a') + "bab", "XaX",
         2},
    };
    for (const ReplaceCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TAWKStr awk;
        awk.SetRegExp(c.Pattern);
        std::string text = c.Text;
        EXPECT_EQ(awk.ReplaceAll(c.Replacement, text), c.Count);
        EXPECT_EQ(text, c.Expected);
    }
}

struct MatchCase {
    const char* Name;
    const char* Pattern;
    const char* Text;
    bool Found;
    std::size_t Start;
    std::size_t Length;
};

TEST(Match, LeftmostLongest) {
    const MatchCase cases[] = {
        {"alternation prefers longer", "a|ab", "abc", true, 0, 2},
        {"leftmost before longer", "b|cccc", "abcccc", true, 1, 1},
        {"plus", "b+", "abbbc", true, 1, 3},
        {"star of group", "(a|b)*c", "xabac", true, 1, 4},
        {"optional", "a?b", "xab", true, 1, 2},
        {"star matches empty at start", "x*", "abc", true, 0, 0},
        {"empty pattern", "", "abc", true, 0, 0},
        {"escaped dot", "\\.", "a.b", true, 1, 1},
        {"dash first in class", "[-a]+", "b-a-", true, 1, 3},
        {"dash last in class", "[a-]+", "b-a-", true, 1, 3},
        {"escape in class", "[\\t,]+", "a\t,b", true, 1, 2},
        {"caret inside class is literal", "[a^]+", "b^a", true, 1, 2},
        {"empty alternative", "(|a)b", "ab", true, 0, 2},
        {"octal code", "\\101", "zA", true, 1, 1},
        {"no match", "q", "abc", false, 0, 0},
        {"anchor mid-text does not match", "a^b", "ab", false, 0, 0},
    };
    for (const MatchCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TAWKStr awk;
        awk.SetRegExp(c.Pattern);
        std::size_t start = 99, length = 99;
        ASSERT_EQ(awk.Match(c.Text, start, length), c.Found);
        if (c.Found) {
            EXPECT_EQ(start, c.Start);
            EXPECT_EQ(length, c.Length);
        }
    }
}

struct ErrorCase {
    const char* Name;
    std::string Pattern;
    const char* Message;
    int Position;
};

TEST(RegExpErrors, MessageAndPosition) {
    namespace M = RegExpMessages;
    const ErrorCase cases[] = {
        {"range end below start", "[b-a]", M::InvalidRange, 4},
        {"second repetition", "a**", M::AtomExpected, 3},
        {"leading repetition", "*a", M::AtomExpected, 1},
        {"stray bracket", "a|]", M::AtomExpected, 3},
        {"open group", "(a", M::RightParenNeeded, 3},
        {"stray right paren", "a)", M::ExtraCharacters, 2},
        {"backslash at end", "a\\", M::CharAfterBackslash, 2},
        {"hex without digits", "a\\xg", M::InvalidHexCode, 2},
        {"octal above 16 bits", "\\777777", M::InvalidOctalCode, 1},
        {"class not closed", "[abc", M::RightBracketNeeded, 5},
        {"empty class", "[]", M::InvalidClass, 2},
        {"empty negated class", "[^]", M::InvalidClass, 3},
        {"positions count characters", "日本[b-a]", M::InvalidRange, 6},
        {"invalid byte", "a\xff", M::InvalidMultiByte, 2},
        {"truncated sequence", "\xe6\x97", M::InvalidMultiByte, 1},
        {"invalid byte in class", "[a\xc3]", M::InvalidMultiByte, 3},
        {"surrogate encoded", "\xed\xa0\x80", M::InvalidMultiByte, 1},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TAWKStr awk;
        awk.SetRegExp("x");
        try {
            awk.SetRegExp(c.Pattern);
            ADD_FAILURE() << "no error";
        } catch (const ERegExpParser& e) {
            EXPECT_STREQ(e.what(), c.Message);
            EXPECT_EQ(e.Position(), c.Position);
        }
        // The component falls back to the empty pattern.
        EXPECT_EQ(awk.RegExp(), "");
        std::string text = "xy";
        EXPECT_EQ(awk.ReplaceAll("-", text), 2);
        EXPECT_EQ(text, "-x-y");
    }
}

TEST(RegExpCache, ReuseInsertAndEvict) {
    TAWKStr awk;
    ASSERT_EQ(awk.CacheCount(), 1);
    EXPECT_EQ(awk.CachePattern(0), "");

    awk.SetRegExp("a");
    const TRE_DFA* compiledA = &awk.CompiledPattern();
    awk.SetRegExp("b");
    EXPECT_EQ(awk.CachePattern(1), "b");
    EXPECT_EQ(awk.CachePattern(2), "a");

    awk.SetRegExp("a"); // reused where it stands
    EXPECT_EQ(&awk.CompiledPattern(), compiledA);
    EXPECT_EQ(awk.CacheCount(), 3);
    EXPECT_EQ(awk.CachePattern(1), "b");

    // A failing pattern costs no entry.
    EXPECT_THROW(awk.SetRegExp("(x"), ERegExpParser);
    EXPECT_EQ(awk.CacheCount(), 3);

    for (int i = 0; i < 27; ++i)
        awk.SetRegExp("p" + std::to_string(i));
    ASSERT_EQ(awk.CacheCount(), TRegularExpression::MaxCacheEntries);
    EXPECT_EQ(awk.CachePattern(29), "a");

    awk.SetRegExp("new"); // pushes out the oldest, never the empty pattern
    EXPECT_EQ(awk.CacheCount(), TRegularExpression::MaxCacheEntries);
    EXPECT_EQ(awk.CachePattern(0), "");
    EXPECT_EQ(awk.CachePattern(1), "new");
    EXPECT_EQ(awk.CachePattern(29), "b");
    EXPECT_EQ(awk.RegExp(), "new");

    awk.SetRegExp("a"); // compiled afresh
    EXPECT_EQ(awk.CachePattern(1), "a");
    EXPECT_EQ(awk.CachePattern(29), "p0");
}

TEST(RegExpLimits, DeepNestingAndStateLimit) {
    constexpr int depth = 20000;
    {
        SCOPED_TRACE("20000 nested groups");
        TAWKStr awk;
        awk.SetRegExp(std::string(depth, '(') + "a" + std::string(depth, ')'));
        std::string text = "bab";
        EXPECT_EQ(awk.ReplaceAll("X", text), 1);
        EXPECT_EQ(text, "bXb");
    }
    {
        SCOPED_TRACE("20000 nested stars");
        TAWKStr awk;
        std::string pattern(depth, '(');
        pattern += "a";
        for (int i = 0; i < depth; ++i)
            pattern += ")*";
        awk.SetRegExp(pattern);
        std::size_t start, length;
        ASSERT_TRUE(awk.Match("aaa", start, length));
        EXPECT_EQ(length, 3u);
    }
    {
        SCOPED_TRACE("20000 unclosed groups");
        TAWKStr awk;
        try {
            awk.SetRegExp(std::string(depth, '(') + "a");
            ADD_FAILURE() << "no error";
        } catch (const ERegExpParser& e) {
            EXPECT_STREQ(e.what(), RegExpMessages::RightParenNeeded);
            EXPECT_EQ(e.Position(), depth + 2);
        }
    }
    {
        SCOPED_TRACE("nested plus stays small");
        std::string pattern = "a";
        for (int i = 0; i < 40; ++i)
            pattern = "(" + pattern + ")+";
        TAWKStr awk;
        awk.SetRegExp(pattern);
        EXPECT_LT(awk.CompiledPattern().StateCount(), 10u);
    }
    // (a|b)*a(a|b){n} needs 2^(n+1) deterministic states.
    auto blowUp = [](int n) {
        std::string p = "(a|b)*a";
        for (int i = 0; i < n; ++i)
            p += "(a|b)";
        return p;
    };
    {
        SCOPED_TRACE("just under the state limit");
        TAWKStr awk;
        awk.SetRegExp(blowUp(11));
        EXPECT_GE(awk.CompiledPattern().StateCount(), 4096u);
        std::size_t start, length;
        ASSERT_TRUE(awk.Match("bba" + std::string(12, 'b'), start, length));
        EXPECT_EQ(length, 14u);
    }
    {
        SCOPED_TRACE("many states over a large automaton");
        std::string pattern = blowUp(10) + std::string(depth, '(') + "c";
        for (int i = 0; i < depth; ++i)
            pattern += ")*";
        TAWKStr awk;
        EXPECT_THROW(awk.SetRegExp(pattern), ERegExpParser);
    }
    {
        SCOPED_TRACE("over the state limit");
        TAWKStr awk;
        try {
            awk.SetRegExp(blowUp(13));
            ADD_FAILURE() << "no error";
        } catch (const ERegExpParser& e) {
            EXPECT_STREQ(e.what(), RegExpMessages::TooComplex);
        }
        EXPECT_EQ(awk.RegExp(), "");
        EXPECT_EQ(awk.CacheCount(), 1);
    }
}

} // namespace

// Found by fuzzing: hundreds of empty alternatives around anchors (slow to build under the
// sanitizers); the automaton must still build and give every match back unchanged.
TEST(RegExpLimits, ManyEmptyAlternativesAroundAnchors) {
    const std::string pattern = "^||||||||IeI|I+$IIIIIIIIIIII|||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||IeI|I+$IIIIIIIIIIII||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||\\|||||||||||||||||$e";
    TAWKStr awk;
    awk.SetRegExp(pattern);
    std::string text = "IeI\r\nxy";
    std::string same = text;
    awk.ReplaceAll("&", same);
    EXPECT_EQ(same, text);
}
