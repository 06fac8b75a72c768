// The main window on the real widgets: commands and their enabling rules, menus, tool bar,
// window modes, insert and help commands, start-up order.

#include "engine/BuiltinFunctions.h"
#include "files/InterfaceTexts.h"
#include "shell/Actions.h"
#include "shell/HelpWindow.h"
#include "shell/MainWnd.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolTip>
#include <QTextBrowser>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "MainWindowStart.h"
#include "QtWait.h"

#include <memory>

using namespace vexmo;

namespace {

// Every test starts as a first run: nothing stored yet.
class MainWndTest : public vexmo::test::MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        window->SetUrlOpener([this](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
    }

    QAction* A(const char* name) { return window->Action(name); }
    QMenu* Menu(const char* name) { return window->findChild<QMenu*>(name); }

    // The enabled states after the next idle update.
    void Idle() { ASSERT_TRUE(vexmo::test::WaitForIdleUpdate(*window)); }

    void SetText(const QString& text) {
        pane->setPlainText(text);
        pane->document()->setModified(false);
    }

    std::vector<QUrl> opened;
};

// Names of a menu's items; separators as "|", submenus by their object name.
QStringList Items(const QList<QAction*>& actions) {
    QStringList names;
    for (QAction* a : actions) {
        if (a->isSeparator())
            names << QStringLiteral("|");
        else if (a->menu())
            names << a->menu()->objectName();
        else
            names << a->objectName();
    }
    return names;
}

}  // namespace

TEST(ActionTableTest, CategoriesShortcutsAndCount) {
    QWidget owner;
    TActionList actions(&owner);
    EXPECT_EQ(actions.All().size(), 34u + 21u + 41u);

    struct Row {
        const char* name;
        ActionCategory category;
        const char* shortcut;
    };
    const Row rows[] = {
        {"AtnFileNew", ActionCategory::File, ""},
        {"AtnFileOpen", ActionCategory::File, "F3"},
        {"AtnFileSave", ActionCategory::File, "F2"},
        {"AtnFileExit", ActionCategory::File, "Alt+X"},
        {"AtnEditUndo", ActionCategory::Edit, "Alt+Backspace"},
        {"AtnEditRedo", ActionCategory::Edit, "Ctrl+Y"},
        {"AtnHelpIndex", ActionCategory::Help, "F1"},
        {"AtnEditCut", ActionCategory::Edit, "Shift+Del"},
        {"AtnEditCopy", ActionCategory::Edit, "Ctrl+Ins"},
        {"AtnEditPaste", ActionCategory::Edit, "Shift+Ins"},
        {"AtnEditDelete", ActionCategory::Edit, "Ctrl+Del"},
        {"AtnEditSelectAll", ActionCategory::Edit, ""},
        {"AtnEditSendToClipboard", ActionCategory::Edit, ""},
        {"AtnEditFind", ActionCategory::Edit, "Ctrl+F"},
        {"AtnEditReplace", ActionCategory::Edit, "Ctrl+H"},
        {"AtnEditCopyAnswer", ActionCategory::Edit, "Ctrl+Shift+C"},
        {"AtnOptionShowVariables", ActionCategory::Option, ""},
        {"AtnOptionsSimpleWindow", ActionCategory::Option, ""},
        {"AtnOptionDelRegistry", ActionCategory::Option, ""},
        {"AtnVexmiCalculate", ActionCategory::Vexmi, ""},
        {"AtnVexmiReCalc", ActionCategory::Vexmi, ""},
        {"AtnVexmiCalcBelow", ActionCategory::Vexmi, "F9"},
        {"AtnHelpDorvHomepage", ActionCategory::Help, ""},
        {"AtnInsertConstC0", ActionCategory::Insert, ""},
        {"AtnInsertFuncCONJ", ActionCategory::Insert, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QAction* action = actions.Find(row.name);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(CategoryOf(action), row.category);
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromLatin1(row.shortcut)));
    }
    EXPECT_EQ(actions.Find("AtnNoSuchCommand"), nullptr);

    // Every shortcut belongs to one command only.
    QList<QKeySequence> seen;
    for (QAction* a : actions.All()) {
        if (a->shortcut().isEmpty()) continue;
        EXPECT_FALSE(seen.contains(a->shortcut())) << a->objectName().toStdString();
        seen << a->shortcut();
    }
}

