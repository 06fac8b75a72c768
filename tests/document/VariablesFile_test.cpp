#include "document/core/VariablesFile.h"

#include "FileSizeLimit.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vexmo;
namespace fs = std::filesystem;

namespace {

using TempFolder = test::TempDir;
constexpr auto Slurp = test::ReadBytes;
constexpr auto Spit = test::WriteBytes;

using Lines = std::vector<std::pair<std::string, std::string>>;

Lines AsPairs(const std::vector<Variables::Line>& lines)
{
    Lines pairs;
    for (const auto& l : lines)
        pairs.emplace_back(l.Name, l.Value);
    return pairs;
}

TEST(VariablesFile, ParsesLinesWithEveryLineBreak)
{
    struct Row {
        const char* name;
        std::string text;
        Lines expected;
    };
    const Row rows[] = {
        {"CR LF", "A=1\r\nB=2\r\n", {{"A", "1"}, {"B", "2"}}},
        {"LF and lone CR", "A=1\nB=2\rC=3", {{"A", "1"}, {"B", "2"}, {"C", "3"}}},
        {"CR CR LF makes an empty line", "A=1\r\r\nB=2", {{"A", "1"}, {"B", "2"}}},
        {"no name part is skipped", "=5\r\nnothing\r\nA=1", {{"A", "1"}}},
        {"empty value kept for the window", "A=\r\n", {{"A", ""}}},
        {"value keeps later equals signs", "F(X)=X==1", {{"F(X)", "X==1"}}},
        {"blanks belong to the text", " A = 1 ", {{" A ", " 1 "}}},
        {"empty text", "", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(AsPairs(ParseVariablesFileText(row.text)), row.expected);
    }
}

TEST(VariablesFile, SaveThenLoadGivesTheSameStore)
{
    Variables store;
    store.Append("X", "1.5 -_I 2");
    store.Append("ANS", "3 +_I 0");
    store.Append("_ANS", "3 +_I 0");
    store.Append("_CLIP", "1,2,3");
    store.Append("ARR", "\"0 +_I 0\",\"7 +_I 0\"");
    store.Append("F(X,Y)", "X*(2 +_I 0)+Y");
    store.Append("\xE5\xA4\x89\xE6\x95\xB0", "1 +_I 0"); // a Japanese name

    TempFolder dir;
    const fs::path file = dir / "vars.txt";
    ASSERT_TRUE(WriteVariablesFile(file, store).Ok);
    EXPECT_EQ(Slurp(file).substr(0, 24), "X=1.5 -_I 2\r\nANS=3 +_I 0");

    const VariablesFileRead read = ReadVariablesFile(file);
    ASSERT_TRUE(read.Ok) << read.Message;
    EXPECT_FALSE(read.Legacy);
    Variables loaded;
    loaded.Append("OLD", "9 +_I 0");
    LoadVariables(read.Lines, loaded);
    EXPECT_EQ(AsPairs(loaded.Lines()), AsPairs(store.Lines()));
}

TEST(VariablesFile, FirstLineOfANameWinsAndEmptyValuesMakeNoEntry)
{
    const auto lines = ParseVariablesFileText("a=1\r\nB=\r\nA=2\r\nb=5\r\nC=3\r\n");
    Variables store;
    Lines shown;
    LoadVariables(lines, store, [&](const std::string& n, const std::string& v) {
        shown.emplace_back(n, v);
    });
    EXPECT_EQ(AsPairs(store.Lines()), (Lines{{"a", "1"}, {"C", "3"}}));
    EXPECT_EQ(shown, (Lines{{"a", "1"}, {"B", ""}, {"A", "1"}, {"b", ""}, {"C", "3"}}));
}

TEST(VariablesFile, ReadsLegacyAndMarkedFiles)
{
    TempFolder dir;
    struct Row {
        const char* name;
        std::string bytes;
        bool legacy;
        Lines expected;
    };
    const Row rows[] = {
        {"Windows-1252", "caf\xE9=1\r\n\x80=2", true, {{"caf\xC3\xA9", "1"}, {"\xE2\x82\xAC", "2"}}},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF" "A=1", false, {{"A", "1"}}},
        {"plain UTF-8", "\xC3\xA9=1", false, {{"\xC3\xA9", "1"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path file = dir / "legacy.txt";
        Spit(file, row.bytes);
        const VariablesFileRead read = ReadVariablesFile(file);
        ASSERT_TRUE(read.Ok);
        EXPECT_EQ(read.Legacy, row.legacy);
        EXPECT_EQ(AsPairs(read.Lines), row.expected);
    }
    // A caller that knows another code page decodes it itself.
    Spit(dir / "sjis.txt", "\x82\xA0=1");
    const auto read = ReadVariablesFile(dir / "sjis.txt", [](std::string_view) {
        return std::string("\xE3\x81\x82=1");
    });
    EXPECT_EQ(AsPairs(read.Lines), (Lines{{"\xE3\x81\x82", "1"}}));
}

TEST(VariablesFile, FailedWriteLeavesTheOldFileIntact)
{
    TempFolder dir;
    const fs::path file = dir / "vars.txt";
    Spit(file, "OLD=1 +_I 0\r\n");

    Variables big;
    big.Append("A", std::string(64 * 1024, '1'));
    // Make the write itself fail half-way: a file-size limit below the new text.
    FileResult result;
    {
        test::FileSizeLimit limit(4096);
        result = WriteVariablesFile(file, big);
    }

    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(Slurp(file), "OLD=1 +_I 0\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1)
        << "the temporary file is removed";
}

TEST(VariablesFile, ReplacingKeepsPermissionsAndLinks)
{
    TempFolder dir;
    const fs::path file = dir / "vars.txt";
    Spit(file, "OLD=1\r\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path link = dir / "link.txt";
    fs::create_symlink(file, link);

    Variables store;
    store.Append("NEW", "2 +_I 0");
    ASSERT_TRUE(WriteVariablesFile(link, store).Ok);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Slurp(file), "NEW=2 +_I 0\r\n");
    EXPECT_EQ(fs::status(file).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

} // namespace
