// vexmo-calc: calculates a document (or single expressions) without a window, with the
// same engine and line rules as the desktop program's Calculate again.

#include "document/core/AnswerFormat.h"
#include "document/core/CalcLine.h"
#include "document/core/DocumentText.h"
#include "document/core/FileIo.h"
#include "document/core/VariablesFile.h"
#include "engine/CompTinyParseEngine.h"
#include "engine/Variables.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#ifndef VEXMO_VERSION
#define VEXMO_VERSION "0"
#endif

namespace {

using namespace vexmo;

constexpr int ExitOk = 0;
constexpr int ExitCalculationFailed = 1;
constexpr int ExitUsage = 2;

constexpr const char* kHelp =
    "Usage: vexmo-calc [options] [FILE]\n"
    "Calculates every line of the document FILE (standard input when FILE is absent or\n"
    "\"-\") as Vexmo's Calculate again does, and writes the calculated document to\n"
    "standard output. With no FILE and a terminal as input, each line typed is calculated\n"
    "and printed; variables persist until the end of input.\n"
    "\n"
    "Options:\n"
    "  -e, --eval EXPR        calculate EXPR as a line and print only its answer text;\n"
    "                         may be repeated; no document is read. An answer whose\n"
    "                         operator or function failed is printed as \">>> ANSWER\"\n"
    "  -i, --in-place         write the calculated document back to FILE\n"
    "      --strict           exit 1 when a line of the document shows \" >>> \"\n"
    "      --vars FILE        load a variables file first\n"
    "      --save-vars FILE   write the variables to FILE afterwards\n"
    "      --format NAME      general, exponent, fixed, engineering or user (general)\n"
    "      --precision N      significant digits, 2 to 18 (15)\n"
    "      --digits N         decimals (fixed) or minimum exponent digits (exponent) (0)\n"
    "      --user-format TEXT the user-defined format (#,##0.000;-#,##0.000;0.000)\n"
    "      --no-zero-imaginary\n"
    "                         write an answer whose imaginary part is zero as its real\n"
    "                         part alone (3, not 3 +_I 0)\n"
    "  -h, --help             show this help and exit\n"
    "      --version          show the version and exit\n"
    "\n"
    "Exit status: 0 every line was calculated; 1 a line's calculation failed (its message\n"
    "goes to standard error as NAME:LINE: message, and that line and the lines after it\n"
    "are written unchanged), an -e answer is marked >>>, or with --strict a line shows\n"
    "\" >>> \"; 2 bad usage or a file that cannot be read or written.\n"
    "Only regular files are read or written (standard input may be a pipe); a file with\n"
    "NUL bytes or larger than 256 MiB is refused.\n"
    "There is no clipboard: _CLIP has a value only when a variables file gives it one.\n";

struct Options {
    std::vector<std::string> Evals;
    std::optional<std::string> File;
    std::optional<std::string> VarsIn;
    std::optional<std::string> VarsOut;
    bool InPlace = false;
    bool Strict = false;
    NumberFormatSettings Format;
};

struct UsageError {
    std::string Message;
};

void WriteOut(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void Complain(std::string_view text)
{
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

// A calculation's message quotes the text it could not read, which may be a whole
// megabyte-long line; its head and its tail (which says what went wrong) are enough.
std::string ShortMessage(std::string_view message)
{
    constexpr std::size_t head = 200;
    constexpr std::size_t tail = 200;
    if (message.size() <= head + tail)
        return std::string(message);
    auto continuation = [&](std::size_t i) {
        return (static_cast<unsigned char>(message[i]) & 0xC0) == 0x80;
    };
    // Never split a multi-byte character.
    std::size_t headEnd = head;
    while (headEnd > 0 && continuation(headEnd))
        --headEnd;
    std::size_t tailStart = message.size() - tail;
    while (tailStart < message.size() && continuation(tailStart))
        ++tailStart;
    return std::string(message.substr(0, headEnd)) + "..." +
           std::string(message.substr(tailStart));
}

// The message of a line answered with the failure arrow, with the reason when known.
std::string FailureText(const std::string& reason)
{
    const std::string marked = "the answer is marked >>>";
    if (reason.empty())
        return "an operator or function failed; " + marked;
    return ShortMessage(reason) + "; " + marked;
}

int FormatCode(std::string_view name)
{
    constexpr std::string_view names[] = {"general", "exponent", "fixed", "engineering", "user"};
    for (int i = 0; i < 5; ++i) {
        if (name == names[i])
            return i;
    }
    throw UsageError{"unknown format '" + std::string(name) +
                     "' (general, exponent, fixed, engineering or user)"};
}

int IntegerArgument(std::string_view option, std::string_view text)
{
    const std::optional<int> value = ParseIntegerText(text);
    if (!value)
        throw UsageError{std::string(option) + " needs a whole number, not '" + std::string(text) + "'"};
    return *value;
}

// Returns nothing when the program should stop with `exitCode` (help, version).
std::optional<Options> ParseOptions(int argc, char** argv, int& exitCode)
{
    Options options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            if (options.File)
                throw UsageError{"only one FILE may be given"};
            options.File = std::string(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string_view name = arg;
        std::optional<std::string_view> inlineValue;
        if (arg.starts_with("--")) {
            const std::size_t equals = arg.find('=');
            if (equals != std::string_view::npos) {
                name = arg.substr(0, equals);
                inlineValue = arg.substr(equals + 1);
            }
        }
        auto value = [&]() -> std::string {
            if (inlineValue)
                return std::string(*inlineValue);
            if (i + 1 >= argc)
                throw UsageError{"option " + std::string(name) + " needs a value"};
            return argv[++i];
        };
        auto flag = [&] {
            if (inlineValue)
                throw UsageError{"option " + std::string(name) + " takes no value"};
        };
        if (name == "-h" || name == "--help") {
            flag();
            WriteOut(kHelp);
            exitCode = ExitOk;
            return std::nullopt;
        }
        if (name == "--version") {
            flag();
            WriteOut("vexmo-calc " VEXMO_VERSION "\n");
            exitCode = ExitOk;
            return std::nullopt;
        }
        if (name == "-e" || name == "--eval") {
            options.Evals.push_back(value());
        } else if (name == "-i" || name == "--in-place") {
            flag();
            options.InPlace = true;
        } else if (name == "--strict") {
            flag();
            options.Strict = true;
        } else if (name == "--vars") {
            options.VarsIn = value();
        } else if (name == "--save-vars") {
            options.VarsOut = value();
        } else if (name == "--format") {
            options.Format.OptNumFormat = FormatCode(value());
        } else if (name == "--precision") {
            options.Format.OptPrecision = IntegerArgument(name, value());
        } else if (name == "--digits") {
            options.Format.OptDigits = IntegerArgument(name, value());
        } else if (name == "--user-format") {
            options.Format.OptNumFormatStr = value();
        } else if (name == "--no-zero-imaginary") {
            flag();
            options.Format.OptShowZeroImaginary = false;
        } else {
            throw UsageError{"unknown option '" + std::string(arg) + "'"};
        }
    }
    if (!options.Evals.empty() && options.File)
        throw UsageError{"-e/--eval reads no document; leave FILE out"};
    if (options.InPlace && (!options.File || *options.File == "-"))
        throw UsageError{"-i/--in-place needs a FILE"};
    return options;
}

class Calculator {
  public:
    explicit Calculator(const NumberFormatSettings& format)
        : format_(format), lines_(engine_, store_, format_)
    {
        engine_.SetVariables(&store_);
    }

    Variables& Store() { return store_; }
    LineCalculator& Lines() { return lines_; }

  private:
    NumberFormatSettings format_;
    TCompTinyParser engine_;
    Variables store_;
    LineCalculator lines_;
};

int RunEvals(const Options& options, Calculator& calc)
{
    int status = ExitOk;
    for (std::size_t i = 0; i < options.Evals.size(); ++i) {
        LineOutcome outcome = calc.Lines().Calculate(options.Evals[i]);
        const std::string where = "-e:" + std::to_string(i + 1) + ": ";
        if (!outcome.Ok()) {
            std::fflush(stdout);
            Complain(where + ShortMessage(outcome.ErrorMessage));
            return ExitCalculationFailed;
        }
        const LineCalculation& r = *outcome.Result;
        // A failed operator or function still gives an answer, but not one to be trusted:
        // it carries the document's failure arrow, and the run fails.
        const std::string answer = r.HasAnswer ? r.Answer : std::string();
        if (r.ErrorArrow) {
            WriteOut(std::string(TrimBlanks(ErrorArrow)) + " " + answer + "\n");
            std::fflush(stdout);
            Complain(where + FailureText(r.ErrorReason));
            status = ExitCalculationFailed;
        } else {
            WriteOut(answer + "\n");
        }
    }
    return status;
}

// The first line whose answer carries the failure arrow, and how many lines do.
std::optional<std::size_t> FirstFailedAnswer(const std::vector<std::string>& lines,
                                             std::size_t& count)
{
    std::optional<std::size_t> first;
    count = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const std::size_t arrow = FindAnswerArrow(line);
        if (arrow != std::string_view::npos && line.substr(arrow, ErrorArrow.size()) == ErrorArrow) {
            if (!first)
                first = i;
            ++count;
        }
    }
    return first;
}

int RunInteractive(Calculator& calc)
{
    std::string line;
    std::size_t number = 0;
    for (int c = std::fgetc(stdin);; c = std::fgetc(stdin)) {
        if (c != EOF && c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        if (c == EOF && line.empty())
            break;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        LineOutcome outcome = calc.Lines().Calculate(line);
        if (outcome.Ok())
            WriteOut(outcome.Result->NewText + "\n");
        else
            Complain("<stdin>:" + std::to_string(number) + ": " + ShortMessage(outcome.ErrorMessage));
        std::fflush(stdout);
        line.clear();
        if (c == EOF)
            break;
    }
    return ExitOk;
}

int RunDocument(const Options& options, Calculator& calc)
{
    const bool fromFile = options.File && *options.File != "-";
    const std::string name = fromFile ? *options.File : "<stdin>";
    // A NUL byte means a binary file, not a document; calculating it would rewrite it.
    FileContent content = fromFile ? ReadWholeFile(*options.File, kTextFileRules)
                                   : ReadWholeStream(STDIN_FILENO, name, kTextFileRules);
    if (!content) {
        Complain("vexmo-calc: " + content.Message);
        return ExitUsage;
    }
    std::string bytes = std::move(content.Bytes);

    // Bytes that are not UTF-8 pass through untouched: every rule of a line looks for
    // ASCII characters only, so a legacy file keeps every character it had.
    DocumentLines doc = SplitDocument(bytes);
    bytes.clear();
    bytes.shrink_to_fit();
    const std::optional<DocumentFailure> failure = CalculateDocument(doc.Lines, calc.Lines());
    const std::string text = JoinDocument(doc.Lines, doc.Break.value_or(LineBreak::Lf));

    int status = ExitOk;
    if (options.InPlace) {
        const FileResult written = WriteFileAtomically(*options.File, text);
        if (!written) {
            Complain("vexmo-calc: " + written.Message);
            status = ExitUsage;
        }
    } else {
        WriteOut(text);
    }
    if (failure) {
        std::fflush(stdout);
        Complain(name + ":" + std::to_string(failure->Line + 1) + ": " + ShortMessage(failure->Message));
        if (status == ExitOk)
            status = ExitCalculationFailed;
    } else if (options.Strict) {
        std::size_t count = 0;
        if (const std::optional<std::size_t> line = FirstFailedAnswer(doc.Lines, count)) {
            std::fflush(stdout);
            std::string message = name + ":" + std::to_string(*line + 1) + ": " +
                                  FailureText(calc.Lines().FirstFailureReason());
            if (count > 1)
                message += " (" + std::to_string(count) + " lines are)";
            Complain(message);
            if (status == ExitOk)
                status = ExitCalculationFailed;
        }
    }
    return status;
}

int Run(int argc, char** argv)
{
    int exitCode = ExitOk;
    std::optional<Options> options;
    try {
        options = ParseOptions(argc, argv, exitCode);
    } catch (const UsageError& e) {
        Complain("vexmo-calc: " + e.Message);
        Complain("Try 'vexmo-calc --help' for more information.");
        return ExitUsage;
    }
    if (!options)
        return exitCode;

    Calculator calc(options->Format);
    if (options->VarsIn) {
        const VariablesFileRead read = ReadVariablesFile(*options->VarsIn);
        if (!read) {
            Complain("vexmo-calc: " + read.Message);
            return ExitUsage;
        }
        LoadVariables(read.Lines, calc.Store());
    }

    int status = ExitOk;
    if (!options->Evals.empty())
        status = RunEvals(*options, calc);
    else if (!options->File && ::isatty(STDIN_FILENO))
        status = RunInteractive(calc);
    else
        status = RunDocument(*options, calc);

    if (options->VarsOut) {
        const FileResult written = WriteVariablesFile(*options->VarsOut, calc.Store());
        if (!written) {
            Complain("vexmo-calc: " + written.Message);
            status = ExitUsage;
        }
    }
    std::fflush(stdout);
    if (std::ferror(stdout)) {
        Complain("vexmo-calc: cannot write standard output");
        return ExitUsage;
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        Complain(std::string("vexmo-calc: ") + e.what());
        return ExitUsage;
    }
}
