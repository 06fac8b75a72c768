// End-to-end runs of the real vexmo-calc binary.

#include "Process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <utmp.h>
#include <termios.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using RunResult = vexmo::test::ProcessResult;
constexpr auto Slurp = vexmo::test::ReadBytes;
constexpr auto Spit = vexmo::test::WriteBytes;

class VexmoCalc : public ::testing::Test {
  protected:
    fs::path File(const char* name) const { return dir_ / name; }

    // Runs vexmo-calc with `input` on standard input (a file, so it is never a terminal).
    RunResult Calc(const std::vector<std::string>& args, const std::string& input = "",
                   const std::string& inputFile = "")
    {
        vexmo::test::ProcessRun run;
        run.Args = {VEXMO_CALC_PATH};
        run.Input = input;
        run.InputFile = inputFile;
        run.Args.insert(run.Args.end(), args.begin(), args.end());
        return vexmo::test::RunProcess(run);
    }

  private:
    vexmo::test::TempDir dir_;
};

TEST_F(VexmoCalc, CalculatesDocuments)
{
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::string input;
        std::string expected;
    };
    const Row rows[] = {
        {"lines, comment, variable and ANS",
         {},
         "1+2\n   A:=2   ;note\nA*ANS\n",
         "1+2 ==> 3 +_I 0 \nA:=2   ;note ==> 2 +_I 0 \nA*ANS ==> 4 +_I 0 \n"},
        {"CR LF is kept", {"-"}, "0.1\r\n", "0.1 ==> 0.1 +_I 0 \r\n"},
        {"last line gets its line break", {}, "2*3", "2*3 ==> 6 +_I 0 \n"},
        {"hidden, empty and error lines", {},
         "X:=5 $\n\n;c\n1/0\nX\n",
         "X:=5 $\n\n;c\n1/0 >>> 1 +_I 0 \nX ==> 5 +_I 0 \n"},
        {"number format options", {"--format=engineering", "--precision", "6"},
         "0.0005\n", "0.0005 ==> 0.5M +_I 0 \n"},
        // Bytes that are not UTF-8 pass through unchanged.
        {"legacy bytes survive", {}, "1 ;caf\xE9\xFF\n", "1 ;caf\xE9\xFF ==> 1 +_I 0 \n"},
        {"empty input", {}, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const RunResult r = Calc(row.args, row.input);
        EXPECT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(r.Out, row.expected);
        EXPECT_EQ(r.Err, "");
    }
}

TEST_F(VexmoCalc, FailingLineStopsWithExitOne)
{
    const RunResult r = Calc({}, "1+1\n1E\n2+2\n");
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out, "1+1 ==> 2 +_I 0 \n1E\n2+2\n");
    EXPECT_EQ(r.Err, "<stdin>:2: '1E' is not a valid floating point value\n");

    Spit(File("doc.vxm"), "A:=1\r\nA+1E\r\n");
    const RunResult named = Calc({File("doc.vxm").string()});
    EXPECT_EQ(named.Status, 1);
    EXPECT_EQ(named.Err, File("doc.vxm").string() + ":2: '1E' is not a valid floating point value\n");

    // A message quoting a huge line is cut short; the document itself passes through whole.
    const std::string huge(1'000'000, '9');
    const RunResult cut = Calc({}, huge + "\n");
    EXPECT_EQ(cut.Status, 1);
    EXPECT_EQ(cut.Out, huge + "\n");
    EXPECT_LT(cut.Err.size(), 1000u);
    EXPECT_EQ(cut.Err.rfind("<stdin>:1: '999", 0), 0u) << cut.Err;
    EXPECT_NE(cut.Err.find("999...' is not a valid floating point value\n"), std::string::npos)
        << cut.Err;

    // So is a long message of the calculation's own, between whole characters: "é" is two
    // bytes, and both cuts fall inside one.
    std::string name = "UNKNOWNF";
    for (int i = 0; i < 400; ++i)
        name += "\xC3\xA9";
    const RunResult long_ = Calc({"-e", name + "X(1)"});
    EXPECT_EQ(long_.Err.rfind("-e:1: Unknown function UNKNOWNF\xC3\xA9", 0), 0u) << long_.Err;
    EXPECT_NE(long_.Err.find("\xC3\xA9...\xC3\xA9"), std::string::npos) << long_.Err;
    EXPECT_LT(long_.Err.size(), 500u);
    EXPECT_EQ(std::count(long_.Err.begin(), long_.Err.end(), '\xC3'),
              std::count(long_.Err.begin(), long_.Err.end(), '\xA9'))
        << "a character was cut in two";
}

