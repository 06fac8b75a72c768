// Hostile documents, variables files and settings through the real desktop program,
// offscreen: the main window opens each or refuses it with a message, nothing crashes, and
// no file on disk changes unless the user saves.

#include "MainWindowStart.h"
#include "QtWait.h"
#include "RobustFiles.h"

#include "files/DocumentFile.h"
#include "shell/ErrorBox.h"
#include "shell/MainWnd.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QSettings>
#include <QTextBlock>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

using namespace vexmo;
using namespace vexmo::robust;
using namespace std::string_literals;

QString Q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

fs::path SettingsFile() {
    return QSettings("Dorv", "Vexmo").fileName().toStdString();
}

// Settings that open no last document and no variables file unless a test asks for one.
std::string QuietSettings(const std::string& extra = "") {
    return "[General]\nOptRecallLastFile=0\nOptRecallLastVariables=0\nLanguage=1\n"
           "RecallFileName=\nRecallVariablesFileName=\n" +
           extra;
}

class HostileDesktop : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(SettingsFile().parent_path());
        WriteBytes(SettingsFile(), QuietSettings());
    }
    void TearDown() override {
        if (window_) {
            window_->Pane()->document()->setModified(false);
            window_->close();
        }
    }

    // The main window after its deferred start-up with these command-line arguments.
    TFrmMain& Start(const QStringList& arguments = {}) {
        window_.reset(); // the earlier window goes before the next one starts
        window_ = test::StartMainWindow(arguments, 60000);
        window_->Documents().SetQuestionHook([](const QString&) { return QMessageBox::No; });
        return *window_;
    }

    TempDir dir_;
    // Closes every modal box as it appears and keeps its text, so a message never blocks.
    test::ModalAnswers modals_{test::ModalAnswers::Others::Close};
    std::unique_ptr<TFrmMain> window_;
};

