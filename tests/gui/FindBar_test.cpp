// The find bar of the main window on the real pane: finding with its options and keys,
// replacing that never touches an answer run, replace-all as one undo step.
#include "document/gui/FindBar.h"
#include "document/gui/LiveFeatures.h"
#include "engine/DorvSub.h"
#include "shell/MainWnd.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

#include "MainWindowStart.h"

#include <memory>

using namespace vexmo;

namespace {

class FindBarTest : public vexmo::test::MainWindowTest {
  protected:
    void SetUp() override {
        SetDecimalSeparator('.');
        MainWindowTest::SetUp();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        bar = window->FindBar();
    }

    // Loads `text` and calculates every line, so the lines carry their answer runs.
    void LoadCalculated(const QString& text) {
        pane->setPlainText(text);
        pane->AtnVexmiReCalcExecute();
        ASSERT_FALSE(pane->Busy());
    }
    QString Selected() const { return pane->textCursor().selectedText(); }
    int SelectionStart() const { return pane->textCursor().selectionStart(); }
    void CaretTo(int position) {
        QTextCursor c = pane->textCursor();
        c.setPosition(position);
        pane->setTextCursor(c);
    }
    void Key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(target, key, modifiers);
        QCoreApplication::processEvents();
    }

    TFindBar* bar = nullptr;
};

} // namespace