TEST(InsertTextTest, EveryInsertCommandInsertsANameTheEngineKnows) {
    for (std::string_view name : InsertConstNames()) {
        SCOPED_TRACE(std::string(name));
        int back = -1;
        const QString text = TCalcPane::InsertCommandTextOf(QString::fromLatin1(name), &back);
        EXPECT_EQ(back, 0);
        EXPECT_TRUE(IsConstantName(text.toStdString()));
    }
    for (std::string_view name : InsertFuncNames()) {
        SCOPED_TRACE(std::string(name));
        int back = -1;
        const QString text = TCalcPane::InsertCommandTextOf(QString::fromLatin1(name), &back);
        ASSERT_TRUE(text.endsWith(QStringLiteral("()")));
        EXPECT_EQ(back, 1);
        EXPECT_TRUE(IsBuiltinFunction(text.chopped(2).toStdString()));
    }
}

TEST_F(MainWndTest, EnablingRulesFollowTheDocumentSelectionAndClipboard) {
    struct Row {
        const char* name;
        QString text;
        bool select;
        bool modified;
        bool clipboardText;
        bool save, cut, paste, answers;
    };
    const Row rows[] = {
        {"empty document", "", false, false, false, false, false, false, false},
        {"a line break only", "\n", false, false, false, false, false, false, true},
        {"text, no selection", "1+2", false, false, false, false, false, false, true},
        {"text with selection", "1+2", true, false, false, false, true, false, true},
        {"modified", "1+2", false, true, false, true, false, false, true},
        {"clipboard holds text", "", false, false, true, false, false, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetText(row.text);
        if (row.select) pane->selectAll();
        pane->document()->setModified(row.modified);
        if (row.clipboardText)
            QGuiApplication::clipboard()->setText(QStringLiteral("12"));
        else
            QGuiApplication::clipboard()->clear();
        Idle();
        EXPECT_EQ(A("AtnFileSave")->isEnabled(), row.save);
        EXPECT_EQ(A("AtnEditCut")->isEnabled(), row.cut);
        EXPECT_EQ(A("AtnEditCopy")->isEnabled(), row.cut);
        EXPECT_EQ(A("AtnEditDelete")->isEnabled(), row.cut);
        EXPECT_EQ(A("AtnEditPaste")->isEnabled(), row.paste);
        EXPECT_EQ(A("AtnVexmiRemoveAnswers")->isEnabled(), row.answers);
        EXPECT_EQ(A("AtnVexmiReCalc")->isEnabled(), row.answers);
        for (const char* always :
             {"AtnFileNew", "AtnFileOpen", "AtnFileSaveAs", "AtnFileExit", "AtnEditSelectAll",
              "AtnOptions", "AtnVexmiCalculate", "AtnHelpAbout", "AtnInsertFuncSIN"})
            EXPECT_TRUE(A(always)->isEnabled()) << always;
    }
}

TEST_F(MainWndTest, UndoAndRedoAreEnabledWhileTheEditorCanDoThem) {
    SetText("");
    Idle();
    EXPECT_FALSE(A("AtnEditUndo")->isEnabled());
    EXPECT_FALSE(A("AtnEditRedo")->isEnabled());
    QTest::keyClicks(pane, "7*6");
    Idle();
    EXPECT_TRUE(A("AtnEditUndo")->isEnabled());
    A("AtnEditUndo")->trigger();
    Idle();
    EXPECT_TRUE(pane->toPlainText().isEmpty());
    EXPECT_FALSE(A("AtnEditUndo")->isEnabled());
    EXPECT_TRUE(A("AtnEditRedo")->isEnabled());
    EXPECT_EQ(A("AtnEditRedo")->shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")}));

    // Both keys reach the command, not only the editor's own redo.
    for (const char* keys : {"Ctrl+Y", "Ctrl+Shift+Z"}) {
        SCOPED_TRACE(keys);
        A("AtnEditUndo")->trigger();
        Idle();
        EXPECT_TRUE(pane->toPlainText().isEmpty());
        window->show();
        pane->setFocus();
        const QKeySequence sequence(QString::fromLatin1(keys));
        QTest::keySequence(pane, sequence);
        Idle();
        EXPECT_EQ(pane->toPlainText(), QStringLiteral("7*6"));
    }
}

TEST_F(MainWndTest, DisabledCommandsComeBackAtTheNextIdleUpdate) {
    SetText("1+2");
    window->DisableAllCommands();
    for (QAction* a : window->Actions().All())
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    Idle();
    EXPECT_TRUE(A("AtnVexmiCalculate")->isEnabled());
    EXPECT_TRUE(A("AtnVexmiReCalc")->isEnabled());
    EXPECT_FALSE(A("AtnFileSave")->isEnabled());
}

TEST_F(MainWndTest, EditCommands) {
    SetText("12+34");
    QTextCursor cursor = pane->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(2, QTextCursor::KeepAnchor);
    pane->setTextCursor(cursor);
    Idle();

    A("AtnEditCopy")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("12"));
    A("AtnEditDelete")->trigger();
    EXPECT_EQ(pane->toPlainText(), QStringLiteral("+34"));
    EXPECT_EQ(window->StatusPanel(0)->text(), QStringLiteral("Modified"));

    Idle();
    A("AtnEditPaste")->trigger();
    EXPECT_EQ(pane->toPlainText(), QStringLiteral("12+34"));

    Idle();
    A("AtnEditSelectAll")->trigger();
    Idle();
    A("AtnEditCut")->trigger();
    EXPECT_TRUE(pane->toPlainText().isEmpty());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("12+34"));

    // Paste takes plain text only, whatever else the clipboard offers.
    auto* data = new QMimeData;
    data->setHtml(QStringLiteral("<b>bold</b>"));
    data->setText(QStringLiteral("5*5"));
    QGuiApplication::clipboard()->setMimeData(data);
    Idle();
    A("AtnEditPaste")->trigger();
    EXPECT_EQ(pane->toPlainText(), QStringLiteral("5*5"));
    EXPECT_FALSE(pane->textCursor().charFormat().font().bold());
}

