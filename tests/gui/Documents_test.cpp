// The document commands on the real pane and dialogs: the discard question and its loops, the
// dialogs, saving and reopening calculated documents, failed saves and unreadable files, the
// start-up document, and the main window's settings across a close and a new start.
#include "ShownFormat.h"
#include "document/gui/CalcPane.h"
#include "engine/CompTinyParseEngine.h"
#include "engine/DorvSub.h"
#include "engine/Variables.h"
#include "files/DocumentController.h"
#include "files/InterfaceTexts.h"
#include "files/Options.h"
#include "shell/MainWnd.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMimeData>
#include <QSettings>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QUrl>
#include <gtest/gtest.h>

#include "EngineSession.h"
#include "FileSizeLimit.h"
#include "MainWindowStart.h"
#include "QtWait.h"
#include "SmallFileSystem.h"

#include <cstdio>
#include <deque>
#include <optional>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace vexmo {
namespace {

using Button = QMessageBox::StandardButton;

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// A pane, its window and a controller whose questions and dialogs are answered from queues.
class DocumentsTest : public ::testing::Test, protected test::EngineSession {
  public:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        pane = new TCalcPane(&window);  // owned by the window
        pane->SetEngine(&engine);
        pane->SetVariables(&store);
        pane->SetColors(Qt::black, Qt::red, Qt::darkGreen, Qt::white);
        window.setCentralWidget(pane);
        panels[0] = new QLabel(&window);
        panels[1] = new QLabel(&window);
        settings.Language = 1;
        settings.OptQueryDiscard = true;
        documents = new TDocumentController(&window, pane, settings);  // owned by the window
        documents->SetStatusPanels(panels[0], panels[1]);
        documents->SetQuestionHook([this](const QString& text) {
            questions << text;
            if (answers.empty()) {
                ADD_FAILURE() << "unexpected question: " << text.toStdString();
                return QMessageBox::Cancel;
            }
            const Button answer = answers.front();
            answers.pop_front();
            return answer;
        });
        documents->SetFileDialogHook([this](QFileDialog& dialog) {
            dialogTitles << dialog.windowTitle();
            if (chosen.empty()) {
                ADD_FAILURE() << "unexpected dialog: " << dialog.windowTitle().toStdString();
                return false;
            }
            const std::optional<QString> file = chosen.front();
            chosen.pop_front();
            if (!file)
                return false;
            dialog.selectFile(*file);
            if (afterChoice)
                afterChoice();
            return true;
        });
        documents->SetErrorHook([this](const QString& message) { errors << message; });
    }

    QString File(const QString& name) const { return folder.filePath(name); }
    // Types `text` as the user would, so the document becomes modified.
    void Type(const QString& text) {
        pane->moveCursor(QTextCursor::End);
        pane->InsertText(text);
    }
    void Open(const QString& path) {
        chosen.push_back(path);
        documents->FileOpen();
    }
    QString Text() const { return pane->toPlainText(); }
    bool Modified() const { return pane->document()->isModified(); }
    void ExpectAllAsked() {
        EXPECT_TRUE(answers.empty());
        EXPECT_TRUE(chosen.empty());
    }

    QTemporaryDir folder;
    QMainWindow window;
    TCalcPane* pane = nullptr;
    QLabel* panels[2] = {};
    Settings settings;
    TDocumentController* documents = nullptr;

    std::deque<Button> answers;
    std::deque<std::optional<QString>> chosen;  // nullopt cancels the dialog
    std::function<void()> afterChoice;
    QStringList questions;
    QStringList dialogTitles;
    QStringList errors;
};

