// The manual and the manual pages against the program: every example of the manual is
// calculated and must show the answer printed there; every name of the reference table has
// a meaning in both languages and an example that gives its answer; each manual page lists
// exactly the options its program's --help lists.

#include "document/core/AnswerFormat.h"
#include "document/core/CalcLine.h"
#include "document/core/NameReference.h"
#include "engine/BuiltinFunctions.h"
#include "engine/CompTinyParseEngine.h"
#include "engine/DorvSub.h"
#include "engine/Variables.h"

#include "LineSession.h"
#include "Process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace vexmo;
namespace fs = std::filesystem;

namespace {

using test::ReadBytes;

std::string TrimRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r'))
        text.pop_back();
    return text;
}

struct Example {
    std::string Where; // file:line of the block
    std::string Kind;  // "vexmo" or "console"
    std::map<std::string, std::string> Options;
    std::vector<std::string> Lines;
};

// The fenced blocks of the chapters whose info string is "vexmo" (a document, with options
// such as format=fixed digits=2) or "console" (vexmo-calc runs).
std::vector<Example> ManualExamples() {
    std::vector<Example> examples;
    std::vector<fs::path> chapters;
    for (const auto& entry : fs::recursive_directory_iterator(VEXMO_MANUAL_SOURCE_DIR))
        if (entry.path().extension() == ".md") chapters.push_back(entry.path());
    std::sort(chapters.begin(), chapters.end());
    for (const fs::path& chapter : chapters) {
        std::istringstream in(ReadBytes(chapter));
        std::string line;
        int number = 0;
        Example* open = nullptr;
        bool otherBlock = false;
        while (std::getline(in, line)) {
            ++number;
            line = TrimRight(line);
            if (line.rfind("```", 0) == 0) {
                if (open || otherBlock) {
                    open = nullptr;
                    otherBlock = false;
                    continue;
                }
                std::istringstream info(line.substr(3));
                Example example;
                info >> example.Kind;
                if (example.Kind != "vexmo" && example.Kind != "console") {
                    otherBlock = true;
                    continue;
                }
                example.Where = chapter.parent_path().filename().string() + "/" +
                                chapter.filename().string() + ":" + std::to_string(number);
                for (std::string option; info >> option;) {
                    const auto eq = option.find('=');
                    example.Options[option.substr(0, eq)] =
                        eq == std::string::npos ? "" : option.substr(eq + 1);
                }
                examples.push_back(example);
                open = &examples.back();
                continue;
            }
            if (open) open->Lines.push_back(line);
        }
        EXPECT_EQ(open, nullptr) << chapter << ": a block is not closed";
    }
    return examples;
}

NumberFormatSettings FormatOf(const Example& example) {
    NumberFormatSettings settings;
    const std::map<std::string, int> formats = {
        {"general", 0}, {"exponent", 1}, {"fixed", 2}, {"engineering", 3}, {"user", 4}};
    for (const auto& [key, value] : example.Options) {
        if (key == "format") {
            EXPECT_TRUE(formats.count(value)) << example.Where << ": format " << value;
            settings.OptNumFormat = formats.count(value) ? formats.at(value) : 0;
        } else if (key == "precision") {
            settings.OptPrecision = std::stoi(value);
        } else if (key == "digits") {
            settings.OptDigits = std::stoi(value);
        } else if (key == "user-format") {
            settings.OptNumFormatStr = value;
        } else if (key == "zero-imaginary") {
            EXPECT_TRUE(value == "show" || value == "hide") << example.Where << ": " << value;
            settings.OptShowZeroImaginary = value != "hide";
        } else {
            ADD_FAILURE() << example.Where << ": unknown option " << key;
        }
    }
    return settings;
}

// Runs a program to its end, the program first.
test::ProcessResult RunCommand(std::vector<std::string> args) {
    test::ProcessRun run;
    run.Args = std::move(args);
    return test::RunProcess(run);
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

} // namespace

