// Hostile documents and variables files through the real vexmo-calc binary: each is
// calculated or refused with a message, nothing crashes, and no file on disk changes unless
// the run was asked to write it.

#include "Process.h"
#include "RobustFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace vexmo::robust;

using RunResult = vexmo::test::ProcessResult;

constexpr unsigned kTimeLimitSeconds = 240;

// Runs vexmo-calc with standard input read from `input`.
RunResult Calc(const fs::path&, const std::vector<std::string>& args,
               const char* input = "/dev/null") {
    vexmo::test::ProcessRun run;
    run.Args = {VEXMO_CALC_PATH};
    run.Args.insert(run.Args.end(), args.begin(), args.end());
    run.InputFile = input;
    run.TimeLimitSeconds = kTimeLimitSeconds;
    return vexmo::test::RunProcess(run);
}

std::string Describe(const RunResult& r) {
    return (r.Exited ? "exit " : "signal ") +
           std::to_string(r.Exited ? r.Status : r.Status - 128) +
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
        {"random bytes", RandomBytes(100000, 5, true), "1+1", 2, "contains NUL bytes"},
        {"invalid UTF-8 names and values", "\xff\xfe=\xc3\x28\r\nA\xe9=1\r\n=2\r\n", "1+1", 0, ""},
        {"a value that is no number", "X=banana\r\n", "X+1", 1,
         "is not a valid floating point value"},
        {"a value that is too large", "X=1e999999\r\n", "X+1", 1,
         "is not a valid floating point value"},
        {"a huge array value", "A=" + std::string(1 << 20, ',') + "\r\n", "A[3]+1", -1, ""},
        {"5 MB name", std::string(5 << 20, 'N') + "=1\r\n", "1+1", 0, ""},
        {"a user function calling itself", "F(X)=F(X)+1\r\n", "F(1)", 1, "marked >>>"},
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

// Pipes, devices, sockets and folders are neither read nor replaced, and each run ends at
// once with a message naming the file. Standard input may be a pipe or a device: it is read
// in chunks and refused at its first NUL byte.
TEST_F(HostileCli, SpecialFilesAreRefusedAndLeftAlone) {
    const fs::path fifo = dir_.Path() / "pipe.vxm", device = dir_.Path() / "null.vxm";
    const fs::path folder = dir_.Path() / "folder.vxm", link = dir_.Path() / "link.vxm";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    const bool haveDevice = ::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
    fs::create_directory(folder);
    fs::create_symlink(fifo, link);
    struct Row {
        const char* Name;
        std::vector<std::string> Args;
        const char* Input;
        const char* Message; // besides the file's name
    };
    const std::string f = fifo.string(), d = device.string(), z = "/dev/zero";
    std::vector<Row> rows = {
        {"-i on a pipe", {"-i", f}, "/dev/null", "not a regular file"},
        {"-i on a link to a pipe", {"-i", link.string()}, "/dev/null", "not a regular file"},
        {"-i on a folder", {"-i", folder.string()}, "/dev/null", "not a regular file"},
        {"--save-vars to a pipe", {"-e", "1", "--save-vars", f}, "/dev/null", "not a regular file"},
        {"--save-vars to a folder", {"-e", "1", "--save-vars", folder.string()}, "/dev/null",
         "not a regular file"},
        {"a pipe as document", {f}, "/dev/null", "not a regular file"},
        {"/dev/zero as document", {z}, "/dev/null", "not a regular file"},
        {"a pipe as variables file", {"--vars", f, "-e", "1"}, "/dev/null", "not a regular file"},
        {"/dev/zero as variables file", {"--vars", z, "-e", "1"}, "/dev/null",
         "not a regular file"},
        {"/dev/zero as standard input", {}, "/dev/zero", "contains NUL bytes"},
    };
    if (haveDevice) {
        rows.push_back({"-i on a device", {"-i", d}, "/dev/null", "not a regular file"});
        rows.push_back({"--save-vars to a device", {"-e", "1", "--save-vars", d}, "/dev/null",
                        "not a regular file"});
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const RunResult r = Calc(dir_.Path(), row.Args, row.Input);
        ASSERT_TRUE(r.Exited) << Describe(r);
        EXPECT_EQ(2, r.Status) << Describe(r);
        EXPECT_NE(std::string::npos, r.Err.find(row.Message)) << Describe(r);
        // The one argument that is a path is the file the message names.
        for (const std::string& arg : row.Args) {
            if (arg.find('/') != std::string::npos) {
                EXPECT_NE(std::string::npos, r.Err.find(arg)) << Describe(r);
            }
        }
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_directory(folder));
    if (haveDevice) {
        EXPECT_TRUE(fs::is_character_file(device));
    } else {
        std::printf("not root: the device rows were skipped\n");
    }
}

} // namespace