TEST_F(MainWndTest, ShortcutsRunTheCommandsInThePane) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    pane->setFocus();
    SetText("12+34");
    pane->selectAll();
    Idle();
    QTest::keyClick(pane, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("12+34"));
    QTest::keyClick(pane, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(pane->toPlainText().isEmpty());
    Idle();
    QTest::keyClick(pane, Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(pane->toPlainText(), QStringLiteral("12+34"));
    Idle();
    QTest::keyClick(pane, Qt::Key_End);
    QTest::keyClick(pane, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(pane->toPlainText(), QStringLiteral("12+3412+34"));
}

TEST_F(MainWndTest, PasteKeysRunThePasteCommand) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    pane->setFocus();
    struct Row {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    const Row rows[] = {
        {"ctrl+v", Qt::Key_V, Qt::ControlModifier},
        {"shift+insert", Qt::Key_Insert, Qt::ShiftModifier},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetText(QStringLiteral("1+"));
        window->RefreshTitle();
        QTextCursor cursor = pane->textCursor();
        cursor.setPosition(2);
        pane->setTextCursor(cursor);
        auto* data = new QMimeData;
        data->setHtml(QStringLiteral("<b>9</b>"));
        data->setText(QStringLiteral("2"));
        QGuiApplication::clipboard()->setMimeData(data);
        Idle();
        // The press alone: the key release would set the panel by itself.
        QTest::keyPress(pane, row.key, row.modifiers);
        QTest::keyRelease(window->ToolBar(), row.key, row.modifiers);
        EXPECT_EQ(pane->toPlainText(), QStringLiteral("1+2"));
        EXPECT_FALSE(pane->textCursor().charFormat().font().bold());
        EXPECT_EQ(window->StatusPanel(0)->text(), QStringLiteral("Modified"))
            << "the title was refreshed";
    }
}

TEST_F(MainWndTest, InsertCommandsReplaceTheSelection) {
    struct Row {
        const char* action;
        const char* before;
        int selStart, selEnd;
        const char* after;
        int caret;
    };
    const Row rows[] = {
        {"AtnInsertConstPI", "2*", 2, 2, "2*_PI", 5},
        {"AtnInsertConstC0", "", 0, 0, "_C", 2},
        {"AtnInsertConstRND", "x+y", 2, 3, "x+_RND", 6},
        {"AtnInsertFuncSQRT", "", 0, 0, "SQRT()", 5},
        {"AtnInsertFuncSIN", "1+9", 2, 3, "1+SIN()", 6},
        {"AtnInsertFuncDB2", "A", 0, 1, "DB2()", 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.action);
        SetText(QString::fromLatin1(row.before));
        QTextCursor cursor = pane->textCursor();
        cursor.setPosition(row.selStart);
        cursor.setPosition(row.selEnd, QTextCursor::KeepAnchor);
        pane->setTextCursor(cursor);
        A(row.action)->trigger();
        EXPECT_EQ(pane->toPlainText(), QString::fromLatin1(row.after));
        EXPECT_EQ(pane->textCursor().position(), row.caret);
        EXPECT_FALSE(pane->textCursor().hasSelection());
    }
}

TEST_F(MainWndTest, MainMenuPopupMenuAndToolBarInTheirOrder) {
    EXPECT_EQ(Items(window->menuBar()->actions()),
              QStringList({"File1", "Edit1", "Insert1", "Vexmo1", "Options1", "Help1"}));
    struct Row {
        const char* menu;
        QStringList items;
    };
    const Row rows[] = {
        {"File1",
         {"AtnFileNew", "AtnFileOpen", "RecentDocuments1", "AtnFileSave", "AtnFileSaveAs", "ReopenEncoding1", "|",
          "AtnFileClearVariables", "AtnFileOpenVariables", "AtnFileSaveVariablesAs", "|",
          "AtnFileExit"}},
        {"ReopenEncoding1",
         {"AtnFileReopenUtf8", "AtnFileReopenShiftJis", "AtnFileReopenWindows1252"}},
        {"Edit1",
         {"AtnEditUndo", "AtnEditRedo", "|", "AtnEditCut", "AtnEditCopy", "AtnEditPaste", "AtnEditDelete",
          "AtnEditSelectAll", "|", "AtnEditCopyAnswer", "AtnEditSendToClipboard", "|",
          "AtnEditFind", "AtnEditReplace"}},
        {"Insert1", {"Constants1", "Function1"}},
        {"Function1",
         {"Electronics1", "Trigonometrical1", "Conversion1", "ExponentandLogarithmic1",
          "Statistics1", "Miscellenious1", "Complex1"}},
        {"Electronics1",
         {"AtnInsertFuncCAP", "AtnInsertFuncIND", "AtnInsertFuncACAP", "AtnInsertFuncAIND"}},
        {"Miscellenious1", {"AtnInsertFuncIF", "AtnInsertFuncABS"}},
        {"Complex1",
         {"AtnInsertFuncANGLE", "AtnInsertFuncCONJ", "AtnInsertFuncRE", "AtnInsertFuncIM"}},
        {"Vexmo1",
         {"AtnVexmiCalculate", "AtnVexmiRemoveAnswers", "|", "AtnVexmiReCalc",
          "AtnVexmiCalcBelow"}},
        {"Options1",
         {"AtnOptionShowVariables", "|", "AtnOptions", "AtnOptionsSimpleWindow", "|",
          "AtnOptionRegistry", "AtnOptionDelRegistry"}},
        {"Help1", {"AtnHelpIndex", "AtnHelpDorvHomepage", "|", "AtnHelpAbout"}},
        {"PopupMenu1",
         {"AtnEditCut", "AtnEditCopy", "AtnEditPaste", "|", "AtnVexmiReCalc",
          "AtnVexmiRemoveAnswers", "|", "AtnOptions", "AtnOptionsSimpleWindow", "|", "File2"}},
        {"File2", {"AtnFileNew", "AtnFileOpen", "AtnFileSave", "AtnFileSaveAs", "|",
                   "AtnFileExit"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.menu);
        ASSERT_NE(Menu(row.menu), nullptr);
        EXPECT_EQ(Items(Menu(row.menu)->actions()), row.items);
    }

    // Every insert command is reachable from the Insert menu, exactly once.
    int inserts = 0;
    for (QMenu* menu : window->findChildren<QMenu*>())
        for (QAction* a : menu->actions())
            if (!a->menu() && !a->isSeparator() && CategoryOf(a) == ActionCategory::Insert)
                ++inserts;
    EXPECT_EQ(inserts, 62);
    EXPECT_EQ(Menu("Constants1")->actions().size(), 21);
    EXPECT_EQ(Menu("Constants1")->actions().at(1)->objectName(), "AtnInsertConstC0");

    EXPECT_EQ(Items(window->ToolBar()->actions()),
              QStringList({"AtnFileNew", "AtnFileOpen", "AtnFileSave", "|", "AtnEditCut",
                           "AtnEditCopy", "AtnEditPaste", "AtnEditUndo",
                           "AtnEditSendToClipboard", "|", "AtnVexmiCalculate",
                           "AtnVexmiRemoveAnswers", "AtnVexmiReCalc", "AtnVexmiCalcBelow", "|",
                           "AtnOptionShowVariables", "AtnOptions", "AtnOptionsSimpleWindow",
                           "|", "AtnHelpIndex", "AtnHelpDorvHomepage", "AtnHelpAbout", "|",
                           "AtnFileExit"}));
    for (QAction* a : window->ToolBar()->actions())
        if (!a->isSeparator()) {
            EXPECT_FALSE(a->icon().isNull()) << a->objectName().toStdString();
        }
    EXPECT_FALSE(window->windowIcon().isNull());

    // One icon for the program: the window shows the drawing installed for the desktop.
    ProgramIcon();
    QFile bundled(QStringLiteral(":/icons/vexmo.svg"));
    QFile installed(QStringLiteral(VEXMO_SOURCE_DIR "/data/vexmo.svg"));
    ASSERT_TRUE(bundled.open(QIODevice::ReadOnly));
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    EXPECT_EQ(bundled.readAll(), installed.readAll());
}

TEST(LanguageTest, ZeroAsksTheLocale) {
    struct Row {
        int selector;
        bool japaneseLocale;
        int expected;
    };
    const Row rows[] = {{0, true, 2}, {0, false, 1}, {1, true, 1}, {2, false, 2}, {5, false, 5}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.selector << " " << row.japaneseLocale);
        EXPECT_EQ(ResolveLanguage(row.selector, row.japaneseLocale), row.expected);
    }
    EXPECT_TRUE(IsEnglish(1));
    EXPECT_FALSE(IsEnglish(0));
    EXPECT_FALSE(IsEnglish(5));
}

TEST_F(MainWndTest, SwitchingTheLanguageChangesEveryCaptionAtOnce) {
    QWidget variables;
    window->SetVariablesWindow(&variables);
    const QString folder = QCoreApplication::applicationDirPath();

    for (int language : {LanguageJapanese, LanguageEnglish, 7, LanguageEnglish}) {
        SCOPED_TRACE(language);
        window->Opt().Language = language;
        window->ApplyInterfaceTexts();
        for (QAction* a : window->Actions().All()) {
            const std::string name = a->objectName().toStdString();
            SCOPED_TRACE(name);
            EXPECT_EQ(a->text(), CommandCaption(name, language));
            EXPECT_EQ(a->toolTip(), CommandHint(name, language));
            EXPECT_FALSE(a->text().isEmpty());
        }
        for (const MenuTexts& m : MenuTextTable())
            EXPECT_EQ(Menu(std::string(m.Name).c_str())->title(), MenuCaption(m.Name, language));
        EXPECT_EQ(variables.windowTitle(), VariablesWindowCaption(language));
        EXPECT_EQ(window->HelpFile(), folder + (IsEnglish(language) ? "/Vexmo_E.HLP"
                                                                     : "/Vexmo_J.CHM"));
        // Texts that stay the same in both languages.
        EXPECT_EQ(Menu("Vexmo1")->title(), QStringLiteral("&Vexmo"));
        EXPECT_EQ(Menu("Complex1")->title(), QStringLiteral("Complex"));
        EXPECT_EQ(Menu("File2")->title(), QStringLiteral("&File..."));
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Untitled - Vexmo"));
    }

    window->Opt().Language = LanguageJapanese;
    window->ApplyInterfaceTexts();
    EXPECT_EQ(A("AtnFileOpenVariables")->text(), QStringLiteral("変数を開く..."));
    EXPECT_EQ(A("AtnFileOpenVariables")->toolTip(), QStringLiteral("変数を開く"));
    EXPECT_EQ(A("AtnInsertFuncSIN")->text(), QStringLiteral("正弦(SIN)"));
    EXPECT_EQ(Menu("File1")->title(), QStringLiteral("ファイル(&F)"));
    EXPECT_EQ(variables.windowTitle(), QStringLiteral("変数"));
    window->SetVariablesWindow(nullptr);
}

// The status bar's texts, the Cancel button of long work and Qt's own texts (standard
// buttons, dialogs) follow the interface language, both ways.
TEST_F(MainWndTest, StatusBarAndQtTextsFollowTheLanguage) {
    const bool qtCatalogue =
        QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_ja.qm");
    struct Row {
        const char* name;
        int language;
        QString modified;
        QString cancel;
        QString qtCancel;  // a standard button made after the switch
    };
    const Row rows[] = {
        {"Japanese", LanguageJapanese, QStringLiteral("変更あり"), QStringLiteral("中止"),
         QStringLiteral("キャンセル")},
        {"English again", LanguageEnglish, "Modified", "Cancel", "Cancel"},
    };
    window->show();
    pane->SetSliceTime(std::chrono::microseconds(0));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        window->Opt().Language = row.language;
        window->ApplyInterfaceTexts();
        SetText(QStringLiteral("N:=N+1\n").repeated(200));
        QTest::keyClick(pane, Qt::Key_End);
        QTest::keyClick(pane, Qt::Key_A);
        EXPECT_EQ(window->StatusPanel(0)->text(), row.modified);

        Idle();
        A("AtnVexmiReCalc")->trigger();
        ASSERT_TRUE(pane->Busy());
        EXPECT_EQ(window->findChild<QPushButton*>("RunCancel")->text(), row.cancel);
        pane->CancelRun();
        for (int i = 0; i < 500 && pane->Busy(); ++i) QTest::qWait(10);
        ASSERT_FALSE(pane->Busy()) << "the run did not stop";

        QDialogButtonBox box(QDialogButtonBox::Cancel);
        if (qtCatalogue || IsEnglish(row.language)) {
            EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), row.qtCancel);
        }
    }
    if (!qtCatalogue) GTEST_SKIP() << "Qt's translations (qtbase_ja.qm) are not installed";
}

