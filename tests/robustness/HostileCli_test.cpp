// Hostile documents and variables files through the real vexmo-calc binary: each is
// calculated or refused with a message, nothing crashes, and no file on disk changes unless
// the run was asked to write it.

#include "RobustFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace vexmo::robust;

struct RunResult {
    bool Exited = false; // false: killed by a signal (a crash, or our time limit)
    int Status = -1;
    std::string Out;
    std::string Err;
};

constexpr unsigned kTimeLimitSeconds = 240;

RunResult Calc(const fs::path& dir, const std::vector<std::string>& args) {
    const fs::path out = dir / ".stdout", err = dir / ".stderr";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(in, 0);
        ::dup2(o, 1);
        ::dup2(e, 2);
        ::alarm(kTimeLimitSeconds); // a hang ends as a signal, not as a stuck test run
        std::vector<char*> argv{const_cast<char*>(VEXMO_CALC_PATH)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(VEXMO_CALC_PATH, argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    RunResult r;
    r.Exited = WIFEXITED(status);
    r.Status = r.Exited ? WEXITSTATUS(status) : WTERMSIG(status);
    r.Out = ReadBytes(out);
    r.Err = ReadBytes(err);
    return r;
}

std::string Describe(const RunResult& r) {
    return (r.Exited ? "exit " : "signal ") + std::to_string(r.Status) +
           ", stderr: " + r.Err.substr(0, 300);
}

std::size_t CountLines(const std::string& text) {
    std::size_t n = 0;
    for (char c : text)
        n += c == '\n';
    return n;
}

class HostileCli : public ::testing::Test {
  protected:
    TempDir dir_;
};

// Every hostile document read without -i: a clean exit (0 all calculated, 1 a line failed,
// 2 refused), a message for every failure, and the file as it was.
TEST_F(HostileCli, HostileDocumentsAreCalculatedOrRefusedAndNeverChanged) {
    struct Row {
        const char* Name;
        std::string Bytes;
        int Expected;        // -1: 0 or 1 are both fine
        const char* Message; // expected in stderr; "" when none is required
    };
    const Row rows[] = {
        {"random bytes", RandomBytes(200000, 1, true), 2, "NUL"},
        {"NUL bytes in a text", std::string("1+2\r\n\0\0\0\r\n3*4\r\n", 15), 2, "NUL"},
        {"random bytes without NUL", RandomBytes(200000, 2, false), -1, ""},
        {"invalid UTF-8", InvalidUtf8Document(), 0, ""},
        {"5 MB line of printable text", RandomPrintableLine(5 << 20, 3), -1, ""},
        {"5 MB number", std::string(5 << 20, '7'), 1, "is not a valid floating point value"},
        {"5 MB comment", "1+2 ;" + std::string(5 << 20, 'x'), 0, ""},
        {"1 MB sum", LongSum(1 << 20), 0, ""},
        {"deep brackets", std::string(1 << 20, '(') + "1", -1, ""},
        {"only line breaks", std::string(100000, '\r') + std::string(100000, '\n'), 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const fs::path file = dir_.Path() / "doc.vxm";
        WriteBytes(file, row.Bytes);
        const RunResult r = Calc(dir_.Path(), {file.string()});
        ASSERT_TRUE(r.Exited) << Describe(r);
        if (row.Expected < 0)
            EXPECT_TRUE(r.Status == 0 || r.Status == 1) << Describe(r);
        else
            EXPECT_EQ(row.Expected, r.Status) << Describe(r);
        if (r.Status != 0) {
            EXPECT_FALSE(r.Err.empty());
        }
        EXPECT_NE(std::string::npos, r.Err.find(row.Message)) << Describe(r);
        EXPECT_TRUE(ReadBytes(file) == row.Bytes) << "the document changed on disk";
    }
}

TEST_F(HostileCli, InPlaceRefusesBinaryFilesAndKeepsLegacyBytes) {
    const fs::path binary = dir_.Path() / "binary.vxm";
    const std::string bytes = RandomBytes(50000, 4, true);
    WriteBytes(binary, bytes);
    const RunResult refused = Calc(dir_.Path(), {"-i", binary.string()});
    ASSERT_TRUE(refused.Exited) << Describe(refused);
    EXPECT_EQ(2, refused.Status);
    EXPECT_TRUE(ReadBytes(binary) == bytes);

    // A document that is not UTF-8 is rewritten with every byte of its expressions kept.
    const fs::path legacy = dir_.Path() / "legacy.vxm";
    WriteBytes(legacy, InvalidUtf8Document());
    const RunResult r = Calc(dir_.Path(), {"-i", legacy.string()});
    ASSERT_TRUE(r.Exited) << Describe(r);
    EXPECT_EQ(0, r.Status) << Describe(r);
    const std::vector<std::string> before = SplitLines(InvalidUtf8Document());
    const std::vector<std::string> after = SplitLines(ReadBytes(legacy));
    ASSERT_GE(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(0u, after[i].rfind(before[i], 0)) << "line " << i;
}

TEST_F(HostileCli, MillionLineDocument) {
    const fs::path file = dir_.Path() / "million.vxm";
    const std::string bytes = NumberedLines(1000000);
    WriteBytes(file, bytes);
    const RunResult r = Calc(dir_.Path(), {file.string()});
    ASSERT_TRUE(r.Exited) << Describe(r);
    EXPECT_EQ(0, r.Status) << Describe(r);
    // Every line calculated, and the empty last line kept.
    EXPECT_EQ(1000000u, CountLines(r.Out));
    EXPECT_NE(std::string::npos, r.Out.find("\r\n999999+1 ==> 1000000 +_I 0 \r\n"));
    EXPECT_TRUE(ReadBytes(file) == bytes);
}

TEST_F(HostileCli, GarbageVariablesFiles) {
    struct Row {
        const char* Name;
        std::string Bytes;
        const char* Expression;
        int Expected;
        const char* Message;
    };
    const Row rows[] = {
        {"random bytes", RandomBytes(100000, 5, true), "1+1", 0, ""},
        {"invalid UTF-8 names and values", "\xff\xfe=\xc3\x28\r\nA\xe9=1\r\n=2\r\n", "1+1", 0, ""},
        {"a value that is no number", "X=banana\r\n", "X+1", 1,
         "is not a valid floating point value"},
        {"a value that is too large", "X=1e999999\r\n", "X+1", 1,
         "is not a valid floating point value"},
        {"a huge array value", "A=" + std::string(1 << 20, ',') + "\r\n", "A[3]+1", -1, ""},
        {"5 MB name", std::string(5 << 20, 'N') + "=1\r\n", "1+1", 0, ""},
        {"a user function calling itself", "F(X)=F(X)+1\r\n", "F(1)", 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const fs::path vars = dir_.Path() / "vars.txt";
        WriteBytes(vars, row.Bytes);
        const RunResult r = Calc(dir_.Path(), {"--vars", vars.string(), "-e", row.Expression});
        ASSERT_TRUE(r.Exited) << Describe(r);
        if (row.Expected < 0)
            EXPECT_TRUE(r.Status == 0 || r.Status == 1) << Describe(r);
        else
            EXPECT_EQ(row.Expected, r.Status) << Describe(r);
        EXPECT_NE(std::string::npos, r.Err.find(row.Message)) << Describe(r);
        EXPECT_TRUE(ReadBytes(vars) == row.Bytes) << "the variables file changed on disk";
    }
}

TEST_F(HostileCli, UnreadableInputsAreRefusedByName) {
    const fs::path folder = dir_.Path() / "folder.vxm";
    fs::create_directory(folder);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {folder.string()}, {"--vars", folder.string(), "-e", "1"}}) {
        SCOPED_TRACE(args.front());
        const RunResult r = Calc(dir_.Path(), args);
        ASSERT_TRUE(r.Exited) << Describe(r);
        EXPECT_EQ(2, r.Status);
        EXPECT_NE(std::string::npos, r.Err.find("folder.vxm")) << Describe(r);
    }
}

} // namespace