TEST_F(HostileDesktop, HostileDocumentsOpenFromTheCommandLineAndByDropping) {
    struct Row {
        const char* Name;
        std::string Bytes;
        const char* Expect; // text the pane must hold afterwards ("" when not checked)
        bool Drop;          // dropped as well; the editor takes seconds to lay out 5 MB lines
    };
    const Row rows[] = {
        {"random bytes without NUL", RandomBytes(200000, 1, false), "", true},
        {"invalid UTF-8", InvalidUtf8Document(), "caf\u00e9", true},
        {"5 MB line of printable text", RandomPrintableLine(5 << 20, 3), "", false},
        {"5 MB sum", LongSum(5 << 20), "1+1+1", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const fs::path file = dir_.Path() / "hostile.vxm";
        WriteBytes(file, row.Bytes);
        TFrmMain& window = Start({Q(file)});
        EXPECT_EQ("hostile.vxm - Vexmo", window.windowTitle());
        EXPECT_FALSE(window.Pane()->document()->isModified());
        EXPECT_TRUE(window.Pane()->toPlainText().contains(QString::fromUtf8(row.Expect)));

        if (row.Drop) {
            // Dropped on a document of its own, after the user answered No to the question.
            window.Pane()->InsertText("1+1");
            window.Documents().FileDropped(Q(file));
            EXPECT_EQ("hostile.vxm - Vexmo", window.windowTitle());
            EXPECT_FALSE(window.Pane()->document()->isModified());
        }

        EXPECT_TRUE(window.close());
        window_.reset();
        EXPECT_TRUE(ReadBytes(file) == row.Bytes) << "the document changed on disk";
    }
    EXPECT_TRUE(modals_.Texts.isEmpty()) << modals_.Texts.join('\n').left(300).toStdString();
}

// A document that is not UTF-8 and is saved again keeps every byte; a UTF-8 document keeps
// characters the editor treats specially.
TEST_F(HostileDesktop, SavingAnOpenedDocumentKeepsEveryCharacter) {
    struct Row {
        const char* Name;
        std::string Bytes;
    };
    const Row rows[] = {
        {"invalid UTF-8", InvalidUtf8Document()},
        {"UTF-8 with separators and controls",
         "1+2 ; \xe2\x80\xa8 line separator\r\n\x01\x7f controls\r\n"
         "\t\x0b\x0c tab, vertical tab, form feed\r\n\xef\xbb\xbf inner byte-order mark\r\n"
         "\xc2\xa0no-break space\r\n"s},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const fs::path file = dir_.Path() / "kept.vxm";
        WriteBytes(file, row.Bytes);
        TFrmMain& window = Start({Q(file)});
        window.Pane()->document()->setModified(true); // as after an edit the user undid
        EXPECT_EQ(TDocumentController::SaveOutcome::Saved, window.Documents().FileSave());
        EXPECT_TRUE(ReadBytes(file) == row.Bytes) << "saving changed what was read";
        window_.reset();
    }
}

TEST_F(HostileDesktop, UnreadableDocumentsAreRefusedWithAMessage) {
    TFrmMain& window = Start();
    window.Pane()->InsertText("1+2");
    window.Pane()->document()->setModified(false);
    const fs::path folder = dir_.Path() / "folder.vxm", fifo = dir_.Path() / "pipe.vxm";
    const fs::path nul = dir_.Path() / "nul.vxm";
    fs::create_directory(folder);
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    WriteBytes(nul, "1+2\r\n\0\0\0\r\n3*4\r\n"s);
    for (const fs::path& path :
         {folder, dir_.Path() / "missing.vxm", fs::path("/dev/zero"), fifo, nul}) {
        SCOPED_TRACE(path.string());
        modals_.Texts.clear();
        window.Documents().FileDropped(Q(path));
        EXPECT_EQ("1+2", window.Pane()->toPlainText()) << "a refused file replaced the text";
        ASSERT_EQ(1, modals_.Texts.size());
        EXPECT_TRUE(modals_.Texts.front().contains(Q(path.filename())))
            << modals_.Texts.front().toStdString();
    }
}

// The document loader alone: a full window with a million painted lines would take minutes.
TEST_F(HostileDesktop, MillionLineDocumentLoads) {
    const fs::path file = dir_.Path() / "million.vxm";
    const std::string bytes = NumberedLines(1000000);
    WriteBytes(file, bytes);
    const DocumentReadResult read = ReadDocumentFile(Q(file));
    ASSERT_TRUE(read.Ok) << read.ErrorMessage.toStdString();
    EXPECT_EQ(DocumentEncoding::Utf8, read.Document.Encoding);
    EXPECT_EQ(1000000, read.Document.Text.count(QLatin1Char('\n')));
    EXPECT_TRUE(read.Document.Text.endsWith(QStringLiteral("999999+1\n")));
    EXPECT_TRUE(ReadBytes(file) == bytes);
}

TEST_F(HostileDesktop, GarbageVariablesFileRecalledAtStartUp) {
    struct Row {
        const char* Name;
        std::string Bytes;
    };
    const Row rows[] = {
        {"random bytes without NUL", RandomBytes(100000, 5, false)},
        {"invalid UTF-8 and empty names", "\xff\xfe=\xc3\x28\r\nA\xe9=1\r\n=2\r\n==\r\n"},
        {"values that are no numbers", "X=banana\r\nY=1e999999\r\nA=,,,\"\r\nF(X)=F(X)+1\r\n"},
        {"5 MB name", std::string(5 << 20, 'N') + "=1\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const fs::path vars = dir_.Path() / "vars.txt";
        WriteBytes(vars, row.Bytes);
        WriteBytes(SettingsFile(), "[General]\nOptRecallLastFile=0\nOptRecallLastVariables=1\n"
                                   "Language=1\nRecallFileName=\nRecallVariablesFileName=" +
                                       vars.string() + "\n");
        TFrmMain& window = Start();
        EXPECT_GT(window.Store().Count(), 0u) << "the variables file was not read";
        // Calculating over whatever the file held gives an answer, or fails with a message
        // and changes nothing.
        window.Pane()->InsertText("X+Y+F(1)");
        const qsizetype boxes = modals_.Texts.size();
        const bool calculated = window.Pane()->CalculateLine(false);
        const QString line = window.Pane()->document()->firstBlock().text();
        if (calculated) {
            EXPECT_TRUE(line.startsWith("X+Y+F(1) ==> ") || line.startsWith("X+Y+F(1) >>> "))
                << line.toStdString();
        } else {
            EXPECT_EQ(line, "X+Y+F(1)");
            EXPECT_GT(modals_.Texts.size(), boxes) << "a failure without a message";
        }
        EXPECT_TRUE(window.close());
        window_.reset();
        EXPECT_TRUE(ReadBytes(vars) == row.Bytes) << "the variables file changed on disk";
    }
}

TEST_F(HostileDesktop, GarbageSettingsFile) {
    struct Row {
        const char* Name;
        std::string Bytes;
    };
    const Row rows[] = {
        {"random bytes", RandomBytes(20000, 6, true)},
        {"values of the wrong type",
         "[General]\nOptNumFormat=banana\nOptPrecision=-7\nOptDigits=99999\nLanguage=@Invalid()\n"
         "FontName=\nFontSize=-2147483648\nFontCharset=x\nOptColorBack=-1\n"
         "OptColorAnswer=4294967296\nRecallFileName=/dev/zero\nOptRecallLastFile=1\n"
         "[MainWnd]\nLeft=2147483647\nWidth=2147483647\nTop=-2147483648\nHeight=1e99\n"
         "[Variables]\nLeft=a, b, c\nVisible=@ByteArray(\\0\\0)\n"},
        {"numbers out of range",
         "[General]\nOptNumFormat=77\nOptPrecision=1000000\nOptDigits=-5\n"
         "OptNumFormatStr=\"#,##0.0000000000000000000000000000000000000;;;;;\"\n"
         "OptNumFormatClipboard=9\nOptNumFormatArray=-3\nOptNumFormatComplex=12\n"
         "OptReturn=77\nOptShiftReturn=-1\nOptCtrlReturn=3\nLanguage=5\nTipHint=1\n"
         "FontCharset=1\nFontName=NoSuchFont\nFontSize=100000\nFontBold=1\nFontItalic=1\n"
         "FontUnderline=1\nOptRecallLastFile=0\nOptRecallLastVariables=0\n"
         "RecallFileName=\nRecallVariablesFileName=\nOptColorBack=2147483648\n"
         "OptColorExpression=2164260863\nOptColorArrow=0\nOptColorAnswer=1\n"
         "OptQueryDiscard=0\nOptStayOnTop=1\nOptSemiTransparent=1\nOptSimpleMode=1\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        WriteBytes(SettingsFile(), row.Bytes);
        TFrmMain& window = Start();
        EXPECT_TRUE(ReadBytes(SettingsFile()) == row.Bytes) << "start-up changed the settings";
        // The settings in force still calculate and format a line.
        window.Pane()->InsertText("1/3");
        EXPECT_TRUE(window.Pane()->CalculateLine(false));
        EXPECT_TRUE(window.Pane()->toPlainText().startsWith("1/3 ==> "));
        EXPECT_TRUE(window.close());
        window_.reset();
        // Closing writes the settings in force; a second start and close keeps them.
        const std::string written = ReadBytes(SettingsFile());
        Start();
        window_->close();
        window_.reset();
        EXPECT_EQ(written, ReadBytes(SettingsFile()));
    }
    EXPECT_TRUE(modals_.Texts.isEmpty()) << modals_.Texts.join('\n').left(300).toStdString();
}

// Pipes, devices, folders and binary files given as start-up files: the start-up finishes
// without them, a document named on the command line is reported, a remembered one is not.
TEST_F(HostileDesktop, SpecialFilesAtStartUp) {
    const fs::path fifo = dir_.Path() / "pipe.vxm", folder = dir_.Path() / "folder.vxm";
    const fs::path nul = dir_.Path() / "nul.vxm";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    fs::create_directory(folder);
    WriteBytes(nul, "X=1\r\n\0\r\n"s);
    enum class As { Argument, RememberedDocument, RememberedVariables };
    struct Row {
        const char* Name;
        As How;
        fs::path Path;
    };
    std::vector<Row> rows;
    for (const fs::path& path : {fifo, fs::path("/dev/zero"), folder, nul}) {
        rows.push_back({"argument", As::Argument, path});
        rows.push_back({"remembered document", As::RememberedDocument, path});
        rows.push_back({"remembered variables file", As::RememberedVariables, path});
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.Name) + " " + row.Path.string());
        const std::string p = row.Path.string();
        WriteBytes(SettingsFile(),
                   row.How == As::RememberedDocument
                       ? "[General]\nOptRecallLastFile=1\nOptRecallLastVariables=0\nLanguage=1\n"
                         "RecallFileName=" + p + "\nRecallVariablesFileName=\n"
                   : row.How == As::RememberedVariables
                       ? "[General]\nOptRecallLastFile=0\nOptRecallLastVariables=1\nLanguage=1\n"
                         "RecallFileName=\nRecallVariablesFileName=" + p + "\n"
                       : QuietSettings());
        modals_.Texts.clear();
        TFrmMain& window =
            Start(row.How == As::Argument ? QStringList{Q(row.Path)} : QStringList{});
        EXPECT_EQ("Untitled - Vexmo", window.windowTitle());
        EXPECT_TRUE(window.Pane()->toPlainText().isEmpty());
        EXPECT_EQ(0u, window.Store().Count());
        if (row.How == As::Argument) {
            ASSERT_EQ(1, modals_.Texts.size());
            EXPECT_TRUE(modals_.Texts.front().contains(Q(row.Path.filename())))
                << modals_.Texts.front().toStdString();
        } else {
            EXPECT_TRUE(modals_.Texts.isEmpty()) << modals_.Texts.join('\n').toStdString();
        }
        window_.reset();
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
}

// Whatever is on the clipboard becomes _CLIP when a line is calculated.
TEST_F(HostileDesktop, HostileClipboardTextBecomesClip) {
    struct Row {
        const char* Name;
        QString Text;
    };
    const std::string binary = RandomBytes(1 << 20, 7, true);
    const Row rows[] = {
        {"binary bytes as Latin-1", QString::fromLatin1(binary.data(), qsizetype(binary.size()))},
        {"invalid UTF-8", QString::fromUtf8(InvalidUtf8Document().c_str())},
        {"5 MB of printable text", QString::fromStdString(RandomPrintableLine(5 << 20, 8))},
        {"a million numbers in a column",
         QString::fromStdString(NumberedLines(1000000)).replace(QStringLiteral("+1"), QString())},
        {"unpaired surrogates", QString(QChar(0xD800)) + "1" + QChar(0xDC00)},
    };
    TFrmMain& window = Start();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        QApplication::clipboard()->setText(row.Text);
        window.Pane()->selectAll();
        window.Pane()->InsertText("1+1");
        window.Pane()->AtnVexmiCalculateExecute();
        EXPECT_TRUE(window.Pane()->toPlainText().startsWith("1+1 ==> 2 +_I 0 "))
            << window.Pane()->toPlainText().left(100).toStdString();
        EXPECT_FALSE(window.Store().Read("_CLIP").empty());
        // Using it fails at most with a short message.
        modals_.Texts.clear();
        window.Pane()->selectAll();
        window.Pane()->InsertText("_CLIP*2");
        window.Pane()->AtnVexmiCalculateExecute();
        for (const QString& text : modals_.Texts)
            EXPECT_LT(text.size(), 1000);
    }
}

// A line holding a 5 MB number fails to calculate; its message quotes the number, and a box
// laying out all of it froze the program for half a minute.
TEST_F(HostileDesktop, AHugeUnreadableNumberIsReportedInAShortMessage) {
    TFrmMain& window = Start();
    const QString line(5 << 20, QLatin1Char('7'));
    window.Pane()->InsertText(line);
    EXPECT_FALSE(window.Pane()->CalculateLine(false));
    EXPECT_EQ(line, window.Pane()->toPlainText()) << "a failed calculation changed the line";
    ASSERT_EQ(1, modals_.Texts.size());
    const QString& shown = modals_.Texts.front();
    EXPECT_LT(shown.size(), 1000);
    EXPECT_TRUE(shown.startsWith("'777")) << shown.left(100).toStdString();
    EXPECT_TRUE(shown.endsWith("' is not a valid floating point value."))
        << shown.right(100).toStdString();
}

TEST(ErrorBoxText, LongMessagesLoseTheirMiddleOnly) {
    const QString pair = QString::fromUtf8("\xf0\x9f\x98\x80"); // one character, two code units
    struct Row {
        const char* Name;
        QString Message;
        bool Shortened;
    };
    const Row rows[] = {
        {"short", "Division by zero", false},
        {"at the limit with its full stop", QString(900, 'x'), false},
        {"one past the limit", QString(901, 'x'), true},
        {"5 MB quote", "'" + QString(5 << 20, '7') + "' is not a valid floating point value", true},
        {"characters of two code units at both cuts", pair.repeated(3000), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString shown = ErrorBoxText(row.Message);
        EXPECT_EQ(ErrorBoxText(shown), shown) << "applying it twice changed the text";
        if (!row.Shortened) {
            EXPECT_TRUE(shown.startsWith(row.Message));
            continue;
        }
        EXPECT_LE(shown.size(), 901);
        const qsizetype cut = shown.indexOf(QChar(0x2026));
        ASSERT_GT(cut, 0);
        EXPECT_TRUE(row.Message.startsWith(shown.left(cut)));
        const QString tail = shown.mid(cut + 1);
        EXPECT_TRUE((row.Message + '.').endsWith(tail) || row.Message.endsWith(tail));
        // Whole characters only: the text stays valid UTF-16.
        EXPECT_EQ(shown, QString::fromUtf8(shown.toUtf8()));
    }
}

} // namespace