TEST(Manual, EveryDocumentExampleShowsTheAnswerTheProgramGives) {
    SetDecimalSeparator('.');
    int blocks = 0;
    for (const Example& example : ManualExamples()) {
        if (example.Kind != "vexmo") continue;
        ++blocks;
        SCOPED_TRACE(example.Where);
        // Each block is a document of its own, calculated from a fresh start.
        test::LineSession s;
        s.settings = FormatOf(example);
        for (const std::string& line : example.Lines) {
            const LineOutcome outcome = s.calc.Calculate(line);
            ASSERT_TRUE(outcome.Ok()) << line << ": " << outcome.ErrorMessage;
            EXPECT_EQ(TrimRight(outcome.Result->NewText), line);
        }
    }
    // Both languages, every chapter with examples.
    EXPECT_GE(blocks, 40);
}

TEST(Manual, ConsoleExamplesPrintWhatVexmoCalcPrints) {
    int commands = 0;
    for (const Example& example : ManualExamples()) {
        if (example.Kind != "console") continue;
        SCOPED_TRACE(example.Where);
        // "$ command" lines, each followed by the lines it prints.
        for (std::size_t i = 0; i < example.Lines.size();) {
            const std::string& prompt = example.Lines[i];
            ASSERT_EQ(prompt.rfind("$ ", 0), 0u) << prompt;
            std::string command = prompt.substr(2);
            const auto at = command.find("vexmo-calc");
            ASSERT_NE(at, std::string::npos) << command;
            command.replace(at, 10, Quoted(VEXMO_CALC_PATH));
            std::string expected;
            for (++i; i < example.Lines.size() && example.Lines[i].rfind("$ ", 0) != 0; ++i)
                expected += example.Lines[i] + "\n";
            const test::ProcessResult output = RunCommand({"/bin/sh", "-c", command + " 2>&1"});
            std::string shown;
            std::istringstream lines(output.Out);
            for (std::string line; std::getline(lines, line);)
                shown += TrimRight(line) + "\n";
            EXPECT_EQ(output.Status, 0) << command;
            EXPECT_EQ(shown, expected) << command;
            ++commands;
        }
    }
    EXPECT_GE(commands, 6);
}

TEST(Manual, ReferenceTableCoversEveryNameWithMeaningsAndWorkingExamples) {
    SetDecimalSeparator('.');
    const NameReference& reference = BuiltinNameReference();
    EXPECT_TRUE(reference.Errors.empty()) << reference.Errors.front();
    std::set<std::string> names;
    int constants = 0, functions = 0;
    for (const NameEntry& entry : reference.Entries) {
        SCOPED_TRACE(entry.Name);
        EXPECT_TRUE(names.insert(entry.Name).second) << "listed twice";
        if (entry.Kind == NameKind::Constant) {
            ++constants;
            EXPECT_TRUE(IsConstantName(entry.Name));
        } else {
            ++functions;
            EXPECT_TRUE(IsBuiltinFunction(entry.Name));
        }
        EXPECT_FALSE(entry.MeaningEn.empty());
        EXPECT_FALSE(entry.MeaningJa.empty());
        EXPECT_EQ(reference.Find(entry.Name), &entry);
        EXPECT_EQ(&reference.Meaning(entry, 1), &entry.MeaningEn);
        EXPECT_EQ(&reference.Meaning(entry, 2), &entry.MeaningJa);

        test::LineSession s;
        const LineOutcome outcome = s.calc.Calculate(entry.Example);
        ASSERT_TRUE(outcome.Ok()) << outcome.ErrorMessage;
        EXPECT_FALSE(outcome.Result->ErrorArrow) << entry.Example;
        EXPECT_EQ(outcome.Result->Answer, entry.Answer) << entry.Example;
    }
    // The engine's 26 constant names and 53 functions, each once.
    EXPECT_EQ(constants, 26);
    EXPECT_EQ(functions, 53);
    EXPECT_NE(reference.Find("sin"), nullptr);
    EXPECT_EQ(reference.Find("NOSUCHNAME"), nullptr);
}