TEST_F(MainWndTest, StartUpResolvesTheLanguageAndTitlesTheWindow) {
    // The test runs under C.UTF-8: not a Japanese locale.
    EXPECT_EQ(window->Opt().Language, LanguageEnglish);
    EXPECT_EQ(A("AtnFileNew")->text(), QStringLiteral("Create &New"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Untitled - Vexmo"));
    EXPECT_TRUE(window->StatusPanel(0)->text().isEmpty());
    EXPECT_EQ(window->StatusPanel(0)->width(), 120);
    EXPECT_EQ(window->StatusPanel(1)->width(), 50);
    EXPECT_EQ(pane->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_FALSE(pane->document()->isModified());

    // Before the deferred start-up has run nothing is read or applied yet.
    TFrmMain fresh;
    EXPECT_EQ(fresh.Opt().Language, LanguageUnset);
    EXPECT_EQ(fresh.HelpFile(), QStringLiteral("Vexmo_J.CHM"));
    EXPECT_TRUE(fresh.Action("AtnFileNew")->text().isEmpty());
    EXPECT_TRUE(vexmo::test::WaitForStartup(fresh));
    EXPECT_EQ(fresh.Opt().Language, LanguageEnglish);
}

TEST_F(MainWndTest, WindowModes) {
    struct Row {
        const char* name;
        bool simple, stayOnTop, semiTransparent;
        bool applicationActive;
        double opacity;
    };
    const double semi = 160 / 255.0;
    const Row rows[] = {
        {"normal", false, false, false, true, 1.0},
        {"simple", true, false, false, true, 1.0},
        {"on top", false, true, false, false, 1.0},
        {"semi-transparent without on top has no effect", false, false, true, false, 1.0},
        {"on top, semi-transparent, active", false, true, true, true, 1.0},
        {"on top, semi-transparent, inactive", false, true, true, false, semi},
        {"simple, on top, semi-transparent, inactive", true, true, true, false, semi},
    };
    window->show();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        window->Opt().OptSimpleMode = row.simple;
        window->Opt().OptStayOnTop = row.stayOnTop;
        window->Opt().OptSemiTransparent = row.semiTransparent;
        window->ApplyWindowMode();
        window->ApplicationStateChanged(row.applicationActive ? Qt::ApplicationActive
                                                              : Qt::ApplicationInactive);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowType(), row.simple ? Qt::Tool : Qt::Window);
        EXPECT_EQ(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint), row.stayOnTop);
        EXPECT_EQ(window->menuBar()->isVisible(), !row.simple);
        EXPECT_EQ(window->ToolBar()->isVisible(), !row.simple);
        EXPECT_EQ(window->statusBar()->isVisible(), !row.simple);
        EXPECT_EQ(A("AtnOptionsSimpleWindow")->isChecked(), row.simple);
        EXPECT_DOUBLE_EQ(window->windowOpacity(), row.opacity);
    }

    // Activation switches the transparency back and forth.
    window->ApplicationStateChanged(Qt::ApplicationActive);
    EXPECT_DOUBLE_EQ(window->windowOpacity(), 1.0);
    window->ApplicationStateChanged(Qt::ApplicationInactive);
    EXPECT_DOUBLE_EQ(window->windowOpacity(), semi);
}