TEST(DocumentTextsTest, CaptionAndDiscardQuestion) {
    EXPECT_EQ(DocumentCaption(QString()), "Untitled - Vexmo");
    EXPECT_EQ(DocumentCaption("/home/u/work/calc1.vxm"), "calc1.vxm - Vexmo");
    EXPECT_EQ(DocumentCaption("/home/u/work/calc1.vxm", true), "calc1.vxm* - Vexmo");
    EXPECT_EQ(DocumentCaption(QString(), true), "Untitled* - Vexmo");

    struct Row {
        const char* name;
        QString path;
        DiscardOperation operation;
        int language;
        QString text;
    };
    const Row rows[] = {
        {"titled open, English", "/w/calc1.vxm", DiscardOperation::Open, 1,
         "calc1.vxm has been modified. Opening a new document will discard the change. Do you "
         "want to save the change?[y/n]"},
        {"untitled new, English", "", DiscardOperation::CreateNew, 1,
         "Current document has been modified. Creating a new document will discard the change. "
         "Do you want to save the change?[y/n]"},
        {"untitled close, English", "", DiscardOperation::Close, 1,
         "Current document has been modified. Closing Vexmo will discard the change. Do you want "
         "to save the change?[y/n]"},
        {"titled new, Japanese: ASCII full stops", "/w/a.vxm", DiscardOperation::CreateNew, 2,
         QStringLiteral("a.vxm は変更されています. 新規作成を続行すると変更は失われます. "
                        "変更を保存しますか？[y/n]")},
        {"untitled open, Japanese: full-width stops", "", DiscardOperation::Open, 0,
         QStringLiteral("現在の文書は変更されています． ファイルを開くと、変更は失われます． "
                        "変更を保存しますか？[y/n]")},
        {"titled close, Japanese", "/w/a.vxm", DiscardOperation::Close, 2,
         QStringLiteral("a.vxm は変更されています． Vexmoを閉じると変更は失われてしまいます． "
                        "変更を保存しますか？[y/n]")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(DiscardQuestionText(row.path, row.operation, row.language), row.text);
    }
}

TEST_F(DocumentsTest, DialogsCarryTitlesFiltersAndTheProposedName) {
    const QString path = File("calc1.vxm");
    WriteBytes(path, "1\r\n");
    Open(path);
    ASSERT_EQ(documents->DocumentPath(), path);
    EXPECT_EQ(dialogTitles, QStringList{"Open - Vexmo"});

    QFileDialog& open = documents->OpenDialog();
    EXPECT_EQ(open.fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(open.acceptMode(), QFileDialog::AcceptOpen);
    QFileDialog& save = documents->SaveDialog();
    EXPECT_EQ(save.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(save.testOption(QFileDialog::DontConfirmOverwrite));
    for (QFileDialog* dialog : {&open, &save}) {
        EXPECT_EQ(dialog->nameFilters(),
                  (QStringList{"Vexmo document(*.vxm)", "Text file(*.txt)", "All files(*)"}));
        EXPECT_EQ(dialog->selectedNameFilter(), "Vexmo document(*.vxm)");
        EXPECT_EQ(dialog->defaultSuffix(), "vxm");
    }

    // The save dialog proposes the document's file; a name typed without an extension takes
    // the one of the chosen filter.
    Type("2");
    QString proposed;
    documents->SetFileDialogHook([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Save - Vexmo");
        proposed = dialog.selectedFiles().value(0);
        dialog.selectNameFilter("Text file(*.txt)");
        emit dialog.filterSelected("Text file(*.txt)");
        dialog.selectFile(File("notes"));
        return true;
    });
    ASSERT_EQ(documents->FileSaveAs(), TDocumentController::SaveOutcome::Saved);
    EXPECT_EQ(proposed, path);
    EXPECT_EQ(documents->DocumentPath(), File("notes.txt"));
    EXPECT_EQ(ReadBytes(File("notes.txt")), "1\r\n2");
    EXPECT_EQ(window.windowTitle(), "notes.txt - Vexmo");
    EXPECT_EQ(panels[0]->text(), "");
}

// Yes, then a cancelled save dialog: the same question again (closing keeps the window open).
TEST_F(DocumentsTest, YesThenCancelledSaveAsksAgain) {
    const QString before = File("before.vxm");
    WriteBytes(before, "keep\r\n");
    struct Row {
        const char* name;
        std::function<void(DocumentsTest&)> run;
        int questions;
    };
    const Row rows[] = {
        {"create new", [](DocumentsTest& t) { t.documents->FileNew(); }, 2},
        {"open", [](DocumentsTest& t) { t.documents->FileOpen(); }, 2},
        {"drop", [before](DocumentsTest& t) { t.documents->FileDropped(before); }, 2},
        {"close",
         [](DocumentsTest& t) { EXPECT_FALSE(t.documents->CloseQuery()); }, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        pane->setPlainText("draft");
        Type("+1");
        questions.clear();
        answers = {Button::Yes, Button::Cancel};
        chosen = {std::nullopt};
        if (row.questions == 1)
            answers.pop_back();
        row.run(*this);
        EXPECT_EQ(questions.size(), row.questions);
        ExpectAllAsked();
        EXPECT_EQ(Text(), "draft+1");
        EXPECT_TRUE(Modified());
        EXPECT_TRUE(documents->DocumentPath().isEmpty());
    }
}

TEST_F(DocumentsTest, QueryOptionOffDiscardsSilentlyButADropStillAsks) {
    settings.OptQueryDiscard = false;
    const QString other = File("other.vxm");
    WriteBytes(other, "2*3\r\n");

    Type("lost");
    documents->FileNew();
    EXPECT_EQ(Text(), "");
    EXPECT_FALSE(Modified());

    Type("lost too");
    Open(other);
    EXPECT_EQ(Text(), "2*3\n");
    EXPECT_TRUE(questions.isEmpty());

    Type("kept?");
    EXPECT_TRUE(documents->CloseQuery());
    EXPECT_TRUE(questions.isEmpty());

    answers = {Button::No};
    documents->FileDropped(other);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions.front().startsWith("other.vxm has been modified. Opening"));
    EXPECT_EQ(Text(), "2*3\n");
    EXPECT_FALSE(Modified());
    ExpectAllAsked();
}

TEST_F(DocumentsTest, NoToOpenClearsTheModifiedFlagEvenWhenTheDialogIsCancelled) {
    Type("x=1");
    answers = {Button::No};
    chosen = {std::nullopt};
    documents->FileOpen();
    EXPECT_EQ(Text(), "x=1");
    EXPECT_FALSE(Modified());
    EXPECT_EQ(window.windowTitle(), "Untitled - Vexmo");
    ExpectAllAsked();

    // Saving an untitled document asks for a name; cancelling keeps it untitled and modified.
    Type("+2");
    chosen = {std::nullopt};
    EXPECT_EQ(documents->FileSave(), TDocumentController::SaveOutcome::Cancelled);
    EXPECT_TRUE(Modified());
    EXPECT_TRUE(documents->DocumentPath().isEmpty());
}

TEST_F(DocumentsTest, CalculatedDocumentReopensPaintedAndProtected) {
    pane->setPlainText("1+2\nnote\n2*_I");
    for (int line : {0, 2}) {
        QTextCursor cursor(pane->document()->findBlockByNumber(line));
        pane->setTextCursor(cursor);
        ASSERT_TRUE(pane->CalculateLine(false));
    }
    const QString calculated = Text();
    ASSERT_TRUE(calculated.startsWith("1+2 ==> 3 +_I 0 \nnote\n2*_I ==> 0 +_I 2 "));

    chosen.push_back(File("calc.vxm"));
    ASSERT_EQ(documents->FileSaveAs(), TDocumentController::SaveOutcome::Saved);
    QByteArray expected = calculated.toUtf8();
    expected.replace("\n", "\r\n");
    EXPECT_EQ(ReadBytes(File("calc.vxm")), expected);

    documents->FileNew();
    ASSERT_EQ(Text(), "");
    Open(File("calc.vxm"));
    ASSERT_EQ(Text(), calculated);
    EXPECT_FALSE(Modified());

    const int arrow = QStringLiteral("1+2").size();
    const int answer = arrow + 5;
    EXPECT_EQ(ShownFormat(*pane, arrow).foreground().color(), QColor(Qt::red));
    EXPECT_EQ(ShownFormat(*pane, answer).foreground().color(), QColor(Qt::darkGreen));
    EXPECT_EQ(ShownFormat(*pane, answer).fontWeight(), QFont::Bold);
    EXPECT_FALSE(pane->IsProtected(arrow - 1));
    EXPECT_TRUE(pane->IsProtected(arrow));
    EXPECT_TRUE(pane->IsProtected(answer + 1));
    const QTextBlock note = pane->document()->findBlockByNumber(1);
    for (int i = note.position(); i < note.position() + note.length() - 1; ++i)
        EXPECT_FALSE(pane->IsProtected(i));
    EXPECT_NE(ShownFormat(*pane, note.position()).fontWeight(), QFont::Bold);
}

// A save that fails shows the error, keeps the old file and the modified document, and what
// asked the discard question is not carried out.
TEST_F(DocumentsTest, FailedSavesLoseNothing) {
    const QByteArray old = "1+1 ==> 2 +_I 0 \r\n";
    struct Row {
        const char* name;
        bool readOnly;
        std::function<void(DocumentsTest&)> run;
        bool asks;
    };
    const Row rows[] = {
        {"save on a full file system", false, [](DocumentsTest& t) { t.documents->FileSave(); },
         false},
        {"save into a read-only folder", true, [](DocumentsTest& t) { t.documents->FileSave(); },
         false},
        {"create new after yes", true, [](DocumentsTest& t) { t.documents->FileNew(); }, true},
        {"open after yes", false, [](DocumentsTest& t) { t.documents->FileOpen(); }, true},
        {"close after yes", true,
         [](DocumentsTest& t) { EXPECT_FALSE(t.documents->CloseQuery()); }, true},
    };
    // On a real small file system (root only) and, for everyone, under a file size limit.
    bool skipped = false;
    for (const bool mounted : {true, false})
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + (mounted ? "" : ", file size limit"));
        QTemporaryDir root;
        std::optional<test::SmallFileSystem> fs;
        if (mounted) {
            fs.emplace(root.filePath("fs").toStdString());
            if (!fs->Mounted()) {
                skipped = true; // mounting needs root
                break;
            }
        } else {
            QDir().mkpath(root.filePath("fs"));
        }
        const QString path = root.filePath("fs/calc.vxm");
        WriteBytes(path, old);
        Open(path);
        ASSERT_EQ(documents->DocumentPath(), path);
        if (row.readOnly && mounted) {
            ASSERT_TRUE(fs->MakeReadOnly());
            Type("2+2");
        } else {
            Type(QString(100 * 1024, QLatin1Char('9')));
        }
        const QString text = Text();
        errors.clear();
        if (row.asks) {
            answers = {Button::Yes};
            chosen = {path};
        }
        {
            std::optional<vexmo::test::FileSizeLimit> limit;
            if (!mounted) limit.emplace(old.size());
            row.run(*this);
        }
        ExpectAllAsked();
        EXPECT_EQ(errors.size(), 1);
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_EQ(Text(), text);
        EXPECT_TRUE(Modified());
        EXPECT_EQ(documents->DocumentPath(), path);
        EXPECT_EQ(QDir(root.filePath("fs")).entryList(QDir::Files | QDir::Hidden),
                  QStringList{"calc.vxm"});
        // Leave the small file system unused before it goes.
        settings.OptQueryDiscard = false;
        documents->FileNew();
        settings.OptQueryDiscard = true;
    }
    if (skipped) GTEST_SKIP() << "mounting a small file system needs root";
}

// A Save As whose new file cannot be written keeps the file the document belongs to.
TEST_F(DocumentsTest, FailedSaveAsKeepsTheDocumentPath) {
    const QString path = File("calc.vxm");
    WriteBytes(path, "1\r\n");
    Open(path);
    Type("+1");
    chosen.push_back(File("no such folder/calc.vxm"));
    EXPECT_EQ(documents->FileSaveAs(), TDocumentController::SaveOutcome::Failed);
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(documents->DocumentPath(), path);
    EXPECT_EQ(window.windowTitle(), "calc.vxm - Vexmo");
    EXPECT_TRUE(Modified());
}

TEST_F(DocumentsTest, UnreadableFileLeavesTheDocumentAsItWas) {
    const QString path = File("calc.vxm");
    WriteBytes(path, "1+1\r\n");
    Open(path);
    settings.OptQueryDiscard = false;  // the open dialog comes without a question

    struct Row {
        const char* name;
        bool modified;
        std::function<void(DocumentsTest&)> run;
    };
    const Row rows[] = {
        {"open dialog, file gone after choosing", true,
         [](DocumentsTest& t) {
             const QString gone = t.File("gone.vxm");
             WriteBytes(gone, "x");
             t.afterChoice = [gone] { QFile::remove(gone); };
             t.Open(gone);
             t.afterChoice = nullptr;
         }},
        {"dropped file missing", false,
         [](DocumentsTest& t) { t.documents->FileDropped(t.File("missing.vxm")); }},
        {"dropped folder", false,
         [](DocumentsTest& t) { t.documents->FileDropped(t.folder.path()); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Type("+5");
        if (!row.modified) {
            ASSERT_EQ(documents->FileSave(), TDocumentController::SaveOutcome::Saved);
        }
        errors.clear();
        const QString text = Text();
        row.run(*this);
        ExpectAllAsked();
        EXPECT_EQ(errors.size(), 1);
        EXPECT_EQ(Text(), text);
        EXPECT_EQ(documents->DocumentPath(), path);
        EXPECT_EQ(Modified(), row.modified);
        EXPECT_EQ(window.windowTitle(), row.modified ? "calc.vxm* - Vexmo" : "calc.vxm - Vexmo");
    }
}

TEST_F(DocumentsTest, StartupDocument) {
    const QString first = File("first.vxm");
    const QString last = File("last.vxm");
    WriteBytes(first, "1 ==> 1 +_I 0 \r\n");
    WriteBytes(last, "last\r\n");
    struct Row {
        const char* name;
        QStringList arguments;
        bool recall;
        QString recallFile;
        QString path;
        QString text;
        int errors;  // an argument that cannot be read is reported, a recalled file is not
    };
    // A name that is not UTF-8 still names its file.
    const QByteArray latin1Name = QFile::encodeName(folder.path()) + "/caf\xE9.vxm";
    WriteBytes(QFile::decodeName(latin1Name), "");  // a file Qt can name, not the one wanted
    {
        std::FILE* file = std::fopen(latin1Name.constData(), "wb");
        ASSERT_NE(file, nullptr);
        std::fputs("latin\r\n", file);
        std::fclose(file);
    }
    const QString latin1 = PathFromNativeBytes(latin1Name);
    const Row rows[] = {
        {"one argument", {first}, true, last, first, "1 ==> 1 +_I 0 \n", 0},
        {"name that is not UTF-8", {latin1}, true, last, latin1, "latin\n", 0},
        {"missing argument is reported, recalls nothing", {File("nothing.vxm")}, true, last, "",
         "", 1},
        {"two arguments recall the last file", {first, first}, true, last, last, "last\n", 0},
        {"no argument, recall off", {}, false, last, "", "", 0},
        {"unreadable recalled file", {}, true, folder.path(), "", "", 0},
        {"unreadable argument", {folder.path()}, true, last, "", "", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TCalcPane startPane;
        TDocumentController start(&window, &startPane, settings);
        QStringList startErrors;
        start.SetErrorHook([&](const QString& message) { startErrors << message; });
        settings.OptRecallLastFile = row.recall;
        settings.RecallFileName = row.recallFile;
        start.LoadStartupDocument(row.arguments);
        EXPECT_EQ(start.DocumentPath(), row.path);
        EXPECT_EQ(startPane.toPlainText(), row.text);
        EXPECT_FALSE(startPane.document()->isModified());
        EXPECT_EQ(window.windowTitle(), DocumentCaption(row.path));
        EXPECT_EQ(startPane.IsProtected(2), row.path == first);
        ASSERT_EQ(startErrors.size(), row.errors);
        if (row.errors > 0) {
            EXPECT_TRUE(startErrors.front().contains(QFileInfo(row.arguments.front()).fileName()))
                << "the message names the file: " << startErrors.front().toStdString();
        }
    }
    std::remove(latin1Name.constData());  // a name the temporary folder cannot remove itself
}

// Saving over something that is not a regular file is refused and changes nothing.
TEST_F(DocumentsTest, SaveRefusesTargetsThatAreNotRegularFiles) {
    const QString path = File("calc.vxm");
    WriteBytes(path, "1\r\n");
    Open(path);
    Type("+1");
    struct Row {
        const char* name;
        QString target;
        std::function<bool(const QByteArray&)> make;
    };
    const Row rows[] = {
        {"pipe", File("pipe.vxm"), [](const QByteArray& p) { return ::mkfifo(p, 0600) == 0; }},
        {"character device", File("null.vxm"),
         [](const QByteArray& p) { return ::mknod(p, S_IFCHR | 0666, ::makedev(1, 3)) == 0; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QByteArray native = QFile::encodeName(row.target);
        if (!row.make(native)) {
            ASSERT_NE(::geteuid(), 0u) << "root could not make the node";
            continue;  // only root may make a device
        }
        struct stat before {};
        ASSERT_EQ(::stat(native, &before), 0);
        errors.clear();
        chosen.push_back(row.target);
        EXPECT_EQ(documents->FileSaveAs(), TDocumentController::SaveOutcome::Failed);
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors.front().contains(row.target)) << errors.front().toStdString();
        struct stat after {};
        ASSERT_EQ(::stat(native, &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(documents->DocumentPath(), path);
        EXPECT_TRUE(Modified());
    }
}

// The legacy encoding comes from the file's bytes, with the English interface too: new lines
// are saved in it and the old lines keep their bytes; a text the code page cannot hold goes
// to UTF-8, and the user is told.
TEST_F(DocumentsTest, LegacyDocumentsAreSavedInTheirOwnEncoding) {
    if (!ShiftJisAvailable()) {
        GTEST_SKIP() << "no Shift_JIS converter in this Qt build";
    }
    QStringEncoder sjis("Shift_JIS");
    const QString oldJapanese = QStringLiteral("税込=1000*1.1 ==> 1100 +_I 0 ; 消費税を含む");
    const QString newJapanese = QStringLiteral("合計=税込*2");
    struct Row {
        const char* name;
        QByteArray old;      // the file as it was
        QString added;       // a line typed at its end
        QByteArray tail;     // the bytes the new line must add
        int notices;
    };
    const Row rows[] = {
        {"shift_jis with a japanese line", sjis.encode(oldJapanese + "\r\n"), newJapanese,
         sjis.encode(newJapanese), 0},
        {"windows-1252 with a western line", "Caf\xE9=2*3 ==> 6 +_I 0 \r\n",
         QStringLiteral("Größe"), "Gr\xF6\xDF" "e", 0},
        {"windows-1252 with a japanese line", "Caf\xE9=2*3 ==> 6 +_I 0 \r\n", newJapanese, "", 1},
        {"shift_jis with a line shift_jis cannot hold", sjis.encode(oldJapanese + "\r\n"),
         QString::fromUtf8("X=1 ; \xF0\x9F\x98\x80 \xC3\xB6"), "", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = File("legacy.vxm");
        WriteBytes(path, row.old);
        Open(path);
        const QString shown = Text();
        QStringList notices;
        documents->SetNoticeHook([&](const QString& message) { notices << message; });
        Type(row.added);
        ASSERT_EQ(documents->FileSave(), TDocumentController::SaveOutcome::Saved);
        EXPECT_EQ(notices.size(), row.notices);
        const QByteArray saved = ReadBytes(path);
        if (row.notices == 0) {
            EXPECT_EQ(saved, row.old + row.tail);
        } else {
            // The old lines as they were shown, the new one with them, all in UTF-8.
            EXPECT_EQ(QString::fromUtf8(saved), QString(shown + row.added).replace("\n", "\r\n"));
            EXPECT_TRUE(notices.front().contains("UTF-8")) << notices.front().toStdString();
            EXPECT_EQ(documents->Encoding(), DocumentEncoding::Utf8);
        }
        documents->SetNoticeHook(nullptr);
    }
}

// ---- the main window ----

class MainWindowDocumentsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetDecimalSeparator('.');
        ASSERT_TRUE(folder.isValid());
        QSettings(QStringLiteral("Dorv"), QStringLiteral("Vexmo")).clear();
    }
    // A main window after its deferred start-up, its questions answered from `answers`.
    std::unique_ptr<TFrmMain> Start(const QStringList& arguments = {}) {
        auto window = test::StartMainWindow(arguments);
        window->Documents().SetQuestionHook([this](const QString& text) {
            questions << text;
            if (answers.empty())
                return QMessageBox::Cancel;
            const Button answer = answers.front();
            answers.pop_front();
            return answer;
        });
        window->Documents().SetFileDialogHook([](QFileDialog&) { return false; });
        return window;
    }
    QString File(const QString& name) const { return folder.filePath(name); }

    QTemporaryDir folder;
    std::deque<Button> answers;
    QStringList questions;
};

// A legacy file guessed wrong is read again in the encoding the user names; saving keeps it.
TEST_F(MainWindowDocumentsTest, ReopenWithEncoding) {
    struct Row {
        const char* name;
        QByteArray bytes;
        const char* guessed;  // the encoding panel after opening
        const char* command;
        QString text;         // after the command
        const char* panel;
        int errors;
        QByteArray saved;     // after typing "2" on a new last line and saving
    };
    const Row rows[] = {
        {"lone kanji guessed as Western", "1 ; \x8C\x76\r\n", "Windows-1252 (guessed)",
         "AtnFileReopenShiftJis", QStringLiteral("1 ; 計\n"), "Shift_JIS", 0,
         "1 ; \x8C\x76\r\n2"},
        {"UTF-8 read as Western", "caf\xC3\xA9\r\n", "UTF-8", "AtnFileReopenWindows1252",
         QStringLiteral("cafÃ©\n"), "Windows-1252", 0, "caf\xC3\xA9\r\n2"},
        {"bytes that are not UTF-8 are refused", "caf\xE9\r\n", "Windows-1252 (guessed)",
         "AtnFileReopenUtf8", QStringLiteral("café\n"), "Windows-1252 (guessed)", 1,
         "caf\xE9\r\n2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = File("legacy.vxm");
        WriteBytes(path, row.bytes);
        auto window = Start({path});
        QStringList errors;
        window->Documents().SetErrorHook([&](const QString& message) { errors << message; });
        EXPECT_EQ(window->EncodingPanel()->text(), row.guessed);
        window->UpdateActions();
        QAction* reopen = window->Action(row.command);
        ASSERT_TRUE(reopen->isEnabled());
        reopen->trigger();
        EXPECT_EQ(window->Pane()->toPlainText(), row.text);
        EXPECT_EQ(window->EncodingPanel()->text(), row.panel);
        EXPECT_EQ(errors.size(), row.errors);
        window->UpdateActions();
        EXPECT_EQ(reopen->isChecked(), row.errors == 0);

        window->Pane()->moveCursor(QTextCursor::End);
        window->Pane()->InsertText("2");
        // A modified document is asked about first; Cancel keeps the edit.
        answers = {Button::Cancel};
        reopen->trigger();
        EXPECT_EQ(questions.size(), 1);
        questions.clear();
        EXPECT_EQ(window->Pane()->toPlainText(), row.text + "2");
        ASSERT_EQ(window->Documents().FileSave(), TDocumentController::SaveOutcome::Saved);
        EXPECT_EQ(ReadBytes(path), row.saved);
        window->Opt().OptQueryDiscard = false;
    }
    // Untitled, there is nothing to read again.
    auto window = Start();
    window->UpdateActions();
    EXPECT_FALSE(window->Action("AtnFileReopenShiftJis")->isEnabled());
}

TEST_F(MainWindowDocumentsTest, FirstStartAsksBeforeClosingAModifiedDocument) {
    auto window = Start();
    EXPECT_EQ(window->windowTitle(), "Untitled - Vexmo");
    EXPECT_TRUE(window->Opt().OptQueryDiscard);
    EXPECT_TRUE(window->Opt().OptRecallLastFile);
    EXPECT_EQ(window->StatusPanel(0)->text(), "");

    window->Pane()->InsertText("1+2");
    window->RefreshTitle();
    EXPECT_EQ(window->StatusPanel(0)->text(), "Modified");
    answers = {Button::Cancel};
    EXPECT_FALSE(window->close());
    answers = {Button::No};
    EXPECT_TRUE(window->close());
    EXPECT_EQ(questions.size(), 2);
    EXPECT_TRUE(questions.front().contains("Closing Vexmo will discard the change."));
    QSettings store(QStringLiteral("Dorv"), QStringLiteral("Vexmo"));
    EXPECT_EQ(store.value("OptQueryDiscard").toInt(), 1);
    EXPECT_EQ(store.value("RecallFileName").toString(), "");
}

TEST_F(MainWindowDocumentsTest, ClosingRemembersTheDocumentForTheNextStart) {
    const QString path = File("calc.vxm");
    WriteBytes(path, "2*3 ==> 6 +_I 0 \r\n");
    const QString other = File("other.vxm");
    WriteBytes(other, "other\r\n");
    {
        auto window = Start({path});
        EXPECT_EQ(window->DocumentPath(), path);
        EXPECT_EQ(window->windowTitle(), "calc.vxm - Vexmo");
        QFont font = window->Pane()->font();
        font.setPointSize(17);
        window->Pane()->setFont(font);
        EXPECT_TRUE(window->close());
    }
    struct Row {
        const char* name;
        QStringList arguments;
        QString path;
        QString text;
    };
    QGuiApplication::setApplicationDisplayName("Vexmo");  // as the program starts
    const Row rows[] = {
        {"no argument recalls it", {}, path, "2*3 ==> 6 +_I 0 \n"},
        {"two arguments are ignored", {other, other}, path, "2*3 ==> 6 +_I 0 \n"},
        {"one argument wins", {other}, other, "other\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto window = Start(row.arguments);
        EXPECT_EQ(window->DocumentPath(), row.path);
        EXPECT_EQ(window->Pane()->toPlainText(), row.text);
        EXPECT_EQ(window->Pane()->font().pointSize(), 17);
        EXPECT_FALSE(window->Pane()->document()->isModified());
        EXPECT_EQ(window->windowTitle(), DocumentCaption(row.path));
        // The desktop appends the display name to every caption not ending with it; the
        // document's name there would show in the caption of each dialog.
        EXPECT_EQ(QGuiApplication::applicationDisplayName(), "Vexmo");
    }
    auto window = Start();
    EXPECT_TRUE(window->Pane()->IsProtected(4));
}

TEST_F(MainWindowDocumentsTest, DropTakesTheFirstFileAndAsksEvenWithTheQueryOff) {
    const QString first = File("first.vxm");
    const QString second = File("second.vxm");
    WriteBytes(first, "first\r\n");
    WriteBytes(second, "second\r\n");
    auto window = Start();
    window->show();
    window->Opt().OptQueryDiscard = false;
    window->Pane()->InsertText("draft");

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
    // As the desktop delivers it: the drag enters the pane, then drops there.
    auto dropOnPane = [&] {
        QWidget* target = window->Pane()->viewport();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    };
    answers = {Button::Cancel};
    dropOnPane();
    EXPECT_EQ(window->Pane()->toPlainText(), "draft");
    answers = {Button::No};
    dropOnPane();
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(window->Pane()->toPlainText(), "first\n");
    EXPECT_EQ(window->DocumentPath(), first);
    EXPECT_EQ(window->windowTitle(), "first.vxm - Vexmo");
}

TEST_F(MainWindowDocumentsTest, OptionsRefreshTitleAndRepaintOnCancelAndApplyOnOk) {
    auto window = Start();
    TCalcPane* pane = window->Pane();
    pane->setPlainText("1+1 ==> 2 +_I 0 \nplain");
    window->StatusPanel(1)->setText("stale");
    const QColor plainColor = pane->ExpressionColor();

    test::AnswerNextDialog<TFrmOptions>([](TFrmOptions& options) { options.reject(); });
    window->Action("AtnOptions")->trigger();
    EXPECT_TRUE(pane->IsProtected(4));
    EXPECT_EQ(window->StatusPanel(1)->text(), "");

    test::AnswerNextDialog<TFrmOptions>([](TFrmOptions& options) {
        options.RGrpLanguage->SetItemIndex(1);
        options.CboColorArrow->setCurrentIndex(NamedColorIndex(0xFF0000));  // clBlue
        options.accept();
    });
    window->Action("AtnOptions")->trigger();
    EXPECT_EQ(window->Opt().Language, LanguageJapanese);
    EXPECT_EQ(window->Action("AtnFileNew")->text(), QStringLiteral("新規作成(&N)"));
    EXPECT_EQ(window->Opt().OptColorArrow, 0xFF0000u);
    EXPECT_EQ(ShownFormat(*pane, 4).foreground().color(), QColor(Qt::blue));
    EXPECT_EQ(pane->ExpressionColor(), plainColor);
}

}  // namespace
}  // namespace vexmo
