// The Variables window on the real widgets: Add, Edit and Delete with their questions, rows
// following assignments, and the variables-file commands with their failures. Modal dialogs
// and message boxes are answered by a timer that acts on the active modal widget.
#include "document/core/ClipText.h"
#include "document/core/VariablesFile.h"
#include "document/gui/Clipboard.h"
#include "document/gui/EnterValue.h"
#include "document/gui/Variables.h"
#include "engine/CompTinyParseEngine.h"
#include "files/Settings.h"
#include "shell/MainWnd.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QStringEncoder>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "EngineSession.h"
#include "MainWindowStart.h"
#include "QtWait.h"

#include <functional>
#include <utility>

// Readable failure messages for Qt strings.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

using namespace vexmo;

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;
using vexmo::test::ModalAnswers;

// Fills the name and value dialog and presses OK.
std::function<void(TFrmEnterValue&)> Enter(QString name, QString value) {
    return [name, value](TFrmEnterValue& dialog) {
        dialog.EditName->setText(name);
        dialog.EditValue->setText(value);
        dialog.BtnOk->click();
    };
}

class VariablesTest : public ::testing::Test, protected vexmo::test::EngineSession {
  protected:
    void SetUp() override {
        window.SetFileDialogHook([this](TFrmVariables::FileDialogKind kind, const QString& title) {
            dialogTitles.push_back(title);
            return kind == TFrmVariables::FileDialogKind::Save ? savePath : openPath;
        });
        window.SetErrorHook([this](const QString& message) { errors.push_back(message); });
    }
    // Puts entries into the store and the window, as a loaded file would.
    void Seed(const Entries& entries) {
        for (const auto& [name, value] : entries) {
            store.Write(name, value);
            window.ShowValue(QString::fromStdString(name), QString::fromStdString(value));
        }
    }
    Entries StoreEntries() const {
        Entries out;
        for (const Variables::Line& line : store.Lines())
            out.emplace_back(line.Name, line.Value);
        return out;
    }
    // Rows as "NAME=value", in the list's (sorted) order.
    QStringList Rows() const {
        QStringList out;
        for (int i = 0; i < window.LvVariables->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = window.LvVariables->topLevelItem(i);
            out << row->text(0) + "=" + row->text(1);
        }
        return out;
    }
    void Select(const QString& name) {
        const auto found = window.LvVariables->findItems(name, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        window.LvVariables->setCurrentItem(found.front());
    }
    DComplex Calculate(const std::string& expression) { return EngineSession::Run(expression); }

    TFrmVariables window{store};
    QTemporaryDir folder;
    QString savePath;
    QString openPath;
    QStringList dialogTitles;
    QStringList errors;
};

TEST_F(VariablesTest, AddCommand) {
    struct Row {
        const char* name;
        Entries before;
        int language;
        std::function<void(ModalAnswers&)> script;
        Entries after;
        QStringList rows;
        QStringList questions;
    } rows[] = {
        {"existing name replaced, value normalised in the store and shown as typed",
         {{"A", "1 +_I 0"}, {"B", "2 +_I 0"}},
         1,
         [](ModalAnswers& s) { s.Then(Enter("a", "1e3")); },
         {{"B", "2 +_I 0"}, {"A", "1000 +_I 0"}},
         {"A=1E3", "B=2 +_I 0"},
         {}},
        {"suffixed number as in expressions",
         {},
         1,
         [](ModalAnswers& s) { s.Then(Enter("r", "2.5k")); },
         {{"R", "2500 +_I 0"}},
         {"R=2.5K"},
         {}},
        {"not a number answered No removes the old variable",
         {{"A", "1 +_I 0"}},
         1,
         [](ModalAnswers& s) { s.Then(Enter("a", "xyz")).Answer(QMessageBox::No); },
         {},
         {},
         {"xyz is not correct number format."}},
        {"not a number answered Yes asks again",
         {},
         1,
         [](ModalAnswers& s) {
             s.Then(Enter("b", "q")).Answer(QMessageBox::Yes).Then(Enter("b", "3 +_I 4"));
         },
         {{"B", "3 +_I 4"}},
         {"B=3 +_I 4"},
         {"q is not correct number format."}},
        {"empty value keeps the dialog open",
         {},
         1,
         [](ModalAnswers& s) {
             s.Then(Enter("d", "")).Then<TFrmEnterValue>([](TFrmEnterValue& dialog) {
                 EXPECT_EQ(dialog.EditName->text(), "d");
                 dialog.EditValue->setText("4");
                 dialog.BtnOk->click();
             });
         },
         {{"D", "4 +_I 0"}},
         {"D=4"},
         {}},
        {"a name holding = keeps the dialog open, as it could not be saved",
         {},
         1,
         [](ModalAnswers& s) {
             s.Then(Enter("a=b", "5")).Then<TFrmEnterValue>([](TFrmEnterValue& dialog) {
                 dialog.EditName->setText("c");
                 dialog.BtnOk->click();
             });
         },
         {{"C", "5 +_I 0"}},
         {"C=5"},
         {}},
        {"Cancel changes nothing",
         {{"A", "1 +_I 0"}},
         1,
         [](ModalAnswers& s) {
             s.Then<TFrmEnterValue>([](TFrmEnterValue& dialog) {
                 EXPECT_TRUE(dialog.EditName->text().isEmpty());
                 dialog.EditName->setText("a");
                 dialog.BtnCancel->click();
             });
         },
         {{"A", "1 +_I 0"}},
         {"A=1 +_I 0"},
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        store.Clear();
        window.DeleteAllRows();
        Seed(row.before);
        window.SetLanguage(row.language);
        ModalAnswers script;
        row.script(script);
        window.AtnInsert->trigger();
        EXPECT_EQ(StoreEntries(), row.after);
        EXPECT_EQ(Rows(), row.rows);
        EXPECT_EQ(script.Texts, row.questions);
    }
}

TEST_F(VariablesTest, EditRenamesAndTheNextCalculationUsesIt) {
    Seed({{"A", "5 +_I 0"}, {"C", "1 +_I 0"}});
    EXPECT_FALSE(window.AtnEdit->isEnabled()) << "nothing selected";
    Select("A");
    EXPECT_TRUE(window.AtnEdit->isEnabled());
    {
        ModalAnswers script;
        script.Then<TFrmEnterValue>([](TFrmEnterValue& dialog) {
            EXPECT_EQ(dialog.EditName->text(), "A");
            EXPECT_EQ(dialog.EditValue->text(), "5 +_I 0");
            dialog.EditName->setText("b");
            dialog.EditValue->setText("7 +_i 0");
            dialog.BtnOk->click();
        });
        window.AtnEdit->trigger();
    }
    EXPECT_EQ(StoreEntries(), (Entries{{"C", "1 +_I 0"}, {"B", "7 +_I 0"}}));
    EXPECT_EQ(Rows(), (QStringList{"B=7 +_I 0", "C=1 +_I 0"}));
    EXPECT_EQ(Calculate("B*2"), (DComplex{14, 0}));
    EXPECT_EQ(Calculate("A"), (DComplex{0, 0})) << "the old name is gone";

    // Renaming onto another variable leaves one row for its one store entry.
    Select("B");
    ModalAnswers onto;
    onto.Then(Enter("c", "9"));
    window.AtnEdit->trigger();
    EXPECT_EQ(StoreEntries(), (Entries{{"C", "9"}}));
    EXPECT_EQ(Rows(), (QStringList{"C=9"}));
}

TEST_F(VariablesTest, DoubleClickEdits) {
    Seed({{"A", "5 +_I 0"}});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTreeWidgetItem* row = window.LvVariables->topLevelItem(0);
    const QPoint at = window.LvVariables->visualItemRect(row).center();
    ModalAnswers script;
    script.Then(Enter("A", "6"));
    // The press that starts a double click selects the row first.
    QTest::mouseClick(window.LvVariables->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(window.LvVariables->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(StoreEntries(), (Entries{{"A", "6"}}));
    window.hide();
}

TEST_F(VariablesTest, DeleteCommand) {
    struct Row {
        const char* name;
        int language;
        QMessageBox::StandardButton answer;
        QString question;
        Entries after;
        QStringList rows;
    } rows[] = {
        {"Yes deletes",
         1,
         QMessageBox::Yes,
         "Are you sure you want to delete 'A'?[y/n]",
         {{"B", "2 +_I 0"}},
         {"B=2 +_I 0"}},
        {"No keeps",
         2,
         QMessageBox::No,
         "本当に A を削除してもよろしいですか？[y/n]",
         {{"A", "1 +_I 0"}, {"B", "2 +_I 0"}},
         {"A=1 +_I 0", "B=2 +_I 0"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        store.Clear();
        window.DeleteAllRows();
        Seed({{"A", "1 +_I 0"}, {"B", "2 +_I 0"}});
        window.SetLanguage(row.language);
        Select("A");
        ModalAnswers script;
        script.Answer(row.answer);
        window.AtnDelete->trigger();
        EXPECT_EQ(script.Texts, QStringList{row.question});
        EXPECT_EQ(StoreEntries(), row.after);
        EXPECT_EQ(Rows(), row.rows);
    }
}

TEST_F(VariablesTest, AssignmentsUpdateRowsBeforeTheStore) {
    TClipboard clipboard;
    NumberFormatSettings settings;
    Entries storedDuringNotice;
    engine.SetOnSubstitute([&](TCompTinyParser&, std::string& name, std::string& value, int idx) {
        storedDuringNotice.emplace_back(name, store.Read(name));
        SubstituteNotice(&window, clipboard, settings, name, value, idx);
    });
    const QString zero = "\"0 +_I 0\"";
    struct Row {
        const char* name;
        const char* line;
        QStringList rows;
        int errorState;
    } rows[] = {
        {"plain variable", "v := 2", {"V=2 +_I 0"}, 0},
        {"element of a new array shows four elements",
         "x[3] := 5",
         {"V=2 +_I 0", "X=" + zero + "," + zero + "," + zero + ",\"5 +_I 0\""},
         0},
        {"element of an existing array",
         "x[1] := 1",
         {"V=2 +_I 0", "X=" + zero + ",\"1 +_I 0\"," + zero + ",\"5 +_I 0\""},
         0},
        {"negative index fails without a row",
         "n[0-2] := 4",
         {"V=2 +_I 0", "X=" + zero + ",\"1 +_I 0\"," + zero + ",\"5 +_I 0\""},
         1},
        {"element of a plain value keeps that value whole",
         "v[1] := 5",
         {"V=\"2 +_I 0\",\"5 +_I 0\"", "X=" + zero + ",\"1 +_I 0\"," + zero + ",\"5 +_I 0\""},
         0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Variables before = store;
        storedDuringNotice.clear();
        Calculate(row.line);
        for (const auto& [name, stored] : storedDuringNotice)
            EXPECT_EQ(stored, before.Read(name)) << "the notice comes before the store changes";
        EXPECT_EQ(Rows(), row.rows);
        EXPECT_EQ(engine.ErrorState(), row.errorState);
        for (const Variables::Line& line : store.Lines())
            EXPECT_TRUE(Rows().contains(QString::fromStdString(line.Name + "=" + line.Value)))
                << "the rows mirror the store: " << line.Name;
    }
}

TEST_F(VariablesTest, AssignmentToNoElementFails) {
    struct Row {
        const char* name;
        int idx;
    } rows[] = {
        {"below -1", -2},
        {"beyond the largest index", MaxClipElementIndex + 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        window.DeleteAllRows();
        Seed({{"OLD", "\"1 +_I 0\",\"2 +_I 0\""}});
        EXPECT_THROW(window.ShowAssignment("NEW", "4 +_I 0", row.idx), std::out_of_range);
        EXPECT_THROW(window.ShowAssignment("old", "4 +_I 0", row.idx), std::out_of_range);
        EXPECT_EQ(Rows(), (QStringList{"NEW=4 +_I 0", "OLD=\"1 +_I 0\",\"2 +_I 0\""}))
            << "a new name keeps its row with the value; an existing row is unchanged";
    }
}

TEST_F(VariablesTest, SaveThenOpenGivesTheSameEntries) {
    const Entries entries{{"ANS", "3 +_I 0"}, {"_ANS", "3 +_I 0"},
                          {"_CLIP", "1, 2"},  {"Z", "\"0 +_I 0\",\"7 +_I 0\""},
                          {"F(X)", "X*2"},    {"A", "1 +_I 0"}};
    Seed(entries);
    savePath = folder.filePath("vars.vxm");
    window.AtnFileSaveVariablesAsExecute();
    EXPECT_EQ(window.VariablesFile(), savePath);
    EXPECT_EQ(dialogTitles, QStringList{"Save variables - Vexmo"});

    store.Write("EXTRA", "1 +_I 0");
    window.ShowValue("EXTRA", "1 +_I 0");
    openPath = savePath;
    window.SetVariablesFile({});
    ModalAnswers script;
    script.Answer(QMessageBox::No);
    window.AtnFileOpenVariablesExecute();
    EXPECT_EQ(script.Texts,
              QStringList{"Opening a variables-file will discard all the current "
                          "variables.Do you want to save the current variables?[y/n]"});
    EXPECT_EQ(dialogTitles.back(), "Open variables - Vexmo");
    EXPECT_EQ(StoreEntries(), entries);
    EXPECT_EQ(Rows().size(), 6);
    EXPECT_FALSE(Rows().contains("EXTRA=1 +_I 0"));
    EXPECT_EQ(window.VariablesFile(), openPath);
    EXPECT_EQ(Calculate("F(4)+A"), (DComplex{9, 0})) << "user functions come back too";
}

// A variables file in Shift_JIS, in UTF-8 with characters beyond the first plane, or with
// bytes that only look like UTF-8 (overlong, surrogate) reads back to what it holds.
TEST_F(VariablesTest, FilesInEveryEncodingReadBack) {
    QStringEncoder sjis("Shift_JIS");
    struct Row {
        const char* name;
        QByteArray bytes;
        Entries expected;
    };
    const Row rows[] = {
        {"shift_jis", sjis.encode(QStringLiteral("税率=0.1\r\n合計(X)=X*税率\r\n")),
         {{"税率", "0.1"}, {"合計(X)", "X*税率"}}},
        {"utf-8 with an emoji", "A=1\r\n\xF0\x9F\x98\x80=2\r\n", {{"A", "1"}, {"\xF0\x9F\x98\x80", "2"}}},
        {"overlong and surrogate bytes are windows-1252", "A\xC0\xAF=1\r\nB\xED\xA0\x80=2\r\n",
         {{"A\xC3\x80\xC2\xAF", "1"}, {"B\xC3\xAD\xC2\xA0\xE2\x82\xAC", "2"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (!sjis.isValid() && row.name == rows[0].name) continue; // no converter: nothing to read
        const QString path = folder.filePath("vars.txt");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(row.bytes);
        file.close();
        window.ReloadVariables(path);
        EXPECT_EQ(window.VariablesFile(), path);
        EXPECT_EQ(StoreEntries(), row.expected);
        EXPECT_EQ(Rows().size(), static_cast<qsizetype>(row.expected.size()));
    }
    if (!sjis.isValid()) GTEST_SKIP() << "no Shift_JIS converter in this Qt build";
}

TEST_F(VariablesTest, OpenAnsweredYesSavesFirst) {
    Seed({{"A", "1 +_I 0"}});
    savePath = folder.filePath("saved.vxm");
    openPath = folder.filePath("other.vxm");
    {
        QFile other(openPath);
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write("b=2\r\n=skipped\r\nno equals\r\nB=3\r\nE=\r\n");
    }
    ModalAnswers script;
    script.Answer(QMessageBox::Yes);
    window.AtnFileOpenVariablesExecute();
    EXPECT_EQ(dialogTitles, (QStringList{"Save variables - Vexmo", "Open variables - Vexmo"}));
    EXPECT_TRUE(QFile::exists(savePath));
    EXPECT_EQ(StoreEntries(), (Entries{{"b", "2"}})) << "first line of a name wins";
    EXPECT_EQ(Rows(), (QStringList{"B=2", "E="}));
    EXPECT_EQ(window.VariablesFile(), openPath);
}

TEST_F(VariablesTest, ClearVariables) {
    struct Row {
        const char* name;
        QMessageBox::StandardButton answer;
        QString savePath;
        bool cleared;
        QString fileAfter;
    } rows[] = {
        {"Cancel changes nothing", QMessageBox::Cancel, {}, false, "old.vxm"},
        {"No empties store, window and current file", QMessageBox::No, {}, true, {}},
        {"Yes with the save dialog cancelled ends the command", QMessageBox::Yes, {}, false, {}},
        {"Yes saves, then clears", QMessageBox::Yes, "kept.vxm", true, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        store.Clear();
        window.DeleteAllRows();
        Seed({{"A", "1 +_I 0"}});
        window.SetVariablesFile("old.vxm");
        window.SetLanguage(1);
        savePath = row.savePath.isEmpty() ? QString() : folder.filePath(row.savePath);
        ModalAnswers script;
        script.Answer(row.answer);
        window.AtnFileClearVariablesExecute();
        EXPECT_EQ(script.Texts, QStringList{"Clearing variables will discard the current "
                                            "variables. Do you want to save the current "
                                            "variables?[y/n]"});
        EXPECT_EQ(store.Count(), row.cleared ? 0u : 1u);
        EXPECT_EQ(Rows().size(), row.cleared ? 0 : 1);
        EXPECT_EQ(window.VariablesFile(), row.fileAfter);
        if (!savePath.isEmpty()) {
            EXPECT_TRUE(QFile::exists(savePath));
        }
    }
}

TEST_F(VariablesTest, FilesThatCannotBeReadOrWritten) {
    const Entries entries{{"A", "1 +_I 0"}, {"B", "2 +_I 0"}};
    const QString unreadable = folder.path(); // a folder is not a file
    const QString unwritable = folder.filePath("missing/vars.vxm");
    struct Row {
        const char* name;
        std::function<void()> command;
        QString fileAfter;
    } rows[] = {
        {"save as into a missing folder",
         [&] {
             savePath = unwritable;
             window.AtnFileSaveVariablesAsExecute();
         },
         "old.vxm"},
        {"open of a file that cannot be read",
         [&] {
             openPath = unreadable;
             ModalAnswers script;
             script.Answer(QMessageBox::No);
             window.AtnFileOpenVariablesExecute();
         },
         unreadable},
        {"open answered Yes whose save fails does not discard",
         [&] {
             savePath = unwritable;
             openPath = folder.filePath("never-asked.vxm");
             ModalAnswers script;
             script.Answer(QMessageBox::Yes);
             window.AtnFileOpenVariablesExecute();
             EXPECT_EQ(dialogTitles.size(), 1) << "the open dialog must not follow";
         },
         {}},
        {"clear answered Yes whose save fails does not discard",
         [&] {
             savePath = unwritable;
             ModalAnswers script;
             script.Answer(QMessageBox::Yes);
             window.AtnFileClearVariablesExecute();
         },
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        store.Clear();
        window.DeleteAllRows();
        Seed(entries);
        window.SetVariablesFile("old.vxm");
        errors.clear();
        dialogTitles.clear();
        row.command();
        ASSERT_EQ(errors.size(), 1);
        EXPECT_FALSE(errors.front().isEmpty());
        EXPECT_EQ(StoreEntries(), entries);
        EXPECT_EQ(Rows(), (QStringList{"A=1 +_I 0", "B=2 +_I 0"}));
        EXPECT_EQ(window.VariablesFile(), row.fileAfter);
    }
    EXPECT_FALSE(QFile::exists(unwritable));
}

TEST_F(VariablesTest, StartupReload) {
    const QString good = folder.filePath("last.vxm");
    {
        QFile file(good);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("X=4 +_I 0\r\nY=5 +_I 0\r\n");
    }
    struct Row {
        const char* name;
        QString path;
        QStringList rows;
        QString fileAfter;
    } rows[] = {
        {"readable file", good, {"X=4 +_I 0", "Y=5 +_I 0"}, good},
        {"unreadable file, silently", folder.path(), {"OLD=1"}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        store.Clear();
        window.DeleteAllRows();
        Seed({{"OLD", "1"}});
        window.SetVariablesFile("previous.vxm");
        errors.clear();
        window.ReloadVariables(row.path);
        EXPECT_EQ(Rows(), row.rows);
        EXPECT_EQ(window.VariablesFile(), row.fileAfter);
        EXPECT_TRUE(errors.isEmpty());
    }
}

TEST_F(VariablesTest, WindowLayoutAndClosing) {
    EXPECT_EQ(window.windowTitle(), "Variables");
    Seed({{"b", "1"}, {"a", "2"}, {"_x", "3"}});
    EXPECT_EQ(Rows(), (QStringList{"A=2", "B=1", "_X=3"})) << "names upper-cased and sorted";
    window.show();
    window.resize(400, 300);
    const QTreeWidget& list = *window.LvVariables;
    const auto halves = [&] {
        const int half = list.viewport()->width() / 2;
        return std::abs(list.columnWidth(0) - half) <= 2 && std::abs(list.columnWidth(1) - half) <= 2;
    };
    EXPECT_TRUE(vexmo::test::WaitUntil(halves, "the columns halving the resized list", 5000))
        << list.columnWidth(0) << " + " << list.columnWidth(1) << " in " << list.viewport()->width();
    QFont font(QStringLiteral("Monospace"), 15);
    window.SetEditorFont(font);
    EXPECT_EQ(window.LvVariables->font().pointSize(), 15);

    int closed = 0;
    QObject::connect(&window, &TFrmVariables::Closed, [&] { ++closed; });
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(Rows().size(), 3) << "hidden, not destroyed";
}

// The main window's wiring: start-up reload, assignments and answers reaching the window,
// _CLIP reaching the clipboard, Show Variables, and the variables file kept for the next run.
class MainWindowVariablesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetDecimalSeparator('.');
        file = folder.filePath("last.vxm");
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("Q=4 +_I 0\r\n");
    }
    std::unique_ptr<TFrmMain> Start(bool recall) {
        QSettings settings(QStringLiteral("Dorv"), QStringLiteral("Vexmo"));
        settings.clear();
        Settings opt;
        opt.Language = 1;
        opt.OptRecallLastVariables = recall;
        opt.RecallVariablesFileName = file;
        EXPECT_TRUE(WriteSettings(settings, opt, {}));
        settings.sync();
        return vexmo::test::StartMainWindow();
    }
    static QStringList RowsOf(const TFrmVariables& variables) {
        QStringList out;
        for (int i = 0; i < variables.LvVariables->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = variables.LvVariables->topLevelItem(i);
            out << row->text(0) + "=" + row->text(1);
        }
        return out;
    }
    static void Calculate(TFrmMain& window, const QString& line) {
        window.Pane()->setPlainText(line);
        window.Action("AtnVexmiCalculate")->trigger();
        Idle(window);
    }
    // Commands come back at the next idle update after a calculation.
    static void Idle(const TFrmMain& window) {
        ASSERT_TRUE(vexmo::test::WaitForIdleUpdate(window));
    }

    QTemporaryDir folder;
    QString file;
};

TEST_F(MainWindowVariablesTest, WiringThroughTheMainWindow) {
    auto window = Start(true);
    auto* variables = window->findChild<TFrmVariables*>();
    ASSERT_NE(variables, nullptr);
    EXPECT_TRUE(variables->isWindow());
    EXPECT_EQ(RowsOf(*variables), QStringList{"Q=4 +_I 0"}) << "reloaded at start-up";
    EXPECT_EQ(variables->VariablesFile(), file);

    Calculate(*window, "a := q + 1");
    EXPECT_EQ(RowsOf(*variables),
              (QStringList{"A=5 +_I 0", "ANS=5 +_I 0", "Q=4 +_I 0", "_ANS=5 +_I 0"}));
    Calculate(*window, "_clip := 7");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "7 + 0i");
    EXPECT_FALSE(RowsOf(*variables).join(' ').contains("_CLIP"));

    QAction* show = window->Action("AtnOptionShowVariables");
    show->trigger();
    EXPECT_TRUE(variables->isVisible());
    EXPECT_TRUE(show->isChecked());
    variables->close();
    Idle(*window);
    EXPECT_FALSE(variables->isVisible());
    EXPECT_FALSE(show->isChecked()) << "closing the window clears the check mark";

    window->Pane()->document()->setModified(false);
    window->close();
    QSettings settings(QStringLiteral("Dorv"), QStringLiteral("Vexmo"));
    Settings stored;
    ReadSettings(settings, stored, QRect(0, 0, 4000, 4000));
    EXPECT_EQ(stored.RecallVariablesFileName, file);
}

// A definition raises no assignment notice, yet its row comes at once: the row mirrors the
// store, whichever way the line was calculated.
TEST_F(MainWindowVariablesTest, AUserFunctionShowsAsSoonAsALineDefinesIt) {
    auto window = Start(false);
    auto* variables = window->findChild<TFrmVariables*>();
    ASSERT_NE(variables, nullptr);
    struct Row {
        const char* name;
        QString document;
        bool again; // Calculate again rather than Calculate
        QString header;
        bool stored;
    } rows[] = {
        {"defined", "f(x) := x^2", false, "F(X)", true},
        {"defined anew", "F(X) := X+1", false, "F(X)", true},
        {"removed by an empty body", "F(X) :=", false, "F(X)", false},
        {"defined by Calculate again", "G(Y) := Y*2\n1\n2\n3\n4", true, "G(Y)", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        window->Pane()->setPlainText(row.document);
        window->Action(row.again ? "AtnVexmiReCalc" : "AtnVexmiCalculate")->trigger();
        ASSERT_TRUE(vexmo::test::WaitUntil([&] { return !window->Pane()->Busy(); }, "the run"));
        Idle(*window);
        const std::string stored = window->Store().Read(row.header.toStdString());
        ASSERT_EQ(!stored.empty(), row.stored);
        QStringList expected;
        if (row.stored) expected << row.header + "=" + QString::fromStdString(stored);
        EXPECT_EQ(RowsOf(*variables).filter("("), expected);
    }
    window->Pane()->document()->setModified(false);
}

// A value whose text cannot be read back (as INF) cannot become clipboard text: the assignment
// fails as an operation, with no error box, and the clipboard keeps its text.
TEST_F(MainWindowVariablesTest, ClipAssignmentThatCannotBeWrittenFailsTheOperation) {
    auto window = Start(false);
    ModalAnswers noDialogs; // any error box would be an unexpected dialog
    const TSubstituteEvent notice = window->Engine().OnSubstitute();
    ASSERT_TRUE(notice);
    for (int idx : {-1, 1}) {
        SCOPED_TRACE(idx);
        QGuiApplication::clipboard()->setText("1,2");
        std::string name = "_CLIP";
        std::string value = "INF +_I 0";
        EXPECT_ANY_THROW(notice(window->Engine(), name, value, idx));
        EXPECT_EQ(QGuiApplication::clipboard()->text(), "1,2");
    }

    // The largest double goes to the clipboard with every bit.
    QGuiApplication::clipboard()->setText("before");
    Calculate(*window, "_CLIP := 1.7976931348623157E308");
    EXPECT_EQ(window->Engine().ErrorState(), 0);
    EXPECT_FALSE(window->Pane()->toPlainText().contains(" >>> "));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "1.7976931348623157E308 + 0i");
    window->Pane()->document()->setModified(false);
}

} // namespace