TEST_F(MainWndTest, SimpleStyleCanBeLeftThroughThePopupMenu) {
    window->show();
    A("AtnOptionsSimpleWindow")->trigger();
    EXPECT_TRUE(window->Opt().OptSimpleMode);
    EXPECT_FALSE(window->menuBar()->isVisible());
    EXPECT_TRUE(window->PopupMenu()->actions().contains(A("AtnOptionsSimpleWindow")));
    Idle();
    EXPECT_TRUE(A("AtnOptionsSimpleWindow")->isEnabled());
    EXPECT_TRUE(A("AtnOptionsSimpleWindow")->isChecked());
    A("AtnOptionsSimpleWindow")->trigger();
    EXPECT_FALSE(window->Opt().OptSimpleMode);
    EXPECT_TRUE(window->menuBar()->isVisible());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWndTest, ToggleCommandsKeepTheirCheckMarks) {
    QWidget variables;
    window->SetVariablesWindow(&variables);
    A("AtnOptionShowVariables")->trigger();
    EXPECT_TRUE(variables.isVisible());
    Idle();
    EXPECT_TRUE(A("AtnOptionShowVariables")->isChecked());
    A("AtnOptionShowVariables")->trigger();
    EXPECT_FALSE(variables.isVisible());
    Idle();
    EXPECT_FALSE(A("AtnOptionShowVariables")->isChecked());
    window->SetVariablesWindow(nullptr);

    A("AtnEditSendToClipboard")->trigger();
    Idle();
    EXPECT_TRUE(window->Opt().OptAutomaticallyCopyState);
    EXPECT_TRUE(A("AtnEditSendToClipboard")->isChecked());
}

