// The store's name index must always agree with a plain first-match scan of its lines:
// case-insensitive names, first line of a name wins, order kept through removals.
#include "engine/Variables.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using vexmo::Variables;

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto up = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; };
        if (up(a[i]) != up(b[i])) return false;
    }
    return true;
}

// The obvious linear store the index must behave like.
struct ReferenceStore {
    std::vector<Variables::Line> Lines;
    int IndexOf(const std::string& name) const {
        for (std::size_t i = 0; i < Lines.size(); ++i)
            if (SameNameIgnoringCase(Lines[i].Name, name)) return int(i);
        return -1;
    }
    void Write(const std::string& name, const std::string& value) {
        const int i = IndexOf(name);
        if (value.empty()) {
            if (i >= 0) Lines.erase(Lines.begin() + i);
        } else if (i >= 0) {
            Lines[std::size_t(i)].Value = value;
        } else {
            Lines.push_back({name, value});
        }
    }
    void Remove(const std::string& name) { Write(name, ""); }
};

void ExpectSame(const ReferenceStore& expected, const Variables& actual,
                const std::vector<std::string>& names) {
    ASSERT_EQ(expected.Lines.size(), actual.Count());
    for (std::size_t i = 0; i < expected.Lines.size(); ++i) {
        EXPECT_EQ(expected.Lines[i].Name, actual.At(i).Name) << "line " << i;
        EXPECT_EQ(expected.Lines[i].Value, actual.At(i).Value) << "line " << i;
    }
    for (const std::string& name : names) {
        EXPECT_EQ(expected.IndexOf(name), actual.IndexOf(name)) << name;
        const int i = expected.IndexOf(name);
        EXPECT_EQ(i < 0 ? std::string() : expected.Lines[std::size_t(i)].Value, actual.Read(name))
            << name;
    }
}

TEST(VariablesIndex, FirstLineOfANameWinsUntilItIsRemoved) {
    struct Step {
        const char* Op; // W write, A append, R remove
        const char* Name;
        const char* Value;
        const char* ReadName;
        const char* Expected;
    };
    const Step steps[] = {
        {"A", "x", "1", "X", "1"},
        {"A", "X", "2", "x", "1"}, // a duplicate line from a file does not take over
        {"A", "y", "3", "Y", "3"},
        {"W", "X", "4", "x", "4"}, // writing changes the first line only
        {"R", "x", "", "X", "2"},  // the second line of the name now comes first
        {"W", "X", "", "x", ""},   // and writing empty removes it as well
        {"W", "y", "", "y", ""},
        {"W", "Long_Name_Beyond_Small_Buffers", "5", "long_name_beyond_small_buffers", "5"},
    };
    Variables store;
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.Op) + " " + s.Name + "=" + s.Value);
        if (*s.Op == 'A')
            store.Append(s.Name, s.Value);
        else if (*s.Op == 'W')
            store.Write(s.Name, s.Value);
        else
            store.Remove(s.Name);
        EXPECT_EQ(s.Expected, store.Read(s.ReadName));
    }
}

TEST(VariablesIndex, RandomEditsAgreeWithALinearScan) {
    // A small pool of names in several spellings, so duplicates and case matches are common.
    const std::vector<std::string> names = {"a",   "A",   "b",        "B",       "abc",  "ABC",
                                            "aBc", "x1",  "X1",       "f(x)",    "F(X)", "_ANS",
                                            "ans", "ANS", "\xC3\xA9", "\xC3\x89"};
    std::mt19937 random(12345);
    auto pick = [&] { return names[random() % names.size()]; };
    Variables store;
    ReferenceStore expected;
    for (int step = 0; step < 4000; ++step) {
        const std::string name = pick();
        const std::string value = (random() % 4 == 0) ? "" : std::to_string(step);
        switch (random() % 10) {
        case 0:
            store.Remove(name);
            expected.Remove(name);
            break;
        case 1:
        case 2:
            store.Append(name, value);
            expected.Lines.push_back({name, value});
            break;
        case 3:
            if (random() % 20 == 0) {
                store.Clear();
                expected.Lines.clear();
            }
            break;
        default:
            store.Write(name, value);
            expected.Write(name, value);
        }
        SCOPED_TRACE("step " + std::to_string(step));
        ExpectSame(expected, store, names);
        if (HasFailure()) return;
    }
}

TEST(VariablesIndex, CopiesKeepTheirOwnIndex) {
    Variables original;
    original.Write("a", "1");
    original.Write("b", "2");
    Variables copy = original;
    copy.Remove("a");
    copy.Write("c", "3");
    EXPECT_EQ("1", original.Read("A"));
    EXPECT_EQ(-1, original.IndexOf("c"));
    EXPECT_EQ(0, copy.IndexOf("B"));
    EXPECT_EQ(1, copy.IndexOf("C"));
}

} // namespace
