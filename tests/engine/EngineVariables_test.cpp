#include "engine/Variables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexmo {
namespace {

TEST(VariableList, NamesIgnoreCaseAndKeepOrder) {
    Variables v;
    v.Write("Abc", "1 +_I 0");
    v.Write("X", "2 +_I 0");
    EXPECT_EQ(v.Read("aBC"), "1 +_I 0");
    EXPECT_EQ(v.Read("missing"), "");
    v.Write("ABC", "3 +_I 0"); // replaced in place, name kept as first written
    ASSERT_EQ(v.Count(), 2u);
    EXPECT_EQ(v.At(0).Name, "Abc");
    EXPECT_EQ(v.At(0).Value, "3 +_I 0");

    v.Append("x", "9 +_I 0"); // a file may hold the same name twice: the first line wins
    EXPECT_EQ(v.Read("X"), "2 +_I 0");
    EXPECT_EQ(v.IndexOf("x"), 1);

    v.Write("abc", ""); // an empty value removes the line
    EXPECT_EQ(v.IndexOf("ABC"), -1);
    ASSERT_EQ(v.Count(), 2u);
    v.Remove("X");
    EXPECT_EQ(v.Read("X"), "9 +_I 0") << "only the first line goes";
    v.Write("nothing", "");
    EXPECT_EQ(v.Count(), 1u);
    v.Clear();
    EXPECT_EQ(v.Count(), 0u);
}

TEST(CommaText, ReadsElements) {
    struct Row {
        const char* name;
        const char* text;
        std::vector<std::string> elements;
    } rows[] = {
        {"empty", "", {}},
        {"plain", "1,2,3", {"1", "2", "3"}},
        {"blanks around separators", "  1 , 2 ,3  ", {"1", "2", "3"}},
        {"quoted elements", "\"0 +_I 0\",\"7 +_I 0\"", {"0 +_I 0", "7 +_I 0"}},
        {"doubled quote", "\"a\"\"b\",c", {"a\"b", "c"}},
        {"quoted comma", "\"a,b\",c", {"a,b", "c"}},
        {"blank ends unquoted element", "a b,c", {"a", "b", "c"}},
        {"empty elements", "a,,b,", {"a", "", "b", ""}},
        {"unclosed quote", "\"abc", {"abc"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(SplitCommaText(row.text), row.elements);
    }
}

TEST(CommaText, WritesAndReadsBack) {
    const std::vector<std::vector<std::string>> lists = {
        {"1", "2"},
        {"0 +_I 0", "7 +_I 0"},
        {"say \"hi\"", "a,b", ""},
        {"tab\there"},
    };
    EXPECT_EQ(JoinCommaText({"1", "2 +_I 0", "x\"y"}), "1,\"2 +_I 0\",\"x\"\"y\"");
    for (const auto& list : lists) {
        SCOPED_TRACE(list.front());
        EXPECT_EQ(SplitCommaText(JoinCommaText(list)), list);
    }
}

} // namespace
} // namespace vexmo