TEST_F(MainWndTest, HomePageIsABuildSettingAndFailuresAreReported) {
    // This build has no home page: the command is not offered.
    EXPECT_TRUE(window->HomePage().isEmpty());
    EXPECT_FALSE(A("AtnHelpDorvHomepage")->isVisible());

    window->SetHomePage(QStringLiteral("https://vexmo.example.org/"));
    EXPECT_TRUE(A("AtnHelpDorvHomepage")->isVisible());
    A("AtnHelpDorvHomepage")->trigger();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("https://vexmo.example.org/")));

    // A desktop that cannot open the address says so, in the interface's language.
    struct Row {
        int language;
        const char* says;
    };
    for (const Row& row : {Row{LanguageEnglish, "The desktop could not open https://vexmo.example.org/."},
                           Row{LanguageJapanese, "https://vexmo.example.org/ をデスクトップで開けませんでした."}}) {
        window->Opt().Language = row.language;
        window->ApplyInterfaceTexts();
        window->SetUrlOpener([](const QUrl&) { return false; });
        QString shown;
        vexmo::test::AnswerNextDialog<QMessageBox>([&](QMessageBox& box) {
            shown = box.text();
            EXPECT_EQ(box.icon(), QMessageBox::Critical);
        });
        A("AtnHelpDorvHomepage")->trigger();
        EXPECT_EQ(shown, QString::fromUtf8(row.says));
    }
}

