// The main window's everyday conveniences on the real widgets: the first window and font,
// recent documents and where file dialogs start, answers without a zero imaginary part, and
// copying one line's answer.
#include "document/gui/CalcPane.h"
#include "engine/DorvSub.h"
#include "files/Options.h"
#include "shell/MainWnd.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <gtest/gtest.h>

#include "MainWindowStart.h"

#include <deque>
#include <functional>
#include <memory>

using namespace vexmo;

namespace {

class ComfortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetDecimalSeparator('.');
        ASSERT_TRUE(folder.isValid());
        vexmo::test::ForgetEarlierRuns();
    }

    void Start() {
        window = vexmo::test::StartMainWindow();
        pane = window->Pane();
        TDocumentController& documents = window->Documents();
        documents.SetErrorHook([this](const QString& message) { errors << message; });
        documents.SetFileDialogHook([this](QFileDialog& dialog) {
            dialogFolders << dialog.directory().absolutePath();
            if (chosen.empty()) return false;
            dialog.selectFile(chosen.front());
            chosen.pop_front();
            return true;
        });
    }
    // Closes the window as the user would, which writes the settings.
    void Close() {
        window->Pane()->document()->setModified(false);
        window->close();
        window.reset();
    }

    QString MakeFile(const QString& name, const QByteArray& text = "1+1\r\n") {
        QDir().mkpath(QFileInfo(folder.filePath(name)).absolutePath());
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return QFileInfo(file).absoluteFilePath();
    }
    QStringList RecentEntries() {
        emit window->RecentMenu()->aboutToShow();
        QStringList texts;
        for (QAction* a : window->RecentMenu()->actions())
            texts << a->text();
        return texts;
    }
    void CalculateLine(const QString& text) {
        pane->setPlainText(text);
        pane->moveCursor(QTextCursor::Start);
        pane->AtnVexmiCalculateExecute();
        pane->moveCursor(QTextCursor::Start);
    }

    QTemporaryDir folder;
    std::unique_ptr<TFrmMain> window;
    TEditPane* pane = nullptr;
    QStringList errors;
    QStringList dialogFolders;
    std::deque<QString> chosen;
};

} // namespace

TEST_F(ComfortTest, FirstWindowFitsTheScreenAndStoredPlacesAndFontsAreKept) {
    struct Row {
        const char* name;
        bool stored;
    };
    const Row rows[] = {{"first start", false}, {"stored by the user", true}};
    const QRect placed(30, 40, 640, 420);
    QFont chosen(QStringLiteral("DejaVu Serif"), 15);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QSettings(QStringLiteral("Dorv"), QStringLiteral("Vexmo")).clear();
        if (row.stored) {
            Start();
            window->setGeometry(placed);
            pane->setFont(chosen);
            Close();
        }
        Start();
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        if (row.stored) {
            EXPECT_EQ(window->geometry(), placed);
            EXPECT_EQ(pane->font().family(), chosen.family());
            EXPECT_EQ(pane->font().pointSize(), 15);
        } else {
            EXPECT_EQ(window->geometry(), FirstWindowBounds(available));
            const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
            EXPECT_EQ(pane->font().family(), fixed.family());
            EXPECT_EQ(pane->font().pointSizeF(), fixed.pointSizeF());
        }
        Close();
    }
}

TEST_F(ComfortTest, RecentDocumentsNewestFirstAndGoneFilesDropped) {
    Start();
    window->Opt().Language = 1;
    window->ApplyInterfaceTexts();
    EXPECT_EQ(window->RecentMenu()->title(), "&Recent documents");
    EXPECT_EQ(RecentEntries(), QStringList({"(none)"}));

    // Ten documents opened, one saved under a new name: the last eight, newest first.
    QStringList files;
    for (int i = 0; i < 10; ++i) {
        files << MakeFile(QStringLiteral("doc%1.vxm").arg(i));
        chosen.push_back(files.back());
        window->Documents().FileOpen();
    }
    const QString saved = folder.filePath(QStringLiteral("sub/saved & sound.vxm"));
    QDir().mkpath(folder.filePath(QStringLiteral("sub")));
    chosen.push_back(saved);
    window->Documents().FileSaveAs();
    QStringList expected{"&1 " + QDir::toNativeSeparators(saved).replace("&", "&&")};
    for (int i = 9; i >= 3; --i)
        expected << QStringLiteral("&%1 %2").arg(11 - i).arg(QDir::toNativeSeparators(files[i]));
    EXPECT_EQ(RecentEntries(), expected);

    // Opening an entry brings it to the front; an entry whose file is gone is dropped.
    window->RecentMenu()->actions().at(3)->trigger();
    EXPECT_EQ(window->DocumentPath(), files[7]);
    EXPECT_TRUE(RecentEntries().front().endsWith("doc7.vxm"));
    QFile::remove(files[5]);
    QAction* gone = nullptr;
    for (QAction* a : window->RecentMenu()->actions())
        if (a->text().endsWith("doc5.vxm")) gone = a;
    ASSERT_NE(gone, nullptr);
    gone->trigger();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.front().contains("no longer exists")) << errors.front().toStdString();
    EXPECT_EQ(window->DocumentPath(), files[7]) << "the open document stays";
    EXPECT_EQ(RecentEntries().size(), 7);
    EXPECT_FALSE(RecentEntries().join(" ").contains("doc5.vxm"));

    // One whose file is no longer a text document leaves the open document as it is.
    const QString text = window->Pane()->toPlainText();
    QFile binary(files[6]);
    ASSERT_TRUE(binary.open(QIODevice::WriteOnly | QIODevice::Truncate));
    binary.write(QByteArray("1+1\0\x01", 5));
    binary.close();
    for (QAction* a : window->RecentMenu()->actions())
        if (a->text().endsWith("doc6.vxm")) a->trigger();
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors.back().contains("NUL")) << errors.back().toStdString();
    EXPECT_EQ(window->DocumentPath(), files[7]);
    EXPECT_EQ(window->Pane()->toPlainText(), text);

    // The list and the last folder come back at the next start, in Japanese too.
    const QStringList before = RecentEntries();
    Close();
    Start();
    window->Opt().Language = 2;
    window->ApplyInterfaceTexts();
    EXPECT_EQ(window->RecentMenu()->title(), "最近使ったファイル(&R)");
    EXPECT_EQ(RecentEntries(), before);
}