TEST_F(VexmoCalc, EvaluatesExpressions)
{
    struct Row {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;
    };
    const Row rows[] = {
        {"answers in order, variables persist", {"-e", "A:=1+1", "--eval", "A*ANS"}, 0,
         "2 +_I 0\n4 +_I 0\n", ""},
        {"hidden or empty lines print an empty line", {"-e", "5 $", "-e", ";x", "-e", "ANS"}, 0,
         "\n\n5 +_I 0\n", ""},
        {"a failed operator marks its answer and fails", {"-e", "1/0", "-e", "2"}, 1,
         ">>> 1 +_I 0\n2 +_I 0\n", "-e:1: Division by zero; the answer is marked >>>\n"},
        {"a failed function too", {"-e", "EXP(710)"}, 1, ">>> 0 +_I 0\n",
         "-e:1: Floating point overflow; the answer is marked >>>\n"},
        {"a malformed line says what is missing", {"-e", "2+"}, 1, ">>> 0 +_I 0\n",
         "-e:1: '+' has no operand after it; the answer is marked >>>\n"},
        {"or twice points to the parallel operator", {"-e", "10K||4.7K"}, 1, ">>> 0 +_I 0\n",
         "-e:1: '|' has no operand after it (for a parallel combination write //); the answer "
         "is marked >>>\n"},
        {"fifteen digits by default", {"-e", "0.1+0.2", "-e", "1/3"}, 0,
         "0.3 +_I 0\n0.333333333333333 +_I 0\n", ""},
        {"failure stops", {"-e", "1", "-e", "1E", "-e", "2"}, 1, "1 +_I 0\n",
         "-e:2: '1E' is not a valid floating point value\n"},
        {"no clipboard", {"-e", "_CLIP"}, 0, "0 +_I 0\n", ""},
        {"a zero imaginary part left out", {"--no-zero-imaginary", "-e", "1+2", "-e", "3-4*_I"}, 0,
         "3\n3 -_I 4\n", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const RunResult r = Calc(row.args);
        EXPECT_EQ(r.Status, row.status);
        EXPECT_EQ(r.Out, row.out);
        EXPECT_EQ(r.Err, row.err);
    }
}

// Documents keep exit 0 for answers marked >>>, unless --strict asks otherwise.
TEST_F(VexmoCalc, StrictFailsWhenALineShowsTheFailureArrow)
{
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::string input;
        int status;
        std::string err;
    };
    const Row rows[] = {
        {"without --strict", {}, "1/0\n", 0, ""},
        {"--strict, clean", {"--strict"}, "1+1\n", 0, ""},
        {"--strict, two marked lines", {"--strict"}, "1+1\n1/0\nEXP(710)\n", 1,
         "<stdin>:2: Division by zero; the answer is marked >>> (2 lines are)\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const RunResult r = Calc(row.args, row.input);
        EXPECT_EQ(r.Status, row.status);
        EXPECT_EQ(r.Err, row.err);
        EXPECT_FALSE(r.Out.empty()) << "the document is written in any case";
    }
}

TEST_F(VexmoCalc, RefusesBadUsageAndInput)
{
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::string input;
        const char* errContains;
    };
    Spit(File("a.vxm"), "1\n");
    const Row rows[] = {
        {"unknown format", {"--format", "bogus", "-e", "1"}, "", "unknown format 'bogus'"},
        {"two documents", {File("a.vxm").string(), File("a.vxm").string()}, "", "only one FILE"},
        {"option without its value", {"--precision"}, "", "--precision needs a value"},
        {"value given to a switch", {"--strict=1", "-e", "1"}, "", "--strict takes no value"},
        {"unknown option", {"--bogus"}, "", "unknown option '--bogus'"},
        {"bad number", {"--precision", "six"}, "", "--precision needs a whole number"},
        {"in place without a file", {"-i"}, "1\n", "-i/--in-place needs a FILE"},
        {"eval with a file", {"-e", "1", File("a.vxm").string()}, "", "leave FILE out"},
        {"missing document", {File("none.vxm").string()}, "", "none.vxm"},
        {"missing variables file", {"--vars", File("none.txt").string(), "-e", "1"}, "", "none.txt"},
        {"NUL bytes", {}, std::string("1+1\n\0\n", 6), "NUL bytes"},
        {"unwritable variables file", {"-e", "1", "--save-vars", File("no/such/v.txt").string()},
         "", "v.txt"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const RunResult r = Calc(row.args, row.input);
        EXPECT_EQ(r.Status, 2);
        EXPECT_NE(r.Err.find(row.errContains), std::string::npos) << r.Err;
    }
    const RunResult folder = Calc({}, "", File(".").string());
    EXPECT_EQ(folder.Status, 2) << "standard input is a folder";
    EXPECT_NE(folder.Err.find("Is a directory"), std::string::npos) << folder.Err;
}

TEST_F(VexmoCalc, VariablesFilesCarryValuesBetweenRuns)
{
    const std::string vars = File("vars.txt").string();
    EXPECT_EQ(Calc({"-e", "R1:=10K", "-e", "R2:=R1//R1", "--save-vars", vars}).Status, 0);
    EXPECT_EQ(Slurp(vars), "R1=10000 +_I 0\r\nANS=5000 +_I 0\r\n_ANS=5000 +_I 0\r\nR2=5000 +_I 0\r\n");

    const RunResult r = Calc({"--vars", vars, "-e", "R2*2", "--save-vars", vars});
    EXPECT_EQ(r.Out, "10000 +_I 0\n");
    EXPECT_EQ(Slurp(vars), "R1=10000 +_I 0\r\nANS=10000 +_I 0\r\n_ANS=10000 +_I 0\r\nR2=5000 +_I 0\r\n");
}

TEST_F(VexmoCalc, InPlaceRewritesTheFile)
{
    const fs::path doc = File("doc.vxm");
    Spit(doc, "F(X):=X*2\r\nF(21)\r\n");
    const RunResult r = Calc({"-i", doc.string()});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(Slurp(doc), "F(X):=X*2 ==> 0 +_I 0 \r\nF(21) ==> 42 +_I 0 \r\n");

    // A failing line still writes the lines above it.
    Spit(doc, "2+2\n1E\n");
    EXPECT_EQ(Calc({"--in-place", doc.string()}).Status, 1);
    EXPECT_EQ(Slurp(doc), "2+2 ==> 4 +_I 0 \n1E\n");
}

// A write that fails is reported with exit status 2 and never costs the file written to.
TEST_F(VexmoCalc, FailedWritesAreReportedAndLoseNothing)
{
    const fs::path doc = File("doc.vxm");
    const std::string old = "1+1\r\n2+2\r\n";
    struct Row {
        const char* name;
        std::vector<std::string> args;
        bool fullOutput;       // standard output is /dev/full
        long fileSizeLimit;    // a file may not grow past the old document
        const char* message;
    };
    const Row rows[] = {
        {"in place beyond the file size limit", {"-i", doc.string()}, false,
         static_cast<long>(old.size()), "Cannot write \""},
        {"variables beyond the file size limit",
         {"-e", "A:=1", "--save-vars", File("vars").string()}, false, 0, "Cannot write \""},
        {"document to a full device", {doc.string()}, true, -1,
         "cannot write standard output"},
        {"answers to a full device", {"-e", "1+1"}, true, -1, "cannot write standard output"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Spit(doc, old);
        vexmo::test::ProcessRun run;
        run.Args = {VEXMO_CALC_PATH};
        run.Args.insert(run.Args.end(), row.args.begin(), row.args.end());
        run.Stdout = row.fullOutput ? "/dev/full" : "";
        run.FileSizeLimit = row.fileSizeLimit;
        const vexmo::test::ProcessResult r = vexmo::test::RunProcess(run);
        EXPECT_EQ(r.Status, 2);
        EXPECT_NE(r.Err.find(row.message), std::string::npos) << r.Err;
        EXPECT_EQ(Slurp(doc), old);
        EXPECT_EQ(vexmo::test::FolderEntries(doc.parent_path()), std::vector<std::string>{"doc.vxm"});
    }
}

TEST_F(VexmoCalc, TerminalInputIsCalculatedLineByLine)
{
    // The terminal is set up before the child starts: no echo, no CR before LF.
    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    termios t{};
    ::tcgetattr(slave, &t);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    t.c_oflag &= ~static_cast<tcflag_t>(ONLCR);
    ::tcsetattr(slave, TCSANOW, &t);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(master);
        ::login_tty(slave);
        ::execl(VEXMO_CALC_PATH, VEXMO_CALC_PATH, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(slave);
    std::string output;
    auto readFor = [&](int milliseconds) {
        pollfd p{master, POLLIN, 0};
        char buffer[256];
        while (::poll(&p, 1, milliseconds) > 0) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            output.append(buffer, static_cast<std::size_t>(n));
        }
    };
    const std::string typed = "A:=6*7\n1E\nA ;answer\n\x04";
    ASSERT_EQ(::write(master, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    readFor(10000); // ends as soon as the child closes the terminal
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(master);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(output.find("A:=6*7 ==> 42 +_I 0 \n"), std::string::npos) << output;
    EXPECT_NE(output.find("<stdin>:2: '1E' is not a valid floating point value"), std::string::npos);
    EXPECT_NE(output.find("A ;answer ==> 42 +_I 0 \n"), std::string::npos) << output;
}

} // namespace