TEST_F(MainWndTest, F1OpensTheManualInTheInterfaceLanguage) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_EQ(window->HelpWindow(), nullptr);
    struct Row {
        int language;
        const char* caption;
        const char* contentsTitle;
        const char* searchFor;
        const char* sectionFound;
    };
    const Row rows[] = {
        {LanguageEnglish, "Vexmo Manual", "Vexmo manual", "magneton", "Physical constants"},
        {LanguageJapanese, "Vexmo マニュアル", "Vexmo マニュアル", "ボーア磁子", "物理定数"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.caption);
        window->Opt().Language = row.language;
        window->ApplyInterfaceTexts();
        window->activateWindow();
        pane->setFocus();
        QTest::keyClick(pane, Qt::Key_F1);
        TFrmHelp* help = window->HelpWindow();
        ASSERT_NE(help, nullptr);
        EXPECT_TRUE(help->isVisible());
        EXPECT_EQ(help->windowTitle(), QString::fromUtf8(row.caption));
        EXPECT_TRUE(help->Browser()->toPlainText().startsWith(QString::fromUtf8(row.contentsTitle)));
        // Every chapter is listed, and the search narrows the list to the matching sections.
        EXPECT_EQ(help->Contents()->topLevelItemCount(), ManualChapters(row.language).size());
        EXPECT_GE(help->Contents()->topLevelItemCount(), 10);
        EXPECT_GE(help->Search(QString::fromUtf8(row.searchFor)), 1);
        EXPECT_EQ(help->Contents()->currentItem()->text(0), QString::fromUtf8(row.sectionFound));
        EXPECT_TRUE(help->Browser()->textCursor().hasSelection());
        EXPECT_EQ(help->Search(QStringLiteral("no such words anywhere")), 0);
        help->Search(QString());
        // A link to another chapter stays in the window.
        EXPECT_TRUE(help->ShowChapter(QStringLiteral("03-operators.md")));
        EXPECT_TRUE(help->Browser()->source().toString().endsWith(QStringLiteral("03-operators.md")));
    }
    // Switching the language while the manual is open switches the manual too.
    window->Opt().Language = LanguageEnglish;
    window->ApplyInterfaceTexts();
    EXPECT_EQ(window->HelpWindow()->windowTitle(), QStringLiteral("Vexmo Manual"));
}

TEST_F(MainWndTest, CaptionMarksAModifiedDocument) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Untitled - Vexmo"));
    QTest::keyClicks(pane, "1+2");
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Untitled* - Vexmo"));
    pane->document()->setModified(false);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Untitled - Vexmo"));
}