TEST_F(ComfortTest, FileDialogsStartInTheDocumentsFolderElseTheLastElseHome) {
    Start();
    const QString inA = MakeFile(QStringLiteral("a/one.vxm"));
    const QString inB = MakeFile(QStringLiteral("b/two.vxm"));
    struct Step {
        const char* name;
        std::function<void()> before;
        QString expectedFolder;
    };
    const Step steps[] = {
        {"fresh start: home", [] {}, QDir::homePath()},
        {"a document's own folder", [&] { window->Documents().FileDropped(inA); },
         QFileInfo(inA).absolutePath()},
        {"a new document: the last folder used",
         [&] {
             window->Documents().FileDropped(inB);
             window->Documents().FileNew();
         },
         QFileInfo(inB).absolutePath()},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.before();
        dialogFolders.clear();
        window->Documents().FileOpen();
        window->Documents().FileSaveAs();
        EXPECT_EQ(dialogFolders, QStringList({step.expectedFolder, step.expectedFolder}));
    }
    // A last folder that is gone gives the home folder.
    QDir(QFileInfo(inB).absolutePath()).removeRecursively();
    dialogFolders.clear();
    window->Documents().FileOpen();
    EXPECT_EQ(dialogFolders, QStringList({QDir::homePath()}));
}

TEST_F(ComfortTest, ZeroImaginaryPartLeftOutWhenTheOptionIsOff) {
    Start();
    // The check box sits on the Number format page, on by default; turn it off there.
    auto* poll = new QTimer(window.get());
    QObject::connect(poll, &QTimer::timeout, [poll] {
        auto* dialog = qobject_cast<TFrmOptions*>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll->stop();
        EXPECT_TRUE(dialog->ChkShowZeroImaginary->isChecked());
        EXPECT_TRUE(dialog->TabNumberFormat->isAncestorOf(dialog->ChkShowZeroImaginary));
        dialog->ChkShowZeroImaginary->setChecked(false);
        dialog->accept();
    });
    poll->start(10);
    window->Action("AtnOptions")->trigger();
    EXPECT_FALSE(window->Opt().OptShowZeroImaginary);

    window->Action("AtnEditSendToClipboard")->trigger();
    ASSERT_TRUE(pane->CopyAutomatically());
    struct Row {
        const char* name;
        int complexStyle;
        QString line, answerLine, clip;
    };
    const Row rows[] = {
        {"conventional", 0, "120*130", "120*130 ==> 15600 ", "15600"},
        {"program style", 1, "120*130", "120*130 ==> 15600 ", "15600"},
        {"tab separated", 2, "-0.5", "-0.5 ==> -0.5 ", "-0.5"},
        {"a complex answer keeps both parts", 0, "3-4*_I", "3-4*_I ==> 3 -_I 4 ", "3 + -4i"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        window->Opt().OptNumFormatComplex = row.complexStyle;
        pane->SetNumberFormat(window->Opt());
        CalculateLine(row.line);
        EXPECT_EQ(pane->document()->firstBlock().text(), row.answerLine);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), row.clip);
    }
}

TEST_F(ComfortTest, CopyAnswerCopiesTheLinesValueAsTheClipboardSettingsWriteIt) {
    Start();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    pane->setFocus();
    QAction* copyAnswer = window->Action("AtnEditCopyAnswer");
    EXPECT_EQ(copyAnswer->shortcut(), QKeySequence("Ctrl+Shift+C"));
    struct Row {
        const char* name;
        int numFormat, digits, clipboard, complexStyle;
        bool showZero;
        QString line, clip;
    };
    const Row rows[] = {
        {"every bit of a rounded answer", 2, 2, 0, 0, true, "1/3", "0.3333333333333333 + 0i"},
        {"program style", 0, 0, 0, 1, true, "2+3*_I", "2 +_I 3"},
        {"as the answer format", 2, 2, 1, 0, true, "1/3", "0.33 +_I 0.00"},
        {"plain number without a zero imaginary part", 0, 0, 0, 2, false, "1/4", "0.25"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Settings& opt = window->Opt();
        opt.OptNumFormat = row.numFormat;
        opt.OptDigits = row.digits;
        opt.OptNumFormatClipboard = row.clipboard;
        opt.OptNumFormatComplex = row.complexStyle;
        opt.OptShowZeroImaginary = row.showZero;
        pane->SetNumberFormat(opt);
        CalculateLine(row.line);
        QGuiApplication::clipboard()->clear();
        window->UpdateActions();
        ASSERT_TRUE(copyAnswer->isEnabled());
        QTest::keyClick(pane, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), row.clip);
    }
    // A line without an answer has nothing to copy.
    pane->setPlainText("1+1");
    window->UpdateActions();
    EXPECT_FALSE(copyAnswer->isEnabled());
}