TEST(Manual, ReferenceTableErrorsNameTheirLines) {
    struct Row {
        const char* name;
        const char* text;
        std::size_t entries;
        const char* error;
    };
    const Row rows[] = {
        {"comments and blank lines",
         "# c\n\ngroup\tg\tG\tＧ\nfunction\tSIN\tg\ts\tｓ\tSIN(0)\t0 +_I 0\r\n", 1, ""},
        {"unknown group", "function\tSIN\tg\ts\tｓ\tSIN(0)\t0 +_I 0\n", 0,
         "line 1: the group is not defined above"},
        {"missing field", "group\tg\tG\tＧ\nconstant\t_PI\tg\tpi\tSIN(0)\t0\n", 0,
         "line 2: a name needs a group, two meanings, an example and its answer"},
        {"unknown kind", "operator\t+\n", 0, "line 1: unknown kind of line"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const NameReference reference = ParseNameReference(row.text);
        EXPECT_EQ(reference.Entries.size(), row.entries);
        EXPECT_EQ(reference.Errors.empty() ? std::string() : reference.Errors.front(), row.error);
    }
}

namespace {

// The long and short options a text names: "-e", "--eval", ... Manual pages write a minus as
// "\-"; that is undone first.
std::set<std::string> OptionsIn(std::string text, bool manualPage) {
    if (manualPage) {
        std::string plain;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text.compare(i, 2, "\\-") == 0) {
                plain += '-';
                ++i;
            } else if (text.compare(i, 2, "\\f") == 0) {
                i += 2; // font change \fB, \fR, \fI
            } else {
                plain += text[i];
            }
        }
        text = plain;
    }
    std::set<std::string> options;
    std::istringstream lines(text);
    const std::regex option(R"((?:^|[\s,"])(--?[a-z][a-z-]*))");
    for (std::string line; std::getline(lines, line);) {
        // --help: the option lines are indented; manual pages: the tag line after ".TP".
        if (!manualPage && line.rfind("  -", 0) != 0 && line.rfind("      --", 0) != 0) continue;
        if (manualPage && line.rfind(".B", 0) != 0) continue;
        // Only the option names of the line's start, before its description.
        const std::string head = manualPage ? line : line.substr(0, 25);
        for (auto it = std::sregex_iterator(head.begin(), head.end(), option);
             it != std::sregex_iterator(); ++it)
            options.insert((*it)[1]);
    }
    return options;
}

// The options the OPTIONS section of a manual page describes.
std::set<std::string> ManualPageOptions(const fs::path& page) {
    const std::string text = ReadBytes(page);
    const auto start = text.find(".SH OPTIONS");
    const auto end = text.find(".SH ", start + 1);
    EXPECT_NE(start, std::string::npos) << page;
    std::string section = text.substr(start, end - start);
    // Only the tags: the line after each ".TP".
    std::string tags;
    std::istringstream lines(section);
    bool tag = false;
    for (std::string line; std::getline(lines, line);) {
        if (tag) tags += line + "\n";
        tag = line.rfind(".TP", 0) == 0;
    }
    return OptionsIn(tags, true);
}

} // namespace

TEST(ManualPages, ListTheOptionsOfHelp) {
    struct Row {
        const char* program;
        std::string path;
        const char* page;
    };
    std::vector<Row> rows = {{"vexmo-calc", VEXMO_CALC_PATH, "vexmo-calc.1"}};
#ifdef VEXMO_PROGRAM_PATH
    rows.push_back({"vexmo", VEXMO_PROGRAM_PATH, "vexmo.1"});
#endif
    for (const Row& row : rows) {
        SCOPED_TRACE(row.program);
        const test::ProcessResult help = RunCommand({row.path, "--help"});
        ASSERT_EQ(help.Status, 0);
        const std::set<std::string> fromHelp = OptionsIn(help.Out, false);
        EXPECT_GE(fromHelp.size(), 3u) << help.Out;
        EXPECT_EQ(ManualPageOptions(fs::path(VEXMO_MAN_SOURCE_DIR) / row.page), fromHelp);
        // The version the page names is the program's.
        std::istringstream words(RunCommand({row.path, "--version"}).Out);
        std::string version;
        for (std::string word; words >> word;)
            version = word;
        EXPECT_NE(
            ReadBytes(fs::path(VEXMO_MAN_SOURCE_DIR) / row.page).find("\"Vexmo " + version + "\""),
            std::string::npos)
            << version;
    }
}