TEST_F(MainWndTest, ToggleCommandsShowTheirCheckMarkInMenus) {
    for (const char* name : {"AtnEditSendToClipboard", "AtnOptionShowVariables", "AtnOptionsSimpleWindow"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(A(name)->isCheckable());
        // Styles draw a checked item's image instead of its mark; the menus leave it out.
        EXPECT_FALSE(A(name)->isIconVisibleInMenu());
        EXPECT_FALSE(A(name)->icon().isNull()) << "the tool bar keeps it";
    }
}

TEST_F(MainWndTest, VariablesWindowTextsFollowTheLanguage) {
    auto* variables = qobject_cast<TFrmVariables*>(window->findChild<TFrmVariables*>());
    ASSERT_NE(variables, nullptr);
    struct Row {
        int language;
        QStringList buttons;
        QStringList headers;
    };
    const Row rows[] = {
        {LanguageJapanese, {"追加(&A)", "編集(&E)", "削除(&D)"}, {"名前", "値"}},
        {LanguageEnglish, {"&Add", "&Edit", "&Delete"}, {"Name", "Value"}},
    };
    for (const Row& row : rows) {
        window->Opt().Language = row.language;
        window->ApplyInterfaceTexts();
        EXPECT_EQ((QStringList{variables->AtnInsert->text(), variables->AtnEdit->text(),
                               variables->AtnDelete->text()}),
                  row.buttons);
        QTreeWidgetItem* header = variables->LvVariables->headerItem();
        EXPECT_EQ((QStringList{header->text(0), header->text(1)}), row.headers);
    }
}

TEST_F(MainWndTest, ToolTipsOnlyWhileHintsAreShown) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QWidget* button = window->ToolBar()->widgetForAction(A("AtnFileSave"));
    ASSERT_NE(button, nullptr);
    for (bool hints : {false, true}) {
        SCOPED_TRACE(hints);
        window->Opt().TipHint = hints;
        QHelpEvent event(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(button, &event);
        EXPECT_EQ(QToolTip::isVisible(), hints);
        QToolTip::hideText();
    }
}

TEST_F(MainWndTest, CalculationCommandsRunInThePaneAndRefreshTheWindow) {
    SetText("1+2");
    QGuiApplication::clipboard()->setText(QStringLiteral("4"));
    A("AtnVexmiCalculate")->trigger();
    EXPECT_TRUE(pane->toPlainText().startsWith(QStringLiteral("1+2 ==> 3")));
    EXPECT_EQ(window->Store().Read("_CLIP"), "4");
    EXPECT_EQ(window->StatusPanel(0)->text(), QStringLiteral("Modified"));
    // The calculation disabled every command; the idle update brings them back.
    EXPECT_FALSE(A("AtnFileNew")->isEnabled());
    Idle();
    EXPECT_TRUE(A("AtnFileNew")->isEnabled());
    EXPECT_TRUE(A("AtnFileSave")->isEnabled());

    // A failure raised by the engine ends up in the error box, titled with the caption.
    window->Store().Write("A", "abc");
    SetText("A+1");
    QString title, text;
    vexmo::test::AnswerNextDialog<QMessageBox>([&](QMessageBox& box) {
        title = box.windowTitle();
        text = box.text();
    });
    A("AtnVexmiCalculate")->trigger();
    EXPECT_EQ(title, window->windowTitle());
    EXPECT_FALSE(text.isEmpty());
    EXPECT_EQ(pane->toPlainText(), QStringLiteral("A+1"));
}

TEST_F(MainWndTest, ClosingWritesTheSettingsThatTheNextStartReads) {
    window->Opt().Language = LanguageJapanese;
    window->Opt().OptSimpleMode = true;
    window->Opt().TipHint = false;
    A("AtnEditSendToClipboard")->trigger();
    QSignalSpy closed(window.get(), &TFrmMain::Closed);
    window->show();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(closed.count(), 1);

    TFrmMain next;
    ASSERT_TRUE(vexmo::test::WaitForStartup(next));
    EXPECT_EQ(next.Opt().Language, LanguageJapanese);
    EXPECT_EQ(next.Action("AtnFileNew")->text(), QStringLiteral("新規作成(&N)"));
    EXPECT_EQ(next.windowType(), Qt::Tool);
    EXPECT_FALSE(next.Opt().TipHint);
    EXPECT_TRUE(next.Action("AtnEditSendToClipboard")->isChecked());
    EXPECT_TRUE(next.Pane()->CopyAutomatically());
}