TEST_F(FindBarTest, FindsWithItsOptionsAndGoesRoundTheEnds) {
    pane->setPlainText("Rate := 2\nrate*3\nRATED := 4\nx := rate");
    struct Row {
        const char* name;
        QString text;
        bool matchCase, wholeWords, backward;
        int from;
        int expectedStart; // -1: no match
    };
    const int line2 = QStringLiteral("Rate := 2\n").size();
    const int line3 = line2 + QStringLiteral("rate*3\n").size();
    const int line4 = line3 + QStringLiteral("RATED := 4\n").size();
    const Row rows[] = {
        {"next ignores case", "rate", false, false, false, 1, line2},
        {"match case skips other spellings", "RATE", true, false, false, 0, line3},
        {"whole words skip RATED", "rate", false, true, false, line2 + 1, line4 + 5},
        {"previous goes backwards", "rate", false, false, true, line3, line2},
        {"next goes round the end", "rate", false, true, false, line4 + 6, 0},
        {"previous goes round the start", "x", false, false, true, 0, line4},
        {"nothing found", "volts", false, false, false, 0, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        bar->FindField()->setText(row.text);
        bar->MatchCase()->setChecked(row.matchCase);
        bar->WholeWords()->setChecked(row.wholeWords);
        CaretTo(row.from);
        EXPECT_EQ(bar->FindNext(row.backward), row.expectedStart >= 0);
        if (row.expectedStart >= 0) {
            EXPECT_EQ(SelectionStart(), row.expectedStart);
            EXPECT_EQ(Selected().size(), row.text.size());
            EXPECT_TRUE(bar->Message().isEmpty());
        } else {
            EXPECT_EQ(bar->Message(), "No match");
        }
    }
}

TEST_F(FindBarTest, KeysOpenFindAndCloseTheBar) {
    pane->setPlainText("R1 := 10K\nR2 := R1*2\nR1+R2");
    pane->setFocus();
    CaretTo(0);
    // Ctrl+F: the find row only, the focus in its field; F3 still opens a document.
    Key(pane, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar->isVisible());
    EXPECT_FALSE(bar->ReplaceShown());
    EXPECT_TRUE(bar->FindField()->hasFocus());
    EXPECT_EQ(window->Action("AtnFileOpen")->shortcut(), QKeySequence(Qt::Key_F3));

    QTest::keyClicks(bar->FindField(), "R1");
    struct Step {
        const char* name;
        Qt::KeyboardModifiers modifiers;
        int expectedStart;
    };
    const Step steps[] = {
        {"Return finds the first", Qt::NoModifier, 0},
        {"Return again the next", Qt::NoModifier, 16},
        {"and the next", Qt::NoModifier, 21},
        {"Shift+Return goes back", Qt::ShiftModifier, 16},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        Key(bar->FindField(), Qt::Key_Return, step.modifiers);
        EXPECT_EQ(SelectionStart(), step.expectedStart);
        EXPECT_EQ(Selected(), "R1");
    }
    // Escape closes the bar; the match stays selected in the pane, which has the focus.
    Key(bar->FindField(), Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(pane->hasFocus());
    EXPECT_EQ(SelectionStart(), 16);
    EXPECT_EQ(Selected(), "R1");

    // Ctrl+H adds the replace row and takes the selection as the text to find.
    Key(pane, Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(bar->ReplaceShown());
    EXPECT_EQ(bar->FindField()->text(), "R1");
}

TEST_F(FindBarTest, ReplacingNeverTouchesAnAnswerRun) {
    const QString document = "2*2\n22+1\nX := 2\n";
    struct Row {
        const char* name;
        bool all;
        QString find, with;
        int caret;
        QString expected; // the whole text afterwards
        QString message;
    };
    const Row rows[] = {
        {"replace-all skips the answers", true, "2", "3", 0,
         "3*3 ==> 4 +_I 0 \n33+1 ==> 23 +_I 0 \nX := 3 ==> 2 +_I 0 \n",
         "5 replaced, 2 in answers left as they are"},
        {"one replacement in an expression", false, "22", "7", 0,
         "2*2 ==> 4 +_I 0 \n7+1 ==> 23 +_I 0 \nX := 2 ==> 2 +_I 0 \n", "No match"},
        {"a match in an answer is left", false, "23", "9", 11,
         "2*2 ==> 4 +_I 0 \n22+1 ==> 23 +_I 0 \nX := 2 ==> 2 +_I 0 \n",
         "An answer is not replaced"},
        {"a match reaching into the arrow is left", true, "1 =", "1 +", 0,
         "2*2 ==> 4 +_I 0 \n22+1 ==> 23 +_I 0 \nX := 2 ==> 2 +_I 0 \n",
         "0 replaced, 1 in answers left as they are"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LoadCalculated(document);
        const QString calculated = pane->toPlainText();
        bar->OpenReplace();
        bar->FindField()->setText(row.find);
        bar->ReplaceField()->setText(row.with);
        if (row.all) {
            bar->ReplaceAll();
        } else {
            CaretTo(row.caret);
            ASSERT_TRUE(bar->FindNext());
            bar->ReplaceCurrent();
        }
        EXPECT_EQ(pane->toPlainText(), row.expected);
        EXPECT_EQ(bar->Message(), row.message);
        // Every change, a replace-all too, goes back in one undo step.
        if (pane->toPlainText() != calculated) {
            pane->undo();
            EXPECT_EQ(pane->toPlainText(), calculated);
        }
    }
}

TEST_F(FindBarTest, ReplacingInAnExpressionMarksItsAnswerLikeAnyEdit) {
    // What typing the same change does to the lines' looks, replacing does too: after the
    // edit, and after the edited line is calculated again.
    const QString text = "A := 1\nA+1\n";
    const int typed = 0, replaced = 1;
    QString looks[2];
    for (const int how : {typed, replaced}) {
        SCOPED_TRACE(how == typed ? "typed" : "replaced");
        LoadCalculated(text);
        window->Live().ProcessChanges();
        if (how == replaced) {
            bar->OpenReplace();
            bar->FindField()->setText("1");
            bar->ReplaceField()->setText("5");
            CaretTo(0);
            ASSERT_TRUE(bar->FindNext());
            ASSERT_TRUE(bar->ReplaceCurrent());
        } else {
            QTextCursor c = pane->textCursor();
            c.setPosition(5);
            c.setPosition(6, QTextCursor::KeepAnchor);
            pane->setTextCursor(c);
            pane->InsertText("5");
        }
        auto look = [&] {
            window->Live().ProcessChanges();
            QString shown;
            for (int line = 0; line < 2; ++line)
                shown += window->Live().IsStale(line) ? "stale;" : "current;";
            return shown + pane->toPlainText() + "|";
        };
        looks[how] = look();
        CaretTo(0);
        pane->AtnVexmiCalculateExecute();
        looks[how] += look();
    }
    EXPECT_EQ(looks[replaced], looks[typed]);
    EXPECT_TRUE(looks[typed].contains("current;stale;A := 5 ==> 5")) << looks[typed].toStdString();
}
